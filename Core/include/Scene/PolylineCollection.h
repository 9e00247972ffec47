#pragma once

#include "Scene/ElementCollection.h"
#include "Scene/Polyline.h"

namespace qel {

/// Lines drawn together (the outline of a rectangle pick is one); see `ElementCollection` for the construction
/// arguments.
class PolylineCollection : public ElementCollection<Polyline> {
 public:
  /// `clampToGround` is kept for the tools that pass it: this host draws lines where
  /// their positions are.
  PolylineCollection(SceneImpl* scene, bool depthTest, std::optional<Matrix4> modelMatrix, bool clampToGround = false)
      : ElementCollection<Polyline>(scene, depthTest, modelMatrix), clampToGround_(clampToGround) {}
  bool isClampToGround() const noexcept { return clampToGround_; }

 protected:
  void submit(Polyline& element, FrameState& frameState) const override;

 private:
  bool clampToGround_;
};

}  // namespace qel
