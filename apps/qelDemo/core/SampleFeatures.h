#pragma once

#include <cstdint>
#include <vector>

#include "Common/Cartographic.h"

namespace qel {
class SceneImpl;
}

namespace qel::demo {

class NamedPlaces;

/// The features the demo puts in the valley for the picker to find: a few points and a
/// line on the ground near the valley's boxes, and one point further off, all in the
/// root group of the scene's default data source, clamped to the ground. The points are
/// drawn as markers (the editors' marker image standing on the point, a dot at it).
///
/// | id | what | where (east, north of the valley's view target) |
/// |---|---|---|
/// | 1–4 | points | the corners of a square of 1.2 km around the boxes |
/// | 5 | line | from 900 m west to 900 m east, 900 m south of the boxes |
/// | 6 | point | 3.5 km east, 2.5 km north: off to the side of the view |
///
/// The editing tour drags a rectangle over the first five from the valley's view; the
/// sixth stays outside it.
struct SampleFeatures {
  /// Feature ids of what the editing tour's rectangle encloses, and of the one it does not.
  static constexpr std::int64_t kFirstInside = 1;
  static constexpr std::int64_t kLastInside = 5;
  static constexpr std::int64_t kOutside = 6;

  /// Adds the features to `scene`'s default data source (they are drawn from its next
  /// frame). Without a valley, nothing.
  static void add(SceneImpl& scene, const NamedPlaces& places);

  /// Where feature `id` is anchored (longitude, latitude in radians; height 0: the
  /// features are clamped to the ground): a point's position, a line's first vertex.
  /// Empty for an unknown id or without a valley.
  static std::vector<Cartographic> positions(const NamedPlaces& places, std::int64_t id);
};

}  // namespace qel::demo
