// The geometries: plain data whose setters record and announce each change.
#include <utility>

#include "Feature/CircleGeometry.h"
#include "Feature/Geometry.h"
#include "Feature/PointGeometry.h"
#include "Feature/PolygonGeometry.h"
#include "Feature/PolylineGeometry.h"
#include "Feature/RectangleGeometry.h"

namespace qel::Feature {

Geometry::Geometry() : definitionChanged_(std::make_unique<Publisher<std::function<void()>>>()) {}

Geometry::~Geometry() = default;

std::weak_ptr<FunctionWrapper> Geometry::_addDefinitionChangedEventListener(std::function<void()> listener) {
  return definitionChanged_->addEventListener(std::move(listener));
}

void Geometry::_raiseDefinitionChanged() {
  ++version_;
  definitionChanged_->raiseEvent();
}

PointGeometry::PointGeometry(const Cartographic& position, bool screenSpace) noexcept
    : screenSpace_(screenSpace ? 1 : 0), position_(position) {}

void PointGeometry::setPosition(const Cartographic& position) {
  position_ = position;
  _raiseDefinitionChanged();
}

void PointGeometry::setScreenSpace(bool screenSpace) {
  screenSpace_ = screenSpace ? 1 : 0;
  _raiseDefinitionChanged();
}

PolylineGeometry::PolylineGeometry(std::vector<Cartographic> initial) : positions(std::move(initial)) {}

void PolylineGeometry::setPositions(std::vector<Cartographic> newPositions) {
  positions = std::move(newPositions);
  _raiseDefinitionChanged();
}

PolygonGeometry::PolygonGeometry(PolygonHierarchy hierarchy) : hierarchy_(std::move(hierarchy)) {}

void PolygonGeometry::setHierarchy(PolygonHierarchy hierarchy) {
  hierarchy_ = std::move(hierarchy);
  _raiseDefinitionChanged();
}

RectangleGeometry::RectangleGeometry(const GlobeRectangle& rectangle, double height) noexcept
    : rectangle_(rectangle), height_(height) {}

void RectangleGeometry::setRectangle(const GlobeRectangle& rectangle) {
  rectangle_ = rectangle;
  _raiseDefinitionChanged();
}

void RectangleGeometry::setHeight(double height) {
  height_ = height;
  _raiseDefinitionChanged();
}

CircleGeometry::CircleGeometry(const Cartographic& center, double radius) noexcept : center_(center), radius_(radius) {}

void CircleGeometry::setCenter(const Cartographic& center) {
  center_ = center;
  _raiseDefinitionChanged();
}

void CircleGeometry::setRadius(double radius) {
  radius_ = radius;
  _raiseDefinitionChanged();
}

namespace {

// The geometry `other` as the kind `T`; null when it is another kind.
template <class T>
const T* sameKind(const Geometry& self, const Geometry& other) noexcept {
  return other.getType() == self.getType() ? static_cast<const T*>(&other) : nullptr;
}

}  // namespace

std::shared_ptr<Geometry> PointGeometry::clone() const {
  return std::make_shared<PointGeometry>(position_, isScreenSpace());
}

bool PointGeometry::_assign(const Geometry& other) {
  const PointGeometry* from = sameKind<PointGeometry>(*this, other);
  if (!from) return false;
  if (from->position_ == position_ && from->screenSpace_ == screenSpace_) return true;
  position_ = from->position_;
  screenSpace_ = from->screenSpace_;
  _raiseDefinitionChanged();
  return true;
}

std::shared_ptr<Geometry> PolylineGeometry::clone() const { return std::make_shared<PolylineGeometry>(positions); }

bool PolylineGeometry::_assign(const Geometry& other) {
  const PolylineGeometry* from = sameKind<PolylineGeometry>(*this, other);
  if (!from) return false;
  if (from->positions == positions) return true;
  positions = from->positions;
  _raiseDefinitionChanged();
  return true;
}

std::shared_ptr<Geometry> PolygonGeometry::clone() const { return std::make_shared<PolygonGeometry>(hierarchy_); }

bool PolygonGeometry::_assign(const Geometry& other) {
  const PolygonGeometry* from = sameKind<PolygonGeometry>(*this, other);
  if (!from) return false;
  if (from->hierarchy_.positions == hierarchy_.positions && from->hierarchy_.holes == hierarchy_.holes) return true;
  hierarchy_ = from->hierarchy_;
  _raiseDefinitionChanged();
  return true;
}

std::shared_ptr<Geometry> RectangleGeometry::clone() const {
  return std::make_shared<RectangleGeometry>(rectangle_, height_);
}

bool RectangleGeometry::_assign(const Geometry& other) {
  const RectangleGeometry* from = sameKind<RectangleGeometry>(*this, other);
  if (!from) return false;
  const GlobeRectangle& r = from->rectangle_;
  if (r.west == rectangle_.west && r.south == rectangle_.south && r.east == rectangle_.east &&
      r.north == rectangle_.north && from->height_ == height_)
    return true;
  rectangle_ = r;
  height_ = from->height_;
  _raiseDefinitionChanged();
  return true;
}

std::shared_ptr<Geometry> CircleGeometry::clone() const { return std::make_shared<CircleGeometry>(center_, radius_); }

bool CircleGeometry::_assign(const Geometry& other) {
  const CircleGeometry* from = sameKind<CircleGeometry>(*this, other);
  if (!from) return false;
  if (from->center_ == center_ && from->radius_ == radius_) return true;
  center_ = from->center_;
  radius_ = from->radius_;
  _raiseDefinitionChanged();
  return true;
}

}  // namespace qel::Feature
