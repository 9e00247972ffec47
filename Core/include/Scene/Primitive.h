#pragma once

#include <memory>
#include <vector>

#include "Scene/Appearance.h"
#include "Scene/GeometryInstance.h"
#include "Scene/PrimitiveBase.h"

namespace qel {

/// Geometry instances drawn with one appearance: lines in space (`PolylineGeometry`) and
/// walls (`WallGeometry`). Each instance lands in the frame's draw list as one item of
/// kind `DrawKind::Primitive` carrying the instance's id: a line as its window path, a
/// wall as the outline of its bottom and top edges. A ground line given to a
/// `Primitive` is drawn where its positions are.
///
/// Built on the main thread and immutable afterwards: a tool that changes its preview
/// builds a new primitive.
class Primitive : public PrimitiveBase {
 public:
  /// `appearance` null: white lines.
  Primitive(std::vector<GeometryInstance> instances, std::shared_ptr<Appearance> appearance);

  const std::vector<GeometryInstance>& getGeometryInstances() const noexcept { return instances_; }
  const std::shared_ptr<Appearance>& getAppearance() const noexcept { return appearance_; }

  void update(FrameState& frameState) override;

 private:
  std::vector<GeometryInstance> instances_;
  std::shared_ptr<Appearance> appearance_;
};

}  // namespace qel
