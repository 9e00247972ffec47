#include "Manipulator/ScenePicker.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "Manipulator/ScenePickerImpl.h"
#include "Manipulator/ToolSingleton.h"
#include "Scene/SceneImpl.h"
#include "Scene/SceneTransforms.h"
#include "ToolRegistration.h"
#include "Viewer/CursorAction.h"
#include "Viewer/Viewer.h"
#include "Viewer/ViewerImpl.h"
#include "WindowPixel.h"

namespace qel {

namespace {

// A click may move this far between press and release (pixels at DPI scale 1) and
// still pick: hands shake, a click is not a drag.
constexpr float kClickTolerance = 10.0f;
// Side of the window square a click pick searches (pixels), centred on the release.
constexpr int kClickPickSize = 10;

// Normalised depth of the outline's anchor on the press pixel's ray: just past the near
// plane, so that the outline is drawn in front of everything it encloses.
constexpr double kAnchorDepth = 0.1;

// Width of the rectangle outline (window pixels).
constexpr double kOutlineWidth = 2.0;

}  // namespace

// ---------------------------------------------------------------------------------------
// Facade

ScenePicker::ScenePicker() = default;
ScenePicker::~ScenePicker() = default;

ScenePicker* ScenePicker::instance(bool destroy) {
  return toolInstance<ScenePicker>(destroy, [] { return new ScenePicker(); });
}

void ScenePicker::startPicking(bool rectangle) {
  command([rectangle](Impl& impl, ViewerImpl&) { impl.startPicking(rectangle); });
}

void ScenePicker::stopPicking() {
  command([](Impl& impl, ViewerImpl&) { impl.reset(); });
}

ScenePicker::PickedEvent& ScenePicker::getPickedEvent() const { return impl().getPickedEvent(); }

ScenePicker::RectanglePickingEvent& ScenePicker::getRectanglePickingEvent() const {
  return impl().getRectanglePickingEvent();
}

// ---------------------------------------------------------------------------------------
// Implementation

ScenePickerImpl::~ScenePickerImpl() = default;

void ScenePickerImpl::attachTo(ViewerImpl& viewer, const std::shared_ptr<ScenePickerImpl>& self) {
  scene = viewer.getPublicScene()._getImplShared();
  registerTool(viewer, self);
}

void ScenePickerImpl::detachFrom(ViewerImpl* viewer) {
  // The outline belongs to the old scene: reset while that scene is still known.
  reset();
  scene.reset();
  if (viewer != nullptr) unregisterTool(*viewer, *this);
}

void ScenePickerImpl::releaseFrom(ViewerImpl& viewer) {
  reset();
  unregisterTool(viewer, *this);
}

void ScenePickerImpl::startPicking(bool rectangle) {
  reset();
  if (rectangle) {
    rectanglePicking = true;
  } else {
    clickPicking = true;
  }
}

void ScenePickerImpl::reset() {
  clickPicking = false;
  rectanglePicking = false;
  if (outlineCollection) {
    if (std::shared_ptr<SceneImpl> alive = scene.lock()) alive->getPrimitives().remove(*outlineCollection);
    outlineCollection.reset();
    outline = nullptr;
  }
  // A gesture cut short by a mode change must not finish in the next mode.
  pressed = false;
  dragging = false;
  rectangleOriginSet = false;
}

bool ScenePickerImpl::handle(const GUIEventAdapter& event, const Viewer& viewer) {
  if (event.getHandled()) return false;
  if (!clickPicking && !rectanglePicking) return false;
  std::optional<Vector2<int>> position;
  if (!readPointerPosition(event, position)) return false;
  SceneImpl& sceneImpl = viewer.getScene()._getImplHandle();
  switch (event.getEventType()) {
    case GUIEventAdapter::PUSH: return onPress(event, *position, sceneImpl);
    case GUIEventAdapter::DRAG: return onDrag(*position, viewer);
    case GUIEventAdapter::FRAME: return onFrame(viewer);
    case GUIEventAdapter::RELEASE:
      if (rectanglePicking) return onRectangleRelease(event, sceneImpl, viewer);
      return onClickRelease(event, *position, sceneImpl, viewer);
    case GUIEventAdapter::MOVE:
      viewer.setSceneCursor(rectanglePicking ? CursorAction::RectanglePick : CursorAction::ClickPick);
      return false;
    default: return false;
  }
}

bool ScenePickerImpl::onPress(const GUIEventAdapter& event, const Vector2<int>& position, SceneImpl& sceneImpl) {
  pressed = true;
  if (event.getButton() != GUIEventAdapter::LEFT_MOUSE_BUTTON) return false;
  pressPosition = position;
  if (!rectanglePicking) return false;
  // The anchor is the point just past the near plane on the press pixel's ray (the
  // drawing buffer counts rows from the bottom): it lies under the press point at any
  // view, on the globe or off it.
  const Vector2<double> bottomLeft{
      static_cast<double>(pressPosition.x),
      static_cast<double>(sceneImpl.getContext().getDrawingBufferHeight()) - static_cast<double>(pressPosition.y)};
  rectangleOrigin =
      SceneTransforms::drawingBufferToWgs84Coordinates(sceneImpl, bottomLeft, kAnchorDepth).value_or(Vector3<double>{});
  rectangleOriginSet = true;
  if (!outlineCollection) createOutline(sceneImpl);
  outline->setPositions({});
  return false;
}

void ScenePickerImpl::createOutline(SceneImpl& sceneImpl) {
  // Not depth tested: the outline is drawn over whatever it encloses.
  outlineCollection = std::make_shared<PolylineCollection>(&sceneImpl, false, Matrix4::identity(), false);
  Polyline::ConstructorOptions options;
  options.loop = true;
  options.show = true;
  options.width = kOutlineWidth;
  outline = outlineCollection->add(std::move(options));
  outline->setHeightReference(HeightReference::None);
  // The outline encloses what is picked; it must never be among it.
  outlineCollection->setSelectEnabled(false);
  sceneImpl.getPrimitives().add(outlineCollection);
}

bool ScenePickerImpl::onDrag(const Vector2<int>& position, const Viewer& viewer) {
  if (!rectanglePicking || !pressed || !rectangleOriginSet) return false;
  dragPosition = position;
  dragging = true;
  viewer.setSceneCursor(CursorAction::RectanglePick);
  return true;
}

bool ScenePickerImpl::onFrame(const Viewer& viewer) {
  if (!rectanglePicking || !pressed || !dragging || !rectangleOriginSet || outline == nullptr) return false;
  const double dx = dragPosition.x - pressPosition.x;
  const double dy = dragPosition.y - pressPosition.y;
  outline->setPositions({{0.0, 0.0, 0.0}, {0.0, dy, 0.0}, {dx, dy, 0.0}, {dx, 0.0, 0.0}});
  outline->setOrigin(rectangleOrigin, true);
  outlineCollection->setShow(true);
  viewer.setSceneCursor(CursorAction::RectanglePick);
  return false;
}

bool ScenePickerImpl::onRectangleRelease(const GUIEventAdapter& event, SceneImpl& sceneImpl, const Viewer& viewer) {
  if (!pressed) return false;
  if (event.getButton() != GUIEventAdapter::LEFT_MOUSE_BUTTON || !dragging) {
    rectangleOriginSet = false;
    viewer.setSceneCursor(CursorAction::RectanglePick);
    pressed = false;
    return false;
  }
  const Vector2<int> topLeft{std::min(dragPosition.x, pressPosition.x), std::min(dragPosition.y, pressPosition.y)};
  // In 64 bits: two positions at opposite ends of the int range are still a rectangle.
  const long long width = std::llabs(static_cast<long long>(dragPosition.x) - pressPosition.x);
  const long long height = std::llabs(static_cast<long long>(dragPosition.y) - pressPosition.y);
  const auto clampToInt = [](long long v) { return static_cast<int>(std::min<long long>(v, INT_MAX)); };
  const std::vector<std::shared_ptr<PickObject>> picked =
      sceneImpl.rectanglePick(topLeft, clampToInt(width), clampToInt(height));
  rectanglePickingEvent.raiseEvent(picked);
  if (outlineCollection) outlineCollection->setShow(false);
  dragging = false;
  rectangleOriginSet = false;
  viewer.setSceneCursor(CursorAction::RectanglePick);
  pressed = false;
  return false;
}

bool ScenePickerImpl::onClickRelease(const GUIEventAdapter& event, const Vector2<int>& position, SceneImpl& sceneImpl,
                                     const Viewer& viewer) {
  const float tolerance = sceneImpl.getContext().getDpiScale() * kClickTolerance;
  const double dx = static_cast<double>(position.x) - pressPosition.x;
  const double dy = static_cast<double>(position.y) - pressPosition.y;
  const auto distance = static_cast<float>(std::sqrt(dx * dx + dy * dy));
  if (distance < tolerance && pressed && event.getButton() == GUIEventAdapter::LEFT_MOUSE_BUTTON) {
    pickedEvent.raiseEvent(sceneImpl.pick(position, kClickPickSize, kClickPickSize));
  }
  viewer.setSceneCursor(CursorAction::ClickPick);
  pressed = false;
  return false;
}

}  // namespace qel
