// An area feature: its fill, the wall along its outer ring, its outlines (outer ring,
// then holes), then its label at the first position of the outer ring.
#include "Data/EntityDrawing.h"
#include "Feature/ImageMaterial.h"
#include "Feature/PolygonStyle.h"

namespace qel::entity_drawing {

std::vector<EntityGraphic> drawArea(const std::vector<Vector3<double>>& ring,
                                    const std::vector<std::vector<Vector3<double>>>& holes,
                                    const Feature::Style* style) {
  if (ring.empty()) return {};
  const Feature::PolygonStyle* areaStyle = style ? style->asPolygonStyle() : nullptr;
  if (!areaStyle) {
    // Not a style of this kind: the mark, and the label every style may carry.
    std::vector<EntityGraphic> out{mark(ring.front())};
    appendLabel(style, ring.front(), out);
    return out;
  }
  std::vector<EntityGraphic> out;
  const std::shared_ptr<Feature::PolygonSymbol>& polygon = areaStyle->getPolygonSymbol();
  if (polygon && polygon->isEnabled()) {
    if (polygon->isFill()) {
      EntityGraphic fill;
      fill.kind = DrawKind::Area;
      fill.positions = ring;
      fill.holes = holes;
      const Feature::Material* material = polygon->getMaterial().get();
      fill.color = colorOf(material);
      if (material && material->getType() == Feature::MaterialType::Image)
        fill.image = static_cast<const Feature::ImageMaterial*>(material)->getImage();
      out.push_back(std::move(fill));
    }
  }
  appendWall(ring, true, areaStyle->getExtrusionSymbol().get(), out);
  if (polygon && polygon->isEnabled()) {
    const std::shared_ptr<Feature::LineSymbol>& outline = polygon->getOutLineSymbol();
    if (outline && outline->isEnabled()) {
      const auto outlineOf = [&](const std::vector<Vector3<double>>& positions) {
        EntityGraphic line;
        line.kind = DrawKind::Polyline;
        line.positions = positions;
        line.width = outline->getWidth();
        line.color = colorOf(outline->getMaterial().get());
        line.loop = true;
        out.push_back(std::move(line));
      };
      outlineOf(ring);
      for (const std::vector<Vector3<double>>& hole : holes) {
        if (!hole.empty()) outlineOf(hole);
      }
    }
  }
  appendLabel(style, ring.front(), out);
  return out;
}

}  // namespace qel::entity_drawing
