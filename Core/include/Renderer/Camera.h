#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <optional>
#include <utility>

#include "Common/Matrix4.h"
#include "Common/Quaternion.h"
#include "Common/Ray.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"
#include "Renderer/PerspectiveFrustum.h"
#include "Renderer/Viewport.h"
#include "Renderer/WindowProjector.h"

namespace qel {

/// The render camera: a pose in the Earth-fixed frame and a perspective frustum over a
/// viewport. The camera looks along its local −Z axis with +Y up and +X right; a
/// camera-space vector v is `getOrientation() * v` in the fixed frame.
///
/// The pose may be read from any thread while the main thread writes it (queries of
/// the public facades read it off the main thread); everything else is main-thread only.
class Camera {
 public:
  Camera();

  Vector3<double> getPosition() const;
  Quaternion getOrientation() const;
  /// Non-finite positions are ignored: the camera keeps its last finite pose.
  void setPosition(const Vector3<double>& position);
  /// Stored normalised; non-finite or zero quaternions are ignored.
  void setOrientation(const Quaternion& orientation);

  /// Unit view direction, right and up axes in the fixed frame.
  Vector3<double> getDirection() const;
  Vector3<double> getRight() const;
  Vector3<double> getUp() const;
  /// World → camera space, and its inverse (camera space → world).
  Matrix4 getViewMatrix() const;
  Matrix4 getInverseViewMatrix() const;
  /// Camera space → clip space.
  Matrix4 getProjectionMatrix() const;

  PerspectiveFrustum& getFrustum() noexcept { return frustum_; }
  const PerspectiveFrustum& getFrustum() const noexcept { return frustum_; }

  const Viewport& getViewport() const noexcept { return viewport_; }
  /// Sets the viewport and the frustum's aspect ratio. An empty viewport is kept (so
  /// that callers can see it) but the aspect ratio keeps its last valid value.
  void setViewport(const Viewport& viewport);

  /// The ray from the eye through a window position (pixels, origin top left, may be
  /// fractional). The direction is unit length. With an empty viewport the ray points
  /// along the view direction.
  Ray getPickRay(const Vector2<float>& windowPosition) const;
  /// Window position (pixels, origin top left) of a fixed-frame point; empty when the
  /// point is not in front of the eye. Positions outside the viewport are returned.
  /// The current view frozen for projecting many points (see `WindowProjector`).
  WindowProjector getWindowProjector() const;
  std::optional<Vector2<double>> worldToWindow(const Vector3<double>& point) const;

  /// Test hooks: how many times each pose setter was called.
  std::size_t getSetPositionCount() const noexcept { return setPositionCount_.load(); }
  std::size_t getSetOrientationCount() const noexcept { return setOrientationCount_.load(); }
  void resetSetterCounts() noexcept {
    setPositionCount_ = 0;
    setOrientationCount_ = 0;
  }

 private:
  // Position and orientation read together under one lock, so that a pose set from
  // another thread meanwhile cannot mix into a matrix or ray half old, half new.
  std::pair<Vector3<double>, Quaternion> poseSnapshot() const;

  mutable std::mutex poseMutex_;
  Vector3<double> position_;
  Quaternion orientation_;
  // World → camera rotation (the transposed orientation), kept with the orientation:
  // a frame projects thousands of points and a matrix product is the cheapest rotation.
  Matrix3 toCamera_;
  PerspectiveFrustum frustum_;
  Viewport viewport_;
  std::atomic<std::size_t> setPositionCount_{0};
  std::atomic<std::size_t> setOrientationCount_{0};
};

}  // namespace qel
