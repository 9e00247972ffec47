// What the line editor reads of a line style.
#include "PolylineEditorStyle.h"

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
  return line == nullptr ? nullptr : line->getExtrusionSymbol().get();
}

}  // namespace

std::shared_ptr<Feature::Style> makeStyle() { return std::make_shared<Feature::PolylineStyle>(); }

void applyDefaults(Feature::Style& style) {
  Feature::PolylineStyle* line = style.asPolylineStyle();
  if (line == nullptr) return;
  auto symbol = std::make_shared<Feature::LineSymbol>();
  symbol->setMaterial(std::make_shared<Feature::ColorMaterial>(kDefaultLineColor));
  line->setLineSymbol(std::move(symbol));
  line->setExtrusionSymbol(nullptr);
  line->setLabelSymbol(nullptr);
}

double lineWidth(const Feature::Style& style) {
  const Feature::PolylineStyle* line = style.asPolylineStyle();
  if (line == nullptr || !line->getLineSymbol()) return kDefaultLineWidth;
  return line->getLineSymbol()->getWidth();
}

std::optional<vertexPreview::Extrusion> extrusionOf(const Feature::Style& style) {
  return vertexPreview::extrusionOf(extrusionSymbolOf(style), false);
}

std::shared_ptr<Material> wallMaterial(const Feature::Style& style, double length, double span,
                                       std::chrono::steady_clock::time_point) {
  const std::optional<vertexPreview::Extrusion> extrusion = extrusionOf(style);
  const Feature::Material* material = extrusion ? extrusion->body->getMaterial().get() : nullptr;
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
  return vertexPreview::sceneMaterialOf(*property);
}

}  // namespace qel::polylineStyle
