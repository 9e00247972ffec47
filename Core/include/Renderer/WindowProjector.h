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
      : eye_(eye),
        toCamera_(toCamera),
        halfTangentX_(halfTangentX),
        halfTangentY_(halfTangentY),
        empty_(viewport.isEmpty()),
        left_(viewport.x0),
        top_(viewport.y0),
        width_(viewport.width()),
        height_(viewport.height()) {}

  /// The eye (fixed frame, metres).
  const Vector3<double>& getEye() const noexcept { return eye_; }

  /// Window position (pixels, origin top left) of a fixed-frame point; empty when the
  /// viewport is empty, the point is not finite or not in front of the eye.
  std::optional<Vector2<double>> project(const Vector3<double>& point) const noexcept {
    if (empty_ || !point.isFinite()) return std::nullopt;
    const Vector3<double> local = toCamera_ * (point - eye_);
    const double depth = -local.z;
    if (!(depth > 0.0)) return std::nullopt;
    const double ndcX = local.x / depth / halfTangentX_;
    const double ndcY = local.y / depth / halfTangentY_;
    const Vector2<double> window(left_ + 0.5 * (ndcX + 1.0) * width_, top_ + 0.5 * (1.0 - ndcY) * height_);
    if (!window.isFinite()) return std::nullopt;
    return window;
  }

 private:
  Vector3<double> eye_;
  Matrix3 toCamera_;
  double halfTangentX_ = 1.0;
  double halfTangentY_ = 1.0;
  // The viewport, converted once: the same values the integers give, without a
  // conversion per point.
  bool empty_ = true;
  double left_ = 0.0;
  double top_ = 0.0;
  double width_ = 0.0;
  double height_ = 0.0;
};

}  // namespace qel
