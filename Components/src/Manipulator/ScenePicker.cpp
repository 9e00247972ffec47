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

// The anchor of the outline: a point on the ray through the press pixel. Scenes that
// place a drawing-buffer position (origin bottom left) at a depth on its ray are asked
// for that; older ones give the globe point under a top-left position, and off the globe
// the anchor is taken just past the near plane on the pixel's ray, which draws the same.
template <class Transforms = SceneTransforms>
Vector3<double> anchorUnder(const SceneImpl& scene, const Vector2<int>& press) {
  if constexpr (requires { Transforms::drawingBufferToWgs84Coordinates(scene, Vector2<double>{}, kAnchorDepth); }) {
    const Vector2<double> bottomLeft{static_cast<double>(press.x),
                                     static_cast<double>(scene.getContext().getDrawingBufferHeight() - press.y)};
    if (auto onRay = Transforms::drawingBufferToWgs84Coordinates(scene, bottomLeft, kAnchorDepth)) return *onRay;
  } else {
    const Vector2<double> topLeft{static_cast<double>(press.x), static_cast<double>(press.y)};
    if (auto onGlobe = Transforms::drawingBufferToWgs84Coordinates(scene, topLeft)) return *onGlobe;
  }
  const Camera& camera = scene.getCamera();
  const Ray ray = camera.getPickRay(Vector2<float>{static_cast<float>(press.x), static_cast<float>(press.y)});
  return ray.getPoint(camera.getFrustum().near);
}

// The scene's own picks over what its last frame drew, where the scene has them; a scene
// without them has nothing to pick.
template <class Scene>
std::weak_ptr<PickObject> scenePick(Scene& scene, const Vector2<int>& position, int width, int height) {
  if constexpr (requires { scene.pick(position, width, height); }) {
    return scene.pick(position, width, height);
  } else {
    return {};
  }
}

template <class Scene>
std::vector<std::shared_ptr<PickObject>> sceneRectanglePick(Scene& scene, const Vector2<int>& topLeft, int width,
                                                            int height) {
  if constexpr (requires { scene.rectanglePick(topLeft, width, height); }) {
    return scene.rectanglePick(topLeft, width, height);
  } else {
    return {};
  }
}

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
  if (carriesPointerPosition(event.getEventType())) {
    position = toWindowPixel(event);
    if (!position) return false;
  }
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
  rectangleOrigin = anchorUnder(sceneImpl, pressPosition);
  rectangleOriginSet = true;
  if (!outlineCollection) createOutline(sceneImpl);
  outline->setPositions({});
  return false;
}

void ScenePickerImpl::createOutline(SceneImpl& sceneImpl) {
  outlineCollection = std::make_shared<RectangleOutline>();
  outline = outlineCollection.get();
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
  outline->setOrigin(rectangleOrigin);
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
      pickSource ? pickSource->rectanglePick(sceneImpl, topLeft, clampToInt(width), clampToInt(height))
                 : sceneRectanglePick(sceneImpl, topLeft, clampToInt(width), clampToInt(height));
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
    pickedEvent.raiseEvent(pickAt(sceneImpl, position, kClickPickSize, kClickPickSize));
  }
  viewer.setSceneCursor(CursorAction::ClickPick);
  pressed = false;
  return false;
}

std::weak_ptr<PickObject> ScenePickerImpl::pickAt(SceneImpl& sceneImpl, const Vector2<int>& position, int width,
                                                  int height) {
  if (pickSource) return pickSource->pick(sceneImpl, position, width, height);
  return scenePick(sceneImpl, position, width, height);
}

}  // namespace qel
