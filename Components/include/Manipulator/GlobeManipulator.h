#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Common/Angle.h"
#include "Common/BoundingSphere.h"
#include "Common/Cartographic.h"
#include "Common/HeadingPitchRoll.h"
#include "Common/HeightReference.h"
#include "Common/Publisher.h"
#include "Common/Viewpoint.h"
#include "Common/Viewpose.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Viewer/CameraManipulator.h"

namespace qel {

class BoundingRegion;
class Layer;
namespace Feature {
class Feature;
}

/// The application's handle on the globe camera. Every call may come from any thread:
/// it checks that its viewer still exists and carries the work to the viewer's main
/// thread. Commands return at once; queries wait for their answer.
///
/// Install it with `Viewer::setCameraManipulator`; before that, and after the viewer is
/// gone, commands do nothing and queries return false or an all-zero value.
class GlobeManipulator : public CameraManipulator {
 public:
  using FlyCompletedPublisher = Publisher<std::function<void(int)>>;
  /// How an orbit ends: 0 after |amount| seconds, 1 after |amount| degrees.
  using FlyRepeatType = GlobeManipulatorImpl::FlyRepeatType;

  /// How to frame a bounding sphere.
  struct ZoomOptions {
    /// Flight time (seconds); empty: chosen by the flight (2 to 3 s).
    std::optional<double> duration;
    /// Not read by any flight.
    std::optional<double> maximumHeight;
    /// Heading and pitch of the view (radians) and range from the sphere's centre
    /// (metres); empty: heading 0, pitch −π/4, range 0. A range of 0 frames the whole
    /// sphere in the view (100 m for a sphere of radius 0).
    std::optional<std::array<double, 3>> offset;
  };

  struct FlyAroundPointOptions {
    /// Stored with the orbit, not read.
    std::int32_t tag = 0;
    /// Orbit without end (until the camera is stopped).
    bool loop = false;
    /// Seconds or degrees by `repeatType`; negative turns the other way.
    double amount = 0.0;
    FlyRepeatType repeatType = FlyRepeatType::ByTime;
    /// Degrees per second, stepped per frame at 60 frames a second.
    double speed = 0.0;
  };

  struct FlyAlongPolylineOptions {
    /// Stored with the flight, not read.
    std::int32_t tag = 0;
    /// Turn of the view from the direction of travel (radians).
    HeadingPitchRoll attitude;
    /// Metres per second along the straight parts.
    double speed = 0.0;
    /// Round the corners.
    bool smoothTurns = false;
    /// Corner radius (metres, > 0 to round); shortened where a leg is too short for it.
    double turnRadius = 0.0;
    /// Metres per second along a rounded corner.
    double turnSpeed = 0.0;
    /// Not read by the flight.
    double reserved = 0.0;
  };

  GlobeManipulator();
  /// Removes a pending height-referenced flight; a running flight goes on.
  ~GlobeManipulator() override;

  /// Raised on the main thread with 0 when a flight to a viewpoint or pose completes
  /// (not when it is cancelled). Owned by the facade.
  FlyCompletedPublisher* getFlyCompleted() const noexcept { return flyCompleted.get(); }

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

  /// Flies to look at a target point from `viewpoint.heading`, `.pitch` and `.range`
  /// (radians, metres). `duration` in seconds (empty: 2 to 3 s by distance; ≤ 0: at once);
  /// `timeOffset` seconds of the flight already flown. A NaN position is logged and refused.
  void flyTo(const Viewpoint& viewpoint, std::optional<double> duration = std::nullopt, double timeOffset = 0.0);
  /// Places the eye on `pose` at once (whatever `duration` says) and raises `getFlyCompleted`.
  /// A NaN position is logged and refused.
  void flyTo(const Viewpose& pose, std::optional<double> duration = std::nullopt, double timeOffset = 0.0);
  /// Frames a sphere (see `ZoomOptions`); null options mean all defaults. A sphere centred
  /// at the Earth's centre is not flown to.
  void flyTo(const BoundingSphere& sphere, const ZoomOptions* options = nullptr);
  /// Looks straight down on a region from 3 × the radius of the sphere holding it. An
  /// empty region, or one whose box is centred at the Earth's centre, is not flown to.
  void flyTo(const BoundingRegion& region, std::optional<double> duration = std::nullopt);
  /// Looks straight down on a layer once it is ready (at once if it is), on the thread
  /// that makes it ready, with heights relative to the terrain. A layer spanning more
  /// than 299° of longitude or 119° of latitude is shown as the whole globe. Nothing for
  /// a layer outside a scene, hidden, or without an extent; nothing once the facade is gone.
  void flyTo(const Layer& layer, std::optional<double> duration = std::nullopt);
  /// Looks straight down on a shown feature of a shown layer, framing its extent, with
  /// heights read by its style's height reference. Where the extent is only known once
  /// the scene has drawn the feature, this waits for the main thread's frames: never
  /// call it on the main thread (it then does nothing). A screen-space point has no
  /// place to fly to.
  void flyTo(const Feature::Feature& feature, std::optional<double> duration = std::nullopt);
  /// Flies to a target whose height (metres) is relative to, or clamped on, the surface
  /// named by `reference`, retargeting while the surface loads. One such flight is
  /// pending per facade: a new one removes the previous. Reference 0 is a plain flight.
  void flyTo(const Viewpoint& viewpoint, HeightReference reference, std::optional<double> duration);
  /// Orbits about the vertical through `centre` (see `FlyAroundPointOptions`).
  void flyAroundPoint(const Cartographic& centre, const FlyAroundPointOptions& options);
  /// Carries the eye along `points` (at least two; see `FlyAlongPolylineOptions`).
  void flyAlongPolyline(const std::vector<Cartographic>& points, const FlyAlongPolylineOptions& options);
  /// The current view as a target point (the globe under the viewport's centre, range 0
  /// when the centre shows no globe) seen from the eye. Waits for the main thread.
  /// Throws `std::bad_optional_access` when the eye has no geographic position.
  Viewpoint getViewpoint() const;

  /// Installs a flight path (null removes it), stopping the installed one first.
  void setFlightPath(std::shared_ptr<FlightPath> path);
  /// Starts or resumes the installed path; nothing while a flight runs or without a path.
  void startFlight();
  /// Pauses the installed path and stops its running leg; nothing without a path.
  void pauseFlight();
  /// Stops the installed path and its running leg; nothing without a path.
  void stopFlight();

  /// Keyboard speeds: pan and move (metres per second at resolution 1), tilt and turn
  /// (degrees per second). Shared by every globe manipulator of the process. The wheel
  /// speed and the negative-tilt switch are set through the base class.
  void setKeyOperaterSpeed(double pan, double pitch, double rotate, double move);
  void getKeyOperaterSpeed(double& pan, double& pitch, double& rotate, double& move) const;

  /// The implementation, for hosts running on the main thread.
  GlobeManipulatorImpl& _getGlobeImpl() const noexcept { return static_cast<GlobeManipulatorImpl&>(*impl); }

 private:
  struct FlightLink;

  /// The implementation as its own type (the base holds the one strong reference).
  std::shared_ptr<GlobeManipulatorImpl> globeImpl() const {
    return std::static_pointer_cast<GlobeManipulatorImpl>(impl);
  }

  /// Shared with the completions of the flights this facade started, which may run after
  /// it is gone: they find the publisher expired and touch nothing.
  std::shared_ptr<FlyCompletedPublisher> flyCompleted;
  /// What the layer continuations and the pending height-referenced flight share with the
  /// facade: they reach the facade only through it, and it is cut when the facade dies.
  std::shared_ptr<FlightLink> link;
};

}  // namespace qel
