#pragma once

#include <optional>
#include <string>

#include "Common/Color.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"
#include "Scene/CollectionElement.h"
#include "Scene/ImageName.h"
#include "Scene/PickId.h"
#include "Scene/ScreenOrigin.h"

namespace qel {

/// An image drawn at a fixed-frame point, facing the window. Owned by its
/// `BillboardCollection`; changed on the main thread.
class Billboard : public CollectionElement {
 public:
  /// Size (pixels) of a billboard whose image cannot be read.
  static constexpr int kDefaultImageSize = 32;

  struct ConstructorOptions {
    Vector3<double> position;     ///< fixed frame, metres
    std::string image;            ///< PNG file; its size is the billboard's size at scale 1
    PickId id;                    ///< handed back by picks
    Color color;                  ///< tint, 1 = the image's own colours
    double scale = 1.0;           ///< factor on the image size (> 0; others draw nothing)
    Vector2<double> pixelOffset;  ///< window pixels added to the anchor (y down), not scaled by the DPI factor
    HorizontalOrigin horizontalOrigin = HorizontalOrigin::Center;
    VerticalOrigin verticalOrigin = VerticalOrigin::Center;
    bool show = true;
  };

  explicit Billboard(ConstructorOptions options) : options_(std::move(options)), imageName_(options_.image) {}

  const ConstructorOptions& get() const noexcept { return options_; }
  void setPosition(const Vector3<double>& position) noexcept { options_.position = position; }
  void setImage(std::string image) {
    if (image == options_.image) return;
    options_.image = std::move(image);
    imageName_ = ImageName(options_.image);
    imageSize_.reset();
  }
  /// The image file as drawn items name it.
  const ImageName& getImageName() const noexcept { return imageName_; }
  /// The image's size (pixels) at scale 1: read from the file once per image, the
  /// default size when it cannot be read.
  Vector2<int> getImageSize() const;
  void setId(PickId id) { options_.id = std::move(id); }
  void setColor(const Color& color) noexcept { options_.color = color; }
  void setScale(double scale) noexcept { options_.scale = scale; }
  void setPixelOffset(const Vector2<double>& offset) noexcept { options_.pixelOffset = offset; }
  void setHorizontalOrigin(HorizontalOrigin origin) noexcept { options_.horizontalOrigin = origin; }
  void setVerticalOrigin(VerticalOrigin origin) noexcept { options_.verticalOrigin = origin; }
  void setShow(bool show) noexcept { options_.show = show; }

 private:
  ConstructorOptions options_;
  ImageName imageName_;
  // Read at the first frame that draws the image; a billboard keeps its image for many
  // frames, and a lookup by path costs more than the rest of its drawing.
  mutable std::optional<Vector2<int>> imageSize_;
};

}  // namespace qel
