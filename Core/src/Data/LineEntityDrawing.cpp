// A line feature: its wall, its line, then its label at the first position; and the
// walls lines and areas raise.
#include <algorithm>

#include "Common/Ellipsoid.h"
#include "Data/EntityDrawing.h"
#include "Feature/ColorMaterial.h"
#include "Feature/ImageMaterial.h"
#include "Feature/PolygonSymbol.h"
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

void appendWall(const std::vector<Vector3<double>>& path, bool closed, const Feature::ExtrusionSymbol* extrusion,
                std::vector<EntityGraphic>& out) {
  if (!extrusion || !extrusion->isEnabled() || path.size() < 2) return;
  const Feature::Symbol* body = extrusion->getBodySymbol().get();
  if (!body || !body->isEnabled() || body->getType() != Feature::SymbolType::Polygon) return;
  const double h = extrusion->getHeight();
  std::vector<Vector3<double>> bottom;
  std::vector<Vector3<double>> top;
  const auto edge = [&](const Vector3<double>& point) {
    const std::optional<Cartographic> place = Ellipsoid::WGS84.cartesianToCartographic(point);
    if (!place) return false;
    Cartographic low = *place;
    Cartographic high = *place;
    switch (extrusion->getHeightReference()) {
      case HeightReference::None:  // the wall rises (or hangs) h metres from the line
        (h > 0.0 ? high : low).height += h;
        break;
      case HeightReference::ClampToGround:  // the wall spans between the line and h
        low.height = std::min(place->height, h);
        high.height = std::max(place->height, h);
        break;
      default:  // no heights of its own: from the ellipsoid up to the line
        low.height = 0.0;
        break;
    }
    bottom.push_back(Ellipsoid::WGS84.cartographicToCartesian(low));
    top.push_back(Ellipsoid::WGS84.cartographicToCartesian(high));
    return true;
  };
  for (const Vector3<double>& point : path) {
    if (!edge(point)) return;
  }
  if (closed && !edge(path.front())) return;
  // Along the bottom, then back along the top: the band's outline.
  EntityGraphic wall;
  wall.kind = DrawKind::Area;
  wall.positions = std::move(bottom);
  wall.positions.insert(wall.positions.end(), top.rbegin(), top.rend());
  const Feature::Material* material = static_cast<const Feature::PolygonSymbol*>(body)->getMaterial().get();
  wall.color = colorOf(material);
  if (material && material->getType() == Feature::MaterialType::Image)
    wall.image = static_cast<const Feature::ImageMaterial*>(material)->getImage();
  out.push_back(std::move(wall));
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
  appendWall(path, false, lineStyle->getExtrusionSymbol().get(), out);
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
