#pragma once

#include <optional>

#include "Common/Matrix3.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"
#include "Renderer/Viewport.h"

namespace qel {

/// A camera's view frozen for projecting many points: the eye, its world → camera
/// rotation, the lens' half-angle tangents and the viewport, read once.
///
/// A frame projects every handle, point and line vertex it draws; reading the camera's
/// pose under its lock for each of them costs more than the projection itself. The
/// camera's own `worldToWindow` goes through this same code, so a point lands on the
/// same pixel, to the last bit, whichever way it is projected.
class WindowProjector {
 public:
  WindowProjector() = default;
  WindowProjector(const Vector3<double>& eye, const Matrix3& toCamera, double halfTangentX, double halfTangentY,
                  const Viewport& viewport) noexcept
      : eye_(eye), toCamera_(toCamera), halfTangentX_(halfTangentX), halfTangentY_(halfTangentY), viewport_(viewport) {}

  /// The eye (fixed frame, metres).
  const Vector3<double>& getEye() const noexcept { return eye_; }

  /// Window position (pixels, origin top left) of a fixed-frame point; empty when the
  /// viewport is empty, the point is not finite or not in front of the eye.
  std::optional<Vector2<double>> project(const Vector3<double>& point) const noexcept {
    if (viewport_.isEmpty() || !point.isFinite()) return std::nullopt;
    const Vector3<double> local = toCamera_ * (point - eye_);
    const double depth = -local.z;
    if (!(depth > 0.0)) return std::nullopt;
    const double ndcX = local.x / depth / halfTangentX_;
    const double ndcY = local.y / depth / halfTangentY_;
    const Vector2<double> window(viewport_.x0 + 0.5 * (ndcX + 1.0) * viewport_.width(),
                                 viewport_.y0 + 0.5 * (1.0 - ndcY) * viewport_.height());
    if (!window.isFinite()) return std::nullopt;
    return window;
  }

 private:
  Vector3<double> eye_;
  Matrix3 toCamera_;
  double halfTangentX_ = 1.0;
  double halfTangentY_ = 1.0;
  Viewport viewport_;
};

}  // namespace qel
