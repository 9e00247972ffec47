#pragma once

#include <string>

#include "Common/Color.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"
#include "Scene/CollectionElement.h"
#include "Scene/PickId.h"
#include "Scene/ScreenOrigin.h"

namespace qel {

/// A text drawn at a fixed-frame point. Its window box is `fontSize` high; each
/// character is half as wide, a character outside ASCII (CJK) as wide as it is high.
class Label : public CollectionElement {
 public:
  /// How the glyphs are painted.
  enum class Style : int {
    FILL = 0,              ///< filled with `fillColor`
    OUTLINE = 1,           ///< outlined only
    FILL_AND_OUTLINE = 2,  ///< filled and outlined
  };

  /// The label record. The fields up to `id` come in the order the tools fill them in
  /// (their defaults are the record's own); the placement fields after it are this
  /// host's additions.
  struct ConstructorOptions {
    std::string text;          ///< UTF-8
    Vector3<double> position;  ///< fixed frame, metres
    bool show = true;
    Style style = Style::FILL;
    double scale = 1.0;  ///< factor on the drawn size, kept for the renderer
    /// Font family; a renderer without it falls back to its installed CJK font, so that
    /// the tools' Chinese texts always draw.
    std::string font = "微软雅黑";
    double fontSize = 30.0;  ///< pixels (> 0; others draw nothing)
    Color fillColor;
    bool showBackground = false;
    /// Draw over the terrain even where the Earth stands in front.
    bool disableDepthTest = false;
    double backgroundPadding = 1.0;  ///< pixels around the text inside the background
    Color backgroundColor{0.165f, 0.165f, 0.165f, 0.8f};
    PickId id;
    Vector2<double> pixelOffset;
    HorizontalOrigin horizontalOrigin = HorizontalOrigin::Center;
    VerticalOrigin verticalOrigin = VerticalOrigin::Center;
  };

  explicit Label(ConstructorOptions options) : options_(std::move(options)) {}

  const ConstructorOptions& get() const noexcept { return options_; }
  void setPosition(const Vector3<double>& position) noexcept { options_.position = position; }
  void setText(std::string text) { options_.text = std::move(text); }
  void setId(PickId id) { options_.id = std::move(id); }
  void setFillColor(const Color& color) noexcept { options_.fillColor = color; }
  void setPixelOffset(const Vector2<double>& offset) noexcept { options_.pixelOffset = offset; }
  void setShow(bool show) noexcept { options_.show = show; }
  bool isShow() const noexcept { return options_.show; }

  /// Window width (pixels) of the text.
  double getTextWidth() const noexcept;

 private:
  ConstructorOptions options_;
};

}  // namespace qel
