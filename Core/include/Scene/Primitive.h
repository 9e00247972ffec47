#pragma once

#include <memory>
#include <vector>

#include "Common/Matrix4.h"
#include "Common/Uuid.h"
#include "Scene/Appearance.h"
#include "Scene/GeometryInstance.h"
#include "Scene/PrimitiveBase.h"

namespace qel {

/// Geometry instances drawn with one appearance: lines in space (`PolylineGeometry`),
/// walls (`WallGeometry`) and box frames (`BoxOutlineGeometry`). Each instance lands in
/// the frame's draw list as one item of kind `DrawKind::Primitive` carrying the
/// instance's id: a line as its window path, a wall as the outline of its bottom and top
/// edges, a box as a path along its edges. A ground line given to a `Primitive` is drawn
/// where its positions are.
///
/// Built on the main thread. Its geometry is fixed; what may change between frames is
/// the model matrix, the appearance's material and the instances' attributes (a gizmo
/// follows its object and highlights a part without being rebuilt).
class Primitive : public PrimitiveBase {
 public:
  /// `appearance` null: white lines.
  Primitive(std::vector<GeometryInstance> instances, std::shared_ptr<Appearance> appearance);

  const std::vector<GeometryInstance>& getGeometryInstances() const noexcept { return instances_; }
  /// Its material can be replaced (`Appearance::setMaterial`); shows from the next frame.
  const std::shared_ptr<Appearance>& getAppearance() const noexcept { return appearance_; }
  /// The writable attributes of the first instance whose id is `id`; null when no
  /// instance has it. Valid while the primitive lives.
  GeometryInstanceAttributes* getGeometryInstanceAttributes(const Uuid& id) noexcept;

  void update(FrameState& frameState) override;

  /// Takes the positions of lines, walls and boxes from the primitive's own frame to the
  /// fixed frame (metres). Ground lines lie on the surface and ignore it. A matrix with a
  /// NaN or infinite element draws nothing, so nothing of it can be picked.
  Matrix4 modelMatrix;

 private:
  std::vector<GeometryInstance> instances_;
  std::shared_ptr<Appearance> appearance_;
};

}  // namespace qel
