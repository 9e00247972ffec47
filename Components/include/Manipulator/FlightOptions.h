#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "Common/Matrix4.h"
#include "Common/Vector3.h"

namespace qel {

/// What a camera flight is asked to do: where the eye goes, how it looks there, how long
/// it takes and what to call on the way. `FlightPath::createTween` turns it into an
/// animation; `GlobeManipulatorImpl::flyTo` runs that animation.
struct FlightOptions {
  /// Eye position to reach, Earth-fixed cartesian (metres). The Earth's centre has no
  /// geographic form: a flight there ends with a non-finite pose.
  Vector3<double> destination;
  /// Heading at the destination (radians, any value); empty means 0 (north).
  std::optional<double> heading;
  /// Pitch at the destination (radians, [−π/2, π/2]); empty means −π/2 (straight down).
  std::optional<double> pitch;
  /// Roll at the destination (radians, any value); empty means 0.
  std::optional<double> roll;
  /// Flight time (seconds). Empty: 2 s for a flight that does not move the eye, 3 s
  /// otherwise. 0 or less: the camera is placed on the destination at once.
  std::optional<double> duration;
  /// Seconds of this flight already flown (≥ 0): a resumed flight starts part-way along
  /// its eased curve, from the current pose. At or beyond `duration` the first update lands.
  double timeOffset = 0.0;
  /// Called with the frame time on every step of the flight.
  std::function<void(const std::chrono::steady_clock::time_point&)> onUpdate;
  /// Called once when the flight ends normally (not when it is cancelled).
  std::function<void()> complete;
  /// Called when the flight is cancelled.
  std::function<void()> cancel;
  /// Carried along for the caller; no flight reads it.
  Matrix4 endTransform = Matrix4::identity();
  /// Peak height of the flight (metres). Empty: derived from how much of the view the
  /// distance to travel spans. Minus infinity (or any value not above both ends): the
  /// height changes linearly from start to end.
  std::optional<double> maximumHeight;
  /// Maps the time fraction [0, 1] to the progress fraction [0, 1] (f(0) = 0, f(1) = 1).
  /// Empty: cubic ease-out for a descent from above 11 500 m, quintic ease-in-out otherwise.
  std::function<double(double)> easingFunction;
  /// Carried along for the caller; no flight reads it.
  bool carriedFlag = true;
  /// When set, a flight whose destination and attitude equal the current pose (to a
  /// relative 1e-10) ends at once, without moving the camera.
  bool checkArrival = true;
};

}  // namespace qel
