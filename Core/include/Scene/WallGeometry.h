#pragma once

#include <vector>

#include "Common/Vector3.h"
#include "Scene/VertexFormat.h"

namespace qel {

/// A vertical wall along a line: for each base position, from a bottom height to a top
/// height above the ellipsoid (metres).
///
/// The heights are optional: without `minimumHeights` the wall starts on the ellipsoid
/// (height 0); without `maximumHeights` it reaches the heights of the positions
/// themselves. A list whose length differs from `positions` is ignored as if absent.
struct WallGeometry {
  /// Base line, fixed frame, metres; fewer than two draw nothing.
  std::vector<Vector3<double>> positions;
  std::vector<double> minimumHeights;
  std::vector<double> maximumHeights;
  VertexFormat vertexFormat = VertexFormat::POSITION_NORMAL_AND_ST;

  /// The wall's top and bottom points for base position `index` (< positions.size()).
  struct Span {
    Vector3<double> bottom;
    Vector3<double> top;
  };
  Span spanAt(std::size_t index) const;
};

}  // namespace qel
