#include "Layers/Layer.h"

#include <utility>

namespace qel {

std::shared_ptr<Layer> Layer::create(bool ready) { return std::shared_ptr<Layer>(new Layer(ready)); }

Layer::Layer(bool ready) : ready_(readyPromise_.get_future().share()) {
  if (ready) _setReady();
}

// The promise, unfulfilled, breaks as it is destroyed: whoever waits learns the layer
// will never be ready.
Layer::~Layer() = default;

std::shared_ptr<SceneImpl> Layer::_getScene() const {
  std::shared_ptr<Layer> parent;
  {
    std::lock_guard lock(mutex_);
    if (std::shared_ptr<SceneImpl> own = scene_.lock()) return own;
    parent = parent_.lock();
  }
  // The parent is asked outside this layer's lock: locks are only ever taken one at a
  // time going up the tree.
  return parent ? parent->_getScene() : nullptr;
}

void Layer::_setScene(std::weak_ptr<SceneImpl> scene) {
  std::lock_guard lock(mutex_);
  scene_ = std::move(scene);
}

std::shared_ptr<Layer> Layer::getParent() const {
  std::lock_guard lock(mutex_);
  return parent_.lock();
}

void Layer::_setParent(const std::shared_ptr<Layer>& parent) {
  for (std::shared_ptr<Layer> up = parent; up; up = up->getParent()) {
    if (up.get() == this) return;  // would close a loop
  }
  std::lock_guard lock(mutex_);
  parent_ = parent;
}

bool Layer::isShow() const {
  std::lock_guard lock(mutex_);
  return show_;
}

void Layer::setShow(bool show) {
  std::lock_guard lock(mutex_);
  show_ = show;
}

bool Layer::isShowing() const {
  for (std::shared_ptr<const Layer> layer = shared_from_this(); layer; layer = layer->getParent()) {
    if (!layer->isShow()) return false;
  }
  return true;
}

std::shared_ptr<const BoundingRegion> Layer::getBoundingRegion() const {
  std::lock_guard lock(mutex_);
  return region_;
}

void Layer::setBoundingRegion(const std::optional<BoundingRegion>& region) {
  std::shared_ptr<const BoundingRegion> next = region ? std::make_shared<const BoundingRegion>(*region) : nullptr;
  std::lock_guard lock(mutex_);
  region_ = std::move(next);
}

bool Layer::isReady() const {
  std::lock_guard lock(mutex_);
  return readyDone_;
}

void Layer::_setReady() {
  {
    std::lock_guard lock(mutex_);
    if (readyDone_) return;
    readyDone_ = true;
  }
  // Fulfilled outside the lock: the continuations it runs may read this layer.
  readyPromise_.set_value(this);
}

}  // namespace qel
