#pragma once

// What a globe manipulator facade shares with the callbacks of the flights it starts
// (layer continuations, the height-referenced flight's per-frame listener), which may
// run on other threads and after the facade is gone.

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>

#include "Common/FunctionWrapper.h"
#include "Manipulator/GlobeManipulator.h"
#include "Renderer/Camera.h"
#include "Renderer/PerspectiveFrustum.h"
#include "Scene/SceneImpl.h"

namespace qel {

struct GlobeManipulator::FlightLink {
  /// Guards `facade` and `pendingHeightFlight`. Recursive: a layer continuation holds it
  /// while it starts the facade's height-referenced flight, which takes it again.
  std::recursive_mutex mutex;
  /// The facade while it lives; cleared by its destructor.
  GlobeManipulator* facade = nullptr;
  /// Invoking it removes the pending height-referenced flight's listener.
  std::weak_ptr<FunctionWrapper> pendingHeightFlight;
};

namespace facadeflight {

/// Range for a sphere of radius 0 (metres), and the least range of any sphere flight.
inline constexpr double kPointSphereRange = 100.0;
inline constexpr double kMinimumSphereRange = 1.0;

/// The range (metres) from which a sphere of `radius` metres fills the camera's view in
/// its narrower direction; 100 m for a point.
inline double rangeToFit(const SceneImpl& scene, double radius) {
  if (radius == 0.0) return kPointSphereRange;
  const PerspectiveFrustum& frustum = scene.getCamera().getFrustum();
  const double halfTan = std::tan(frustum.getFovy() / 2.0);
  const double range = std::max(radius / halfTan, radius / (frustum.getAspectRatio() * halfTan));
  return std::max(kMinimumSphereRange, std::min(range, std::numeric_limits<double>::infinity()));
}

}  // namespace facadeflight

}  // namespace qel
