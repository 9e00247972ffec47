#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>

#include "Common/Cartographic.h"
#include "Common/Ellipsoid.h"
#include "Common/Ray.h"
#include "Common/Vector3.h"
#include "Scene/GlobeSurface.h"
#include "Scene/Terrain.h"

namespace qel {

class SceneImpl;

/// The WGS84 globe with its terrain.
class GlobeImpl {
 public:
  GlobeImpl();

  const Ellipsoid& getEllipsoid() const noexcept { return Ellipsoid::WGS84; }
  double getMaximumRadius() const noexcept { return Ellipsoid::WGS84.getMaximumRadius(); }

  /// Terrain height (metres above the ellipsoid) under a geographic position; empty for
  /// non-finite input.
  std::optional<double> getHeight(const Cartographic& position) const;
  /// First point where the ray meets the terrain surface in front of its origin; empty
  /// when it misses (or for a non-finite ray). An origin under the terrain sees the
  /// surface from below.
  std::optional<Vector3<double>> pick(const Ray& ray, const SceneImpl& scene) const;

  bool isElevationContourEnabled() const noexcept { return elevationContour_; }
  void setElevationContourEnabled(bool enabled) noexcept { elevationContour_ = enabled; }

  const GlobeSurface& getSurface() const noexcept { return surface_; }
  GlobeSurface& getSurface() noexcept { return surface_; }

  const Terrain& getTerrain() const noexcept { return *terrain_; }
  /// Replaces the terrain (tests: flat or custom heights). A null terrain is ignored.
  void setTerrain(std::shared_ptr<const Terrain> terrain);

  /// Test hook: number of `pick` calls so far.
  std::size_t getPickCount() const noexcept { return pickCount_.load(); }

 private:
  std::shared_ptr<const Terrain> terrain_;
  GlobeSurface surface_;
  bool elevationContour_ = false;
  mutable std::atomic<std::size_t> pickCount_{0};
};

}  // namespace qel
