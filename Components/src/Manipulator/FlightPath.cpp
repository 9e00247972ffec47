// Flight tweens: the duration, easing, height profile and per-step pose update of one
// camera flight, and the publishers every flight path owns.

#include "Manipulator/FlightPath.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "Common/Ellipsoid.h"
#include "Common/HeadingPitchRoll.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Renderer/Camera.h"
#include "Scene/FrameState.h"
#include "Scene/SceneImpl.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

namespace {

/// Scene modes of the frame state.
constexpr std::uint8_t kModeMorphing = 0;
constexpr std::uint8_t kMode2D = 2;
constexpr std::uint8_t kMode3D = 3;

/// Automatic duration: one second per 1000 km (rounded up) plus 2 s, at most 3 s.
constexpr double kMetresPerAutoSecond = 1000000.0;
constexpr double kAutoBaseSeconds = 2.0;
constexpr double kAutoMaxSeconds = 3.0;
/// Destination and attitude within this relative tolerance count as "already there".
constexpr double kArrivalTolerance = 1.000000013351432e-10;
/// A descent from above this height (metres) eases out; lower flights ease in and out.
constexpr double kEaseOutAbove = 11500.0;
/// A start heading or roll within this relative tolerance of 2π counts as 0.
constexpr double kFullTurnTolerance = 9.999999960041972e-12;
/// The automatic peak is this fraction of the height that fits the travel in the view,
/// and never above the cap (metres).
constexpr double kPeakFraction = 0.2;
constexpr double kPeakCap = 1000000000.0;
/// The height profile is an eighth-power curve, scaled so its roots stay well-conditioned.
constexpr double kProfileScale = 1000000.0;
constexpr double kProfilePower = 8.0;

using Easing = double (*)(double);

double cubicOut(double t) {
  const double u = t - 1.0;
  return u * u * u + 1.0;
}

double quinticInOut(double t) {
  const double u = 2.0 * t;
  if (u < 1.0) return u * u * u * u * u / 2.0;
  const double v = u - 2.0;
  return (v * v * v * v * v + 2.0) / 2.0;
}

GlobeManipulatorImpl* globeManipulator(const ViewerImpl& viewer) {
  return dynamic_cast<GlobeManipulatorImpl*>(viewer.getCameraManipulator().get());
}

/// A tween that does nothing but, when it ends, call `complete`.
TweenOptions emptyFlight(std::function<void()> complete, std::function<void()> cancel) {
  TweenOptions t;
  t.startValue = 0.0;
  t.stopValue = 0.0;
  t.duration = 0.0;
  t.delay = 0.0;
  t.complete = std::move(complete);
  t.cancel = std::move(cancel);
  return t;
}

/// Height along the flight for the fraction t ∈ [0, 1]: a climb over a peak when the
/// peak is above both ends, a straight line otherwise.
struct HeightProfile {
  bool curved = false;
  double altitude = 0.0;
  double s = 0.0;
  double e = 0.0;
  double startHeight = 0.0;
  double endHeight = 0.0;

  double operator()(double t) const noexcept {
    if (!curved) return (1.0 - t) * startHeight + t * endHeight;
    return altitude - std::pow((e - s) * t + s, kProfilePower) / kProfileScale;
  }
};

HeightProfile createHeightFunction(const Camera& camera, const Vector3<double>& destination, double startHeight,
                                   double endHeight, const std::optional<double>& maximumHeight) {
  double altitude = 0.0;
  if (maximumHeight) {
    altitude = *maximumHeight;
  } else {
    // The height from which the stretch to travel would fill the view.
    const Vector3<double> diff = camera.getPosition() - destination;
    const Vector3<double> up = camera.getUp();
    const Vector3<double> right = camera.getRight();
    const double vertical = (up * diff.dot(up)).length();
    const double horizontal = (right * diff.dot(right)).length();
    const PerspectiveFrustum& frustum = camera.getFrustum();
    const double n = frustum.near;
    const double top = n * std::tan(frustum.getFovy() / 2.0);
    const double r = top * frustum.getAspectRatio();
    const double fit = std::max(n * horizontal / top, n * vertical / r);
    altitude = std::min(kPeakFraction * fit, kPeakCap);
  }
  HeightProfile profile;
  profile.startHeight = startHeight;
  profile.endHeight = endHeight;
  if (altitude > std::max(startHeight, endHeight)) {
    profile.curved = true;
    profile.altitude = altitude;
    profile.s = -std::pow((altitude - startHeight) * kProfileScale, 1.0 / kProfilePower);
    profile.e = std::pow((altitude - endHeight) * kProfileScale, 1.0 / kProfilePower);
  }
  return profile;
}

/// Brings a start angle within π of its target so that the turn takes the short way.
double unwrapToward(double start, double target) {
  if (Math::equalsEpsilon(start, Math::TWO_PI, kFullTurnTolerance)) start = 0.0;
  if (target > start + Math::PI) {
    start += Math::TWO_PI;
  } else if (target < start - Math::PI) {
    start -= Math::TWO_PI;
  }
  return start;
}

/// Everything one flight step needs, computed when the flight is built so that the step
/// itself allocates nothing.
struct FlightStep {
  FlightStep(GlobeManipulatorImpl& m, const Ellipsoid& e) : manipulator(&m), ellipsoid(e) {}

  GlobeManipulatorImpl* manipulator = nullptr;
  Ellipsoid ellipsoid;
  double duration = 0.0;
  double easedOffset = 0.0;
  HeadingPitchRoll start;
  HeadingPitchRoll target;
  double startLongitude = 0.0;
  double endLongitude = 0.0;
  double startLatitude = 0.0;
  double endLatitude = 0.0;
  HeightProfile height;

  void operator()(double value) const noexcept {
    const double span = duration - easedOffset;
    // A flight resumed at or past its end lands on its first step.
    const double t = span != 0.0 ? (value - easedOffset) / span : 1.0;
    const double h = height(t);
    const double lon = (1.0 - t) * startLongitude + t * endLongitude;
    const double lat = (1.0 - t) * startLatitude + t * endLatitude;
    const Vector3<double> p = ellipsoid.cartographicToCartesian(Cartographic(lon, lat, h));
    const HeadingPitchRoll hpr{(1.0 - t) * start.heading + t * target.heading,
                               (1.0 - t) * start.pitch + t * target.pitch, (1.0 - t) * start.roll + t * target.roll};
    manipulator->setPosition(p);
    manipulator->setOrientation(Transforms::viewHeadingPitchRollToViewQuaternion(p, hpr, ellipsoid));
  }
};

FlightStep createUpdate3D(const ViewerImpl& viewer, GlobeManipulatorImpl& m, double duration, double easedOffset,
                          const Vector3<double>& destination, const HeadingPitchRoll& target,
                          const std::optional<double>& maximumHeight) {
  const SceneImpl& scene = viewer.getScene();
  FlightStep step(m, scene.getMapProjection().getEllipsoid());
  step.duration = duration;
  step.easedOffset = easedOffset;
  const Cartographic start = step.ellipsoid.cartesianToCartographic(m.getPosition()).value_or(Cartographic());
  step.start = Transforms::viewQuaternionToViewHeadingPitchRoll(m.getPosition(), m.getOrientation(), step.ellipsoid);
  step.start.heading = unwrapToward(step.start.heading, target.heading);
  step.start.roll = unwrapToward(step.start.roll, target.roll);
  step.target = target;

  // The destination at the Earth's centre has no geographic form: the flight then ends
  // in a non-finite pose rather than silently somewhere else.
  const Cartographic end = step.ellipsoid.cartesianToCartographic(destination)
                               .value_or(Cartographic(std::nan(""), std::nan(""), std::nan("")));
  double startLon = Math::zeroToTwoPi(start.longitude);
  double endLon = Math::zeroToTwoPi(end.longitude);
  const double d = startLon - endLon;
  if (d < -Math::PI) {
    startLon += Math::TWO_PI;
  } else if (d > Math::PI) {
    endLon += Math::TWO_PI;
  }
  step.startLongitude = startLon;
  step.endLongitude = endLon;
  step.startLatitude = start.latitude;
  step.endLatitude = end.latitude;
  step.height = createHeightFunction(scene.getCamera(), destination, start.height, end.height, maximumHeight);
  return step;
}

}  // namespace

FlightPath::FlightPath()
    : flightCompleted(std::make_unique<CompletedPublisher>()), flightProgress(std::make_unique<ProgressPublisher>()) {}

FlightPath::~FlightPath() = default;

TweenOptions FlightPath::createTween(ViewerImpl& viewer, const FlightOptions& options) {
  const SceneImpl& scene = viewer.getScene();
  const std::uint8_t mode = scene.getFrameState().mode;
  if (mode == kModeMorphing) return emptyFlight({}, {});

  const Ellipsoid& ellipsoid = scene.getMapProjection().getEllipsoid();
  GlobeManipulatorImpl* m = globeManipulator(viewer);
  if (m == nullptr) return emptyFlight(options.complete, options.cancel);
  const Vector3<double>& position = m->getPosition();
  const Vector3<double>& destination = options.destination;

  double duration = 0.0;
  if (options.duration) {
    duration = *options.duration;
  } else {
    const double distance = Vector3<double>::distance(position, destination);
    duration = std::min(std::ceil(distance / kMetresPerAutoSecond) + kAutoBaseSeconds, kAutoMaxSeconds);
  }

  const HeadingPitchRoll target{options.heading.value_or(0.0), options.pitch.value_or(-Math::PI_OVER_TWO),
                                options.roll.value_or(0.0)};

  if (options.checkArrival) {
    auto same = [](double a, double b) { return Math::equalsEpsilon(a, b, kArrivalTolerance); };
    const bool arrived =
        mode == kMode2D || &destination == &position ||
        (same(destination.x, position.x) && same(destination.y, position.y) && same(destination.z, position.z));
    if (arrived) {
      const HeadingPitchRoll now =
          Transforms::viewQuaternionToViewHeadingPitchRoll(position, m->getOrientation(), ellipsoid);
      if (same(Math::negativePiToPi(now.heading), Math::negativePiToPi(target.heading)) &&
          same(Math::negativePiToPi(now.pitch), Math::negativePiToPi(target.pitch)) &&
          same(Math::negativePiToPi(now.roll), Math::negativePiToPi(target.roll))) {
        return emptyFlight(options.complete, options.cancel);
      }
    }
  }

  if (duration <= 0.0) {
    // Built when it runs, so that the landing starts from wherever the camera is then.
    ViewerImpl* v = &viewer;
    auto land = [v, m, destination, target, maximumHeight = options.maximumHeight, complete = options.complete] {
      createUpdate3D(*v, *m, 1.0, 0.0, destination, target, maximumHeight)(1.0);
      if (complete) complete();
    };
    return emptyFlight(std::move(land), options.cancel);
  }

  // The step converts both ends once; the easing reads their heights from it.
  FlightStep step = createUpdate3D(viewer, *m, duration, 0.0, destination, target, options.maximumHeight);
  std::function<double(double)> easing = options.easingFunction;
  if (!easing) {
    const double startHeight = step.height.startHeight;
    double endHeight = destination.z;
    if (mode == kMode3D) endHeight = std::isnan(step.height.endHeight) ? 0.0 : step.height.endHeight;
    easing = startHeight > endHeight && startHeight > kEaseOutAbove ? Easing(cubicOut) : Easing(quinticInOut);
  }
  step.easedOffset = duration * easing(std::min(options.timeOffset / duration, 1.0));

  TweenOptions t;
  t.startValue = 0.0;
  t.stopValue = duration;
  t.duration = duration;
  t.delay = -options.timeOffset;
  t.update = step;
  t.easingFunction = std::move(easing);
  t.complete = options.complete;
  t.cancel = options.cancel;
  t.onUpdate = options.onUpdate;
  return t;
}

}  // namespace qel
