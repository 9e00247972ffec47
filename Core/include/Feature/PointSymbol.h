#pragma once

#include "Common/Color.h"
#include "Feature/Symbol.h"

namespace qel::Feature {

/// A round point of a size in pixels drawn at a point feature's position.
class PointSymbol : public Symbol {
 public:
  /// Diameter (pixels) of new point symbols.
  static constexpr double kDefaultPixelSize = 8.0;

  PointSymbol() = default;

  SymbolType getType() const noexcept override { return SymbolType::Point; }
  std::shared_ptr<Symbol> clone() const override;

  /// Diameter in pixels, ≥ 0 (0 draws nothing); negative or non-finite sizes are
  /// ignored.
  double getPixelSize() const noexcept { return pixelSize_; }
  void setPixelSize(double size);
  /// New symbols: white.
  const Color& getColor() const noexcept { return color_; }
  void setColor(const Color& color);

 private:
  double pixelSize_ = kDefaultPixelSize;
  Color color_;
};

}  // namespace qel::Feature
