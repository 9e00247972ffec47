#pragma once

#include <string>

#include "Common/Color.h"
#include "Common/Vector2.h"
#include "Feature/Symbol.h"

namespace qel::Feature {

/// A text drawn at a point (a point feature's position, the first position of a line or
/// an area), facing the viewer.
class LabelSymbol : public Symbol {
 public:
  /// Font of new label symbols.
  static constexpr const char* kDefaultFontFamily = "微软雅黑";
  /// Font size (pixels) of new label symbols: the size the scene's labels have.
  static constexpr double kDefaultFontSize = 16.0;

  LabelSymbol() = default;

  SymbolType getType() const noexcept override { return SymbolType::Label; }
  std::shared_ptr<Symbol> clone() const override;

  /// UTF-8 text; empty draws nothing. New symbols: empty.
  const std::string& getText() const noexcept { return text_; }
  void setText(std::string text);
  const std::string& getFontFamily() const noexcept { return fontFamily_; }
  void setFontFamily(std::string family);
  /// Pixels, > 0; anything else is ignored.
  double getFontSize() const noexcept { return fontSize_; }
  void setFontSize(double size);
  /// Fill colour of the glyphs. New symbols: white.
  const Color& getColor() const noexcept { return color_; }
  void setColor(const Color& color);
  /// As `BillboardSymbol::setHorizontalOrigin`: 0 centre, 1 left, −1 right; other values
  /// are ignored.
  int getHorizontalOrigin() const noexcept { return horizontalOrigin_; }
  void setHorizontalOrigin(int origin);
  /// As `BillboardSymbol::setVerticalOrigin`: 0 centre, 1 bottom, −1 top; other values
  /// are ignored.
  int getVerticalOrigin() const noexcept { return verticalOrigin_; }
  void setVerticalOrigin(int origin);
  /// Window offset (pixels, x right, y down) of the text's anchor; non-finite offsets
  /// are ignored. New symbols: (0, 0).
  const Vector2<double>& getPixelOffset() const noexcept { return pixelOffset_; }
  void setPixelOffset(const Vector2<double>& offset);

 private:
  std::string text_;
  std::string fontFamily_ = kDefaultFontFamily;
  double fontSize_ = kDefaultFontSize;
  Color color_;
  int horizontalOrigin_ = 0;
  int verticalOrigin_ = 0;
  Vector2<double> pixelOffset_;
};

}  // namespace qel::Feature
