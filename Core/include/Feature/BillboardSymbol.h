#pragma once

#include <string>

#include "Common/Color.h"
#include "Common/Vector2.h"
#include "Feature/Symbol.h"

namespace qel::Feature {

/// An image drawn at a point, facing the viewer, at its own size in pixels.
class BillboardSymbol : public Symbol {
 public:
  /// Horizontal origins: which side of the image stands on the anchor.
  static constexpr int kOriginCenter = 0;
  static constexpr int kHorizontalOriginLeft = 1;
  static constexpr int kHorizontalOriginRight = -1;
  /// Vertical origins: a bottom origin puts the image above the anchor.
  static constexpr int kVerticalOriginBottom = 1;
  static constexpr int kVerticalOriginTop = -1;

  BillboardSymbol() = default;

  SymbolType getType() const noexcept override { return SymbolType::Billboard; }
  std::shared_ptr<Symbol> clone() const override;

  /// Path of a PNG file (either folder separator); empty draws nothing.
  const std::string& getImage() const noexcept { return image_; }
  void setImage(std::string image);
  /// 0 centre, 1 left, −1 right (the side that stands on the anchor). Any other value
  /// is ignored. New symbols: 0.
  int getHorizontalOrigin() const noexcept { return horizontalOrigin_; }
  void setHorizontalOrigin(int origin);
  /// 0 centre, 1 bottom, −1 top. Any other value is ignored. New symbols: 0.
  int getVerticalOrigin() const noexcept { return verticalOrigin_; }
  void setVerticalOrigin(int origin);
  /// Factor on the image's pixel size, ≥ 0 (0 draws nothing); a negative or non-finite
  /// factor is ignored. New symbols: 1.
  double getScale() const noexcept { return scale_; }
  void setScale(double scale);
  /// Colour the image is multiplied by. New symbols: white.
  const Color& getColor() const noexcept { return color_; }
  void setColor(const Color& color);
  /// Window offset (pixels, x right, y down) of the anchor; a non-finite offset is
  /// ignored. New symbols: (0, 0).
  const Vector2<double>& getPixelOffset() const noexcept { return pixelOffset_; }
  void setPixelOffset(const Vector2<double>& offset);

 private:
  std::string image_;
  int horizontalOrigin_ = kOriginCenter;
  int verticalOrigin_ = kOriginCenter;
  double scale_ = 1.0;
  Color color_;
  Vector2<double> pixelOffset_;
};

}  // namespace qel::Feature
