// The symbols: plain values whose setters announce each change to their holders.
#include <cmath>
#include <utility>

#include "Feature/BillboardSymbol.h"
#include "Feature/ExtrusionSymbol.h"
#include "Feature/LabelSymbol.h"
#include "Feature/LineSymbol.h"
#include "Feature/ModelSymbol.h"
#include "Feature/PointSymbol.h"
#include "Feature/PolygonSymbol.h"

namespace qel::Feature {
namespace {

// The origins a billboard or a label accepts: −1, 0 and 1 on either axis.
constexpr int kLowestOrigin = -1;
constexpr int kHighestOrigin = 1;

bool isOrigin(int origin) noexcept { return origin >= kLowestOrigin && origin <= kHighestOrigin; }

// The highest height reference there is (`RelativeTo3DTile`).
constexpr auto kLastHeightReference = static_cast<std::uint8_t>(HeightReference::RelativeTo3DTile);

template <class T>
std::shared_ptr<T> cloneOf(const std::shared_ptr<T>& part) {
  return part ? std::static_pointer_cast<T>(part->clone()) : nullptr;
}

}  // namespace

Symbol::~Symbol() = default;

void Symbol::setEnabled(bool enabled) {
  enabled_ = enabled;
  _raiseDefinitionChanged();
}

std::shared_ptr<Symbol> BillboardSymbol::clone() const {
  auto copy = std::make_shared<BillboardSymbol>();
  copy->copySymbolFrom(*this);
  copy->image_ = image_;
  copy->horizontalOrigin_ = horizontalOrigin_;
  copy->verticalOrigin_ = verticalOrigin_;
  copy->scale_ = scale_;
  copy->color_ = color_;
  copy->pixelOffset_ = pixelOffset_;
  return copy;
}

void BillboardSymbol::setImage(std::string image) {
  image_ = std::move(image);
  _raiseDefinitionChanged();
}

void BillboardSymbol::setHorizontalOrigin(int origin) {
  if (!isOrigin(origin)) return;
  horizontalOrigin_ = origin;
  _raiseDefinitionChanged();
}

void BillboardSymbol::setVerticalOrigin(int origin) {
  if (!isOrigin(origin)) return;
  verticalOrigin_ = origin;
  _raiseDefinitionChanged();
}

void BillboardSymbol::setScale(double scale) {
  if (!std::isfinite(scale) || scale < 0.0) return;
  scale_ = scale;
  _raiseDefinitionChanged();
}

void BillboardSymbol::setColor(const Color& color) {
  color_ = color;
  _raiseDefinitionChanged();
}

void BillboardSymbol::setPixelOffset(const Vector2<double>& offset) {
  if (!offset.isFinite()) return;
  pixelOffset_ = offset;
  _raiseDefinitionChanged();
}

std::shared_ptr<Symbol> LabelSymbol::clone() const {
  auto copy = std::make_shared<LabelSymbol>();
  copy->copySymbolFrom(*this);
  copy->text_ = text_;
  copy->fontFamily_ = fontFamily_;
  copy->fontSize_ = fontSize_;
  copy->color_ = color_;
  copy->horizontalOrigin_ = horizontalOrigin_;
  copy->verticalOrigin_ = verticalOrigin_;
  copy->pixelOffset_ = pixelOffset_;
  return copy;
}

void LabelSymbol::setText(std::string text) {
  text_ = std::move(text);
  _raiseDefinitionChanged();
}

void LabelSymbol::setFontFamily(std::string family) {
  fontFamily_ = std::move(family);
  _raiseDefinitionChanged();
}

void LabelSymbol::setFontSize(double size) {
  if (!std::isfinite(size) || size <= 0.0) return;
  fontSize_ = size;
  _raiseDefinitionChanged();
}

void LabelSymbol::setColor(const Color& color) {
  color_ = color;
  _raiseDefinitionChanged();
}

void LabelSymbol::setHorizontalOrigin(int origin) {
  if (!isOrigin(origin)) return;
  horizontalOrigin_ = origin;
  _raiseDefinitionChanged();
}

void LabelSymbol::setVerticalOrigin(int origin) {
  if (!isOrigin(origin)) return;
  verticalOrigin_ = origin;
  _raiseDefinitionChanged();
}

void LabelSymbol::setPixelOffset(const Vector2<double>& offset) {
  if (!offset.isFinite()) return;
  pixelOffset_ = offset;
  _raiseDefinitionChanged();
}

LineSymbol::LineSymbol() = default;
LineSymbol::~LineSymbol() = default;

std::shared_ptr<Symbol> LineSymbol::clone() const {
  auto copy = std::make_shared<LineSymbol>();
  copy->copySymbolFrom(*this);
  copy->width = width;
  copy->material_.set(cloneOf(material_.get()));
  return copy;
}

void LineSymbol::setWidth(double newWidth) {
  if (!std::isfinite(newWidth) || newWidth <= 0.0) return;
  width = newWidth;
  _raiseDefinitionChanged();
}

void LineSymbol::setMaterial(std::shared_ptr<Material> material) {
  material_.set(std::move(material));
  _raiseDefinitionChanged();
}

PolygonSymbol::PolygonSymbol() = default;
PolygonSymbol::~PolygonSymbol() = default;

std::shared_ptr<Symbol> PolygonSymbol::clone() const {
  auto copy = std::make_shared<PolygonSymbol>();
  copy->copySymbolFrom(*this);
  copy->fill_ = fill_;
  copy->material_.set(cloneOf(material_.get()));
  copy->outline_.set(cloneOf(outline_.get()));
  return copy;
}

void PolygonSymbol::setMaterial(std::shared_ptr<Material> material) {
  material_.set(std::move(material));
  _raiseDefinitionChanged();
}

void PolygonSymbol::setFill(bool fill) {
  fill_ = fill;
  _raiseDefinitionChanged();
}

void PolygonSymbol::setOutLineSymbol(std::shared_ptr<LineSymbol> outline) {
  outline_.set(std::move(outline));
  _raiseDefinitionChanged();
}

std::shared_ptr<Symbol> ModelSymbol::clone() const {
  auto copy = std::make_shared<ModelSymbol>();
  copy->copySymbolFrom(*this);
  copy->url_ = url_;
  copy->rotation_ = rotation_;
  copy->scale_ = scale_;
  return copy;
}

void ModelSymbol::setUrl(std::string url) {
  url_ = std::move(url);
  _raiseDefinitionChanged();
}

void ModelSymbol::setRotation(const Vector3<Radian>& rotation) {
  if (!std::isfinite(rotation.x.value()) || !std::isfinite(rotation.y.value()) || !std::isfinite(rotation.z.value()))
    return;
  rotation_ = rotation;
  _raiseDefinitionChanged();
}

void ModelSymbol::setScale(const Vector3<double>& scale) {
  if (!std::isfinite(scale.x) || !std::isfinite(scale.y) || !std::isfinite(scale.z)) return;
  scale_ = scale;
  _raiseDefinitionChanged();
}

ExtrusionSymbol::ExtrusionSymbol() = default;
ExtrusionSymbol::~ExtrusionSymbol() = default;

std::shared_ptr<Symbol> ExtrusionSymbol::clone() const {
  auto copy = std::make_shared<ExtrusionSymbol>();
  copy->copySymbolFrom(*this);
  copy->height_ = height_;
  copy->heightReference_ = heightReference_;
  copy->body_.set(cloneOf(body_.get()));
  return copy;
}

void ExtrusionSymbol::setHeight(double height) {
  if (!std::isfinite(height)) return;
  height_ = height;
  _raiseDefinitionChanged();
}

void ExtrusionSymbol::setHeightReference(HeightReference reference) {
  if (static_cast<std::uint8_t>(reference) > kLastHeightReference) return;
  heightReference_ = reference;
  _raiseDefinitionChanged();
}

void ExtrusionSymbol::setBodySymbol(std::shared_ptr<Symbol> body) {
  // Holding itself would keep it alive for ever.
  if (body.get() == this) return;
  body_.set(std::move(body));
  _raiseDefinitionChanged();
}

std::shared_ptr<Symbol> PointSymbol::clone() const {
  auto copy = std::make_shared<PointSymbol>();
  copy->copySymbolFrom(*this);
  copy->pixelSize_ = pixelSize_;
  copy->color_ = color_;
  return copy;
}

void PointSymbol::setPixelSize(double size) {
  if (!std::isfinite(size) || size < 0.0) return;
  pixelSize_ = size;
  _raiseDefinitionChanged();
}

void PointSymbol::setColor(const Color& color) {
  color_ = color;
  _raiseDefinitionChanged();
}

}  // namespace qel::Feature
