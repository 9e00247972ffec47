#pragma once

#include "Common/Ellipsoid.h"
#include "Common/GlobeRectangle.h"
#include "Common/OrientedBoundingBox.h"

namespace qel::detail {

/// The tight east-north-up box of the space over `rectangle` between two heights,
/// without any validity check (callers check what they need). Exact for an ellipsoid of
/// revolution (x and y radii equal), as the Earth is.
OrientedBoundingBox regionBox(const GlobeRectangle& rectangle, double minimumHeight, double maximumHeight,
                              const Ellipsoid& ellipsoid) noexcept;

}  // namespace qel::detail
