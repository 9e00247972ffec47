#include "Scene/TweenCollection.h"

#include <algorithm>
#include <utility>

namespace qel {

std::shared_ptr<Tween> TweenCollection::add(TweenOptions options) {
  // Inside an update the clock starts at that update's time; otherwise the tween waits
  // for the next update to learn its start.
  std::shared_ptr<Tween> tween = updating_ ? std::make_shared<Tween>(std::move(options), updateTime_)
                                           : std::make_shared<Tween>(std::move(options));
  tweens_.push_back(tween);
  return tween;
}

void TweenCollection::update(std::chrono::steady_clock::time_point now) {
  const bool outermost = !updating_;
  updateTime_ = now;
  updating_ = true;
  // Only the tweens present when the pass starts are advanced: those added by a callback
  // are appended behind `count`. Each is held while it runs, since a callback may clear
  // the list.
  const std::size_t count = tweens_.size();
  const std::uint64_t generation = generation_;
  for (std::size_t i = 0; i < count && generation == generation_ && i < tweens_.size(); ++i) {
    const std::shared_ptr<Tween> tween = tweens_[i];
    tween->update(now);
  }
  if (outermost) {
    updating_ = false;
    std::erase_if(tweens_, [](const std::shared_ptr<Tween>& t) { return t->isDone() || t->isCancelled(); });
  }
}

void TweenCollection::removeAll() {
  // Dropped without any callback: removeAll is for tearing down (its owner may be half
  // destroyed), not for stopping a flight. A pass in progress stops advancing them.
  for (const std::shared_ptr<Tween>& tween : tweens_) tween->discard();
  ++generation_;
  // Moved out before they die, so that a tween's destructor (its captures) finds the
  // collection already empty.
  std::vector<std::shared_ptr<Tween>> dropped;
  dropped.swap(tweens_);
}

}  // namespace qel
