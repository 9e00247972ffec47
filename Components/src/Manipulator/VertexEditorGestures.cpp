// The line and area editors' gesture machine: what a press, release, double click, drag
// and move of the pointer do to the edited feature.
#include <cmath>
#include <string>

#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Data/DataSource.h"
#include "Data/DataSourceDisplay.h"
#include "Data/Entity.h"
#include "Feature/FeatureGroup.h"
#include "Manipulator/HandleImages.h"
#include "Manipulator/VertexEditor.h"
#include "Scene/PickObject.h"
#include "Scene/SceneImpl.h"
#include "Scene/SceneTransforms.h"
#include "Viewer/Viewer.h"
#include "WindowPixel.h"

namespace qel {

namespace {

// A press or release no further apart than this (pixels at DPI scale 1) is a click.
constexpr double kClickThreshold = 10.0;
// Half the side of the box (pixels at DPI scale 1) in which a handle is under the pointer.
constexpr double kHandleHitHalfSize = 5.0;
// Side of the window square the scene's pick searches (pixels).
constexpr int kPickSize = 10;
// The height drag reads the window length of this drop (metres) under the grab point.
constexpr double kHeightProbe = 1.0;
// An insertion takes the pointer's ray as a segment this long (metres) from the eye.
constexpr double kRayLength = 100.0;

}  // namespace

bool VertexEditor::handle(const GUIEventAdapter& event, const Viewer& viewer) {
  if (event.getHandled()) return false;
  if (!drawing && !feature) return false;
  if (scene == nullptr || !carriesPointerPosition(event.getEventType())) return false;
  const std::optional<Vector2<int>> position = toWindowPixel(event);
  if (!position) return false;
  switch (event.getEventType()) {
    case GUIEventAdapter::PUSH: return onPress(event, *position);
    case GUIEventAdapter::RELEASE: return onRelease(event, *position, viewer);
    case GUIEventAdapter::DOUBLECLICK:
      pressed = true;
      doubleClicked = true;
      return drawing;
    case GUIEventAdapter::DRAG: return onDrag(event, *position, viewer);
    case GUIEventAdapter::MOVE: return onMove(*position, viewer);
    default: return false;
  }
}

template <class PositionOf>
int VertexEditor::hitTest(std::size_t count, PositionOf&& positionOf, const Vector2<int>& position) const {
  const double half = kHandleHitHalfSize * dpiScale();
  for (std::size_t i = 0; i < count; ++i) {
    const std::optional<Vector2<double>> at = windowOf(positionOf(i));
    if (!at) continue;
    if (std::abs(at->x - position.x) < half && std::abs(at->y - position.y) < half) return static_cast<int>(i);
  }
  return -1;
}

std::shared_ptr<PickObject> VertexEditor::pickAt(const Vector2<int>& position) const {
  return scene->pick(position, kPickSize, kPickSize).lock();
}

bool VertexEditor::pickedFeature(const std::shared_ptr<PickObject>& picked) const {
  if (!picked || !feature) return false;
  const std::shared_ptr<Entity> entity = picked->getEntity();
  return entity && entity->_getFeature() == feature;
}

std::optional<Cartographic> VertexEditor::globeCartographicAt(const Vector2<int>& position) const {
  const std::optional<Vector3<double>> hit = scene->pickGlobe(position);
  if (!hit) return std::nullopt;
  return Ellipsoid::WGS84.cartesianToCartographic(*hit);
}

std::optional<Cartographic> VertexEditor::drawnClickAt(const Vector2<int>& position) {
  const std::optional<Cartographic> picked = globeCartographicAt(position);
  if (picked && !currentPositions().empty()) pushSnapshot();
  return picked;
}

void VertexEditor::startNewFeature() {
  auto created = std::make_shared<Feature::Feature>();
  std::shared_ptr<Feature::Geometry> shape = makeGeometry();
  created->setGeometry(shape);
  created->setStyle(style);
  created->_setAsynchronous(false);
  feature = created;
  markSelfChange();
  setGeometry(shape);
  try {
    scene->_getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->add(created);
  } catch (const std::logic_error&) {
    // A scene without data sources draws nothing of the feature; the editor still edits it.
  }
}

// ---------------------------------------------------------------------------------------
// Press

bool VertexEditor::onPress(const GUIEventAdapter& event, const Vector2<int>& position) {
  pressed = true;
  if (event.getButton() != GUIEventAdapter::LEFT_MOUSE_BUTTON) return false;
  pressPosition = position;
  lastPosition = position;
  if (drawing && !feature) startNewFeature();
  // While drawing, vertices are added on release.
  if (drawing) return false;
  const std::shared_ptr<PickObject> picked = pickAt(position);
  bool consumed = false;
  if (!objectMoving) {
    if (pressOnHandles(picked)) {
      heightDragging = true;
      consumed = true;
    } else {
      const int previous = selectedIndex;
      selectedIndex = -1;
      anchor.reset();
      const std::vector<Cartographic>& positions = currentPositions();
      const int vertex = hitTest(
          vertexPoints->size(), [this](std::size_t i) { return vertexPoints->get(i)->get().position; }, position);
      if (vertex >= 0 && vertex < static_cast<int>(positions.size())) {
        selectedIndex = vertex;
        anchor = positions[vertex];
      }
      if (selectedIndex < 0 && middlePointVisible && middlePoints) {
        const int middle = hitTest(
            middlePoints->size(), [this](std::size_t i) { return middlePoints->get(i)->get().position; }, position);
        if (middle >= 0) insertFromMiddlePoint(middle);
      }
      if (selectedIndex != previous) handlesDirty = true;
      if (selectedIndex >= 0) {
        if (addMode) {
          if (kind.announcesInsertion) raiseGeometryChanged(selectedIndex, kVertexSelected);
          consumed = true;
        }
      } else if (pickedFeature(picked)) {
        anchor = globeCartographicAt(pressPosition);
        if (addMode && anchor) {
          const std::size_t before = currentPositions().size();
          insertOnFeature(pressPosition);
          consumed = currentPositions().size() != before;
        }
      }
    }
  } else if (picked && (picked->getPrimitive() == vertexPoints.get() || pickedFeature(picked))) {
    objectDragging = true;
    anchor = globeCartographicAt(pressPosition);
  }
  if (heightReference != HeightReference::None && anchor) anchor = clampHeight(*anchor);
  return consumed;
}

bool VertexEditor::pressOnHandles(const std::shared_ptr<PickObject>& picked) {
  if (!picked) return false;
  const auto* id = std::get_if<std::string>(&picked->getId());
  // The sideways handle lies on the vertex and is found by the vertex test.
  return id != nullptr && (*id == HandleImages::kMoveUpId || *id == HandleImages::kMoveDownId);
}

void VertexEditor::insertFromMiddlePoint(int index) {
  const std::optional<Cartographic> grabbed =
      Ellipsoid::WGS84.cartesianToCartographic(middlePoints->get(static_cast<std::size_t>(index))->get().position);
  if (!grabbed) return;
  selectedIndex = index + 1;
  std::vector<Cartographic> positions = currentPositions();
  positions.insert(positions.begin() + index + 1, *grabbed);
  writePositions(positions);
  const auto slot = static_cast<std::size_t>(index + 1);
  displayPositions.insert(
      displayPositions.begin() + static_cast<std::ptrdiff_t>(std::min(slot, displayPositions.size())),
      clampHeight(*grabbed));
  const int count = static_cast<int>(positions.size());
  if (index < static_cast<int>(middlePositions.size())) {
    if (std::optional<Cartographic> m = middleOf(positions[index], positions[index + 1])) middlePositions[index] = *m;
    const int next = kind.closed ? (index + 2) % count : index + 2;
    if (next < count) {
      if (std::optional<Cartographic> m = middleOf(positions[index + 1], positions[next])) {
        middlePositions.insert(middlePositions.begin() + index + 1, *m);
      }
    }
  }
  anchor = *grabbed;
}

void VertexEditor::insertOnFeature(const Vector2<int>& position) {
  const std::optional<std::pair<int, Cartographic>> found = findInsertionIndex(position);
  if (!found) return;
  const auto [k, at] = *found;
  std::vector<Cartographic> positions = currentPositions();
  if (k < 0 || k > static_cast<int>(positions.size())) return;
  positions.insert(positions.begin() + k, at);
  writePositions(positions);
  geometryDirty = true;
  displayPositions.insert(displayPositions.begin() + std::min<std::ptrdiff_t>(k, displayPositions.size()),
                          clampHeight(at));
  handlesDirty = true;
  const int count = static_cast<int>(positions.size());
  if (middlePointVisible && k >= 1 && k - 1 < static_cast<int>(middlePositions.size())) {
    if (std::optional<Cartographic> m = middleOf(positions[k - 1], positions[k])) middlePositions[k - 1] = *m;
    const int next = kind.closed ? (k + 1) % count : k + 1;
    if (next < count) {
      if (std::optional<Cartographic> m = middleOf(positions[k], positions[next])) {
        middlePositions.insert(middlePositions.begin() + k, *m);
      }
    }
  }
  selectedIndex = k;
  anchor = at;
  if (kind.announcesInsertion) raiseGeometryChanged(k, kVertexSelected);
}

std::optional<std::pair<int, Cartographic>> VertexEditor::insertionAlongRay(const Vector2<int>& q, double width,
                                                                            double tolerance) const {
  const std::vector<Cartographic>& positions = currentPositions();
  if (positions.size() < 2) return std::nullopt;
  const Ray ray = scene->getCamera().getPickRay(Vector2<float>(static_cast<float>(q.x), static_cast<float>(q.y)));
  const Vector3<double> rayStart = ray.origin;
  const Vector3<double> rayEnd = ray.getPoint(kRayLength);
  const Vector3<double> window(static_cast<double>(q.x), static_cast<double>(q.y), 0.0);
  Vector3<double> previous = Ellipsoid::WGS84.cartographicToCartesian(positions[0]);
  for (std::size_t i = 1; i < positions.size(); ++i) {
    const Vector3<double> current = Ellipsoid::WGS84.cartographicToCartesian(positions[i]);
    const auto closest = IntersectionTests::computeClosestPoints(previous, current, rayStart, rayEnd);
    if (closest) {
      const Vector3<double>& onLine = closest->first;
      const double pixel = SceneTransforms::computeRealLengthOfOnePixel(*scene, onLine, window);
      const double gap = Vector3<double>::distance(onLine, closest->second) / pixel;
      // Strictly between the two vertices: the directions to them are opposite.
      const bool between = (previous - onLine).normalized().dot((current - onLine).normalized()) < 0.0;
      if (width + tolerance > gap && between) {
        if (std::optional<Cartographic> at = Ellipsoid::WGS84.cartesianToCartographic(onLine)) {
          return std::make_pair(static_cast<int>(i), *at);
        }
      }
    }
    previous = current;
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------
// Release

bool VertexEditor::onRelease(const GUIEventAdapter& event, const Vector2<int>& position, const Viewer& viewer) {
  bool result = false;
  if (pressed) {
    const double dx = static_cast<double>(position.x) - pressPosition.x;
    const double dy = static_cast<double>(position.y) - pressPosition.y;
    const double distance = std::sqrt(dx * dx + dy * dy);
    const double threshold = kClickThreshold * dpiScale();
    if (event.getButton() != GUIEventAdapter::LEFT_MOUSE_BUTTON) {
      result = false;
    } else if (distance < threshold) {
      if (drawing) {
        if (doubleClicked) {
          finishEditing(false, false);
        } else {
          addDrawnVertex(position);
        }
        result = true;
      } else if (objectDragging) {
        objectDragging = false;
        result = true;
      } else if (selectedIndex >= 0) {
        if (deleteMode) {
          deleteByClick();
        } else if (!addMode) {
          raiseGeometryChanged(selectedIndex, kVertexClicked);
        }
      }
    } else {
      if (objectDragging) {
        refreshDisplayPositions(drawing);
        handlesDirty = true;
        objectDragging = false;
        result = true;
      }
      heightDragging = false;
    }
  }
  if (drawing) viewer.setSceneCursor(kind.drawingCursor);
  pressed = false;
  doubleClicked = false;
  return result;
}

void VertexEditor::deleteByClick() {
  const int index = selectedIndex;
  std::vector<Cartographic> positions = currentPositions();
  if (index < 0 || index >= static_cast<int>(positions.size())) return;
  pushSnapshot();
  positions.erase(positions.begin() + index);
  writePositions(positions);
  geometryDirty = true;
  if (index < static_cast<int>(displayPositions.size())) displayPositions.erase(displayPositions.begin() + index);
  if (middlePointVisible && !middlePositions.empty()) removeMiddlePointsAround(index, positions);
  handlesDirty = true;
  selectedIndex = -1;
  anchor.reset();
  // The deleted index, as deleteVertex reports it: the selection is already cleared.
  raiseGeometryChanged(index, kVertexDeleted);
}

// ---------------------------------------------------------------------------------------
// Drag

bool VertexEditor::onDrag(const GUIEventAdapter& event, const Vector2<int>& position, const Viewer& viewer) {
  if (drawing || event.getButtonMask() != GUIEventAdapter::LEFT_MOUSE_BUTTON) return false;
  if (deleteMode) return false;
  if (selectedIndex >= 0) {
    if (heightDragging) {
      dragHeight(position);
    } else {
      dragHorizontally(lastPosition, position);
      if (!objectDragging) viewer.setSceneCursor(CursorAction::OverVertex);
    }
  } else if (objectDragging) {
    dragHorizontally(lastPosition, position);
  } else {
    return false;
  }
  lastPosition = position;
  if (heightReference != HeightReference::None && anchor) anchor = clampHeight(*anchor);
  raiseGeometryChanged(selectedIndex, kVertexMoved);
  return true;
}

void VertexEditor::dragHeight(const Vector2<int>& to) {
  if (!anchor || selectedIndex < 0) return;
  const Ellipsoid& wgs84 = Ellipsoid::WGS84;
  Cartographic lower = *anchor;
  lower.height -= kHeightProbe;
  const std::optional<Vector2<double>> wp = windowOf(wgs84.cartographicToCartesian(*anchor));
  const std::optional<Vector2<double>> wq = windowOf(wgs84.cartographicToCartesian(lower));
  if (!wp || !wq) return;
  const double metresPerPixel = kHeightProbe / (wq->y - wp->y);
  if (!std::isfinite(metresPerPixel)) return;
  // Dragging down lowers the vertex.
  const double dh = (to.y - lastPosition.y) * metresPerPixel;
  std::vector<Cartographic> positions = currentPositions();
  if (selectedIndex >= static_cast<int>(positions.size()) || dh == 0.0) return;
  positions[selectedIndex].height -= dh;
  writePositions(positions);
  refreshVertex(selectedIndex);
  anchor->height -= dh;
  geometryDirty = true;
  handlesDirty = true;
}

void VertexEditor::dragHorizontally(const Vector2<int>& from, const Vector2<int>& to) {
  if (currentPositions().empty() || !anchor) return;
  // The grabbed point follows the pointer on the sphere through it, whatever the terrain.
  const Vector3<double> grabbed = Ellipsoid::WGS84.cartographicToCartesian(*anchor);
  const double radius = grabbed.length();
  const Ellipsoid sphere(radius, radius, radius);
  const std::optional<Vector2<double>> w = windowOf(grabbed);
  if (!w) return;
  const Vector2<double> t{w->x + (to.x - from.x), w->y + (to.y - from.y)};
  const Camera& camera = scene->getCamera();
  const auto onSphere = [&](const Vector2<double>& window) -> std::optional<Vector3<double>> {
    const Ray ray = camera.getPickRay(Vector2<float>(static_cast<float>(window.x), static_cast<float>(window.y)));
    const std::optional<Interval> hit = IntersectionTests::intersects(ray, sphere);
    if (!hit) return std::nullopt;
    return ray.getPoint(hit->start > 0.0 ? hit->start : hit->stop);
  };
  const std::optional<Vector3<double>> target = onSphere(t);
  const std::optional<Vector3<double>> start = onSphere(*w);
  if (!target || !start) return;
  const std::optional<Cartographic> targetGeo = sphere.cartesianToCartographic(*target);
  const std::optional<Cartographic> startGeo = sphere.cartesianToCartographic(*start);
  if (!targetGeo || !startGeo) return;
  const double dLon = targetGeo->longitude - startGeo->longitude;
  const double dLat = targetGeo->latitude - startGeo->latitude;
  if (std::isnan(dLon) || std::isnan(dLat) || (dLon == 0.0 && dLat == 0.0)) return;
  std::vector<Cartographic> positions = currentPositions();
  if (selectedIndex >= 0) {
    if (selectedIndex >= static_cast<int>(positions.size())) return;
    positions[selectedIndex].longitude += dLon;
    positions[selectedIndex].latitude += dLat;
  } else if (objectDragging) {
    for (Cartographic& p : positions) {
      p.longitude += dLon;
      p.latitude += dLat;
    }
  }
  writePositions(std::move(positions));
  if (selectedIndex >= 0) refreshVertex(selectedIndex);
  anchor->longitude += dLon;
  anchor->latitude += dLat;
  geometryDirty = true;
  handlesDirty = true;
}

// ---------------------------------------------------------------------------------------
// Move (hover)

bool VertexEditor::onMove(const Vector2<int>& position, const Viewer& viewer) {
  if (drawing) {
    viewer.setSceneCursor(kind.drawingCursor);
  } else if (objectMoving) {
    viewer.setSceneCursor(CursorAction::HoverMovable);
  } else {
    const int vertex = hitTest(
        vertexPoints->size(), [this](std::size_t i) { return vertexPoints->get(i)->get().position; }, position);
    if (vertex >= 0) {
      viewer.setSceneCursor(deleteMode ? CursorAction::OverVertexInDeleteMode : CursorAction::OverVertex);
    } else if (middlePointVisible && middlePoints &&
               hitTest(
                   middlePoints->size(), [this](std::size_t i) { return middlePoints->get(i)->get().position; },
                   position) >= 0) {
      viewer.setSceneCursor(CursorAction::OverVertex);
    } else if (addMode && kind.announcesInsertion && pickedFeature(pickAt(position))) {
      viewer.setSceneCursor(CursorAction::OverLineInAddMode);
    }
  }
  if (!drawing) return false;
  return moveWhileDrawing(position);
}

}  // namespace qel
