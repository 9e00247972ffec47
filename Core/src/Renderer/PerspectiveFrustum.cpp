#include "Renderer/PerspectiveFrustum.h"

#include <cmath>

namespace qel {

void PerspectiveFrustum::setFov(const Radian& fov) noexcept {
  const double v = fov.value();
  if (!(std::isfinite(v) && v > 0.0 && v < Math::PI)) return;
  fov_ = fov;
  derived_ = derive(fov_.value(), aspectRatio_);
}

void PerspectiveFrustum::setAspectRatio(double aspect) noexcept {
  if (!(std::isfinite(aspect) && aspect > 0.0)) return;
  aspectRatio_ = aspect;
  derived_ = derive(fov_.value(), aspectRatio_);
}

// The field of view spans the larger viewport dimension, so a window that is turned from
// landscape to portrait keeps showing the same amount of the globe across its long side.
PerspectiveFrustum::Derived PerspectiveFrustum::derive(double fov, double aspectRatio) noexcept {
  const double half = std::tan(0.5 * fov);
  Derived d{};
  d.fovy = aspectRatio >= 1.0 ? 2.0 * std::atan(half / aspectRatio) : fov;
  d.fovx = aspectRatio >= 1.0 ? fov : 2.0 * std::atan(half * aspectRatio);
  d.halfTangentX = std::tan(0.5 * d.fovx);
  d.halfTangentY = std::tan(0.5 * d.fovy);
  return d;
}

}  // namespace qel
