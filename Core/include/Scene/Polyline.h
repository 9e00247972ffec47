#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "Common/Color.h"
#include "Common/HeightReference.h"
#include "Common/Vector3.h"
#include "Scene/CollectionElement.h"
#include "Scene/PickId.h"

namespace qel {

/// A line of a window width through fixed-frame points, or, once it has an origin,
/// through window-pixel offsets (x right, y down; z unused) from the origin's window
/// position: a screen-space outline that follows its anchor.
class Polyline : public CollectionElement {
 public:
  struct ConstructorOptions {
    /// Draw the last point back to the first (the outline of an area).
    bool loop = false;
    bool show = true;
    double width = 1.0;  ///< pixels (> 0; others draw nothing)
    std::vector<Vector3<double>> positions;
    PickId id;
    Color color;
  };

  explicit Polyline(ConstructorOptions options) : options_(std::move(options)) {}

  const ConstructorOptions& get() const noexcept { return options_; }
  void setPositions(std::vector<Vector3<double>> positions) { options_.positions = std::move(positions); }
  void setWidth(double width) noexcept { options_.width = width; }
  void setColor(const Color& color) noexcept { options_.color = color; }
  void setId(PickId id) { options_.id = std::move(id); }
  void setShow(bool show) noexcept { options_.show = show; }
  /// `origin` (fixed frame) anchors window-pixel positions; `screenSpace` false returns
  /// the line to fixed-frame positions.
  void setOrigin(const Vector3<double>& origin, bool screenSpace) noexcept {
    origin_ = screenSpace ? std::optional<Vector3<double>>(origin) : std::nullopt;
  }
  const std::optional<Vector3<double>>& getOrigin() const noexcept { return origin_; }
  /// Kept for the tools that set it; this host draws the positions as given.
  void setHeightReference(HeightReference reference) noexcept { heightReference_ = reference; }
  HeightReference getHeightReference() const noexcept { return heightReference_; }

 private:
  ConstructorOptions options_;
  std::optional<Vector3<double>> origin_;
  HeightReference heightReference_ = HeightReference::None;
};

}  // namespace qel
