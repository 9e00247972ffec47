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
  /// Ray parameter of the first surface in front of the ray's origin of the box spanning
  /// −`halfExtents` … `halfExtents` (metres, ≥ 0) in the frame that `inverseModelMatrix`
  /// takes the fixed frame to; from inside the box, where the ray leaves it. Empty when
  /// missed or when anything is not finite.
  static std::optional<double> intersectBox(const Matrix4& inverseModelMatrix, const Vector3<double>& halfExtents,
                                            const Ray& ray);

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
