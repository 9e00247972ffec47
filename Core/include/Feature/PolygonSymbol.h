#pragma once

#include <memory>

#include "Feature/LineSymbol.h"
#include "Feature/Material.h"
#include "Feature/Symbol.h"

namespace qel::Feature {

/// A filled area with an optional outline; also the body of an extrusion (its walls).
class PolygonSymbol : public Symbol {
 public:
  PolygonSymbol();
  ~PolygonSymbol() override;

  SymbolType getType() const noexcept override { return SymbolType::Polygon; }
  std::shared_ptr<Symbol> clone() const override;

  /// The fill's paint; null fills white.
  const std::shared_ptr<Material>& getMaterial() const noexcept { return material_.get(); }
  void setMaterial(std::shared_ptr<Material> material);
  /// Whether the inside is filled. New symbols: true.
  bool isFill() const noexcept { return fill_; }
  void setFill(bool fill);
  /// The outline; null draws none.
  const std::shared_ptr<LineSymbol>& getOutLineSymbol() const noexcept { return outline_.get(); }
  void setOutLineSymbol(std::shared_ptr<LineSymbol> outline);

 private:
  Part<Material> material_{*this};
  Part<LineSymbol> outline_{*this};
  bool fill_ = true;
};

}  // namespace qel::Feature
