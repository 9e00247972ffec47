#include "Scene/BoxPrimitive.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"

namespace qel {

BoxPrimitive::BoxPrimitive(const Matrix4& modelMatrix, const Vector3<double>& halfExtents, const Color& color)
    : modelMatrix_(modelMatrix),
      inverseModelMatrix_(modelMatrix.inverse()),
      // A negative extent means the same box; a non-finite one makes it unpickable.
      halfExtents_(std::abs(halfExtents.x), std::abs(halfExtents.y), std::abs(halfExtents.z)),
      color_(color) {}

std::shared_ptr<BoxPrimitive> BoxPrimitive::standingOn(const Vector3<double>& base, const Vector3<double>& halfExtents,
                                                       const Color& color) {
  // The box's centre sits half its height above the base point, along the local up.
  const Matrix4 frame = Transforms::eastNorthUpToFixedFrame(base, Ellipsoid::WGS84);
  const Matrix4 lift = Matrix4::fromTranslation({0.0, 0.0, std::abs(halfExtents.z)});
  return std::make_shared<BoxPrimitive>(frame * lift, halfExtents, color);
}

void BoxPrimitive::update(FrameState&) {
  // A static solid: nothing to rebuild per frame.
}

std::optional<double> BoxPrimitive::intersect(const Ray& ray) const {
  return intersectBox(inverseModelMatrix_, halfExtents_, ray);
}

std::optional<double> BoxPrimitive::intersectBox(const Matrix4& inverseModelMatrix, const Vector3<double>& halfExtents,
                                                 const Ray& ray) {
  if (!ray.origin.isFinite() || !ray.direction.isFinite() || !halfExtents.isFinite() || !inverseModelMatrix.isFinite())
    return std::nullopt;
  // Slab test in the box's own frame. The direction is mapped without normalising, so
  // the ray parameter is the same in both frames.
  const Vector3<double> origin = inverseModelMatrix.multiplyByPoint(ray.origin);
  const Vector3<double> direction = inverseModelMatrix.multiplyByPointAsVector(ray.direction);
  double tNear = -std::numeric_limits<double>::infinity();
  double tFar = std::numeric_limits<double>::infinity();
  const double o[3] = {origin.x, origin.y, origin.z};
  const double d[3] = {direction.x, direction.y, direction.z};
  const double h[3] = {halfExtents.x, halfExtents.y, halfExtents.z};
  for (int axis = 0; axis < 3; ++axis) {
    if (d[axis] == 0.0) {
      if (o[axis] < -h[axis] || o[axis] > h[axis]) return std::nullopt;
      continue;
    }
    double t0 = (-h[axis] - o[axis]) / d[axis];
    double t1 = (h[axis] - o[axis]) / d[axis];
    if (t0 > t1) std::swap(t0, t1);
    tNear = std::max(tNear, t0);
    tFar = std::min(tFar, t1);
    if (tNear > tFar) return std::nullopt;
  }
  if (tFar < 0.0) return std::nullopt;
  // From inside the box the first surface in front is where the ray leaves it.
  const double t = tNear >= 0.0 ? tNear : tFar;
  if (!std::isfinite(t)) return std::nullopt;
  return t;
}

}  // namespace qel
