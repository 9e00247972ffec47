#pragma once

#include "Common/Ellipsoid.h"

namespace qel {

/// The scene's map projection; the 3D globe uses the geographic projection of WGS84.
class MapProjection {
 public:
  const Ellipsoid& getEllipsoid() const noexcept { return Ellipsoid::WGS84; }
};

}  // namespace qel
