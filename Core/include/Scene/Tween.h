#pragma once

#include <chrono>
#include <functional>

#include "Scene/TweenOptions.h"

namespace qel {

/// One running animation of a `TweenCollection`.
///
/// It starts `delay` seconds after `addedAt` (a negative delay starts it part-way); each
/// update while it runs computes the eased value between its start and stop values
/// (missing ones count as 0) for the elapsed fraction of its duration (missing or 0: the
/// first update after the start is the last) and calls `update` with it, then `onUpdate`
/// with the time; after the last update it calls `complete` once.
class Tween {
 public:
  Tween(TweenOptions options, std::chrono::steady_clock::time_point addedAt);
  /// A tween whose clock starts at its first update.
  explicit Tween(TweenOptions options);

  /// Stops the tween without calling its completion (its `cancel` callable runs).
  void cancelTween();
  /// The completion callable (may be empty).
  const std::function<void()>& complete() const noexcept { return options_.complete; }
  bool isDone() const noexcept { return done_; }
  bool isCancelled() const noexcept { return cancelled_; }

  /// Advances to `now`; returns false once the tween has finished or been cancelled.
  bool update(std::chrono::steady_clock::time_point now);
  /// Stops the tween without calling any of its callables (its collection is being
  /// cleared); it then counts as cancelled.
  void discard() noexcept { cancelled_ = true; }

 private:
  TweenOptions options_;
  std::chrono::steady_clock::time_point addedAt_{};
  bool startKnown_ = false;
  bool done_ = false;
  bool cancelled_ = false;
};

}  // namespace qel
