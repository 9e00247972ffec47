#include "Scene/DrawSubmission.h"

#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Renderer/Camera.h"
#include "Scene/FrameState.h"

namespace qel {
namespace {

// Share of the eye-to-point distance the ellipsoid must be hit before for the point to
// count as hidden: points on or just above the surface near the horizon stay drawn.
constexpr double kOcclusionShare = 0.999;

}  // namespace

std::optional<ProjectedPoint> projectForDrawing(const FrameState& frameState, const Vector3<double>& position,
                                                bool depthTest) {
  if (!frameState.camera || !position.isFinite()) return std::nullopt;
  const Camera& camera = *frameState.camera;
  const std::optional<Vector2<double>> window = camera.worldToWindow(position);
  if (!window) return std::nullopt;
  const Vector3<double> eye = camera.getPosition();
  const double depth = Vector3<double>::distance(position, eye);
  bool visible = true;
  if (depthTest && depth > 0.0) {
    const Ray ray{eye, (position - eye) / depth};
    const std::optional<Interval> hit = IntersectionTests::intersects(ray, Ellipsoid::WGS84);
    if (hit && hit->start > 0.0 && hit->start < kOcclusionShare * depth) visible = false;
  }
  return ProjectedPoint{*window, depth, visible};
}

}  // namespace qel
