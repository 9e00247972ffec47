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

}  // namespace qel::Feature
