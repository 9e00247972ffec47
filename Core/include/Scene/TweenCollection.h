#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <vector>

#include "Scene/Tween.h"
#include "Scene/TweenOptions.h"

namespace qel {

/// The animation driver of flights: tweens advance on `update` with the frame time.
class TweenCollection {
 public:
  /// Adds a tween that starts `options.delay` seconds after the collection's last
  /// update time (the frame it was added in); before the first update, after the time
  /// of the first update.
  std::shared_ptr<Tween> add(TweenOptions options);
  /// Advances every tween to `now`; finished and cancelled tweens are dropped. Callbacks
  /// may add and cancel tweens meanwhile: added ones run from the next update.
  void update(std::chrono::steady_clock::time_point now);
  /// Drops every tween without calling any of its callables.
  void removeAll();
  std::size_t size() const noexcept { return tweens_.size(); }

 private:
  std::vector<std::shared_ptr<Tween>> tweens_;
  std::chrono::steady_clock::time_point lastUpdate_{};
  bool updated_ = false;
};

}  // namespace qel
