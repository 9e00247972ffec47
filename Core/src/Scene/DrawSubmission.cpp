#include "Scene/DrawSubmission.h"

#include <algorithm>
#include <array>

#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Renderer/Camera.h"
#include "Scene/FrameState.h"

namespace qel {
namespace {

// Share of the eye-to-point distance the ellipsoid must be hit before for the point to
// count as hidden: points on or just above the surface near the horizon stay drawn.
constexpr double kOcclusionShare = 0.999;

double cross(const Vector2<double>& o, const Vector2<double>& a, const Vector2<double>& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Convex hull of a few window points (monotone chain), without repeating the first.
std::vector<Vector2<double>> convexHull(std::vector<Vector2<double>> points) {
  std::sort(points.begin(), points.end(),
            [](const Vector2<double>& a, const Vector2<double>& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  if (points.size() < 3) return points;
  std::vector<Vector2<double>> hull(2 * points.size());
  std::size_t k = 0;
  for (const Vector2<double>& p : points) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], p) <= 0.0) --k;
    hull[k++] = p;
  }
  for (std::size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && cross(hull[k - 2], hull[k - 1], points[i]) <= 0.0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k - 1);
  return hull;
}

}  // namespace

std::optional<ProjectedPoint> projectForDrawing(const FrameState& frameState, const Vector3<double>& position,
                                                bool depthTest) {
  if (!frameState.camera || !position.isFinite()) return std::nullopt;
  const WindowProjector& projector = frameState.projector;
  const std::optional<Vector2<double>> window = projector.project(position);
  if (!window) return std::nullopt;
  const Vector3<double>& eye = projector.getEye();
  const double depth = Vector3<double>::distance(position, eye);
  bool visible = true;
  if (depthTest && depth > 0.0) {
    const Ray ray{eye, (position - eye) / depth};
    const std::optional<Interval> hit = IntersectionTests::intersects(ray, Ellipsoid::WGS84);
    if (hit && hit->start > 0.0 && hit->start < kOcclusionShare * depth) visible = false;
  }
  return ProjectedPoint{*window, depth, visible};
}

void boxAroundPath(DrawItem& item) noexcept {
  if (item.path.empty()) return;
  item.box = {item.path[0].x, item.path[0].y, item.path[0].x, item.path[0].y};
  for (const Vector2<double>& p : item.path) {
    item.box.x0 = std::min(item.box.x0, p.x - item.halfWidth);
    item.box.y0 = std::min(item.box.y0, p.y - item.halfWidth);
    item.box.x1 = std::max(item.box.x1, p.x + item.halfWidth);
    item.box.y1 = std::max(item.box.y1, p.y + item.halfWidth);
  }
}

bool placeBoxSilhouette(DrawItem& item, const FrameState& frameState, const Matrix4& modelMatrix,
                        const Vector3<double>& halfExtents, bool depthTest) {
  item.kind = DrawKind::Area;
  item.path.clear();
  item.halfWidth = 0.0;
  if (!modelMatrix.isFinite() || !halfExtents.isFinite()) return false;
  const Vector3<double> centre = modelMatrix.multiplyByPoint(Vector3<double>::zero());
  item.position = centre;
  const std::optional<ProjectedPoint> middle = projectForDrawing(frameState, centre, depthTest);
  if (!middle) return false;
  std::vector<Vector2<double>> corners;
  corners.reserve(8);
  double nearest = middle->depth;
  for (int i = 0; i < 8; ++i) {
    const Vector3<double> local{(i & 1) ? halfExtents.x : -halfExtents.x, (i & 2) ? halfExtents.y : -halfExtents.y,
                                (i & 4) ? halfExtents.z : -halfExtents.z};
    // Corners are tested without the Earth: the centre alone decides whether the box is
    // beyond the horizon, and a box standing on the ground always has corners in it.
    const std::optional<ProjectedPoint> at = projectForDrawing(frameState, modelMatrix.multiplyByPoint(local), false);
    if (!at) return false;
    corners.push_back(at->window);
    nearest = std::min(nearest, at->depth);
  }
  item.path = convexHull(std::move(corners));
  // A box flattened to a point or a line (a scale of 0) covers no pixel.
  if (item.path.size() < 3) return false;
  item.depth = nearest;
  item.box = {item.path[0].x, item.path[0].y, item.path[0].x, item.path[0].y};
  for (const Vector2<double>& p : item.path) {
    item.box.x0 = std::min(item.box.x0, p.x);
    item.box.y0 = std::min(item.box.y0, p.y);
    item.box.x1 = std::max(item.box.x1, p.x);
    item.box.y1 = std::max(item.box.y1, p.y);
  }
  return middle->visible;
}

}  // namespace qel
