#pragma once

#include <vector>

#include "Common/Vector3.h"
#include "Scene/PrimitiveBase.h"

namespace qel {

/// The closed outline of the picker's rectangle: corner points given as window-pixel
/// offsets (x right, y down, z unused) from an anchor in the fixed frame, drawn over the
/// terrain with a constant width. Hidden between gestures.
class RectangleOutline : public PrimitiveBase {
 public:
  /// Line width of the outline (pixels).
  static constexpr double kWidth = 2.0;

  void update(FrameState& frameState) override { (void)frameState; }

  /// Corner offsets from the anchor (pixels), in drawing order; the outline closes the
  /// last corner back to the first. An empty list draws nothing.
  void setPositions(std::vector<Vector3<double>> positions) { positions_ = std::move(positions); }
  const std::vector<Vector3<double>>& getPositions() const noexcept { return positions_; }
  /// The anchor (fixed frame, metres) the corner offsets are measured from on screen.
  void setOrigin(const Vector3<double>& origin) noexcept { origin_ = origin; }
  const Vector3<double>& getOrigin() const noexcept { return origin_; }

 private:
  std::vector<Vector3<double>> positions_;
  Vector3<double> origin_{};
};

}  // namespace qel
