// The keyframe flight path: one tween flight per leg between neighbouring poses, each
// leg chained from the completion of the one before, with progress over the whole path.

#include "Manipulator/KeyframeFlightPath.h"

#include <algorithm>
#include <chrono>

#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Scene/SceneImpl.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

namespace {

constexpr double kMicrosecondsPerSecond = 1000000.0;
/// A peak height below both ends: the legs change height linearly.
constexpr double kNoPeak = Math::NEG_INFINITY;

double secondsBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to) {
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(to - from).count();
  return static_cast<double>(us) / kMicrosecondsPerSecond;
}

}  // namespace

KeyframeFlightPath::KeyframeFlightPath() = default;
KeyframeFlightPath::~KeyframeFlightPath() = default;

void KeyframeFlightPath::setKeyframes(std::vector<Keyframe>&& frames) { keyframes = std::move(frames); }

void KeyframeFlightPath::startFlight(ViewerImpl& viewer) {
  if (!paused) {
    flyToKeyframe(viewer, legIndex, 0.0);
    return;
  }
  const double elapsed = secondsBetween(legStart, pauseTime);
  flyToKeyframe(viewer, legIndex, elapsed);
  paused = false;
}

void KeyframeFlightPath::pauseFlight(const ViewerImpl& viewer) {
  if (paused) return;  // the first pause time counts
  paused = true;
  pauseTime = viewer.getFrameStamp();
}

void KeyframeFlightPath::stopFlight() {
  paused = false;
  legIndex = -1;
}

void KeyframeFlightPath::flyToKeyframe(ViewerImpl& viewer, int index, double elapsed) {
  const int n = static_cast<int>(keyframes.size());
  if (index >= n - 1) {
    getFlightCompleted()->raiseEvent();
    stopFlight();  // virtual: a derived path resets its own way
    return;
  }
  const Ellipsoid& ellipsoid = viewer.getScene().getMapProjection().getEllipsoid();
  legStart = viewer.getFrameStamp();

  const Keyframe& k = keyframes[static_cast<std::size_t>(index + 1)];
  const HeadingPitchRoll hpr = Transforms::viewQuaternionToViewHeadingPitchRoll(k.position, k.orientation, ellipsoid);
  FlightOptions options;
  options.destination = k.position;
  options.heading = hpr.heading;
  options.pitch = hpr.pitch;
  options.roll = hpr.roll;
  // Before the first leg the camera is put on the first keyframe at once.
  options.duration = index >= 0 ? k.duration - elapsed : 0.0;
  options.easingFunction = [](double t) { return t; };
  options.maximumHeight = kNoPeak;
  options.checkArrival = false;
  options.timeOffset = 0.0;
  ViewerImpl* v = &viewer;
  options.complete = [this, v] {
    legIndex += 1;
    flyToKeyframe(*v, legIndex, 0.0);
  };
  options.onUpdate = [this](const std::chrono::steady_clock::time_point& now) { updateProgress(now); };

  auto* manipulator = dynamic_cast<GlobeManipulatorImpl*>(viewer.getCameraManipulator().get());
  if (manipulator != nullptr) manipulator->flyTo(options, viewer);
}

void KeyframeFlightPath::updateProgress(const std::chrono::steady_clock::time_point& now) {
  const std::size_t n = keyframes.size();
  double total = 0.0;
  double done = 0.0;
  const std::size_t flown = legIndex < 0 ? 0 : std::min(static_cast<std::size_t>(legIndex), n - 1);
  for (std::size_t k = 1; k < n; ++k) {
    total += keyframes[k].duration;
    if (k <= flown) done += keyframes[k].duration;
  }
  getFlightProgress()->raiseEvent((secondsBetween(legStart, now) + done) / total);
}

}  // namespace qel
