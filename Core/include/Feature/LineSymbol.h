#pragma once

#include <memory>

#include "Feature/Material.h"
#include "Feature/Symbol.h"

namespace qel::Feature {

/// A line of a width in pixels, painted with a material (a line feature, an area's
/// outline).
class LineSymbol : public Symbol {
 public:
  /// Width (pixels) of new line symbols.
  static constexpr double kDefaultWidth = 1.0;

  LineSymbol();
  ~LineSymbol() override;

  SymbolType getType() const noexcept override { return SymbolType::Line; }
  std::shared_ptr<Symbol> clone() const override;

  /// Pixels, > 0; anything else is ignored. Written directly by editors that read it
  /// back; such a writer calls `_raiseDefinitionChanged` when it wants the change drawn.
  double width = kDefaultWidth;
  double getWidth() const noexcept { return width; }
  void setWidth(double newWidth);

  /// The paint; null draws the line white.
  const std::shared_ptr<Material>& getMaterial() const noexcept { return material_.get(); }
  void setMaterial(std::shared_ptr<Material> material);

 private:
  Part<Material> material_{*this};
};

}  // namespace qel::Feature
