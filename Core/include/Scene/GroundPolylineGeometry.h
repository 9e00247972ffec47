#pragma once

#include <vector>

#include "Common/Vector3.h"
#include "Scene/ArcType.h"

namespace qel {

/// A line draped on the terrain or the tiles, as a `GroundPolylinePrimitive` draws it.
/// The positions are the points the line passes over (fixed frame, metres); this host
/// draws them where they are, which for a tool's rubber band is on the surface already.
struct GroundPolylineGeometry {
  std::vector<Vector3<double>> positions;
  /// Window width in pixels (> 0; others draw nothing).
  double width = 1.0;
  /// Largest distance (metres, > 0) between subdivision points; kept for the renderer.
  double granularity = 9999.0;
  ArcType arcType = ArcType::GEODESIC;
};

}  // namespace qel
