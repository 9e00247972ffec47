// The two ways a drag moves the selected point: over the globe, on the sphere through
// the point (so that it keeps its offset to the pointer whatever the terrain does), and
// up or down by the metres one window pixel spans at the point's depth.
#include <cmath>

#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Manipulator/PointEditorImpl.h"
#include "PointPosition.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "Scene/SceneTransforms.h"

namespace qel {

namespace {

// The vertical scale is read from the window step of a point this far (metres) below
// the edited one.
constexpr double kProbeDrop = 1.0;

// Where the pick ray through window position `p` meets `sphere`: its entry point when
// that lies ahead of the eye, else its exit point (the eye is inside the sphere).
std::optional<Vector3<double>> sphereHit(const Camera& camera, const Ellipsoid& sphere, const Vector2<int>& p) {
  const Ray ray = camera.getPickRay(Vector2<float>(static_cast<float>(p.x), static_cast<float>(p.y)));
  const std::optional<Interval> hit = IntersectionTests::intersects(ray, sphere);
  if (!hit) return std::nullopt;
  return ray.getPoint(hit->start > 0.0 ? hit->start : hit->stop);
}

}  // namespace

void PointEditorImpl::moveHorizontally(SceneImpl& sceneImpl, const Vector2<int>& a, const Vector2<int>& b) {
  const Feature::PointGeometry* point = pointGeometry();
  if (point == nullptr || !pointPosition) return;
  const std::optional<Cartographic> current = readPointPosition(*point);
  if (!current) return;

  const Vector3<double> shown = Ellipsoid::WGS84.cartographicToCartesian(*pointPosition);
  const double radius = shown.length();
  const Ellipsoid sphere(radius, radius, radius);
  if (!SceneTransforms::wgs84ToWindowCoordinates(sceneImpl, shown)) return;

  const Camera& camera = sceneImpl.getCamera();
  const std::optional<Vector3<double>> to = sphereHit(camera, sphere, b);
  if (!to) return;
  const std::optional<Vector3<double>> from = sphereHit(camera, sphere, a);
  if (!from) return;
  const std::optional<Cartographic> toOnSphere = sphere.cartesianToCartographic(*to);
  const std::optional<Cartographic> fromOnSphere = sphere.cartesianToCartographic(*from);
  if (!toOnSphere || !fromOnSphere) return;
  const double dLongitude = toOnSphere->longitude - fromOnSphere->longitude;
  const double dLatitude = toOnSphere->latitude - fromOnSphere->latitude;
  if (std::isnan(dLongitude) || std::isnan(dLatitude)) return;

  const Cartographic moved{current->longitude + dLongitude, current->latitude + dLatitude, current->height};
  if (dLongitude == 0.0 && dLatitude == 0.0) return;
  const Cartographic adjusted = adjustHeight(moved);
  writePosition(adjusted);
  pointPosition = adjusted;
}

void PointEditorImpl::moveVertically(SceneImpl& sceneImpl, const Vector2<int>& a, const Vector2<int>& b) {
  const Feature::PointGeometry* point = pointGeometry();
  if (point == nullptr || !pointPosition) return;
  const std::optional<Cartographic> current = readPointPosition(*point);
  if (!current) return;

  Cartographic lower = *pointPosition;
  lower.height -= kProbeDrop;
  const std::optional<Vector2<double>> at =
      SceneTransforms::wgs84ToWindowCoordinates(sceneImpl, Ellipsoid::WGS84.cartographicToCartesian(*pointPosition));
  const std::optional<Vector2<double>> below =
      SceneTransforms::wgs84ToWindowCoordinates(sceneImpl, Ellipsoid::WGS84.cartographicToCartesian(lower));
  // Behind the eye there is no window scale to move by.
  if (!at || !below) return;
  const float windowStep = static_cast<float>(below->y) - static_cast<float>(at->y);
  const double metresPerPixel = 1.0 / static_cast<double>(windowStep);
  if (!std::isfinite(metresPerPixel)) return;

  // Window y grows downwards: dragging down lowers the point.
  const double rise = (static_cast<double>(b.y) - static_cast<double>(a.y)) * metresPerPixel;
  Cartographic moved = *current;
  moved.height -= rise;
  writePosition(adjustHeight(moved));
  pointPosition->height -= rise;
}

void PointEditorImpl::writePosition(const Cartographic& position) {
  Feature::PointGeometry* point = pointGeometry();
  if (point == nullptr) return;
  // Stored as a fixed-frame point would give it back, so that a drag across the
  // antimeridian or over a pole keeps the longitude and latitude in range.
  markSelfChange();
  point->setPosition(throughFixedFrame(position).value_or(position));
}

}  // namespace qel
