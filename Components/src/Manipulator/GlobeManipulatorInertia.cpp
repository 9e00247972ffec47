// Inertia and momentum: wheel zooms and turns eased out over a fixed number of frames,
// the spin a flick leaves behind, and the operations that stop or pause motion.

#include <algorithm>
#include <cmath>

#include "Manipulator/GlobeManipulatorImpl.h"
#include "Manipulator/NavigationMath.h"
#include "Scene/Tween.h"
#include "Scene/TweenCollection.h"

namespace qel {

using namespace navigation;

namespace {

/// Fraction of what remains applied at step k of n: (2(n − k) − 1) / n², from 59/900 at
/// the first of 30 steps down to 1/900 at the last. About 64 % of an input is applied
/// over the run; the rest stays and joins the next input of the same sign.
double inertiaFraction(std::int32_t k, std::int32_t n) {
  return static_cast<double>(2 * (n - k) - 1) / static_cast<double>(n * n);
}

/// New remainder after an input: added when of the same sign, replaced otherwise.
double accumulate(double remainder, double input) { return remainder / input > 0.0 ? remainder + input : input; }

/// The largest share of the distance to its target that one frame of a wheel zoom may
/// cover, in or out: a zoom in never reaches its target in one frame, and a zoom out
/// that the zoom-out bound lets start cannot carry the eye far past it.
constexpr double kMaxWheelZoomStep = 0.1;

/// The largest zoom amount the wheel's easing may hold: the first eased frame applies
/// (2n − 1) / n² of it, which is then exactly `kMaxWheelZoomStep`.
double maxWheelZoomAmount(std::int32_t n) {
  return kMaxWheelZoomStep * static_cast<double>(n) * static_cast<double>(n) / static_cast<double>(2 * n - 1);
}

}  // namespace

void GlobeManipulatorImpl::interialZoom(double amount, const Vector3<double>& target, const Vector2<float>& mouse) {
  if (isZero(amount) || !std::isfinite(amount)) return;
  // Wheel deltas and zoom speeds come from outside: however large the input, or however
  // many inputs add up, no frame zooms by more than a tenth of the distance.
  const double bound = maxWheelZoomAmount(inertiaSteps);
  zoomInertiaAmount = std::clamp(accumulate(zoomInertiaAmount, amount), -bound, bound);
  zoomInertiaTarget = target;
  zoomInertiaMouse = mouse;
  zoomInertiaStep = 0;
  zoomInertiaActive = true;
}

void GlobeManipulatorImpl::interiaRoll(const Radian& angle, const Vector3<double>& axis) {
  if (isZero(angle.value())) return;
  rollInertiaActive = true;
  rollInertiaAngle = accumulate(rollInertiaAngle, angle.value());
  rollInertiaStep = 0;
  rollInertiaAxis = axis;
}

void GlobeManipulatorImpl::interia(const SceneImpl& scene) {
  const std::int32_t n = inertiaSteps;
  if (zoomInertiaActive && zoomInertiaStep < n) {
    const std::int32_t k = zoomInertiaStep;
    zoomInertiaStep = k + 1;
    const double step = inertiaFraction(k, n) * zoomInertiaAmount;
    collisionZoom(step, zoomInertiaTarget, scene, zoomInertiaMouse);
    zoomInertiaAmount -= step;  // a refused step still counts
  }
  if (rollInertiaActive && rollInertiaStep < n) {
    const std::int32_t k = rollInertiaStep;
    rollInertiaStep = k + 1;
    const double step = inertiaFraction(k, n) * rollInertiaAngle;
    collisionRoll(Radian(step), rollInertiaAxis, scene, true);
    rollInertiaAngle -= step;
  }
}

void GlobeManipulatorImpl::pauseFly() {
  if (!flightState.flying) return;
  pausedOrientation = orientation;
  pausedPosition = position;
  flightState.flying = false;
  flightState.flightPaused = true;
}

void GlobeManipulatorImpl::resetFlightState() { flightState = FlightState{}; }

void GlobeManipulatorImpl::stopFly() {
  if (flightState.flying || flightState.flightPaused) resetFlightState();
}

void GlobeManipulatorImpl::clearMomentum() {
  momentumActive = false;
  momentumAngle = Radian(0.0);
  momentumAxis = Vector3<double>();
}

void GlobeManipulatorImpl::clearRollInertia() {
  rollInertiaActive = false;
  rollInertiaStep = 0;
  rollInertiaAngle = 0.0;
}

void GlobeManipulatorImpl::clearInertia() {
  clearRollInertia();
  zoomInertiaActive = false;
  zoomInertiaStep = 0;
  zoomInertiaAmount = 0.0;
}

void GlobeManipulatorImpl::pauseCamera() {
  pauseFly();
  clearMomentum();
  clearInertia();
}

void GlobeManipulatorImpl::stopCamera() {
  stopFly();
  clearMomentum();
  clearInertia();
}

void GlobeManipulatorImpl::cancelFlight() {
  // A running tween flight ends without its completion; stepped flights are paused or
  // stopped by the callers.
  if (currentFlight) {
    currentFlight->cancelTween();
    currentFlight.reset();
  }
}

}  // namespace qel
