// The facade's flights to extents: a bounding region, a layer once it is ready, and a
// feature, whose extent is computed from its geometry or, where only the drawn feature
// knows it, asked of the scene after its next frames.

#include <future>
#include <memory>
#include <mutex>
#include <vector>

#include "Common/AsyncSystem.h"
#include "Common/BoundingRegion.h"
#include "Common/BoundingSphere.h"
#include "Common/Ellipsoid.h"
#include "Common/GlobeRectangle.h"
#include "Common/Math.h"
#include "Common/OrientedBoundingBox.h"
#include "Data/BoundingSphereState.h"
#include "Data/DataSourceDisplay.h"
#include "Data/Entity.h"
#include "Feature/CircleGeometry.h"
#include "Feature/Feature.h"
#include "Feature/PointGeometry.h"
#include "Feature/PolygonGeometry.h"
#include "Feature/PolylineGeometry.h"
#include "Feature/RectangleGeometry.h"
#include "Feature/Style.h"
#include "Layers/Layer.h"
#include "Manipulator/FacadeFlightLink.h"
#include "Manipulator/GlobeManipulator.h"
#include "ListenerSlot.h"
#include "Scene/GlobeImpl.h"
#include "Scene/SceneImpl.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

using facadeflight::rangeToFit;

namespace {

/// Extents are looked at from straight above.
constexpr double kStraightDown = -Math::PI_OVER_TWO;
/// A region is seen from this many radii of the sphere that holds it.
constexpr double kRegionRangeRadii = 3.0;
/// Layers wider or taller than these (radians: 299° and 119°) cover nearly the whole
/// globe, whose box centre is meaningless: they are shown as the globe from a fixed place.
constexpr double kWholeGlobeWidth = 5.218534463463046;
constexpr double kWholeGlobeHeight = 2.076941809873252;
constexpr double kGlobeSphereRadius = 6378137.0;
constexpr double kWholeGlobeLongitude = 1.8438314131989626;
constexpr double kWholeGlobeLatitude = 0.7146133503510438;

/// The extent of a feature whose height reference clamps it to a surface, from its
/// geometry alone; empty when the geometry does not say.
std::optional<BoundingSphere> clampedExtent(const Feature::Geometry& geometry, const Ellipsoid& ellipsoid) {
  switch (geometry.getType()) {
    case Feature::GeometryType::Polyline:
    case Feature::GeometryType::Polygon: {
      const std::vector<Cartographic>& positions =
          geometry.getType() == Feature::GeometryType::Polyline
              ? static_cast<const Feature::PolylineGeometry&>(geometry).getPositions()
              : static_cast<const Feature::PolygonGeometry&>(geometry).getPositions();
      const auto rectangle = GlobeRectangle::fromCartographicArray(positions);
      if (!rectangle) return BoundingSphere{};  // no position: centred at the origin, not flown to
      return BoundingSphere::fromRectangle3D(*rectangle, ellipsoid, 0.0);
    }
    case Feature::GeometryType::Rectangle:
      return BoundingSphere::fromRectangle3D(static_cast<const Feature::RectangleGeometry&>(geometry).getRectangle(),
                                             Ellipsoid::WGS84);
    case Feature::GeometryType::Circle: {
      const auto& circle = static_cast<const Feature::CircleGeometry&>(geometry);
      return BoundingSphere{Ellipsoid::WGS84.cartographicToCartesian(circle.getCenter()), circle.getRadius()};
    }
    default: return std::nullopt;
  }
}

/// Waits for the scene to draw the feature, then collects the extents of its entities.
/// Empty when the scene went away first.
std::optional<BoundingSphere> drawnExtent(SceneImpl& scene, const std::shared_ptr<const Feature::Feature>& feature) {
  auto promise = std::make_shared<std::promise<BoundingSphere>>();
  std::future<BoundingSphere> result = promise->get_future();
  auto self = std::make_shared<ListenerSlot>();
  auto listener = [feature, promise, self, satisfied = false](SceneImpl& s,
                                                              const std::chrono::steady_clock::time_point&) mutable {
    if (satisfied || !feature->_isEntityReady()) return;
    std::vector<BoundingSphere> kept;
    for (const std::shared_ptr<Entity>& entity : feature->_getAllEntities()) {
      BoundingSphere sphere;
      const BoundingSphereState state = s._getDataSourceDisplay().getBoundingSphere(*entity, false, sphere);
      if (state == BoundingSphereState::Pending) return;  // try again next frame
      if (state == BoundingSphereState::Done) kept.push_back(sphere);
    }
    promise->set_value(BoundingSphere::fromBoundingSpheres(kept));
    satisfied = true;
    self->remove();
  };
  const std::weak_ptr<FunctionWrapper> handle = scene.getPostCull().addEventListener(std::move(listener));
  {
    std::lock_guard lock(self->mutex);
    self->handle = handle;
  }
  try {
    return result.get();
  } catch (const std::future_error&) {
    return std::nullopt;  // the scene, and the listener with its promise, are gone
  }
}

}  // namespace

void GlobeManipulator::flyTo(const BoundingRegion& region, std::optional<double> duration) {
  if (region.isEmpty()) return;
  const OrientedBoundingBox box = region.getBoundingBox();
  if (box.center == Vector3<double>()) return;
  const auto c = Ellipsoid::WGS84.cartesianToCartographic(box.center);
  if (!c) return;
  const BoundingSphere s = BoundingSphere::fromOrientedBoundingBox(box);
  flyTo(Viewpoint{c->longitude, c->latitude, c->height, 0.0, kStraightDown, kRegionRangeRadii * s.radius}, duration,
        0.0);
}

void GlobeManipulator::flyTo(const Layer& layer, std::optional<double> duration) {
  if (!layer._getScene() || !layer.isShowing()) return;
  // The continuation may run after this facade is gone: it reaches the facade only
  // through the link, under its lock.
  std::weak_ptr<FlightLink> weakLink = link;
  auto continuation = [weakLink, duration](boost::shared_future<Layer*> ready) {
    Layer* readyLayer = nullptr;
    try {
      readyLayer = ready.get();
    } catch (...) {
      return;  // the layer went away before it was ready
    }
    if (readyLayer == nullptr) return;
    const std::shared_ptr<SceneImpl> layerScene = readyLayer->_getScene();
    const std::shared_ptr<const BoundingRegion> region = readyLayer->getBoundingRegion();
    if (!layerScene || !region || region->isEmpty()) return;
    const std::shared_ptr<FlightLink> l = weakLink.lock();
    if (!l) return;
    std::lock_guard lock(l->mutex);
    GlobeManipulator* facade = l->facade;
    if (facade == nullptr) return;
    const std::shared_ptr<ViewerImpl> viewer = facade->viewer.lock();
    if (!viewer) return;
    const SceneImpl& scene = viewer->getScene();

    const GlobeRectangle& rectangle = region->getRectangle();
    Cartographic centre;
    double range = 0.0;
    if (rectangle.computeWidth() <= kWholeGlobeWidth && rectangle.computeHeight() <= kWholeGlobeHeight) {
      const BoundingSphere s = BoundingSphere::fromOrientedBoundingBox(region->getBoundingBox());
      range = rangeToFit(scene, s.radius);
      if (const auto c = scene.getGlobe().getEllipsoid().cartesianToCartographic(s.center)) {
        centre = *c;
      } else {
        centre = rectangle.computeCenter();
        centre.height = region->getMaximumHeight();
      }
    } else {
      range = rangeToFit(scene, kGlobeSphereRadius);
      centre = Cartographic(kWholeGlobeLongitude, kWholeGlobeLatitude, 0.0);
    }
    facade->flyTo(Viewpoint{centre.longitude, centre.latitude, centre.height, 0.0, kStraightDown, range},
                  HeightReference::RelativeToTerrain, duration);
  };
  auto dropped = layer.getReadyPromise().then(boost::launch::sync, std::move(continuation));
  (void)dropped;
}

void GlobeManipulator::flyTo(const Feature::Feature& feature, std::optional<double> duration) {
  const std::shared_ptr<Layer> featureLayer = feature.getLayer();
  if (!featureLayer) return;
  const std::shared_ptr<Layer> parent = featureLayer->getParent();
  if (!parent) return;
  const std::shared_ptr<SceneImpl> scene = parent->_getScene();
  if (!scene || !featureLayer->isShowing() || !feature.isShowing()) return;
  const std::shared_ptr<Feature::Geometry> geometry = feature.getGeometry();
  if (geometry && geometry->getType() == Feature::GeometryType::Point &&
      static_cast<const Feature::PointGeometry&>(*geometry).isScreenSpace()) {
    return;
  }
  const std::shared_ptr<Feature::Style> style = feature.getStyle();
  const HeightReference reference = style ? style->getHeightReference() : HeightReference::None;
  const Ellipsoid& ellipsoid = scene->getGlobe().getEllipsoid();

  std::optional<BoundingSphere> sphere;
  if (isHeightReferenceClamp(reference) && geometry) sphere = clampedExtent(*geometry, ellipsoid);
  if (!sphere) {
    // Only the drawn feature knows its extent: wait for the main thread's frames. On the
    // main thread itself that wait could never end.
    if (AsyncSystem::instance(false).isMainThread()) return;
    std::shared_ptr<const Feature::Feature> held;
    try {
      held = std::static_pointer_cast<const Feature::Feature>(feature.shared_from_this());
    } catch (const std::bad_weak_ptr&) {
      return;  // not held by a shared pointer: it cannot be in a scene's tree either
    }
    sphere = drawnExtent(*scene, held);
    if (!sphere) return;
  }
  const auto c = ellipsoid.cartesianToCartographic(sphere->center);
  if (!c) return;
  const double range = rangeToFit(*scene, sphere->radius);
  flyTo(Viewpoint{c->longitude, c->latitude, c->height, 0.0, kStraightDown, range}, reference, duration);
}

}  // namespace qel
