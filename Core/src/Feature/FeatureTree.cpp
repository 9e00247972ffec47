// Features and groups: the tree, its layer and the show flags.
#include <algorithm>
#include <utility>

#include "Feature/Feature.h"
#include "Feature/FeatureBase.h"
#include "Feature/FeatureGroup.h"
#include "Layers/Layer.h"

namespace qel::Feature {

FeatureBase::~FeatureBase() = default;

std::shared_ptr<Layer> FeatureBase::getLayer() const {
  std::shared_ptr<FeatureGroup> parent;
  {
    std::lock_guard lock(mutex_);
    if (std::shared_ptr<Layer> own = layer_.lock()) return own;
    parent = parent_.lock();
  }
  // One lock at a time going up the tree.
  return parent ? parent->getLayer() : nullptr;
}

std::shared_ptr<FeatureGroup> FeatureBase::getParent() const {
  std::lock_guard lock(mutex_);
  return parent_.lock();
}

bool FeatureBase::isShow() const {
  std::lock_guard lock(mutex_);
  return show_;
}

void FeatureBase::setShow(bool show) {
  std::lock_guard lock(mutex_);
  show_ = show;
}

bool FeatureBase::isShowing() const {
  std::shared_ptr<const FeatureBase> node = shared_from_this();
  while (true) {
    if (!node->isShow()) return false;
    std::shared_ptr<Layer> layer;
    {
      std::lock_guard lock(node->mutex_);
      layer = node->layer_.lock();
    }
    if (layer) return layer->isShowing();
    std::shared_ptr<const FeatureBase> parent = node->getParent();
    if (!parent) return false;  // a tree of no layer is not drawn
    node = std::move(parent);
  }
}

void FeatureBase::_setLayer(const std::weak_ptr<Layer>& layer) {
  {
    std::lock_guard lock(mutex_);
    layer_ = layer;
  }
  _forgetDrawing();
}

FeatureGroup::~FeatureGroup() = default;

void FeatureGroup::add(const std::shared_ptr<FeatureBase>& child) {
  if (!child) return;
  for (std::shared_ptr<const FeatureBase> up = shared_from_this(); up; up = up->getParent()) {
    if (up.get() == child.get()) return;  // would close a loop
  }
  // Keeps the child alive while it leaves its former group.
  const std::shared_ptr<FeatureBase> keep = child;
  if (std::shared_ptr<FeatureGroup> former = child->getParent()) former->remove(*child);
  children_.push_back(keep);
  {
    std::lock_guard lock(keep->mutex_);
    keep->parent_ = std::static_pointer_cast<FeatureGroup>(shared_from_this());
  }
  keep->_forgetDrawing();
}

bool FeatureGroup::remove(const FeatureBase& child) {
  const auto it = std::find_if(children_.begin(), children_.end(),
                               [&](const std::shared_ptr<FeatureBase>& c) { return c.get() == &child; });
  if (it == children_.end()) return false;
  const std::shared_ptr<FeatureBase> removed = *it;
  children_.erase(it);
  {
    std::lock_guard lock(removed->mutex_);
    removed->parent_.reset();
  }
  removed->_forgetDrawing();
  return true;
}

bool FeatureGroup::removeFromMemory(const FeatureBase& child) {
  // The drawing goes with `remove` already; what is left is the group's reference.
  return remove(child);
}

void FeatureGroup::_forgetDrawing() {
  for (const std::shared_ptr<FeatureBase>& child : children_) child->_forgetDrawing();
}

Feature::Feature(std::optional<std::int64_t> id) : id_(id) {}

Feature::~Feature() = default;

std::shared_ptr<Geometry> Feature::getGeometry() const {
  std::lock_guard lock(mutex_);
  return geometry_;
}

void Feature::setGeometry(std::shared_ptr<Geometry> geometry) {
  std::lock_guard lock(mutex_);
  geometry_ = std::move(geometry);
  ++version_;
}

std::shared_ptr<Style> Feature::getStyle() const {
  std::lock_guard lock(mutex_);
  return style_;
}

void Feature::setStyle(std::shared_ptr<Style> style) {
  std::lock_guard lock(mutex_);
  style_ = std::move(style);
  ++version_;
}

Feature::DefinitionStamp Feature::_getDefinitionStamp() const {
  std::lock_guard lock(mutex_);
  return {version_, geometry_ ? geometry_->_getVersion() : 0, style_ ? style_->_getVersion() : 0};
}

bool Feature::isBuildExpected() const {
  if (!getGeometry()) return false;
  const std::shared_ptr<Layer> layer = getLayer();
  return layer && layer->_getScene();
}

bool Feature::_isEntityReady() const {
  if (!isBuildExpected()) return true;  // no scene will build anything
  return builtFrom_ && *builtFrom_ == _getDefinitionStamp();
}

const std::vector<std::shared_ptr<Entity>>& Feature::_getAllEntities() const {
  static const std::vector<std::shared_ptr<Entity>> kNone;
  if (!builtFrom_ || *builtFrom_ != _getDefinitionStamp() || !isBuildExpected()) return kNone;
  return entities_;
}

std::shared_ptr<Entity> Feature::_getImplHandle() const { return entities_.empty() ? nullptr : entities_.front(); }

void Feature::_setEntities(std::vector<std::shared_ptr<Entity>> entities, const DefinitionStamp& builtFrom) {
  entities_ = std::move(entities);
  builtFrom_ = builtFrom;
}

void Feature::_forgetDrawing() {
  entities_.clear();
  builtFrom_.reset();
}

}  // namespace qel::Feature
