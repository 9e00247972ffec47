#pragma once

#include <cstdint>

namespace qel {

/// Which vertex attributes a geometry is built with. This host draws lines and walls
/// through their positions only; the format is kept so that a renderer (and a test) can
/// tell whether texture coordinates or normals were asked for.
enum class VertexFormat : std::uint8_t {
  POSITION_ONLY,
  POSITION_AND_ST,         ///< positions and texture coordinates
  POSITION_AND_NORMAL,     ///< positions and normals (lit, untextured)
  POSITION_NORMAL_AND_ST,  ///< positions, normals and texture coordinates
};

}  // namespace qel
