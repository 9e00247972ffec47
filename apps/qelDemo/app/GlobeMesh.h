#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include <osg/Group>
#include <osg/Uniform>
#include <osg/ref_ptr>

namespace qel {
class Camera;
class Terrain;
}  // namespace qel

namespace qel::demo {

/// The globe drawn from the host's terrain: a quadtree of longitude/latitude tiles (eight
/// 90° roots), refined where the eye is close so that a view from a few hundred metres
/// shows the relief and one from 20 000 km the whole Earth. Each tile is a grid of the
/// terrain's heights draped with an equirectangular Earth image and darkened or lightened
/// by a hill shade from a fixed sun (without the image: coloured by height and slope, the
/// sea flat and blue), with skirts that hide the cracks between levels and the graticule
/// lines that cross it (every 10°, finer when close).
///
/// Tiles are stored relative to their centre under a double-precision transform, so the
/// single-precision vertices do not jitter at Earth scale. Built tiles are kept in a
/// cache; re-selecting the tiles each frame is cheap and only new tiles cost time.
class GlobeMesh {
 public:
  /// `maxTiles` bounds the tiles drawn at once (each is a few hundred triangles);
  /// `imageryFile` is an equirectangular Earth image (longitude −180°..180°, latitude
  /// 90°..−90° top to bottom). When it cannot be read the mesh says so once on the
  /// standard error and colours the globe by height.
  GlobeMesh(const Terrain& terrain, std::size_t maxTiles, const std::string& imageryFile);

  osg::Group* getNode() const noexcept { return root_.get(); }

  /// Chooses and builds the tiles for the host camera's pose and frustum.
  void update(const Camera& camera);

  std::size_t getTileCount() const noexcept { return selected_.size(); }
  int getFinestLevel() const noexcept { return finestLevel_; }
  /// Whether the Earth image is draped, and the bytes it holds in memory.
  bool hasImagery() const noexcept { return imagery_; }
  std::size_t getImageryBytes() const noexcept { return imageryBytes_; }
  /// Spacing of the finest graticule lines drawn (degrees).
  double getGraticuleSpacing() const noexcept { return graticuleSpacing_; }

 private:
  struct TileId {
    int level = 0;
    int x = 0;
    int y = 0;
  };
  struct CacheEntry {
    osg::ref_ptr<osg::Node> node;
    std::uint64_t lastUsed = 0;
  };

  static std::uint64_t keyOf(const TileId& id, int spacingIndex) noexcept;
  osg::ref_ptr<osg::Node> buildTile(const TileId& id, double spacingDeg) const;
  void evict();

  const Terrain& terrain_;
  std::size_t maxTiles_;
  osg::ref_ptr<osg::Group> root_;
  std::unordered_map<std::uint64_t, CacheEntry> cache_;
  std::vector<std::uint64_t> selected_;
  std::uint64_t updateCount_ = 0;
  int finestLevel_ = 0;
  double graticuleSpacing_ = 10.0;
  osg::ref_ptr<osg::Uniform> haze_;
  osg::ref_ptr<osg::Uniform> exaggeration_;
  osg::ref_ptr<osg::Uniform> headlight_;
  bool imagery_ = false;
  std::size_t imageryBytes_ = 0;
};

}  // namespace qel::demo
