#pragma once

#include <cstdint>

namespace qel {

/// How a height is to be read (one byte on the host boundary).
enum class HeightReference : std::uint8_t {
  None = 0,               ///< heights are absolute
  ClampToGround = 1,      ///< clamped to the surface (terrain and 3D tiles)
  RelativeToGround = 2,   ///< relative to the surface
  ClampToTerrain = 3,     ///< clamped to the terrain
  RelativeToTerrain = 4,  ///< relative to the terrain
  ClampTo3DTile = 5,      ///< clamped to 3D tiles
  RelativeTo3DTile = 6,   ///< relative to 3D tiles
};

constexpr bool isHeightReferenceRelative(HeightReference r) noexcept {
  return r == HeightReference::RelativeToGround || r == HeightReference::RelativeToTerrain ||
         r == HeightReference::RelativeTo3DTile;
}
constexpr bool isHeightReferenceClamp(HeightReference r) noexcept {
  return r == HeightReference::ClampToGround || r == HeightReference::ClampToTerrain ||
         r == HeightReference::ClampTo3DTile;
}

}  // namespace qel
