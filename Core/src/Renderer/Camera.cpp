// The render camera. Pick rays, window projection and the GL matrices all derive from
// the same two half-angle tangents, so that what a test picks is what the demo draws.
#include "Renderer/Camera.h"

#include <cmath>
#include <utility>

#include <glm/ext/matrix_clip_space.hpp>

namespace qel {
namespace {

// The initial pose: 20 000 km from the Earth's centre on the +X axis, looking at the
// centre with north up — the whole globe in view, as a freshly opened viewer shows it.
constexpr Vector3<double> kInitialPosition{20000000.0, 0.0, 0.0};
// Maps camera −Z to world −X, +Y to +Z (north) and +X to +Y (east).
constexpr Quaternion kInitialOrientation{0.5, 0.5, 0.5, 0.5};

// The window the camera starts with, matching the scene's default window.
constexpr Viewport kInitialViewport{0, 0, 800, 600};

struct HalfTangents {
  double x;
  double y;
};

HalfTangents halfTangents(const PerspectiveFrustum& frustum) noexcept {
  return {frustum.getHalfTangentX(), frustum.getHalfTangentY()};
}

}  // namespace

Camera::Camera()
    : position_(kInitialPosition),
      orientation_(kInitialOrientation),
      toCamera_(kInitialOrientation.toRotationMatrix().transposed()) {
  setViewport(kInitialViewport);
}

Vector3<double> Camera::getPosition() const {
  std::lock_guard lock(poseMutex_);
  return position_;
}

Quaternion Camera::getOrientation() const {
  std::lock_guard lock(poseMutex_);
  return orientation_;
}

void Camera::setPosition(const Vector3<double>& position) {
  ++setPositionCount_;
  if (!position.isFinite()) return;
  std::lock_guard lock(poseMutex_);
  position_ = position;
}

void Camera::setOrientation(const Quaternion& orientation) {
  ++setOrientationCount_;
  if (!orientation.isFinite()) return;
  const double lengthSquared = orientation.lengthSquared();
  // A quaternion too short to normalise (or long enough to overflow) is no rotation.
  if (!(lengthSquared > 0.0) || !std::isfinite(lengthSquared)) return;
  const Quaternion normalised = orientation.normalized();
  if (!normalised.isFinite()) return;
  const Matrix3 toCamera = normalised.toRotationMatrix().transposed();
  std::lock_guard lock(poseMutex_);
  orientation_ = normalised;
  toCamera_ = toCamera;
}

Vector3<double> Camera::getDirection() const { return getOrientation() * Vector3<double>(0.0, 0.0, -1.0); }

Vector3<double> Camera::getRight() const { return getOrientation() * Vector3<double>::unitX(); }

Vector3<double> Camera::getUp() const { return getOrientation() * Vector3<double>::unitY(); }

std::pair<Vector3<double>, Quaternion> Camera::poseSnapshot() const {
  std::lock_guard lock(poseMutex_);
  return {position_, orientation_};
}

Matrix4 Camera::getViewMatrix() const {
  const auto [position, orientation] = poseSnapshot();
  // Built from the transposed rotation rather than a general 4x4 inverse: exact for a
  // rigid transform and free of the rounding a cofactor inverse adds at Earth scale.
  const Matrix3 toCamera = orientation.toRotationMatrix().transposed();
  return Matrix4::fromRotationTranslation(toCamera, -(toCamera * position));
}

Matrix4 Camera::getInverseViewMatrix() const {
  const auto [position, orientation] = poseSnapshot();
  return Matrix4::fromRotationTranslation(orientation.toRotationMatrix(), position);
}

Matrix4 Camera::getProjectionMatrix() const {
  const HalfTangents tangents = halfTangents(frustum_);
  // The aspect ratio of the projection is that of the two half-angle tangents, which is
  // exactly what the pick ray uses even if the frustum's aspect was set by hand.
  return Matrix4(glm::perspectiveRH_NO(frustum_.getFovy(), tangents.x / tangents.y, frustum_.near, frustum_.far));
}

void Camera::setViewport(const Viewport& viewport) {
  viewport_ = viewport;
  if (!viewport.isEmpty()) {
    frustum_.setAspectRatio(static_cast<double>(viewport.width()) / static_cast<double>(viewport.height()));
  }
}

Ray Camera::getPickRay(const Vector2<float>& windowPosition) const {
  const auto [position, orientation] = poseSnapshot();
  Vector3<double> local(0.0, 0.0, -1.0);
  if (!viewport_.isEmpty()) {
    const HalfTangents tangents = halfTangents(frustum_);
    const double ndcX =
        2.0 * (static_cast<double>(windowPosition.x) - viewport_.x0) / static_cast<double>(viewport_.width()) - 1.0;
    const double ndcY =
        1.0 - 2.0 * (static_cast<double>(windowPosition.y) - viewport_.y0) / static_cast<double>(viewport_.height());
    local = Vector3<double>(ndcX * tangents.x, ndcY * tangents.y, -1.0).normalized();
  }
  return Ray{position, (orientation * local).normalized()};
}

WindowProjector Camera::getWindowProjector() const {
  std::lock_guard lock(poseMutex_);
  return WindowProjector(position_, toCamera_, frustum_.getHalfTangentX(), frustum_.getHalfTangentY(), viewport_);
}

std::optional<Vector2<double>> Camera::worldToWindow(const Vector3<double>& point) const {
  return getWindowProjector().project(point);
}

}  // namespace qel
