#pragma once

namespace qel {

/// What the globe exposes of its tiled surface.
struct GlobeSurface {
  /// Finest tile level currently drawn.
  int tileLevel = 0;
};

}  // namespace qel
