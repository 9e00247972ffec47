// A tile's frames: its own transform under the tileset's model matrix, and the volume
// and content its header gives, carried to the fixed frame on every read so that they
// follow the tileset at once when it is moved.
#include "Layers/Qel3DTile.h"

#include <algorithm>

#include "Layers/Qel3DTileset.h"

namespace qel {

const Vector3<double>& BoundingVolume::getCenter() const noexcept {
  if (const auto* sphere = std::get_if<BoundingSphere>(&volume_)) return sphere->center;
  return std::get<OrientedBoundingBox>(volume_).center;
}

BoundingVolume BoundingVolume::transformed(const Matrix4& transform) const {
  if (const auto* sphere = std::get_if<BoundingSphere>(&volume_)) {
    const Vector3<double> scale = transform.getScale();
    return BoundingVolume(BoundingSphere{transform.multiplyByPoint(sphere->center),
                                         sphere->radius * std::max({scale.x, scale.y, scale.z})});
  }
  const OrientedBoundingBox& box = std::get<OrientedBoundingBox>(volume_);
  return BoundingVolume(
      OrientedBoundingBox{transform.multiplyByPoint(box.center), transform.getMatrix3() * box.halfAxes});
}

Qel3DTile::Qel3DTile(Qel3DTileset& tileset, const Matrix4& transform, const BoundingVolume& headerVolume,
                     const OrientedBoundingBox& contentBox, const Color& contentColor)
    : tileset_(tileset),
      transform_(transform),
      headerVolume_(headerVolume),
      contentBox_(contentBox),
      contentColor_(contentColor) {}

Matrix4 Qel3DTile::getComputedTransform() const { return tileset_.modelMatrix * transform_; }

BoundingVolume Qel3DTile::getBoundingVolume() const { return headerVolume_.transformed(getComputedTransform()); }

Matrix4 Qel3DTile::getContentMatrix() const {
  return getComputedTransform() * Matrix4::fromRotationTranslation(contentBox_.halfAxes, contentBox_.center);
}

}  // namespace qel
