#pragma once

#include <memory>
#include <optional>

#include "Common/Color.h"
#include "Common/Matrix4.h"
#include "Common/Vector3.h"
#include "Scene/PrimitiveBase.h"

namespace qel {

/// A solid box (a building, a model's stand-in): half extents in its local frame,
/// placed by a model matrix. World-position picks see it.
class BoxPrimitive : public PrimitiveBase {
 public:
  BoxPrimitive(const Matrix4& modelMatrix, const Vector3<double>& halfExtents, const Color& color = {});
  /// A box standing on a geographic position: its base centre at `base`, axes east, north, up.
  static std::shared_ptr<BoxPrimitive> standingOn(const Vector3<double>& base, const Vector3<double>& halfExtents,
                                                  const Color& color = {});

  void update(FrameState& frameState) override;
  std::optional<double> intersect(const Ray& ray) const override;

  const Matrix4& getModelMatrix() const noexcept { return modelMatrix_; }
  const Vector3<double>& getHalfExtents() const noexcept { return halfExtents_; }
  const Color& getColor() const noexcept { return color_; }

 private:
  Matrix4 modelMatrix_;
  Matrix4 inverseModelMatrix_;
  Vector3<double> halfExtents_;
  Color color_;
};

}  // namespace qel
