// What the line editor reads of a line style.
#include "PolylineEditorStyle.h"

#include "Data/ColorMaterialProperty.h"
#include "Data/ImageMaterialProperty.h"
#include "Feature/ColorMaterial.h"
#include "Feature/ExtrusionSymbol.h"
#include "Feature/ImageMaterial.h"
#include "Feature/LineSymbol.h"
#include "Feature/PolygonSymbol.h"
#include "Feature/PolylineStyle.h"

namespace qel::polylineStyle {

namespace {

// Width of a line without a line symbol (pixels).
constexpr double kDefaultLineWidth = 0.8;
// The editor's own lines: light green, opaque.
constexpr Color kDefaultLineColor{0.5f, 1.0f, 0.5f, 1.0f};

const Feature::ExtrusionSymbol* extrusionSymbolOf(const Feature::Style& style) {
  const Feature::PolylineStyle* line = style.asPolylineStyle();
  if (line == nullptr) return nullptr;
  const Feature::ExtrusionSymbol* extrusion = line->getExtrusionSymbol().get();
  if (extrusion == nullptr || !extrusion->getBodySymbol()) return nullptr;
  // Only an area symbol can be the body of a wall.
  if (extrusion->getBodySymbol()->getType() != Feature::SymbolType::Polygon) return nullptr;
  return extrusion;
}

const Feature::Material* bodyMaterialOf(const Feature::ExtrusionSymbol& extrusion) {
  const auto* body = dynamic_cast<const Feature::PolygonSymbol*>(extrusion.getBodySymbol().get());
  return body ? body->getMaterial().get() : nullptr;
}

// The scene's material for what a feature's material gives at drawing time.
std::shared_ptr<Material> sceneMaterialOf(const MaterialProperty& property) {
  const auto rgba = [](const Color& c) { return std::array<float, 4>{c.red, c.green, c.blue, c.alpha}; };
  std::shared_ptr<Material> material = Material::fromType(property.getMaterialType());
  if (const ColorMaterialProperty* color = property.asColorMaterialProperty()) {
    material = Material::fromType(property.getMaterialType(), {{"color", rgba(color->getColor())}});
  } else if (const ImageMaterialProperty* image = property.asImageMaterialProperty()) {
    material = Material::fromType(property.getMaterialType(), {{"color", rgba(image->getColor())}});
    material->setImage(image->getImage());
    material->setRepeat(image->getRepeat());
  }
  material->setTranslucent(property.isTranslucent());
  return material;
}

}  // namespace

std::shared_ptr<Feature::Style> makeStyle() { return std::make_shared<Feature::PolylineStyle>(); }

bool isPolylineStyle(const Feature::Style& style) { return style.asPolylineStyle() != nullptr; }

void applyDefaults(Feature::Style& style) {
  Feature::PolylineStyle* line = style.asPolylineStyle();
  if (line == nullptr) return;
  auto symbol = std::make_shared<Feature::LineSymbol>();
  symbol->setMaterial(std::make_shared<Feature::ColorMaterial>(kDefaultLineColor));
  line->setLineSymbol(std::move(symbol));
  line->setExtrusionSymbol(nullptr);
  line->setLabelSymbol(nullptr);
}

std::shared_ptr<Feature::Style> cloneOf(const Feature::Style& style) { return style.clone(); }

double lineWidth(const Feature::Style& style) {
  const Feature::PolylineStyle* line = style.asPolylineStyle();
  if (line == nullptr || !line->getLineSymbol()) return kDefaultLineWidth;
  return line->getLineSymbol()->getWidth();
}

std::optional<Extrusion> extrusionOf(const Feature::Style& style) {
  const Feature::ExtrusionSymbol* extrusion = extrusionSymbolOf(style);
  if (extrusion == nullptr) return std::nullopt;
  Extrusion result;
  result.height = extrusion->getHeight();
  result.heightReference = static_cast<int>(extrusion->getHeightReference());
  const Feature::Material* material = bodyMaterialOf(*extrusion);
  result.normalsOnly = material != nullptr && material->getType() == Feature::MaterialType::Color;
  return result;
}

std::shared_ptr<Material> wallMaterial(const Feature::Style& style, double length, double span,
                                       std::chrono::steady_clock::time_point) {
  const Feature::ExtrusionSymbol* extrusion = extrusionSymbolOf(style);
  const Feature::Material* material = extrusion ? bodyMaterialOf(*extrusion) : nullptr;
  if (material == nullptr) return nullptr;
  const std::shared_ptr<MaterialProperty> property = material->_getMaterial();
  if (!property) return nullptr;
  if (ImageMaterialProperty* image = property->asImageMaterialProperty()) {
    const auto* source = dynamic_cast<const Feature::ImageMaterial*>(material);
    if (source != nullptr) {
      const Vector2<double>& tile = source->getTileSize();
      // A tile size in metres repeats the image along the wall's length and up its
      // tallest span; otherwise the tile size is the repeat count itself.
      if (source->getTileSizeUnit() == Feature::TileSizeUnit::Meter) {
        image->setRepeat({length / tile.x, span / tile.y});
      } else {
        image->setRepeat(tile);
      }
    }
  }
  return sceneMaterialOf(*property);
}

}  // namespace qel::polylineStyle
