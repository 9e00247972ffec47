// The facade's flights: targets computed on the calling thread from the argument alone,
// the flight itself carried to the main thread; the viewpoint query; the flight path
// controls; the height-referenced flight that follows the surface as it loads.

#include <chrono>
#include <cmath>
#include <mutex>
#include <string_view>

#include "Common/Ellipsoid.h"
#include "Common/FacadeCall.h"
#include "Common/Log.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Manipulator/FacadeFlightLink.h"
#include "Manipulator/FlightOptions.h"
#include "Manipulator/FlightPath.h"
#include "Manipulator/GlobeManipulator.h"
#include "ListenerSlot.h"
#include "Renderer/Camera.h"
#include "Scene/GlobeImpl.h"
#include "Scene/SceneImpl.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

namespace {

/// The messages of refused targets and where they are reported from. The lines are the
/// library's published locations of these messages, kept stable for log readers.
constexpr std::string_view kLogFile = "Components/src/Manipulator/GlobeManipulator";
constexpr std::string_view kLogFunction = "qel::GlobeManipulator::flyTo";
constexpr int kViewpointNaNLine = 326;
constexpr int kViewposeNaNLine = 365;
constexpr int kHeightViewpointNaNLine = 404;
constexpr std::string_view kTargetNaN = "飞行目标点的经纬高为无效值。";
constexpr std::string_view kPoseNaN = "飞行相机终点坐标为无效值。";

/// Default view of a sphere: from the north, 45° down.
constexpr double kDefaultSpherePitch = -Math::PI_OVER_FOUR;

/// Automatic duration of a height-referenced flight: as for any flight.
constexpr double kMetresPerAutoSecond = 1000000.0;
constexpr double kAutoBaseSeconds = 2.0;
constexpr double kAutoMaxSeconds = 3.0;
/// The height-referenced flight looks at the surface again after this fraction of its
/// duration, and retargets when the target moved by more than this fraction of the range.
constexpr double kRetargetPeriod = 0.1;
constexpr double kRetargetRangeFraction = 0.01;
constexpr double kMicrosecondsPerSecond = 1000000.0;

void logRefused(int line, std::string_view message) {
  Log::getInstance().log(SourceLocation{std::string(kLogFile), line, std::string(kLogFunction)}, Log::kRefused,
                         message);
}

bool hasNaN(const Viewpoint& vp) {
  return std::isnan(vp.longitude) || std::isnan(vp.latitude) || std::isnan(vp.height);
}

/// A completion that announces the flight on the facade's publisher, if it still exists.
std::function<void()> announceCompletion(const std::shared_ptr<GlobeManipulator::FlyCompletedPublisher>& publisher) {
  return [weak = std::weak_ptr<GlobeManipulator::FlyCompletedPublisher>(publisher)] {
    if (const auto p = weak.lock()) p->raiseEvent(0);
  };
}

/// Posts a tween flight with the given options.
void postFlight(const std::weak_ptr<ViewerImpl>& viewer, const std::shared_ptr<GlobeManipulatorImpl>& impl,
                FlightOptions options) {
  FacadeCall::command(viewer, impl,
                      [options = std::move(options)](GlobeManipulatorImpl& m, ViewerImpl& v) { m.flyTo(options, v); });
}

/// The flight to a viewpoint, without the facade: the listener of a height-referenced
/// flight starts it too, on the main thread, possibly after the facade is gone.
void flyToViewpoint(const std::weak_ptr<ViewerImpl>& viewer, const std::shared_ptr<GlobeManipulatorImpl>& impl,
                    const std::shared_ptr<GlobeManipulator::FlyCompletedPublisher>& publisher, const Viewpoint& vp,
                    std::optional<double> duration, double timeOffset) {
  if (hasNaN(vp)) {
    logRefused(kViewpointNaNLine, kTargetNaN);
    return;
  }
  const std::shared_ptr<ViewerImpl> locked = viewer.lock();
  if (!locked) return;
  const Ellipsoid& ellipsoid = locked->getScene().getMapProjection().getEllipsoid();
  const Viewpose pose = Transforms::viewpointToViewpose(vp, ellipsoid);
  const HeadingPitchRoll hpr =
      Transforms::viewQuaternionToViewHeadingPitchRoll(pose.position, pose.orientation, ellipsoid);
  FlightOptions options;
  options.destination = pose.position;
  options.heading = hpr.heading;
  options.pitch = hpr.pitch;
  options.roll = hpr.roll;
  options.duration = duration;
  options.timeOffset = timeOffset;
  options.complete = announceCompletion(publisher);
  postFlight(viewer, impl, std::move(options));
}

/// The state of one height-referenced flight's per-frame listener.
struct HeightFlight {
  std::weak_ptr<ViewerImpl> viewer;
  std::shared_ptr<GlobeManipulatorImpl> impl;
  std::weak_ptr<GlobeManipulator::FlyCompletedPublisher> publisher;
  Viewpoint target;
  HeightReference reference = HeightReference::None;
  double duration = 0.0;
  /// Invoking it removes this listener.
  std::shared_ptr<FunctionWrapper> remover;
  std::chrono::steady_clock::time_point startTime{};
  std::chrono::steady_clock::time_point lastRetarget{};
  std::optional<double> lastHeight;  // also: the flight has started

  std::optional<double> targetHeight(const SceneImpl& scene) const {
    const auto h = scene.getHeight(Cartographic(target.longitude, target.latitude, target.height), reference);
    if (!h) return std::nullopt;
    return isHeightReferenceRelative(reference) ? target.height + *h : *h;
  }

  void fly(const Viewpoint& vp, double timeOffset) const {
    flyToViewpoint(viewer, impl, publisher.lock(), vp, duration, timeOffset);
  }

  void operator()(SceneImpl& scene, const std::chrono::steady_clock::time_point& now) {
    if (!lastHeight) {
      Viewpoint vp = target;
      if (const auto h = targetHeight(scene)) vp.height = *h;
      fly(vp, 0.0);
      startTime = lastRetarget = now;
      lastHeight = vp.height;
      return;
    }
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now - startTime).count();
    const double elapsed = static_cast<double>(us) / kMicrosecondsPerSecond;
    if (elapsed > duration) {
      (*remover)();
      return;
    }
    if (std::chrono::duration<double>(now - lastRetarget).count() > kRetargetPeriod * duration) {
      if (const auto h = targetHeight(scene)) {
        if (std::abs(*h - *lastHeight) > kRetargetRangeFraction * target.range) {
          Viewpoint vp = target;
          vp.height = *h;
          fly(vp, elapsed);  // continues from where the camera is
          lastRetarget = now;
          lastHeight = *h;
        }
      }
    }
    if (!impl->isFlying()) (*remover)();
  }
};

}  // namespace

void GlobeManipulator::flyTo(const Viewpoint& viewpoint, std::optional<double> duration, double timeOffset) {
  flyToViewpoint(viewer, globeImpl(), flyCompleted, viewpoint, duration, timeOffset);
}

void GlobeManipulator::flyTo(const Viewpose& pose, std::optional<double> duration, double timeOffset) {
  (void)duration;  // a pose is always taken at once
  const Vector3<double>& p = pose.position;
  if (std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z)) {
    logRefused(kViewposeNaNLine, kPoseNaN);
    return;
  }
  const Quaternion& q = pose.orientation;
  FlightOptions options;
  options.destination = p;
  options.heading = -std::atan2(2.0 * (q.w * q.z + q.x * q.y), 1.0 - 2.0 * (q.y * q.y + q.z * q.z));
  options.pitch = -Math::asinClamped(2.0 * (q.w * q.y - q.z * q.x));
  options.duration = 0.0;
  options.timeOffset = timeOffset;
  options.complete = announceCompletion(flyCompleted);
  postFlight(viewer, globeImpl(), std::move(options));
}

void GlobeManipulator::flyTo(const BoundingSphere& sphere, const ZoomOptions* options) {
  const std::shared_ptr<ViewerImpl> locked = viewer.lock();
  if (!locked) return;
  const std::array<double, 3> offset =
      options && options->offset ? *options->offset : std::array<double, 3>{0.0, kDefaultSpherePitch, 0.0};
  const SceneImpl& scene = locked->getScene();
  const double range = offset[2] == 0.0 ? facadeflight::rangeToFit(scene, sphere.radius) : offset[2];
  const auto c = scene.getMapProjection().getEllipsoid().cartesianToCartographic(sphere.center);
  if (!c) return;
  flyTo(Viewpoint{c->longitude, c->latitude, c->height, offset[0], offset[1], range},
        options ? options->duration : std::nullopt, 0.0);
}

void GlobeManipulator::flyTo(const Viewpoint& viewpoint, HeightReference reference, std::optional<double> duration) {
  std::lock_guard lock(link->mutex);
  if (const auto previous = link->pendingHeightFlight.lock()) (*previous)();
  link->pendingHeightFlight.reset();
  if (hasNaN(viewpoint)) {
    logRefused(kHeightViewpointNaNLine, kTargetNaN);
    return;
  }
  if (reference == HeightReference::None) {
    flyTo(viewpoint, duration, 0.0);
    return;
  }
  const std::shared_ptr<ViewerImpl> locked = viewer.lock();
  if (!locked) return;
  SceneImpl& scene = locked->getScene();
  if (!duration) {
    // The eye as of the last frame: read without waiting for the main thread.
    const Viewpose pose = Transforms::viewpointToViewpose(viewpoint, scene.getGlobe().getEllipsoid());
    const double distance = Vector3<double>::distance(globeImpl()->getPositionSnapshot(), pose.position);
    duration = std::min(std::ceil(distance / kMetresPerAutoSecond) + kAutoBaseSeconds, kAutoMaxSeconds);
  }

  auto slot = std::make_shared<ListenerSlot>();
  auto remover = std::make_shared<FunctionWrapper>([slot] { slot->remove(); });
  link->pendingHeightFlight = remover;
  HeightFlight flight;
  flight.viewer = viewer;
  flight.impl = globeImpl();
  flight.publisher = flyCompleted;
  flight.target = viewpoint;
  flight.reference = reference;
  flight.duration = *duration;
  flight.remover = remover;
  const std::weak_ptr<FunctionWrapper> handle = scene.getPostCull().addEventListener(std::move(flight));
  std::lock_guard slotLock(slot->mutex);
  slot->handle = handle;
}

void GlobeManipulator::flyAroundPoint(const Cartographic& centre, const FlyAroundPointOptions& o) {
  FacadeCall::command(viewer, globeImpl(), [centre, o](GlobeManipulatorImpl& m) {
    m.setOrbitStep(o.speed / 60.0);  // degrees per second at 60 frames a second
    m.flyAroundPoint(centre, o.loop, o.amount, o.repeatType, o.tag);
  });
}

void GlobeManipulator::flyAlongPolyline(const std::vector<Cartographic>& points, const FlyAlongPolylineOptions& o) {
  FacadeCall::command(viewer, globeImpl(), [points, o](GlobeManipulatorImpl& m) {
    m.flyEyeAlongWithLineRollYawPitch(points, o.attitude, o.speed, o.smoothTurns, o.turnRadius, o.turnSpeed, o.reserved,
                                      o.tag);
  });
}

Viewpoint GlobeManipulator::getViewpoint() const {
  const std::shared_ptr<ViewerImpl> locked = viewer.lock();
  if (!locked) return Viewpoint{};
  const Viewpose pose = FacadeCall::query(viewer, globeImpl(), [](GlobeManipulatorImpl& m) {
    return Viewpose{m.getPosition(), m.getOrientation()};
  });
  // The pick runs here, on the caller's thread, against the camera of the last frame.
  const SceneImpl& scene = locked->getScene();
  const Viewport& viewport = scene.getCamera().getViewport();
  const Vector2<int> centre(static_cast<int>((viewport.x0 + viewport.x1) / 2.0),
                            static_cast<int>((viewport.y0 + viewport.y1) / 2.0));
  const auto hit = scene.pickGlobe(centre);
  const double range = hit ? Vector3<double>::distance(pose.position, *hit) : 0.0;
  return Transforms::viewposeToViewpoint(pose, range, Ellipsoid::WGS84).value();
}

void GlobeManipulator::setFlightPath(std::shared_ptr<FlightPath> path) {
  FacadeCall::command(viewer, globeImpl(),
                      [path = std::move(path)](GlobeManipulatorImpl& m) { m.setFlightPath(path); });
}

void GlobeManipulator::startFlight() {
  FacadeCall::command(viewer, globeImpl(), [](GlobeManipulatorImpl& m, ViewerImpl& v) { m.startFlight(v); });
}

void GlobeManipulator::pauseFlight() {
  FacadeCall::command(viewer, globeImpl(), [](GlobeManipulatorImpl& m, ViewerImpl& v) { m.pauseFlight(v); });
}

void GlobeManipulator::stopFlight() {
  FacadeCall::command(viewer, globeImpl(), [](GlobeManipulatorImpl& m) { m.stopFlight(); });
}

}  // namespace qel
