// A line feature: its line, then its label at the first position.
#include "Data/EntityDrawing.h"
#include "Feature/ColorMaterial.h"
#include "Feature/ImageMaterial.h"
#include "Feature/PolylineStyle.h"

namespace qel::entity_drawing {

Color colorOf(const Feature::Material* material) {
  if (!material) return {};
  switch (material->getType()) {
    case Feature::MaterialType::Color: return static_cast<const Feature::ColorMaterial*>(material)->getColor();
    case Feature::MaterialType::Image: return static_cast<const Feature::ImageMaterial*>(material)->getColor();
  }
  return {};
}

std::vector<EntityGraphic> drawLine(const std::vector<Vector3<double>>& path, const Feature::Style* style) {
  if (path.empty()) return {};
  const Feature::PolylineStyle* lineStyle = style ? style->asPolylineStyle() : nullptr;
  if (!lineStyle) {
    // Not a style of this kind: the mark, and the label every style may carry.
    std::vector<EntityGraphic> out{mark(path.front())};
    appendLabel(style, path.front(), out);
    return out;
  }
  std::vector<EntityGraphic> out;
  const std::shared_ptr<Feature::LineSymbol>& line = lineStyle->getLineSymbol();
  if (line && line->isEnabled()) {
    EntityGraphic graphic;
    graphic.kind = DrawKind::Polyline;
    graphic.positions = path;
    graphic.width = line->getWidth();
    const Feature::Material* material = line->getMaterial().get();
    graphic.color = colorOf(material);
    if (material && material->getType() == Feature::MaterialType::Image)
      graphic.image = static_cast<const Feature::ImageMaterial*>(material)->getImage();
    out.push_back(std::move(graphic));
  }
  appendLabel(style, path.front(), out);
  return out;
}

}  // namespace qel::entity_drawing
