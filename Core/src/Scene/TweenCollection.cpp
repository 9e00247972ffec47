#include "Scene/TweenCollection.h"

#include <algorithm>
#include <utility>

namespace qel {

std::shared_ptr<Tween> TweenCollection::add(TweenOptions options) {
  std::shared_ptr<Tween> tween =
      updated_ ? std::make_shared<Tween>(std::move(options), lastUpdate_) : std::make_shared<Tween>(std::move(options));
  tweens_.push_back(tween);
  return tween;
}

void TweenCollection::update(std::chrono::steady_clock::time_point now) {
  // Tweens added by a callback during this pass start from this update's time and run
  // from the next one; tweens cancelled meanwhile are skipped by their own update.
  lastUpdate_ = now;
  updated_ = true;
  const std::vector<std::shared_ptr<Tween>> snapshot = tweens_;
  for (const std::shared_ptr<Tween>& tween : snapshot) tween->update(now);
  std::erase_if(tweens_, [](const std::shared_ptr<Tween>& t) { return t->isDone() || t->isCancelled(); });
}

void TweenCollection::removeAll() {
  // Dropped without any callback: removeAll is for tearing down (its owner may be half
  // destroyed), not for stopping a flight. A pass in progress skips them.
  for (const std::shared_ptr<Tween>& tween : tweens_) tween->discard();
  tweens_.clear();
}

}  // namespace qel
