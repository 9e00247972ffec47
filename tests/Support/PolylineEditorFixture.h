#pragma once

#include <memory>
#include <vector>

#include "Feature/PolylineGeometry.h"
#include "Manipulator/PolylineEditor.h"
#include "Manipulator/PolylineEditorImpl.h"
#include "Support/PolylineStyles.h"
#include "Support/VertexEditorFixture.h"

namespace qel::test {

/// The line editor in the shared editor fixture, drawing 1 px lines in space.
class PolylineEditorFixture : public VertexEditorFixture<PolylineEditor> {
 protected:
  explicit PolylineEditorFixture(std::shared_ptr<const Terrain> terrain = Terrain::createFlat(0.0))
      : VertexEditorFixture(std::move(terrain), lineStyle(HeightReference::None)) {}

  /// A line feature through the ground under the given pixels (heights `height`), lying
  /// in the scene's default data source.
  std::shared_ptr<Feature::Feature> lineUnder(const std::vector<Vector2<float>>& pixels, double height = 0.0,
                                              HeightReference reference = HeightReference::None) {
    return featureOf(std::make_shared<Feature::PolylineGeometry>(groundUnder(pixels, height)), lineStyle(reference));
  }
  static std::vector<Cartographic> positionsOf(const Feature::Feature& f) {
    return std::static_pointer_cast<Feature::PolylineGeometry>(f.getGeometry())->getPositions();
  }
};

}  // namespace qel::test
