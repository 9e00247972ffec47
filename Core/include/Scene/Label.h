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
  struct ConstructorOptions {
    Vector3<double> position;  ///< fixed frame, metres
    std::string text;          ///< UTF-8
    PickId id;
    Color fillColor;
    double fontSize = 16.0;  ///< pixels (> 0; others draw nothing)
    Vector2<double> pixelOffset;
    HorizontalOrigin horizontalOrigin = HorizontalOrigin::Center;
    VerticalOrigin verticalOrigin = VerticalOrigin::Center;
    bool show = true;
  };

  explicit Label(ConstructorOptions options) : options_(std::move(options)) {}

  const ConstructorOptions& get() const noexcept { return options_; }
  void setPosition(const Vector3<double>& position) noexcept { options_.position = position; }
  void setText(std::string text) { options_.text = std::move(text); }
  void setId(PickId id) { options_.id = std::move(id); }
  void setFillColor(const Color& color) noexcept { options_.fillColor = color; }
  void setPixelOffset(const Vector2<double>& offset) noexcept { options_.pixelOffset = offset; }
  void setShow(bool show) noexcept { options_.show = show; }

  /// Window width (pixels) of the text.
  double getTextWidth() const noexcept;

 private:
  ConstructorOptions options_;
};

}  // namespace qel
