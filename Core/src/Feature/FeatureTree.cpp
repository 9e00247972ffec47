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
  // Walked by plain pointer from here (this need not be shared), holding each group
  // above while it is read.
  const FeatureBase* node = this;
  std::shared_ptr<const FeatureBase> held;
  while (true) {
    if (!node->isShow()) return false;
    std::shared_ptr<Layer> layer;
    {
      std::lock_guard lock(node->mutex_);
      layer = node->layer_.lock();
    }
    if (layer) return layer->isShowing();
    held = node->getParent();
    if (!held) return false;  // a tree of no layer is not drawn
    node = held.get();
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
  // A group not held by a shared pointer cannot be anybody's parent.
  const std::shared_ptr<FeatureBase> self = weak_from_this().lock();
  if (!child || !self) return;
  for (std::shared_ptr<const FeatureBase> up = self; up; up = up->getParent()) {
    if (up.get() == child.get()) return;  // would close a loop
  }
  // Keeps the child alive while it leaves its former group.
  const std::shared_ptr<FeatureBase> keep = child;
  if (std::shared_ptr<FeatureGroup> former = child->getParent()) former->remove(*child);
  children_.push_back(keep);
  {
    std::lock_guard lock(keep->mutex_);
    keep->parent_ = std::static_pointer_cast<FeatureGroup>(self);
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

std::unique_ptr<FeatureBase> FeatureGroup::clone() const {
  auto copy = std::make_unique<FeatureGroup>();
  copy->setShow(isShow());
  return copy;
}

void FeatureGroup::_forgetDrawing() {
  for (const std::shared_ptr<FeatureBase>& child : children_) child->_forgetDrawing();
}

Feature::Feature(std::optional<std::int64_t> id) : id_(id) {}

Feature::~Feature() = default;

Feature& Feature::operator=(const Feature& other) {
  if (&other == this) return *this;
  const std::shared_ptr<Geometry> otherGeometry = other.getGeometry();
  const std::shared_ptr<Style> otherStyle = other.getStyle();
  // The objects an editor follows stay; they take the other's definitions.
  const std::shared_ptr<Geometry> geometry = getGeometry();
  if (!otherGeometry) {
    if (geometry) setGeometry(nullptr);
  } else if (!geometry || !geometry->_assign(*otherGeometry)) {
    setGeometry(otherGeometry->clone());
  }
  const std::shared_ptr<Style> style = getStyle();
  if (!otherStyle) {
    if (style) setStyle(nullptr);
  } else if (!style || !style->_assign(*otherStyle)) {
    setStyle(otherStyle->clone());
  }
  return *this;
}

std::unique_ptr<FeatureBase> Feature::clone() const {
  auto copy = std::make_unique<Feature>();
  const std::shared_ptr<Geometry> geometry = getGeometry();
  const std::shared_ptr<Style> style = getStyle();
  if (geometry) copy->setGeometry(geometry->clone());
  if (style) copy->setStyle(style->clone());
  copy->setShow(isShow());
  return copy;
}

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
