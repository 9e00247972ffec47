// The point editor's gesture machine: presses that create, select or grab a handle,
// clicks that place drawn points, drags that move the selected point, and cursors.
#include <cmath>
#include <limits>
#include <string>
#include <variant>

#include "Common/Ellipsoid.h"
#include "Data/DataSourceDisplay.h"
#include "Data/Entity.h"
#include "Manipulator/HandleImages.h"
#include "Manipulator/PointEditorImpl.h"
#include "PointPosition.h"
#include "Scene/SceneImpl.h"
#include "Viewer/CursorAction.h"
#include "Viewer/Viewer.h"
#include "WindowPixel.h"

namespace qel {

namespace {

// A click may move this far between press and release (pixels at DPI scale 1) and still
// place a point: hands shake, a click is not a drag.
constexpr double kClickTolerance = 10.0;
// Side of the window square a press searches for the point or a handle (pixels): the
// press must land on them, not merely near.
constexpr int kPressPickSize = 3;

// Where a drawing press's geometry stands until a click places it: nowhere, so that
// the scene draws nothing for it meanwhile.
constexpr double kNoCoordinate = std::numeric_limits<double>::quiet_NaN();
constexpr Cartographic kUnplaced{kNoCoordinate, kNoCoordinate, kNoCoordinate};

bool isHeightHandle(const std::string& id) { return id == HandleImages::kMoveUpId || id == HandleImages::kMoveDownId; }

}  // namespace

bool PointEditorImpl::handle(const GUIEventAdapter& event, const Viewer& viewer) {
  if (event.getHandled()) return false;
  if (!drawing && !feature) return false;
  std::optional<Vector2<int>> position;
  if (!readPointerPosition(event, position)) return false;
  SceneImpl& sceneImpl = viewer.getScene()._getImplHandle();
  switch (event.getEventType()) {
    case GUIEventAdapter::PUSH: return onPress(event, *position, sceneImpl);
    case GUIEventAdapter::RELEASE: return onRelease(event, *position, sceneImpl, viewer);
    case GUIEventAdapter::DOUBLECLICK: return onDoubleClick(*position);
    case GUIEventAdapter::DRAG: return onDrag(event, *position, sceneImpl);
    case GUIEventAdapter::MOVE: return onMove(viewer);
    default: return false;
  }
}

bool PointEditorImpl::onPress(const GUIEventAdapter& event, const Vector2<int>& p, SceneImpl& sceneImpl) {
  pressed = true;
  if (event.getButton() != GUIEventAdapter::LEFT_MOUSE_BUTTON) return false;
  pressPosition = p;
  lastPosition = p;
  if (!feature && drawing) createDrawnFeature(sceneImpl);
  // While drawing, the press only prepares the click; the camera may still take a drag.
  if (drawing) return false;

  const std::shared_ptr<PickObject> picked = sceneImpl.pick(p, kPressPickSize, kPressPickSize).lock();
  // Features are drawn by their entities, not by collection elements: either names
  // something drawn.
  if (!picked || (picked->getElement() == nullptr && !picked->getEntity())) {
    selected = false;
    return false;
  }
  const PickId& id = picked->getId();
  if (const auto* entityId = std::get_if<std::weak_ptr<Entity>>(&id)) {
    // The point itself: selected, but the press is left to others, so that a press on
    // another feature still reaches the camera.
    if (const std::shared_ptr<Entity> entity = entityId->lock()) selected = entity->_getFeature() == feature;
    return false;
  }
  if (const auto* name = std::get_if<std::string>(&id)) {
    if (isHeightHandle(*name)) heightDragging = true;
    selected = true;
    const Feature::PointGeometry* point = pointGeometry();
    pointPosition = point != nullptr ? readPointPosition(*point) : std::nullopt;
    return true;
  }
  return false;
}

void PointEditorImpl::createDrawnFeature(SceneImpl& sceneImpl) {
  auto created = std::make_shared<Feature::Feature>();
  auto point = std::make_shared<Feature::PointGeometry>(kUnplaced, false);
  created->setGeometry(point);
  created->setStyle(style);
  created->_setAsynchronous(false);
  feature = created;
  unplacedGeometry = point;
  unplacedVersion = point->_getVersion();
  setGeometry(point);
  sceneImpl._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->add(created);
}

bool PointEditorImpl::onRelease(const GUIEventAdapter& event, const Vector2<int>& p, SceneImpl& sceneImpl,
                                const Viewer& viewer) {
  const double tolerance = static_cast<double>(sceneImpl.getContext().getDpiScale()) * kClickTolerance;
  const double dx = static_cast<double>(p.x) - static_cast<double>(pressPosition.x);
  const double dy = static_cast<double>(p.y) - static_cast<double>(pressPosition.y);
  const double distance = std::sqrt(dx * dx + dy * dy);
  bool used = false;
  if (event.getButton() == GUIEventAdapter::LEFT_MOUSE_BUTTON) {
    if (tolerance > distance && pressed) {
      Feature::PointGeometry* point = pointGeometry();
      if (drawing && point != nullptr) {
        const std::optional<Vector3<double>> hit = sceneImpl.pickGlobe(p);
        const std::optional<Cartographic> onGlobe = hit ? Ellipsoid::WGS84.cartesianToCartographic(*hit) : std::nullopt;
        if (onGlobe) {
          markSelfChange();
          point->setPosition(*onGlobe);
          (void)stopEditing(false, false);
          used = true;
        }
      }
    } else if (selected && heightDragging) {
      // Only the end of a drag lets go of a handle: a click on it leaves the next drag
      // vertical.
      heightDragging = false;
    }
  }
  if (drawing) viewer.setSceneCursor(CursorAction::DrawPoints);
  pressed = false;
  return used;
}

bool PointEditorImpl::onDoubleClick(const Vector2<int>& p) {
  if (!drawing) {
    lastPosition = p;
    return false;
  }
  (void)stopEditing(false, false);
  return true;
}

bool PointEditorImpl::onDrag(const GUIEventAdapter& event, const Vector2<int>& p, SceneImpl& sceneImpl) {
  if (drawing || event.getButtonMask() != GUIEventAdapter::LEFT_MOUSE_BUTTON || !selected) return false;
  if (heightDragging) {
    moveVertically(sceneImpl, lastPosition, p);
  } else {
    moveHorizontally(sceneImpl, lastPosition, p);
  }
  lastPosition = p;
  if (heightReference != HeightReference::None && pointPosition) pointPosition = adjustHeight(*pointPosition);
  geometryChangedEvent.raiseEvent(geometry, kPointIndex, kMoved);
  return true;
}

bool PointEditorImpl::onMove(const Viewer& viewer) const {
  if (drawing) {
    viewer.setSceneCursor(CursorAction::DrawPoints);
  } else if (objectMoving) {
    viewer.setSceneCursor(CursorAction::HoverMovable);
  }
  return false;
}

}  // namespace qel
