#pragma once

#include <memory>

#include "Common/Color.h"
#include "Common/Matrix4.h"
#include "Common/OrientedBoundingBox.h"
#include "Layers/BoundingVolume.h"
#include "Layers/Qel3DTileFeature.h"

namespace qel {

class Qel3DTileset;

/// One tile of a `Qel3DTileset`: its own transform, the volume its header gives, and its
/// content, a solid box drawn in the tile's frame.
///
/// Frames: the header's volume and the content box are in the tile's own frame; the
/// tile's own transform takes that frame to the tileset's, and the tileset's model
/// matrix takes the tileset's frame to the fixed frame. The computed transform is the
/// product of both, model matrix first: what the tile is drawn and picked with.
class Qel3DTile {
 public:
  /// Built by its tileset, which owns it.
  Qel3DTile(Qel3DTileset& tileset, const Matrix4& transform, const BoundingVolume& headerVolume,
            const OrientedBoundingBox& contentBox, const Color& contentColor);
  Qel3DTile(const Qel3DTile&) = delete;
  Qel3DTile& operator=(const Qel3DTile&) = delete;

  Qel3DTileset& getTileset() const noexcept { return tileset_; }
  /// The tile's own transform, as its header gives it (the identity when it gives none).
  const Matrix4& getTransform() const noexcept { return transform_; }
  /// The tileset's current model matrix times the tile's own transform.
  Matrix4 getComputedTransform() const;
  /// The header's volume carried to the fixed frame by the computed transform: it
  /// follows every change of the tileset's model matrix at once.
  BoundingVolume getBoundingVolume() const;
  /// The centre of the header's volume as the header writes it, in the tile's own frame.
  const Vector3<double>& _getHeaderJsonBoundingVolumeCenter() const noexcept { return headerVolume_.getCenter(); }
  const BoundingVolume& getHeaderBoundingVolume() const noexcept { return headerVolume_; }

  /// The content's solid box in the tile's own frame, and its colour.
  const OrientedBoundingBox& getContentBox() const noexcept { return contentBox_; }
  const Color& getContentColor() const noexcept { return contentColor_; }
  /// The matrix taking the unit cube [−1, 1]³ onto the content box in the fixed frame.
  Matrix4 getContentMatrix() const;
  /// What a pick of the content hands back.
  const std::shared_ptr<Qel3DTileFeature>& getContentFeature() const noexcept { return feature_; }

 private:
  friend class Qel3DTileset;

  Qel3DTileset& tileset_;
  Matrix4 transform_;
  BoundingVolume headerVolume_;
  OrientedBoundingBox contentBox_;
  Color contentColor_;
  std::shared_ptr<Qel3DTileFeature> feature_;
};

}  // namespace qel
