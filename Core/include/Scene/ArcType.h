#pragma once

#include <cstdint>

namespace qel {

/// How a line joins two of its positions on the globe.
enum class ArcType : std::uint8_t {
  NONE,      ///< straight through space
  GEODESIC,  ///< along the geodesic (the shortest path on the ellipsoid)
  RHUMB,     ///< along the line of constant heading
};

}  // namespace qel
