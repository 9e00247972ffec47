#pragma once

#include <variant>

#include "Common/BoundingSphere.h"
#include "Common/Matrix4.h"
#include "Common/OrientedBoundingBox.h"

namespace qel {

/// What a 3D tile says it occupies: a sphere or an oriented box, in whatever frame the
/// caller keeps it (a tile header's own frame, or the fixed frame once transformed).
class BoundingVolume {
 public:
  /// A point at the origin (a sphere of radius 0).
  BoundingVolume() = default;
  explicit BoundingVolume(const BoundingSphere& sphere) : volume_(sphere) {}
  explicit BoundingVolume(const OrientedBoundingBox& box) : volume_(box) {}

  /// The centre of the sphere or of the box (metres).
  const Vector3<double>& getCenter() const noexcept;
  /// The sphere, or null when the volume is a box.
  const BoundingSphere* getBoundingSphere() const noexcept { return std::get_if<BoundingSphere>(&volume_); }
  /// The box, or null when the volume is a sphere.
  const OrientedBoundingBox* getOrientedBoundingBox() const noexcept {
    return std::get_if<OrientedBoundingBox>(&volume_);
  }

  /// The volume carried by an affine `transform`: a box's centre and half-axes go
  /// through it exactly; a sphere's centre does, and its radius grows by the largest
  /// scale factor of the transform, so that it still holds what it held.
  BoundingVolume transformed(const Matrix4& transform) const;

 private:
  std::variant<BoundingSphere, OrientedBoundingBox> volume_;
};

}  // namespace qel
