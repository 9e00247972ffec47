#pragma once

#include <memory>
#include <vector>

#include "Feature/ColorMaterial.h"
#include "Feature/LineSymbol.h"
#include "Feature/PolygonGeometry.h"
#include "Feature/PolygonStyle.h"
#include "Feature/PolygonSymbol.h"
#include "Manipulator/PolygonEditor.h"
#include "Manipulator/PolygonEditorImpl.h"
#include "Support/VertexEditorFixture.h"

namespace qel::test {

/// The outline colour of the test areas: unlike the editor's default.
constexpr Color kTestOutlineColor{1.0f, 0.0f, 0.0f, 1.0f};

/// An area style with a filled symbol and an outline of `outlineWidth` pixels in
/// `kTestOutlineColor` (none when `outlineWidth` is 0), with `reference`.
inline std::shared_ptr<Feature::PolygonStyle> areaStyle(HeightReference reference, double outlineWidth = 0.8) {
  auto style = std::make_shared<Feature::PolygonStyle>(reference);
  auto symbol = std::make_shared<Feature::PolygonSymbol>();
  symbol->setMaterial(std::make_shared<Feature::ColorMaterial>(0.0f, 0.0f, 1.0f, 0.5f));
  if (outlineWidth > 0.0) {
    auto outline = std::make_shared<Feature::LineSymbol>();
    outline->setWidth(outlineWidth);
    outline->setMaterial(std::make_shared<Feature::ColorMaterial>(kTestOutlineColor));
    symbol->setOutLineSymbol(std::move(outline));
  }
  style->setPolygonSymbol(std::move(symbol));
  return style;
}

/// The area editor in the shared editor fixture, drawing areas in space.
class PolygonEditorFixture : public VertexEditorFixture<PolygonEditor> {
 protected:
  PolygonEditorFixture() : VertexEditorFixture(Terrain::createFlat(0.0), areaStyle(HeightReference::None)) {}

  /// An area whose outer ring runs through the ground under the given pixels, lying in
  /// the scene's default data source.
  std::shared_ptr<Feature::Feature> areaUnder(const std::vector<Vector2<float>>& pixels,
                                              std::shared_ptr<Feature::Style> style = areaStyle(HeightReference::None),
                                              std::vector<std::vector<Cartographic>> holes = {}) {
    return featureOf(
        std::make_shared<Feature::PolygonGeometry>(Feature::PolygonHierarchy{groundUnder(pixels), std::move(holes)}),
        std::move(style));
  }
  static const Feature::PolygonGeometry& shapeOf(const Feature::Feature& f) {
    return *std::static_pointer_cast<Feature::PolygonGeometry>(f.getGeometry());
  }
  static std::vector<Cartographic> ringOf(const Feature::Feature& f) { return shapeOf(f).getPositions(); }
  /// The ring of the feature being drawn or edited.
  std::vector<Cartographic> ring() const {
    return impl().getFeature() ? ringOf(*impl().getFeature()) : std::vector<Cartographic>{};
  }
  /// Moves the pointer to (x, y) and clicks there, as a hand does.
  void moveAndClick(float x, float y) {
    move(x, y);
    click(x, y);
  }
};

}  // namespace qel::test
