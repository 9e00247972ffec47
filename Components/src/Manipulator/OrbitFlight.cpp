// The orbit: a stepped flight that turns the globe under the camera about the vertical
// through a point, one fixed angle per frame, for a time, by an angle or without end.

#include <chrono>
#include <cmath>

#include "Common/Clock.h"
#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Manipulator/GlobeManipulatorImpl.h"

namespace qel {

namespace {

constexpr std::int32_t kKindOrbit = 6;
/// Orbit speeds are given per second and stepped per frame at this rate.
constexpr double kFramesPerSecond = 60.0;
constexpr double kMicrosecondsPerSecond = 1000000.0;

double secondsSince(std::chrono::steady_clock::time_point start) {
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
  return static_cast<double>(us) / kMicrosecondsPerSecond;
}

}  // namespace

void GlobeManipulatorImpl::flyAroundPoint(const Cartographic& centre, bool loop, double amount, FlyRepeatType repeat,
                                          int tag) {
  // Any running tween flight gives way to the orbit.
  cancelFlight();
  resetFlightState();
  FlightState& f = flightState;
  f.tag = tag;
  f.orbitAmount = std::abs(amount);
  f.flying = true;
  f.orbitRepeat = static_cast<std::int32_t>(repeat);
  f.kind = kKindOrbit;
  f.orbitLoop = loop ? 1.0 : 0.0;
  f.orbitAxis =
      Ellipsoid::WGS84.cartographicToCartesian(Cartographic(centre.longitude, centre.latitude, 0.0)).normalized();
  if (amount < 0.0) f.orbitAxis = -f.orbitAxis;  // the other way round
  if (!loop && repeat == FlyRepeatType::ByTime) f.orbitClock = Clock::now();
  if (repeat == FlyRepeatType::ByAngle) f.orbitClock = 0.0;
}

void GlobeManipulatorImpl::flyAroundAxis(const SceneImpl& scene) {
  FlightState& f = flightState;
  auto turn = [&](double degrees) { rotate(Radian(Math::toRadians(degrees)), f.orbitAxis, scene); };

  if (f.orbitLoop != 0.0) {
    turn(-orbitStep);
    return;
  }
  if (f.orbitRepeat == static_cast<std::int32_t>(FlyRepeatType::ByTime)) {
    const auto* start = std::get_if<std::chrono::steady_clock::time_point>(&f.orbitClock);
    const double elapsed = start ? secondsSince(*start) : 0.0;
    if (f.orbitAmount > elapsed) {
      turn(-orbitStep);
    } else {
      // The frame that passes the end turns back what the whole steps overshot.
      turn((elapsed - f.orbitAmount) * orbitStep * kFramesPerSecond);
      f.flying = false;
    }
    return;
  }
  if (f.orbitRepeat == static_cast<std::int32_t>(FlyRepeatType::ByAngle)) {
    double* turned = std::get_if<double>(&f.orbitClock);
    if (turned == nullptr) return;
    const double next = *turned + orbitStep;
    if (f.orbitAmount > next) {
      turn(-orbitStep);
      *turned = next;
    } else {
      turn(-(f.orbitAmount - *turned));  // the last step lands exactly on the angle
      f.flying = false;
    }
  }
  // Any other repeat type turns nothing and runs until the camera is stopped.
}

}  // namespace qel
