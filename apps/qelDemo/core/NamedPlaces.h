#pragma once

#include <string>
#include <vector>

#include "Common/Quaternion.h"
#include "Common/Vector3.h"
#include "Common/Viewpoint.h"

namespace qel {
class Terrain;
}

namespace qel::demo {

/// A place the number keys jump to: what is looked at and from where.
struct NamedPlace {
  std::string name;
  /// The target (radians, metres on the terrain) with the heading, pitch and range of the view.
  Viewpoint view;
  /// The eye pose of that view (fixed frame).
  Vector3<double> position;
  Quaternion orientation;
};

/// The four places of the demo, found on the terrain at start-up so that they match
/// whatever relief the host generates: a high mountain (the highest point found by
/// sampling the globe and climbing), a deep valley near it (the point lying furthest
/// below its surroundings), a coast (where the land meets the flat sea, on the way from
/// the mountain to the nearest sea) and the north pole. Deterministic for a terrain.
class NamedPlaces {
 public:
  static NamedPlaces find(const Terrain& terrain);

  const std::vector<NamedPlace>& all() const noexcept { return places_; }
  /// Place for a number key 1..4, or null.
  const NamedPlace* forKey(int number) const noexcept;

 private:
  std::vector<NamedPlace> places_;
};

}  // namespace qel::demo
