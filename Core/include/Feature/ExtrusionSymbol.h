#pragma once

#include <memory>

#include "Common/HeightReference.h"
#include "Feature/Symbol.h"

namespace qel::Feature {

/// A wall raised along a line or an area's rings, painted by its body symbol (a
/// `PolygonSymbol` draws it; other kinds of body draw no wall).
class ExtrusionSymbol : public Symbol {
 public:
  ExtrusionSymbol();
  ~ExtrusionSymbol() override;

  SymbolType getType() const noexcept override { return SymbolType::Extrusion; }
  std::shared_ptr<Symbol> clone() const override;

  /// Metres, finite (a non-finite height is ignored); how it is read depends on the
  /// height reference. New symbols: 0.
  double getHeight() const noexcept { return height_; }
  void setHeight(double height);
  /// How the height is read:
  /// - `None` (0): the wall rises `getHeight` metres above each position of the line
  ///   (a negative height hangs it below);
  /// - `ClampToGround` (1): the wall spans from each position's height to the absolute
  ///   height `getHeight`;
  /// - any other value: the wall has no heights of its own.
  /// New symbols: `None`.
  HeightReference getHeightReference() const noexcept { return heightReference_; }
  void setHeightReference(HeightReference reference);
  /// What paints the wall; null draws none. The extrusion itself is refused as its own
  /// body (nothing changes).
  const std::shared_ptr<Symbol>& getBodySymbol() const noexcept { return body_.get(); }
  void setBodySymbol(std::shared_ptr<Symbol> body);

 private:
  double height_ = 0.0;
  HeightReference heightReference_ = HeightReference::None;
  Part<Symbol> body_{*this};
};

}  // namespace qel::Feature
