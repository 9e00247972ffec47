#pragma once

#include <optional>

#include "Common/Vector2.h"
#include "Common/Vector3.h"

namespace qel {

class FrameState;

/// Where a fixed-frame point lands in the frame being drawn.
struct ProjectedPoint {
  Vector2<double> window;  ///< pixels, origin top left
  double depth = 0.0;      ///< distance from the eye (metres)
  bool visible = false;    ///< in front of the eye and, when depth tested, not behind the Earth
};

/// Projects `position` with the frame's camera; empty without a camera or when the
/// point is not in front of the eye. A depth-tested point is not visible when the WGS84
/// ellipsoid stands between it and the eye (beyond the horizon).
std::optional<ProjectedPoint> projectForDrawing(const FrameState& frameState, const Vector3<double>& position,
                                                bool depthTest);

}  // namespace qel
