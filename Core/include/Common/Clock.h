#pragma once

#include <chrono>

namespace qel {

/// The one source of "now" in the system: press times, frame stamps and flight legs all
/// read it. By default it follows the real steady clock; tests and scripted sessions switch
/// it to manual time and move it on explicitly (`advance(16ms)`), which makes every
/// time-driven motion reproducible.
///
/// All operations are thread-safe. The state is process-wide and lives in qelCommon, so
/// every module sees the same clock.
class Clock {
 public:
  using clock = std::chrono::steady_clock;
  using duration = clock::duration;
  using time_point = clock::time_point;

  Clock() = delete;

  /// The current time: the steady clock, or the manual time while manual mode is on.
  static time_point now();

  /// Follow the real steady clock again.
  static void useRealTime();
  /// Freeze time at `start` (one hour past the clock's epoch by default, so that
  /// subtracting a few seconds from the first stamp stays well above the epoch).
  static void useManualTime(time_point start = time_point{} + std::chrono::hours(1));
  static bool isManual();

  /// Move manual time forward. A negative step, a step that would overflow, or a step in
  /// real-time mode is refused (logged, time unchanged): the clock never runs backwards.
  static void advance(std::chrono::nanoseconds step);
  /// Put manual time at `t` (may go backwards: this is a reset, not a step).
  /// Refused (logged) in real-time mode.
  static void set(time_point t);
};

}  // namespace qel
