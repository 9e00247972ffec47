// The model editor's input: the gesture machine, the per-frame show and rebuild of the
// gizmo, the hover test and the drag steps of each gizmo part.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Common/WorkTask.h"
#include "Layers/Layer.h"
#include "Layers/Qel3DTileset.h"
#include "Manipulator/ModelEditorImpl.h"
#include "ModelEditorTargets.h"
#include "Scene/PickObject.h"
#include "Scene/SceneImpl.h"
#include "Scene/SceneTransforms.h"
#include "Viewer/Viewer.h"
#include "WindowPixel.h"

namespace qel {

namespace {

// Side of the window square the hover test searches (pixels), centred on the pointer.
constexpr int kHoverPickSize = 10;
// A corner drag scales by 1 ± kCornerGain × (pixels moved / viewport extent) along each
// window axis: a tenth of the viewport away from the centre grows the object by half.
constexpr double kCornerGain = 5.0;
// The smallest x scale a corner drag leaves.
constexpr double kMinimumScale = 0.001;

// Only a drag or press with the left button alone works the gizmo.
bool leftOnly(const GUIEventAdapter& event) { return event.getButtonMask() == GUIEventAdapter::LEFT_MOUSE_BUTTON; }

// The ray through window position `p`, carried into the coordinates of `inverseG`.
Ray localRay(const SceneImpl& scene, const Matrix4& inverseG, const Vector2<float>& p) {
  const Ray ray = scene.getCamera().getPickRay(p);
  return {inverseG.multiplyByPoint(ray.origin), inverseG.multiplyByPointAsVector(ray.direction)};
}

// Where a ray meets a sphere about the Earth's centre: the entry point when it lies in
// front of the eye, else the exit point.
std::optional<Vector3<double>> sphereHit(const Ray& ray, const Ellipsoid& sphere) {
  const std::optional<Interval> hit = IntersectionTests::intersects(ray, sphere);
  if (!hit) return std::nullopt;
  return ray.getPoint(hit->start > 0.0 ? hit->start : hit->stop);
}

}  // namespace

bool ModelEditorImpl::handle(const GUIEventAdapter& event, const Viewer& viewer) {
  if (event.getHandled()) return false;
  if (!targetInScene()) {
    removeGizmo();
    return false;
  }
  std::optional<Vector2<int>> pixel;
  if (!readPointerPosition(event, pixel)) return false;
  const Vector2<float> at{event.getX(), event.getY()};
  switch (event.getEventType()) {
    case GUIEventAdapter::PUSH:
      if (leftOnly(event)) lastMouse = at;
      return false;
    case GUIEventAdapter::DOUBLECLICK: lastMouse = at; return false;
    case GUIEventAdapter::DRAG: {
      if (!leftOnly(event) || scene == nullptr) return false;
      const Controller dragged = controller;
      dragStep(*scene, at);
      if (dragged != Controller::None) needsRebuild = true;
      // A tileset is not carried over the globe: its own drag goes to the camera.
      if (dragged == Controller::Object && !tileset.expired()) return false;
      return dragged != Controller::None;
    }
    case GUIEventAdapter::MOVE: hover(viewer, at); return false;
    case GUIEventAdapter::FRAME: frameStep(); return false;
    default: return false;
  }
}

bool ModelEditorImpl::targetInScene() const {
  std::shared_ptr<Layer> layer;
  if (const std::shared_ptr<Qel3DTileset> edited = tileset.lock()) {
    layer = edited->getLayer();
  } else if (const std::shared_ptr<Feature::Feature> edited = feature.lock()) {
    layer = edited->getLayer();
  }
  return layer && layer->_getScene();
}

// ---------------------------------------------------------------------------------------
// Per frame

void ModelEditorImpl::frameStep() {
  const std::shared_ptr<Qel3DTileset> editedTileset = tileset.lock();
  const std::shared_ptr<Feature::Feature> editedFeature = feature.lock();
  const bool visible = (editedTileset && editedTileset->isShow()) || (editedFeature && editedFeature->isShow());
  gizmo.setShow(visible);
  if (!needsRebuild || !visible || scene == nullptr) return;
  scene->getFrameState().taskQueue.push(makeWorkTask([weak = self, editedTileset, editedFeature] {
    const std::shared_ptr<ModelEditorImpl> editor = weak.lock();
    if (editor && editor->scene != nullptr) editor->update(*editor->scene, editedTileset, editedFeature);
  }));
}

// ---------------------------------------------------------------------------------------
// Hover

Controller ModelEditorImpl::hitTestWithEditorController(ModelEditorImpl& impl, const Viewer& viewer,
                                                        const Vector2<float>& mouse) {
  if (!impl.gizmo.isComplete()) return Controller::None;
  SceneImpl& sceneImpl = viewer.getScene()._getImplHandle();
  const Vector2<int> pixel{static_cast<int>(mouse.x), static_cast<int>(mouse.y)};
  const std::shared_ptr<PickObject> picked = sceneImpl.pick(pixel, kHoverPickSize, kHoverPickSize).lock();
  if (!picked) return Controller::None;
  bool isBox = false;
  Controller found = impl.gizmo.classify(*picked, isBox);
  if (isBox) return Controller::None;
  if (found == Controller::None) {
    const std::shared_ptr<Qel3DTileset> editedTileset = impl.tileset.lock();
    const std::shared_ptr<Feature::Feature> editedFeature = impl.feature.lock();
    if (editedTileset && pickedTileset(*picked) == editedTileset.get()) {
      found = Controller::Object;
    } else if (editedFeature) {
      const std::shared_ptr<Entity> entity = picked->getEntity();
      if (entity && entity == findModelEntity(*editedFeature)) found = Controller::Object;
    }
  }
  const CollectionElement* point = picked->getElement();
  sceneImpl.getFrameState().taskQueue.push(makeWorkTask([weak = impl.self, found, point] {
    if (const std::shared_ptr<ModelEditorImpl> editor = weak.lock()) editor->gizmo.highlight(found, point);
  }));
  return found;
}

void ModelEditorImpl::hover(const Viewer& viewer, const Vector2<float>& mouse) {
  const Controller found = hitTestWithEditorController(*this, viewer, mouse);
  if (found == controller) return;
  gizmo.restore(controller);
  controller = found;
}

// ---------------------------------------------------------------------------------------
// Drags

void ModelEditorImpl::dragStep(SceneImpl& sceneImpl, const Vector2<float>& b) {
  const Vector2<float> a = lastMouse;
  const std::shared_ptr<Feature::Feature> editedFeature = feature.lock();
  // A model feature whose model is not drawn has nothing to drag.
  if (editedFeature && !findModelEntity(*editedFeature)) return;
  switch (controller) {
    case Controller::XAxis:
    case Controller::YAxis:
    case Controller::ZAxis:
      if (!dragAxis(sceneImpl, a, b)) return;
      break;
    case Controller::Ring:
      if (!dragRing(sceneImpl, a, b)) return;
      break;
    case Controller::Corner: {
      const std::optional<Vector2<double>> centre =
          SceneTransforms::wgs84ToWindowCoordinates(sceneImpl, gizmo.getModelMatrix().getTranslation());
      if (!centre) return;
      dragCorner(sceneImpl, a, b);
      break;
    }
    case Controller::Object:
      if (!editedFeature) {
        lastMouse = b;
        return;
      }
      dragObject(sceneImpl, a, b);
      break;
    default: return;
  }
  lastMouse = b;
  raiseChanged();
}

bool ModelEditorImpl::dragAxis(SceneImpl& sceneImpl, const Vector2<float>& a, const Vector2<float>& b) {
  const Matrix4 inverseG = gizmo.getModelMatrix().inverse();
  const std::optional<Vector3<double>> from =
      ModelGizmo::closestPointOnAxis(localRay(sceneImpl, inverseG, a), controller);
  const std::optional<Vector3<double>> to =
      ModelGizmo::closestPointOnAxis(localRay(sceneImpl, inverseG, b), controller);
  if (!from || !to) return false;
  if (controller == Controller::ZAxis) {
    translateBy({0.0, 0.0, to->z - from->z});
  } else {
    translateBy({to->x - from->x, to->y - from->y, 0.0});
  }
  return true;
}

bool ModelEditorImpl::dragRing(SceneImpl& sceneImpl, const Vector2<float>& a, const Vector2<float>& b) {
  const Matrix4 inverseG = gizmo.getModelMatrix().inverse();
  const std::vector<Vector3<double>>& ring = gizmo.getRingPoints();
  const std::optional<Vector3<double>> from = ModelGizmo::closestPointOnRing(localRay(sceneImpl, inverseG, a), ring);
  const std::optional<Vector3<double>> to = ModelGizmo::closestPointOnRing(localRay(sceneImpl, inverseG, b), ring);
  if (!from || !to) return false;
  const std::optional<double> angle = ModelGizmo::ringTurn(*from, *to);
  if (!angle) return false;
  rotateBy({Radian(0.0), Radian(0.0), Radian(*angle)});
  return true;
}

void ModelEditorImpl::dragCorner(SceneImpl& sceneImpl, const Vector2<float>& a, const Vector2<float>& b) {
  const Viewport& viewport = sceneImpl.getCamera().getViewport();
  // The viewport's positive extents; an empty one counts as one pixel.
  const double wx = viewport.width() != 0 ? std::abs(static_cast<double>(viewport.width())) : 1.0;
  const double wy = viewport.height() != 0 ? std::abs(static_cast<double>(viewport.height())) : 1.0;
  const Vector2<double> centre =
      *SceneTransforms::wgs84ToWindowCoordinates(sceneImpl, gizmo.getModelMatrix().getTranslation());
  const double mx = std::abs(static_cast<double>(b.x) - a.x);
  const double my = std::abs(static_cast<double>(a.y) - b.y);
  // Nearer or farther by whole pixels, as the pointer reports them (in doubles: a centre
  // projected far off the window must not overflow).
  const auto squaredDistance = [&centre](const Vector2<float>& p) {
    const double dx = std::trunc(static_cast<double>(p.x)) - std::trunc(centre.x);
    const double dy = std::trunc(static_cast<double>(p.y)) - std::trunc(centre.y);
    return dx * dx + dy * dy;
  };
  const double sign = squaredDistance(b) < squaredDistance(a) ? -1.0 : 1.0;
  const double sx = 1.0 + sign * kCornerGain * mx / wx;
  const double sy = 1.0 + sign * kCornerGain * my / wy;
  double f = (sx + sy) / 2.0;
  if (scale.x * f < kMinimumScale) f = kMinimumScale / scale.x;
  scaleBy({f, f, f});
}

void ModelEditorImpl::dragObject(SceneImpl& sceneImpl, const Vector2<float>& a, const Vector2<float>& b) {
  const double radius = Ellipsoid::WGS84.cartographicToCartesian(position).length();
  const Ellipsoid sphere(radius, radius, radius);
  const Camera& camera = sceneImpl.getCamera();
  const std::optional<Vector3<double>> from = sphereHit(camera.getPickRay(a), sphere);
  const std::optional<Vector3<double>> to = sphereHit(camera.getPickRay(b), sphere);
  if (!from || !to) return;
  const std::optional<Cartographic> fromPlace = Ellipsoid::WGS84.cartesianToCartographic(*from);
  const std::optional<Cartographic> toPlace = Ellipsoid::WGS84.cartesianToCartographic(*to);
  if (!fromPlace || !toPlace) return;
  moveTo({position.longitude + (toPlace->longitude - fromPlace->longitude),
          position.latitude + (toPlace->latitude - fromPlace->latitude), position.height});
}

void ModelEditorImpl::raiseChanged() { changedEvent.raiseEvent(position, translation, rotation, scale, nullptr); }

}  // namespace qel
