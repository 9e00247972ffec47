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
  /// update time (the frame it was added in).
  std::shared_ptr<Tween> add(TweenOptions options);
  /// Advances every tween to `now`; finished and cancelled tweens are dropped.
  void update(std::chrono::steady_clock::time_point now);
  void removeAll();
  std::size_t size() const noexcept { return tweens_.size(); }

 private:
  std::vector<std::shared_ptr<Tween>> tweens_;
  std::chrono::steady_clock::time_point lastUpdate_{};
};

}  // namespace qel
