#include "Data/DataSourceDisplay.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "Common/Ellipsoid.h"
#include "Common/GlobeRectangle.h"
#include "Data/EntityDrawing.h"
#include "Feature/CircleGeometry.h"
#include "Feature/PointGeometry.h"
#include "Feature/PolygonGeometry.h"
#include "Feature/PolylineGeometry.h"
#include "Data/ModelGraphics.h"
#include "Feature/PointStyle.h"
#include "Feature/RectangleGeometry.h"
#include "Layers/Qel3DTileset.h"
#include "Scene/DrawSubmission.h"
#include "Scene/FrameState.h"
#include "Scene/SceneImpl.h"

namespace qel {
namespace {

// Every scene created once this module is loaded gets a display: the scene cannot make
// one itself, since the display sits above it (it draws features through the scene).
SceneImpl::DataSourceDisplayParts makeDisplay(SceneImpl& scene) {
  // A handle that does not own the scene (its viewer does): the layers hand it out as
  // their scene, and it expires with the display, the first thing a scene destroys.
  std::shared_ptr<SceneImpl> handle(&scene, [](SceneImpl*) {});
  auto display = std::make_shared<DataSourceDisplay>(scene, std::move(handle));
  return {display, display};
}

[[maybe_unused]] const bool kDisplayInstalled = (SceneImpl::_setDataSourceDisplayFactory(&makeDisplay), true);

struct Drawn {
  std::optional<Vector3<double>> position;
  std::optional<BoundingSphere> extent;
  std::vector<EntityGraphic> graphics;
};

}  // namespace

DataSourceDisplay::DataSourceDisplay(SceneImpl& scene, std::shared_ptr<SceneImpl> sceneHandle)
    : scene_(scene), sceneHandle_(std::move(sceneHandle)), root_(Layer::create(true)) {
  root_->_setScene(sceneHandle_);
  defaultDataSource_ = DataSource::create();
  add(defaultDataSource_);
}

DataSourceDisplay::~DataSourceDisplay() {
  // Whoever still holds a layer of this scene learns at once that it has none.
  root_->_setScene({});
  for (const std::shared_ptr<DataSource>& source : dataSources_) source->_setParent(nullptr);
  for (const std::shared_ptr<Qel3DTileset>& tileset : tilesets_) tileset->getLayer()->_setParent(nullptr);
}

const std::shared_ptr<DataSource>& DataSourceDisplay::getDefaultDataSource() const noexcept {
  return defaultDataSource_;
}

const std::shared_ptr<Layer>& DataSourceDisplay::getRootLayer() const noexcept { return root_; }

const std::vector<std::shared_ptr<DataSource>>& DataSourceDisplay::getDataSources() const noexcept {
  return dataSources_;
}

void DataSourceDisplay::add(const std::shared_ptr<DataSource>& dataSource) {
  if (!dataSource) return;
  if (std::find(dataSources_.begin(), dataSources_.end(), dataSource) != dataSources_.end()) return;
  dataSource->_setParent(root_);
  dataSources_.push_back(dataSource);
}

bool DataSourceDisplay::remove(const DataSource& dataSource) {
  if (&dataSource == defaultDataSource_.get()) return false;
  const auto it = std::find_if(dataSources_.begin(), dataSources_.end(),
                               [&](const std::shared_ptr<DataSource>& s) { return s.get() == &dataSource; });
  if (it == dataSources_.end()) return false;
  (*it)->_setParent(nullptr);
  dataSources_.erase(it);
  return true;
}

void DataSourceDisplay::addTileset(const std::shared_ptr<Qel3DTileset>& tileset) {
  if (!tileset) return;
  if (std::find(tilesets_.begin(), tilesets_.end(), tileset) != tilesets_.end()) return;
  tileset->getLayer()->_setParent(root_);
  scene_.getPrimitives().add(tileset->_getPrimitive());
  tilesets_.push_back(tileset);
}

bool DataSourceDisplay::removeTileset(const Qel3DTileset& tileset) {
  const auto it = std::find_if(tilesets_.begin(), tilesets_.end(),
                               [&](const std::shared_ptr<Qel3DTileset>& t) { return t.get() == &tileset; });
  if (it == tilesets_.end()) return false;
  (*it)->getLayer()->_setParent(nullptr);
  scene_.getPrimitives().remove(*(*it)->_getPrimitive());
  tilesets_.erase(it);
  return true;
}

const std::vector<std::shared_ptr<Qel3DTileset>>& DataSourceDisplay::getTilesets() const noexcept { return tilesets_; }

BoundingSphereState DataSourceDisplay::getBoundingSphere(const Entity& entity, bool allowPartial,
                                                         BoundingSphere& result) const {
  (void)allowPartial;  // every extent known here is whole
  if (entity._getDisplay() != this) return BoundingSphereState::Failed;
  const std::shared_ptr<Feature::Feature> feature = entity._getFeature();
  // An entity its feature no longer has (the feature moved to another tree) is gone; a
  // model entity belongs to the feature's main entity.
  const Entity* main = entity._getParent() ? entity._getParent() : &entity;
  if (!feature || feature->_getImplHandle().get() != main) return BoundingSphereState::Failed;
  const std::shared_ptr<Layer> layer = feature->getLayer();
  if (!layer || layer->_getScene() != sceneHandle_) return BoundingSphereState::Failed;
  if (!entity.getDrawnFrom() || *entity.getDrawnFrom() != feature->_getDefinitionStamp()) {
    return BoundingSphereState::Pending;
  }
  if (const auto* model = dynamic_cast<const ModelGraphics*>(entity.getGeometryGraphics().get())) {
    if (!model->isLoaded()) return BoundingSphereState::Pending;
  }
  if (!entity.getDrawnExtent()) return BoundingSphereState::Failed;
  result = *entity.getDrawnExtent();
  return BoundingSphereState::Done;
}

void DataSourceDisplay::update(FrameState& frameState) {
  for (const std::weak_ptr<ModelGraphics>& loading : loadingModels_) {
    if (const std::shared_ptr<ModelGraphics> model = loading.lock()) model->_setLoaded();
  }
  loadingModels_.clear();
  for (const std::shared_ptr<DataSource>& source : dataSources_) updateTree(*source->getRootFeatureGroup());
  for (const std::shared_ptr<DataSource>& source : dataSources_) submitTree(*source->getRootFeatureGroup(), frameState);
}

void DataSourceDisplay::submitTree(Feature::FeatureBase& node, FrameState& frameState) const {
  if (Feature::Feature* feature = node._asFeature()) {
    const std::shared_ptr<Entity> entity = feature->_getImplHandle();
    if (!entity || entity->_getDisplay() != this) return;
    const bool shown = isShow() && feature->isShowing();
    for (const EntityGraphic& graphic : entity->getGraphics())
      entity_drawing::submit(graphic, entity, *this, shown, frameState);
    for (const std::shared_ptr<Entity>& child : entity->getChildren())
      entity_drawing::submitModel(child, *this, shown, frameState);
    return;
  }
  if (Feature::FeatureGroup* group = node._asGroup()) {
    for (const std::shared_ptr<Feature::FeatureBase>& child : group->getChildren()) submitTree(*child, frameState);
  }
}

void DataSourceDisplay::updateTree(Feature::FeatureBase& node) {
  if (Feature::Feature* feature = node._asFeature()) {
    if (!feature->getGeometry()) return;
    const std::shared_ptr<Entity> entity = feature->_getImplHandle();
    if (entity && entity->_getDisplay() == this && entity->getDrawnFrom() == feature->_getDefinitionStamp()) return;
    build(*feature);
    return;
  }
  if (Feature::FeatureGroup* group = node._asGroup()) {
    for (const std::shared_ptr<Feature::FeatureBase>& child : group->getChildren()) updateTree(*child);
  }
}

void DataSourceDisplay::build(Feature::Feature& feature) {
  const Feature::Feature::DefinitionStamp stamp = feature._getDefinitionStamp();
  const std::shared_ptr<Feature::Geometry> geometry = feature.getGeometry();
  const std::shared_ptr<Feature::Style> style = feature.getStyle();
  const HeightReference reference = style ? style->getHeightReference() : HeightReference::None;
  const Ellipsoid& ellipsoid = Ellipsoid::WGS84;

  // The height drawn: the surface for a clamped reference, the surface plus the given
  // height for a relative one (no surface there: the ellipsoid).
  const auto drawnPoint = [&](Cartographic position) -> std::optional<Vector3<double>> {
    if (reference != HeightReference::None) {
      const double surface = scene_.getHeight(position, reference).value_or(0.0);
      if (isHeightReferenceClamp(reference)) {
        position.height = surface;
      } else if (isHeightReferenceRelative(reference)) {
        position.height += surface;
      }
    }
    const Vector3<double> point = ellipsoid.cartographicToCartesian(position);
    if (!point.isFinite()) return std::nullopt;
    return point;
  };
  // Every ring drawn, in order; empty when a position cannot be drawn (nothing is).
  const auto drawnRings = [&](const std::vector<const std::vector<Cartographic>*>& rings) {
    std::vector<std::vector<Vector3<double>>> drawnRings;
    for (const std::vector<Cartographic>* ring : rings) {
      std::vector<Vector3<double>>& points = drawnRings.emplace_back();
      for (const Cartographic& position : *ring) {
        const std::optional<Vector3<double>> point = drawnPoint(position);
        if (!point) return std::vector<std::vector<Vector3<double>>>{};
        points.push_back(*point);
      }
    }
    return drawnRings;
  };
  const auto extentOf = [](const std::vector<std::vector<Vector3<double>>>& rings, Drawn& drawn) {
    std::vector<Vector3<double>> points;
    for (const std::vector<Vector3<double>>& ring : rings) points.insert(points.end(), ring.begin(), ring.end());
    if (points.empty()) return;
    drawn.position = points.front();
    drawn.extent = BoundingSphere::fromPoints(points);
  };
  const Feature::Style* drawnStyle = style.get();

  Drawn drawn;
  switch (geometry->getType()) {
    case Feature::GeometryType::Point: {
      const auto& point = static_cast<const Feature::PointGeometry&>(*geometry);
      if (point.isScreenSpace()) break;  // a mark over the view has no place on the globe
      drawn.position = drawnPoint(point.getPosition());
      if (!drawn.position) break;
      drawn.extent = BoundingSphere{*drawn.position, 0.0};
      drawn.graphics = entity_drawing::drawPoint(*drawn.position, drawnStyle);
      break;
    }
    case Feature::GeometryType::Polyline: {
      std::vector<std::vector<Vector3<double>>> rings =
          drawnRings({&static_cast<const Feature::PolylineGeometry&>(*geometry).getPositions()});
      extentOf(rings, drawn);
      if (drawn.position) drawn.graphics = entity_drawing::drawLine(rings.front(), drawnStyle);
      break;
    }
    case Feature::GeometryType::Polygon: {
      const Feature::PolygonHierarchy& hierarchy =
          static_cast<const Feature::PolygonGeometry&>(*geometry).getHierarchy();
      std::vector<const std::vector<Cartographic>*> rings{&hierarchy.positions};
      for (const std::vector<Cartographic>& hole : hierarchy.holes) rings.push_back(&hole);
      std::vector<std::vector<Vector3<double>>> drawnAll = drawnRings(rings);
      extentOf(drawnAll, drawn);
      if (!drawn.position || drawnAll.front().empty()) break;
      const std::vector<std::vector<Vector3<double>>> holes(drawnAll.begin() + 1, drawnAll.end());
      drawn.graphics = entity_drawing::drawArea(drawnAll.front(), holes, drawnStyle);
      break;
    }
    case Feature::GeometryType::Rectangle: {
      const auto& rectangleGeometry = static_cast<const Feature::RectangleGeometry&>(*geometry);
      const GlobeRectangle& rectangle = rectangleGeometry.getRectangle();
      if (!rectangle.isValid()) break;
      Cartographic centre = rectangle.computeCenter();
      centre.height = rectangleGeometry.getHeight();
      drawn.position = drawnPoint(centre);
      if (!drawn.position) break;
      const double height = ellipsoid.cartesianToCartographic(*drawn.position).value_or(centre).height;
      drawn.extent = BoundingSphere::fromRectangle3D(rectangle, ellipsoid, height);
      break;
    }
    case Feature::GeometryType::Circle: {
      const auto& circle = static_cast<const Feature::CircleGeometry&>(*geometry);
      drawn.position = drawnPoint(circle.getCenter());
      const double radius = circle.getRadius();
      if (drawn.position && std::isfinite(radius))
        drawn.extent = BoundingSphere{*drawn.position, std::max(radius, 0.0)};
      break;
    }
  }

  std::shared_ptr<Entity> entity = feature._getImplHandle();
  if (!entity || entity->_getDisplay() != this) {
    entity = std::make_shared<Entity>(std::static_pointer_cast<Feature::Feature>(feature.shared_from_this()), this);
  }
  // Rectangles and circles have no style kind of their own: a mark at their centre.
  if (drawn.graphics.empty() && drawn.position && geometry->getType() != Feature::GeometryType::Point &&
      geometry->getType() != Feature::GeometryType::Polyline && geometry->getType() != Feature::GeometryType::Polygon)
    drawn.graphics.push_back(entity_drawing::mark(*drawn.position));
  std::shared_ptr<Entity> model = geometry->getType() == Feature::GeometryType::Point
                                      ? buildModel(feature, *entity, drawnStyle, drawn.position, stamp)
                                      : nullptr;
  // A model's box is what the feature takes room with.
  if (model) drawn.extent = model->getDrawnExtent();
  entity->_setDrawn(stamp, drawn.position, drawn.extent, std::move(drawn.graphics));
  if (model) {
    entity->_setChildren({model});
    feature._setEntities({entity, model}, stamp);
  } else {
    entity->_setChildren({});
    feature._setEntities({entity}, stamp);
  }
}

std::shared_ptr<Entity> DataSourceDisplay::buildModel(Feature::Feature& feature, Entity& entity,
                                                      const Feature::Style* style,
                                                      const std::optional<Vector3<double>>& position,
                                                      const Feature::Feature::DefinitionStamp& stamp) {
  const Feature::PointStyle* pointStyle = style ? style->asPointStyle() : nullptr;
  const std::shared_ptr<Feature::ModelSymbol> symbol = pointStyle ? pointStyle->getModelSymbol() : nullptr;
  if (!symbol || !symbol->isEnabled() || !position) return nullptr;
  // The model entity and its loaded model stay while the feature only moves, turns or
  // scales (an editor dragging it): only another model file loads anew.
  std::shared_ptr<Entity> model = entity.getChildren().empty() ? nullptr : entity.getChildren().front();
  if (!model) {
    model =
        std::make_shared<Entity>(std::static_pointer_cast<Feature::Feature>(feature.shared_from_this()), this, &entity);
  }
  auto graphics = std::dynamic_pointer_cast<ModelGraphics>(model->getGeometryGraphics());
  if (!graphics || graphics->getUrl() != symbol->getUrl()) {
    graphics = std::make_shared<ModelGraphics>(symbol->getUrl());
    loadingModels_.push_back(graphics);
    model->_setGeometryGraphics(graphics);
  }
  graphics->_setPlacement(symbol->getRotation(), symbol->getScale());
  model->_setDrawn(stamp, position, entity_drawing::modelExtent(*graphics, *position));
  return model;
}

}  // namespace qel
