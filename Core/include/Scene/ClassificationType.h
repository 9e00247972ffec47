#pragma once

#include <cstdint>

namespace qel {

/// What a draped primitive lies on (one byte on the host boundary).
enum class ClassificationType : std::uint8_t {
  Terrain = 0,       ///< the terrain only
  Cesium3DTile = 1,  ///< 3D tiles only
  Both = 2,          ///< terrain and 3D tiles
};

}  // namespace qel
