#pragma once

#include <optional>

#include "Common/Matrix4.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"
#include "Scene/DrawItem.h"

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

/// Sets a line item's `box` to the bounds of its window `path` widened by `halfWidth`;
/// leaves it alone for an empty path.
void boxAroundPath(DrawItem& item) noexcept;
/// Places a solid box (a model's or a tile's mesh) in the window as an area item: its
/// silhouette, the convex hull of its eight projected corners, so that a pixel anywhere
/// over the box picks it. `modelMatrix` takes the box's own frame, where it spans
/// −`halfExtents` … `halfExtents` (metres), to the fixed frame. Sets `kind`, `position`
/// (the centre), `path`, `box` and `depth` (the nearest corner: the solid hides what is
/// behind it). Returns whether it is visible: every corner in front of the eye, the
/// centre not behind the Earth when `depthTest`, and a finite matrix and extents.
bool placeBoxSilhouette(DrawItem& item, const FrameState& frameState, const Matrix4& modelMatrix,
                        const Vector3<double>& halfExtents, bool depthTest);

}  // namespace qel
