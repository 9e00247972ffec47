#pragma once

#include <chrono>
#include <functional>

#include "Scene/TweenOptions.h"

namespace qel {

/// One running animation of a `TweenCollection`.
class Tween {
 public:
  Tween(TweenOptions options, std::chrono::steady_clock::time_point addedAt);

  /// Stops the tween without calling its completion (its `cancel` callable runs).
  void cancelTween();
  /// The completion callable (may be empty).
  const std::function<void()>& complete() const noexcept { return options_.complete; }
  bool isDone() const noexcept { return done_; }
  bool isCancelled() const noexcept { return cancelled_; }

  /// Advances to `now`; returns false once the tween has finished or been cancelled.
  bool update(std::chrono::steady_clock::time_point now);

 private:
  TweenOptions options_;
  std::chrono::steady_clock::time_point addedAt_;
  bool done_ = false;
  bool cancelled_ = false;
};

}  // namespace qel
