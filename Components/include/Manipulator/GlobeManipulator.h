#pragma once

#include <functional>
#include <memory>

#include "Common/Angle.h"
#include "Common/Publisher.h"
#include "Common/Viewpoint.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Viewer/CameraManipulator.h"

namespace qel {

/// The application's handle on the globe camera. Every call may come from any thread:
/// it checks that its viewer still exists and carries the work to the viewer's main
/// thread. Commands return at once; queries wait for their answer.
///
/// Install it with `Viewer::setCameraManipulator`; before that, and after the viewer is
/// gone, commands do nothing and queries return false or an all-zero value.
///
/// When the viewer ends (`ViewerImpl::stop`, the application releasing its last pointer
/// to the viewer, or the viewer's main thread ending), the same holds from that moment
/// on, and a query that was waiting for the main thread returns that default at once
/// instead of its answer: false from `isTopViewFixed`, `isUndergroundAllowed` and
/// `isMouseTiltLessZeroEnable`, 0 for every speed from `getKeyOperaterSpeed` and
/// `getMouseZoomSpeed`. No call ever runs on the calling thread instead of the viewer's
/// thread. A query rethrows what its work threw on the main thread; it throws
/// boost::broken_promise only if the main thread dropped its work while the viewer was
/// still alive (the host discarding or cancelling queued work by hand).
class GlobeManipulator : public CameraManipulator {
 public:
  GlobeManipulator();
  ~GlobeManipulator() override;

  /// Raised on the main thread after every frame in which the camera moved.
  GlobeManipulatorImpl::ViewpointPublisher& getViewpointChanged();

  /// Keeps the tilt and turns the view to face north about the point under the pointer.
  void turnNorthUp();
  /// Makes the view vertical about the point under the pointer, keeping its heading.
  void lookDown();
  bool isTopViewFixed() const;
  /// True first looks straight down, then keeps every tilt from leaving the vertical.
  void setTopViewFixed(bool fixed);
  bool isUndergroundAllowed() const;
  /// Lets the camera go below the terrain (down to 10 km below sea level).
  void setUndergroundAllowed(bool allowed);
  /// Field of view of the scene's camera (radians, (0, π)).
  void setFov(const Radian& fov);

  /// Keyboard speeds: pan and move (metres per second at resolution 1), tilt and turn
  /// (degrees per second). Shared by every globe manipulator of the process. The wheel
  /// speed and the negative-tilt switch are set through the base class.
  void setKeyOperaterSpeed(double pan, double pitch, double rotate, double move);
  void getKeyOperaterSpeed(double& pan, double& pitch, double& rotate, double& move) const;

  /// The implementation, for hosts running on the main thread.
  GlobeManipulatorImpl& _getGlobeImpl() const noexcept { return static_cast<GlobeManipulatorImpl&>(*impl); }

 private:
  /// The implementation as its own type (the base holds the one strong reference).
  std::shared_ptr<GlobeManipulatorImpl> globeImpl() const {
    return std::static_pointer_cast<GlobeManipulatorImpl>(impl);
  }
};

}  // namespace qel
