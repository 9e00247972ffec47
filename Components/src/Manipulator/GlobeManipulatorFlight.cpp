// Flight control: starting, replacing, completing and cancelling tween flights, the
// installed flight path, the per-frame dispatch of stepped flights, and the centre-to-
// point flight with the eye placement it steps through.

#include <cmath>
#include <memory>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Manipulator/FlightOptions.h"
#include "Manipulator/FlightPath.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Manipulator/NavigationMath.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "Scene/Tween.h"
#include "Scene/TweenCollection.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

using namespace navigation;

namespace {

/// Stepped flight kinds.
constexpr std::int32_t kKindCameraState = 1;
constexpr std::int32_t kKindOrbit = 6;
constexpr std::int32_t kKindCenterToPoint = 7;
constexpr std::int32_t kKindPath = 10;

/// The centre-to-point flight advances this fraction per frame (20 frames).
const double kCenterToPointStep = 0.05;
/// It ends this fraction of the way to the point, so the point stays in front of the eye.
constexpr double kCenterToPointReach = 0.8;

/// The orientation whose axes, before any turn, look at the Earth's centre from +X with
/// north up (camera −Z → −X, +Y → +Z, +X → +Y).
constexpr Quaternion kLookAtCenterFromX{0.5, 0.5, 0.5, 0.5};

/// One record reused by every tween flight of the process: filled and read on the main
/// thread within one `flyTo`.
FlightOptions& flightRecord() {
  static FlightOptions record;
  return record;
}

}  // namespace

void GlobeManipulatorImpl::flyTo(const FlightOptions& options, ViewerImpl& viewer) {
  stopCamera();
  cancelFlight();

  if (options.duration && *options.duration <= 0.0) {
    const Vector3<double>& p = options.destination;
    const HeadingPitchRoll hpr{options.heading.value_or(0.0), options.pitch.value_or(-Math::PI_OVER_TWO),
                               options.roll.value_or(0.0)};
    position = p;
    orientation = Transforms::viewHeadingPitchRollToViewQuaternion(p, hpr, Ellipsoid::WGS84);
    if (options.complete) options.complete();
    return;
  }

  // The holder learns the tween after it is added; a completion of a replaced flight
  // finds another tween in `currentFlight` and leaves it alone. It holds the tween weakly:
  // the tween owns this completion, so a strong reference would keep both alive for good.
  auto holder = std::make_shared<std::weak_ptr<Tween>>();
  FlightOptions& record = flightRecord();
  record = options;
  record.complete = [this, holder, complete = options.complete] {
    if (currentFlight && holder->lock() == currentFlight) currentFlight.reset();
    if (complete) complete();
  };
  TweenOptions tween = FlightPath::createTween(viewer, record);
  record = FlightOptions{};  // let go of the caller's callables

  if (!tween.duration || *tween.duration != 0.0) {
    std::shared_ptr<Tween> added = tweens->add(std::move(tween));
    *holder = added;
    currentFlight = std::move(added);
  } else if (tween.complete) {
    tween.complete();
  }
}

void GlobeManipulatorImpl::flyTo(const Viewpose& pose, double duration) {
  if (duration > 0.0) return;
  position = pose.position;
  orientation = pose.orientation;
}

void GlobeManipulatorImpl::flyTo(const Viewpoint& viewpoint) {
  pendingViewpoint = std::make_unique<Viewpoint>(viewpoint);
}

void GlobeManipulatorImpl::setFlightPath(std::shared_ptr<FlightPath> path) {
  if (flightPath) {
    flightPath->stopFlight();
    cancelFlight();
  }
  flightPath = std::move(path);
}

void GlobeManipulatorImpl::startFlight(ViewerImpl& viewer) {
  if (!currentFlight && flightPath) flightPath->startFlight(viewer);
}

void GlobeManipulatorImpl::pauseFlight(const ViewerImpl& viewer) {
  if (!flightPath) return;
  flightPath->pauseFlight(viewer);
  cancelFlight();
}

void GlobeManipulatorImpl::stopFlight() {
  if (!flightPath) return;
  flightPath->stopFlight();
  cancelFlight();
}

void GlobeManipulatorImpl::completeFlight() {
  if (!currentFlight) return;
  // Cancelled first, so that the tween cannot also complete on its own; the flight is
  // then finished by hand. Kept alive here: the completion may start the next flight.
  const std::shared_ptr<Tween> flight = currentFlight;
  flight->cancelTween();
  if (const std::function<void()>& complete = flight->complete()) complete();
  // A completion that started another flight has replaced `currentFlight`: keep that one.
  if (currentFlight == flight) currentFlight.reset();
}

Vector3<double> GlobeManipulatorImpl::getPositionSnapshot() const {
  std::lock_guard lock(positionSnapshotMutex);
  return positionSnapshot;
}

void GlobeManipulatorImpl::fly(const SceneImpl& scene) {
  {
    std::lock_guard lock(positionSnapshotMutex);
    positionSnapshot = position;
  }
  if (!flightState.flying) return;
  switch (flightState.kind) {
    case kKindCameraState: flyToCameraState(scene); break;
    case kKindOrbit: flyAroundAxis(scene); break;
    case kKindCenterToPoint: flyCenterToPoint(scene); break;
    case kKindPath: flyEyeAlongWithLineRollYawPitch(); break;
    default: break;  // not a stepped kind
  }
}

void GlobeManipulatorImpl::flyCenterToPoint(const Vector3<double>& point, const SceneImpl& scene) {
  stopCamera();
  cancelFlight();
  const Vector3<double> toPoint = point - position;
  const double distance = toPoint.length();
  FlightState& f = flightState;
  f.centerDirection = toPoint.normalized();
  f.startUp = orientation * Vector3<double>(0.0, 1.0, 0.0);
  // The render camera's view direction: its inverse view matrix's −Z column.
  f.startDirection = -scene.getCamera().getInverseViewMatrix().getColumn3(2).normalized();
  f.startPosition = position;
  f.endPosition = position + f.centerDirection * (kCenterToPointReach * distance);
  f.flying = true;
  f.kind = kKindCenterToPoint;
  f.stepFactor = 1.0;
  f.progress = 0.0;
  f.centerSteps = 0;
}

void GlobeManipulatorImpl::flyCenterToPoint(const SceneImpl& scene) {
  FlightState& f = flightState;
  f.progress += kCenterToPointStep;
  f.centerSteps += 1;
  const double n = std::ceil(1.0 / kCenterToPointStep);
  const double left = n - static_cast<double>(f.centerSteps);
  const double fraction = 1.0 - (left * left) / (n * n);

  // Turn the view toward the point by the fraction of the angle between them.
  const Vector3<double> normal = f.startDirection.cross(f.centerDirection);
  const double angle = unsignedAngle(f.startDirection.normalized(), f.centerDirection);
  Quaternion turn;
  if (normal.length() > 0.0) turn = Quaternion::fromAxisAngle(normal.normalized(), Radian(fraction * angle));
  const Vector3<double> direction = (turn * f.startDirection).normalized();
  const Vector3<double> up = (turn * f.startUp).normalized();
  const Vector3<double> right = direction.cross(up).normalized();
  const Vector3<double> trueUp = right.cross(direction).normalized();
  const Vector3<double> eye = f.startPosition + (f.endPosition - f.startPosition) * fraction;
  const Quaternion q = Quaternion::fromAxes(right, trueUp, -direction);

  if (const auto viewpoint = Transforms::viewposeToViewpoint(Viewpose{eye, q}, 0.0, Ellipsoid::WGS84)) {
    jumpEyeTo(*viewpoint, scene, false);
  }
  if (f.progress > 1.0) resetFlightState();
}

void GlobeManipulatorImpl::jumpEyeTo(const Viewpoint& viewpoint, const SceneImpl& scene, bool pause) {
  (void)scene;
  if (pause) pauseCamera();
  position =
      Ellipsoid::WGS84.cartographicToCartesian(Cartographic(viewpoint.longitude, viewpoint.latitude, viewpoint.height));
  orientation = kLookAtCenterFromX;
  // Longitude about the camera's up (the polar axis), latitude about its right: the eye
  // then looks straight down with north up. The heading turns about the view axis; the
  // pitch is counted from the horizon (−π/2 straight down), so the last turn about the
  // right axis adds the quarter turn that the straight-down start already took.
  cameraRotate(orientation * Vector3<double>(0.0, 1.0, 0.0), Radian(viewpoint.longitude));
  cameraRotate(orientation * Vector3<double>(1.0, 0.0, 0.0), Radian(-viewpoint.latitude));
  cameraRotate(orientation * Vector3<double>(0.0, 0.0, -1.0), Radian(viewpoint.heading));
  cameraRotate(orientation * Vector3<double>(1.0, 0.0, 0.0), Radian(viewpoint.pitch + Math::PI_OVER_TWO));
}

}  // namespace qel
