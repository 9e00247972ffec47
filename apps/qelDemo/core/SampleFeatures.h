#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Common/Cartographic.h"

namespace qel {
class Qel3DTileset;
class SceneImpl;
class Terrain;
}  // namespace qel

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
///
/// Beside them, for the model editor, a placed model and a 3D tileset, out of that
/// rectangle on either side of the valley's view:
///
/// | what | where | file (Resource/Demo) |
/// |---|---|---|
/// | id 7: a point feature with a model symbol, standing on the ground | 2 km west, 2 km north | sample-model.json |
/// | a tileset of one tile, standing on the ground | 2 km east, 2 km south | sample-tileset.json |
struct SampleFeatures {
  /// Feature ids of what the editing tour's rectangle encloses, and of the one it does not.
  static constexpr std::int64_t kFirstInside = 1;
  static constexpr std::int64_t kLastInside = 5;
  static constexpr std::int64_t kOutside = 6;
  /// The feature placing the sample model.
  static constexpr std::int64_t kModel = 7;

  /// Adds the features to `scene`'s default data source (they are drawn from its next
  /// frame). Without a valley, nothing.
  static void add(SceneImpl& scene, const NamedPlaces& places);

  /// Where feature `id` is anchored (longitude, latitude in radians; height 0: the
  /// features are clamped to the ground): a point's position, a line's first vertex.
  /// Empty for an unknown id or without a valley.
  static std::vector<Cartographic> positions(const NamedPlaces& places, std::int64_t id);

  /// Adds the sample model feature and the sample tileset to `scene` (the model drawn
  /// from two frames on, the tileset from the next). Returns the tileset; empty without
  /// a valley or when its file cannot be read.
  static std::shared_ptr<Qel3DTileset> addModels(SceneImpl& scene, const NamedPlaces& places);
  /// The ground point under the sample model (`kModel`, whose box is centred 50 m above
  /// it) or under the sample tileset (radians; the terrain's height); empty without a
  /// valley.
  static std::optional<Cartographic> modelGround(const Terrain& terrain, const NamedPlaces& places);
  static std::optional<Cartographic> tilesetGround(const Terrain& terrain, const NamedPlaces& places);
};

}  // namespace qel::demo
