#pragma once

#include "Common/Angle.h"

namespace qel {

/// A symmetric perspective frustum. `fov` is the field of view across the larger of the
/// two viewport dimensions (radians, (0, π)); the other follows from `aspectRatio`.
class PerspectiveFrustum {
 public:
  /// Near plane distance (metres, > 0). Zooming never brings the eye closer to its
  /// target than this.
  double near = 1.0;
  /// Far plane distance (metres, > near); far enough to see the whole Earth from the
  /// zoom-out bound.
  double far = 5.0e8;

  Radian getFov() const noexcept { return fov_; }
  /// Ignores values outside (0, π) and non-finite values.
  void setFov(const Radian& fov) noexcept;
  double getAspectRatio() const noexcept { return aspectRatio_; }
  /// Width / height; ignores values that are not finite and positive.
  void setAspectRatio(double aspect) noexcept;
  /// Vertical field of view (radians).
  double getFovy() const noexcept { return derived_.fovy; }
  /// Horizontal field of view (radians).
  double getFovx() const noexcept { return derived_.fovx; }
  /// Tangents of half the horizontal and vertical fields of view: what every window
  /// projection and pick ray scales by.
  double getHalfTangentX() const noexcept { return derived_.halfTangentX; }
  double getHalfTangentY() const noexcept { return derived_.halfTangentY; }

 private:
  // The angles every projection needs, worked out when the lens changes rather than at
  // each of the thousands of projections a frame makes.
  struct Derived {
    double fovy;
    double fovx;
    double halfTangentX;
    double halfTangentY;
  };
  static Derived derive(double fov, double aspectRatio) noexcept;

  Radian fov_{Math::PI / 3.0};  // 60°: a natural lens for a globe viewer
  double aspectRatio_ = 1.0;
  Derived derived_ = derive(fov_.value(), aspectRatio_);
};

}  // namespace qel
