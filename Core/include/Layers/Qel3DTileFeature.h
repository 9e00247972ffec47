#pragma once

#include <memory>

namespace qel {

class Qel3DTile;
class Qel3DTileset;

/// What a pick finds on a tile's content (`PickObject::getTileFeature`): the tile and the
/// tileset it belongs to. Owned by its tile; a pick object keeps it alive after the
/// tileset has gone, and then answers with null.
class Qel3DTileFeature {
 public:
  Qel3DTileFeature(std::weak_ptr<Qel3DTileset> tileset, Qel3DTile* tile) noexcept
      : tileset_(std::move(tileset)), tile_(tile) {}

  /// The tileset of the picked content; null once it has been destroyed.
  std::shared_ptr<Qel3DTileset> getTileset() const noexcept { return tileset_.lock(); }
  /// The picked tile; valid while `getTileset` is not null.
  Qel3DTile* getTile() const noexcept { return tile_; }

 private:
  std::weak_ptr<Qel3DTileset> tileset_;
  Qel3DTile* tile_;
};

}  // namespace qel
