#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace qel {

/// What a tween animates: a value eased from `startValue` to `stopValue` over
/// `duration` seconds, starting `delay` seconds after it is added (a negative delay
/// starts it part-way).
struct TweenOptions {
  std::optional<double> startValue;
  std::optional<double> stopValue;
  std::optional<double> duration;
  double delay = 0.0;
  /// Maps the elapsed fraction [0, 1] to the eased fraction; linear when empty.
  std::function<double(double)> easingFunction;
  /// Called with the current value on every update while the tween runs.
  std::function<void(double)> update;
  /// Called once after the last update.
  std::function<void()> complete;
  /// Called when the tween is cancelled.
  std::function<void()> cancel;
  /// Called with the frame time on every update while the tween runs.
  std::function<void(const std::chrono::steady_clock::time_point&)> onUpdate;
};

}  // namespace qel
