#include "Scene/Tween.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace qel {

Tween::Tween(TweenOptions options, std::chrono::steady_clock::time_point addedAt)
    : options_(std::move(options)), addedAt_(addedAt), startKnown_(true) {}

Tween::Tween(TweenOptions options) : options_(std::move(options)) {}

void Tween::cancelTween() {
  if (done_ || cancelled_) return;
  cancelled_ = true;
  if (options_.cancel) options_.cancel();
}

bool Tween::update(std::chrono::steady_clock::time_point now) {
  if (done_ || cancelled_) return false;
  if (!startKnown_) {
    // Added before its collection ever ran: the clock starts with the first update.
    addedAt_ = now;
    startKnown_ = true;
  }
  const double delay = std::isfinite(options_.delay) ? options_.delay : 0.0;
  const double elapsed = std::chrono::duration<double>(now - addedAt_).count() - delay;
  if (elapsed < 0.0) return true;  // not started yet

  const double duration = options_.duration.value_or(0.0);
  double fraction = 1.0;
  if (std::isfinite(duration) && duration > 0.0) fraction = std::clamp(elapsed / duration, 0.0, 1.0);
  double eased = fraction;
  if (options_.easingFunction) {
    eased = options_.easingFunction(fraction);
    if (!std::isfinite(eased)) eased = fraction;
  }
  const double start = options_.startValue.value_or(0.0);
  const double stop = options_.stopValue.value_or(0.0);
  const double value = fraction >= 1.0 && !options_.easingFunction ? stop : start + (stop - start) * eased;

  if (options_.update) options_.update(value);
  // A callback may have cancelled this tween: then it ends here, without completion.
  if (cancelled_) return false;
  if (options_.onUpdate) options_.onUpdate(now);
  if (cancelled_) return false;
  if (fraction < 1.0) return true;
  done_ = true;
  if (options_.complete) options_.complete();
  return false;
}

}  // namespace qel
