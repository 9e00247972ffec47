// The materials: plain values whose setters announce each change to their holders.
#include <cmath>
#include <utility>

#include "Data/ColorMaterialProperty.h"
#include "Data/ImageMaterialProperty.h"
#include "Feature/ColorMaterial.h"
#include "Feature/ImageMaterial.h"

namespace qel::Feature {

Material::~Material() = default;

std::shared_ptr<Material> ColorMaterial::clone() const { return std::make_shared<ColorMaterial>(color_); }

std::shared_ptr<MaterialProperty> ColorMaterial::_getMaterial() const {
  return std::make_shared<ColorMaterialProperty>(color_);
}

void ColorMaterial::setColor(const Color& color) {
  color_ = color;
  _raiseDefinitionChanged();
}

ImageMaterial::ImageMaterial(std::string image) : image_(std::move(image)) {}

std::shared_ptr<Material> ImageMaterial::clone() const {
  auto copy = std::make_shared<ImageMaterial>(image_);
  copy->color_ = color_;
  copy->tileSize_ = tileSize_;
  copy->tileSizeUnit_ = tileSizeUnit_;
  return copy;
}

std::shared_ptr<MaterialProperty> ImageMaterial::_getMaterial() const {
  return std::make_shared<ImageMaterialProperty>(image_, color_, tileSize_);
}

void ImageMaterial::setImage(std::string image) {
  image_ = std::move(image);
  _raiseDefinitionChanged();
}

void ImageMaterial::setColor(const Color& color) {
  color_ = color;
  _raiseDefinitionChanged();
}

void ImageMaterial::setTileSize(const Vector2<double>& size) {
  // A tile of no size would repeat without end.
  if (!size.isFinite() || !(size.x > 0.0) || !(size.y > 0.0)) return;
  tileSize_ = size;
  _raiseDefinitionChanged();
}

void ImageMaterial::setTileSizeUnit(TileSizeUnit unit) {
  if (unit != TileSizeUnit::Repeat && unit != TileSizeUnit::Meter) return;
  tileSizeUnit_ = unit;
  _raiseDefinitionChanged();
}

}  // namespace qel::Feature
