#pragma once

#include <vector>

#include "Common/Angle.h"
#include "Common/Math.h"
#include "Common/Vector3.h"
#include "Scene/ArcType.h"
#include "Scene/VertexFormat.h"

namespace qel {

/// A line in space through fixed-frame positions, as a `Primitive` draws it.
struct PolylineGeometry {
  /// Fixed frame, metres; fewer than two draw nothing.
  std::vector<Vector3<double>> positions;
  /// Window width in pixels (> 0; others draw nothing).
  double width = 1.0;
  /// Largest angle (radians, > 0) between two subdivision points of an arc; this host
  /// draws the positions as given and keeps the value for the renderer.
  Radian granularity{Math::RADIANS_PER_DEGREE};
  VertexFormat vertexFormat = VertexFormat::POSITION_ONLY;
  ArcType arcType = ArcType::GEODESIC;
};

}  // namespace qel
