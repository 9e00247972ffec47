#pragma once

#include <algorithm>
#include <cmath>
#include <optional>

namespace qel {

/// What the globe exposes of its tiled surface.
///
/// The finest tile level drawn follows the eye: the scene derives it at the start of
/// every frame from the eye's height above the terrain h (metres) as
///
///     level = clamp(floor(log2(kEquatorLength / max(h, kMinimumEyeHeight))), 0, kMaximumLevel)
///
/// so that a tile of that level is about as wide as the eye is high (a 1 km high eye
/// sees level 15, a 10 m high eye level 21). Tests pin a level with `fixedTileLevel`.
struct GlobeSurface {
  /// Length of the equator (metres): the width of the single level-0 tile column.
  static constexpr double kEquatorLength = 40075016.68557849;
  /// Heights below this (metres), and eyes under the terrain, count as this height.
  static constexpr double kMinimumEyeHeight = 1.0;
  /// The finest level the surface has.
  static constexpr int kMaximumLevel = 22;

  /// Finest tile level currently drawn (0 to `kMaximumLevel`).
  int tileLevel = 0;
  /// When set, every frame keeps this level instead of deriving one from the eye.
  std::optional<int> fixedTileLevel;

  /// The level for an eye `eyeHeight` metres above the terrain (formula above); level 0
  /// for a height that is not a number.
  static int levelForEyeHeight(double eyeHeight) noexcept {
    if (std::isnan(eyeHeight)) return 0;
    const double level = std::floor(std::log2(kEquatorLength / std::max(eyeHeight, kMinimumEyeHeight)));
    return static_cast<int>(std::clamp(level, 0.0, static_cast<double>(kMaximumLevel)));
  }
  /// Sets `tileLevel` for this frame.
  void updateTileLevel(double eyeHeight) noexcept { tileLevel = fixedTileLevel.value_or(levelForEyeHeight(eyeHeight)); }
};

}  // namespace qel
