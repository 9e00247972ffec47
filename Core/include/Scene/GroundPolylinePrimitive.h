#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Scene/Appearance.h"
#include "Scene/ClassificationType.h"
#include "Scene/GeometryInstance.h"
#include "Scene/PrimitiveBase.h"

namespace qel {

/// Lines draped on the terrain or on 3D tiles (`GroundPolylineGeometry` instances),
/// drawn in z-index order over other draped things. Each instance lands in the frame's
/// draw list as one item of kind `DrawKind::GroundPolyline` with the instance's id.
class GroundPolylinePrimitive : public PrimitiveBase {
 public:
  /// `classificationType`: what the lines lie on; empty means both.
  /// `asynchronous`: whether a renderer may build the geometry off the main thread.
  /// `releaseGeometryInstances`: whether the instances may be dropped once built; this
  /// host keeps them either way so that they can be read back.
  GroundPolylinePrimitive(std::vector<GeometryInstance> instances, std::shared_ptr<Appearance> appearance,
                          std::optional<ClassificationType> classificationType, bool asynchronous,
                          bool releaseGeometryInstances);

  const std::vector<GeometryInstance>& getGeometryInstances() const noexcept { return instances_; }
  const std::shared_ptr<Appearance>& getAppearance() const noexcept { return appearance_; }
  ClassificationType getClassificationType() const noexcept { return classificationType_; }
  bool isAsynchronous() const noexcept { return asynchronous_; }
  bool isReleaseGeometryInstances() const noexcept { return releaseGeometryInstances_; }

  /// Draw order among draped lines: a higher index is drawn over a lower one.
  int getZIndex() const noexcept { return zIndex_; }
  void setZIndex(int zIndex) noexcept { zIndex_ = zIndex; }

  void update(FrameState& frameState) override;

 private:
  std::vector<GeometryInstance> instances_;
  std::shared_ptr<Appearance> appearance_;
  ClassificationType classificationType_;
  bool asynchronous_;
  bool releaseGeometryInstances_;
  int zIndex_ = 0;
};

}  // namespace qel
