#include "Renderer/PerspectiveFrustum.h"

#include <cmath>

namespace qel {

void PerspectiveFrustum::setFov(const Radian& fov) noexcept {
  const double v = fov.value();
  if (std::isfinite(v) && v > 0.0 && v < Math::PI) fov_ = fov;
}

void PerspectiveFrustum::setAspectRatio(double aspect) noexcept {
  if (std::isfinite(aspect) && aspect > 0.0) aspectRatio_ = aspect;
}

// The field of view spans the larger viewport dimension, so a window that is turned from
// landscape to portrait keeps showing the same amount of the globe across its long side.
double PerspectiveFrustum::getFovy() const noexcept {
  const double half = std::tan(0.5 * fov_.value());
  return aspectRatio_ >= 1.0 ? 2.0 * std::atan(half / aspectRatio_) : fov_.value();
}

double PerspectiveFrustum::getFovx() const noexcept {
  const double half = std::tan(0.5 * fov_.value());
  return aspectRatio_ >= 1.0 ? fov_.value() : 2.0 * std::atan(half * aspectRatio_);
}

}  // namespace qel
