#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Scene/Tween.h"
#include "Scene/TweenOptions.h"

namespace qel {

/// The animation driver of flights: tweens advance on `update` with the frame time.
///
/// When a tween's clock starts depends on when it is added:
/// - between updates (a command drained at the start of a frame, before the frame's
///   update): at the next update's time, so that its first update is at its start and a
///   flight begins exactly at the current pose;
/// - during an update (a callable of another tween, such as the completion of one leg
///   that adds the next): at that update's time, the frame the adding tween ended in, so
///   that chained legs leave no gap; it is first advanced by the next update.
/// It then starts `options.delay` seconds later (a negative delay starts it part-way).
class TweenCollection {
 public:
  /// Adds a tween (see the class comment for when it starts). Never fails; options
  /// without any callable still run and complete.
  std::shared_ptr<Tween> add(TweenOptions options);
  /// Advances every tween to `now`; finished and cancelled tweens are dropped. Callbacks
  /// may add and cancel tweens and call `removeAll` meanwhile: added ones run from the
  /// next update, removed ones are not advanced again. Allocates nothing unless a
  /// callback adds a tween.
  void update(std::chrono::steady_clock::time_point now);
  /// Drops every tween without calling any of its callables.
  void removeAll();
  std::size_t size() const noexcept { return tweens_.size(); }

 private:
  std::vector<std::shared_ptr<Tween>> tweens_;
  std::chrono::steady_clock::time_point updateTime_{};
  bool updating_ = false;
  // Changes on every removeAll, so that an update pass notices its list was cleared.
  std::uint64_t generation_ = 0;
};

}  // namespace qel
