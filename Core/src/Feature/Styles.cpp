// The kinds of style: the symbols each holds, cloning and assignment.
#include <utility>

#include "Feature/PointStyle.h"
#include "Feature/PolygonStyle.h"
#include "Feature/PolylineStyle.h"

namespace qel::Feature {
namespace {

template <class T>
std::shared_ptr<T> cloneOf(const std::shared_ptr<T>& part) {
  return part ? std::static_pointer_cast<T>(part->clone()) : nullptr;
}

}  // namespace

PointStyle::PointStyle(HeightReference reference) : Style(reference) {}
PointStyle::~PointStyle() = default;

void PointStyle::setBillboardSymbol(std::shared_ptr<BillboardSymbol> billboard) {
  billboard_.set(std::move(billboard));
  _raiseDefinitionChanged();
}

void PointStyle::setModelSymbol(std::shared_ptr<ModelSymbol> model) {
  model_.set(std::move(model));
  _raiseDefinitionChanged();
}

void PointStyle::setPointSymbol(std::shared_ptr<PointSymbol> point) {
  point_.set(std::move(point));
  _raiseDefinitionChanged();
}

std::shared_ptr<Style> PointStyle::clone() const {
  auto copy = std::make_shared<PointStyle>();
  copy->_assign(*this);
  return copy;
}

bool PointStyle::_assign(const Style& other) {
  const PointStyle* from = other.asPointStyle();
  if (!from) return false;
  if (from == this) return true;
  copyStyleFrom(*from);
  billboard_.set(cloneOf(from->billboard_.get()));
  model_.set(cloneOf(from->model_.get()));
  point_.set(cloneOf(from->point_.get()));
  _raiseDefinitionChanged();
  return true;
}

PolylineStyle::PolylineStyle(HeightReference reference) : Style(reference) {}
PolylineStyle::~PolylineStyle() = default;

void PolylineStyle::setLineSymbol(std::shared_ptr<LineSymbol> line) {
  line_.set(std::move(line));
  _raiseDefinitionChanged();
}

void PolylineStyle::setExtrusionSymbol(std::shared_ptr<ExtrusionSymbol> extrusion) {
  extrusion_.set(std::move(extrusion));
  _raiseDefinitionChanged();
}

std::shared_ptr<Style> PolylineStyle::clone() const {
  auto copy = std::make_shared<PolylineStyle>();
  copy->_assign(*this);
  return copy;
}

bool PolylineStyle::_assign(const Style& other) {
  const PolylineStyle* from = other.asPolylineStyle();
  if (!from) return false;
  if (from == this) return true;
  copyStyleFrom(*from);
  line_.set(cloneOf(from->line_.get()));
  extrusion_.set(cloneOf(from->extrusion_.get()));
  _raiseDefinitionChanged();
  return true;
}

PolygonStyle::PolygonStyle(HeightReference reference) : Style(reference) {}
PolygonStyle::~PolygonStyle() = default;

void PolygonStyle::setPolygonSymbol(std::shared_ptr<PolygonSymbol> polygon) {
  polygon_.set(std::move(polygon));
  _raiseDefinitionChanged();
}

void PolygonStyle::setExtrusionSymbol(std::shared_ptr<ExtrusionSymbol> extrusion) {
  extrusion_.set(std::move(extrusion));
  _raiseDefinitionChanged();
}

std::shared_ptr<Style> PolygonStyle::clone() const {
  auto copy = std::make_shared<PolygonStyle>();
  copy->_assign(*this);
  return copy;
}

bool PolygonStyle::_assign(const Style& other) {
  const PolygonStyle* from = other.asPolygonStyle();
  if (!from) return false;
  if (from == this) return true;
  copyStyleFrom(*from);
  polygon_.set(cloneOf(from->polygon_.get()));
  extrusion_.set(cloneOf(from->extrusion_.get()));
  _raiseDefinitionChanged();
  return true;
}

}  // namespace qel::Feature
