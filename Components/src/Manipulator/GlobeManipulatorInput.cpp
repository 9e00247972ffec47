// The manipulator's single entry for input and frame events: pointer bookkeeping,
// picks at the start of a gesture, dispatch to the motions, and the frame pipeline.

#include <chrono>
#include <cmath>

#include "Common/Clock.h"
#include "Common/IntersectionTests.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Manipulator/NavigationMath.h"
#include "Manipulator/NavigationSettings.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "Scene/TweenCollection.h"
#include "Viewer/CursorAction.h"
#include "Viewer/GUIEventAdapter.h"
#include "Viewer/Viewer.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

namespace {

using namespace navigation;

/// A release this soon after its press, this far away, is a flick.
constexpr double kFlickMaxSeconds = 0.2;
constexpr double kFlickMinPixels = 15.0;  // at DPI scale 1
/// Below this height above the terrain a wheel zoom aims just past its target when the
/// camera may go underground, so that it can pass through the surface.
constexpr double kUndergroundWheelHeight = 1.0;
constexpr double kUndergroundWheelPush = 1.0;  // metres beyond the target

bool isPointerEvent(std::uint32_t type) {
  switch (type) {
    case GUIEventAdapter::PUSH:
    case GUIEventAdapter::RELEASE:
    case GUIEventAdapter::DOUBLECLICK:
    case GUIEventAdapter::DRAG:
    case GUIEventAdapter::MOVE:
    case GUIEventAdapter::SCROLL: return true;
    default: return false;
  }
}

/// Pointer events with non-finite coordinates or wheel deltas, or arriving while the
/// window has no area, carry no usable position: they move nothing (navigation reports
/// nothing). A release among them still ends its gesture.
bool isUnusablePointerEvent(const GUIEventAdapter& ea, const SceneImpl& scene) {
  if (!isPointerEvent(ea.getEventType())) return false;
  if (!std::isfinite(ea.getX()) || !std::isfinite(ea.getY()) || !std::isfinite(ea.getScrollDelta())) return true;
  return scene.getCamera().getViewport().isEmpty();
}

double secondsSince(Clock::time_point then) {
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - then).count();
  return static_cast<double>(us) / 1000000.0;
}

}  // namespace

bool GlobeManipulatorImpl::handle(const GUIEventAdapter& ea, const Viewer& viewer) {
  if (ea.getHandled()) return false;
  SceneImpl& scene = viewer.getScene()._getImplHandle();
  if (isUnusablePointerEvent(ea, scene)) {
    if (ea.getEventType() != GUIEventAdapter::RELEASE) return false;
    // The button is up whatever the position says: no drag may follow, and with no
    // position there is no flick either.
    pressMousePosition = Vector2<float>(-1.0f, -1.0f);
    return true;
  }

  // Whatever the input, the pose must stay usable: a motion that would leave it
  // non-finite is undone, and stopped so that it cannot try again next frame.
  const Vector3<double> savedPosition = position;
  const Quaternion savedOrientation = orientation;
  bool result = false;
  switch (ea.getEventType()) {
    case GUIEventAdapter::PUSH: result = handlePush(ea, viewer, scene); break;
    case GUIEventAdapter::RELEASE: result = handleRelease(ea, scene); break;
    case GUIEventAdapter::DOUBLECLICK: result = ea.getButton() == GUIEventAdapter::LEFT_MOUSE_BUTTON; break;
    case GUIEventAdapter::DRAG: result = handleDrag(ea, viewer, scene); break;
    case GUIEventAdapter::MOVE:
      lastMousePosition = Vector2<float>(ea.getX(), ea.getY());
      mouseMoved = true;
      result = true;
      break;
    case GUIEventAdapter::KEYDOWN:
    case GUIEventAdapter::KEYUP: result = handleKey(ea); break;
    case GUIEventAdapter::SCROLL: result = handleScroll(ea, scene); break;
    case GUIEventAdapter::FRAME: result = handleFrame(viewer, scene); break;
    default: return false;
  }
  rollBackUnusablePose(savedPosition, savedOrientation);
  return result;
}

bool GlobeManipulatorImpl::rollBackUnusablePose(const Vector3<double>& savedPosition,
                                                const Quaternion& savedOrientation) {
  if (position.isFinite() && orientation.isFinite() && orientation.lengthSquared() != 0.0) return false;
  position = savedPosition;
  orientation = savedOrientation;
  // Which motion failed is not known here: stop them all, so that none repeats the
  // failure next frame. The pose was never announced (the viewpoint check skips
  // unusable poses), so nothing is announced for the undo either.
  stopCamera();
  cancelFlight();
  keyNaviMask = 0;
  keyStepRestart = true;
  return true;
}

std::optional<Vector3<double>> GlobeManipulatorImpl::pickGlobeAt(const Vector2<float>& window,
                                                                 const SceneImpl& scene) const {
  const Ray ray = scene.getCamera().getPickRay(window);
  if (scene.ellipsoidPick) {
    const auto interval = IntersectionTests::intersects(ray, kNavigationEllipsoid);
    if (interval && interval->start > 0.0) return ray.getPoint(interval->start);
    return std::nullopt;
  }
  return scene.getGlobe().pick(ray, scene);
}

void GlobeManipulatorImpl::globeHitTest(const Vector2<float>& window, const SceneImpl& scene) {
  const auto hit = pickGlobeAt(window, scene);
  if (!hit) {
    mouseGlobeHit = false;  // the last hit's position stays for those who read it
    return;
  }
  mouseGlobeHit = true;
  mouseGlobePosition = *hit;
  if (auto c = toCartographic(*hit)) mouseCartographic = *c;
}

bool GlobeManipulatorImpl::handlePush(const GUIEventAdapter& ea, const Viewer& viewer, SceneImpl& scene) {
  (void)viewer;
  pauseCamera();
  cancelFlight();

  const Vector2<float> p(ea.getX(), ea.getY());
  lastMousePosition = p;
  pressMousePosition = p;
  pressTime = Clock::now();

  globeHitTest(p, scene);
  naviHitTestSpace(p, scene);

  const std::uint32_t button = ea.getButton();
  if (button == GUIEventAdapter::LEFT_MOUSE_BUTTON) {
    leftPressPosition = mouseGlobeHit ? mouseGlobePosition : Vector3<double>();
    if (spaceHit) leftPressPosition = spaceHitPosition;
    calMouseSpeedLimitParam(leftPressPosition, p, scene);
    leftPressMouse = p;
  } else if (button == GUIEventAdapter::MIDDLE_MOUSE_BUTTON || button == GUIEventAdapter::RIGHT_MOUSE_BUTTON) {
    pivotPosition = getNaviSpaceMouseIntersectPos().value_or(navCenter);
    pivotAxis = pivotPosition.normalized();
  }
  return true;
}

bool GlobeManipulatorImpl::handleRelease(const GUIEventAdapter& ea, SceneImpl& scene) {
  const Vector2<float> p(ea.getX(), ea.getY());
  const double dt = secondsSince(pressTime);
  const double threshold = kFlickMinPixels * static_cast<double>(scene.getContext().getDpiScale());
  if (dt<kFlickMaxSeconds&& static_cast<double>(Vector2<float>::distance(pressMousePosition, p))> threshold) {
    momentumActive = true;
  }
  pressMousePosition = Vector2<float>(-1.0f, -1.0f);
  return true;
}

bool GlobeManipulatorImpl::handleDrag(const GUIEventAdapter& ea, const Viewer& viewer, SceneImpl& scene) {
  if (pressMousePosition.x < 0.0f || pressMousePosition.y < 0.0f) return false;
  const Vector2<float> p(ea.getX(), ea.getY());
  const std::uint32_t mask = ea.getButtonMask();
  if (mask == GUIEventAdapter::LEFT_MOUSE_BUTTON) {
    mouseLeftDrag(lastMousePosition, p, scene);
    viewer.setSceneCursor(CursorAction::Pan);
  } else if (mask == GUIEventAdapter::MIDDLE_MOUSE_BUTTON || mask == GUIEventAdapter::RIGHT_MOUSE_BUTTON) {
    const Viewport& viewport = scene.getCamera().getViewport();
    const double dx = static_cast<double>(p.x - lastMousePosition.x) / viewport.width();
    const double dy = static_cast<double>(p.y - lastMousePosition.y) / viewport.height();
    const Radian turn(dx * Math::TWO_PI);
    if (!isCameraUnderground()) {
      interiaRoll(turn, pivotAxis);
    } else {
      collisionRoll(turn, pivotAxis, scene, false);
    }
    collisionPitchPos(Radian(dy * Math::PI), pivotPosition, scene);
    viewer.setSceneCursor(CursorAction::TurnTilt);
  }
  lastMousePosition = p;
  return true;
}

bool GlobeManipulatorImpl::handleKey(const GUIEventAdapter& ea) {
  const bool down = ea.getEventType() == GUIEventAdapter::KEYDOWN;
  const int count = GUIEventAdapter::GetKeyNaviItemNum();
  for (int i = 0; i < count; ++i) {
    const GUIEventAdapter::KeyNaviItem item = GUIEventAdapter::GetKeyNaviItem(i);
    const bool matches = ea.getKey() == item.key && (item.modMask <= 0 || (ea.getModKeyMask() & item.modMask) != 0);
    if (!matches) continue;
    const auto bit = static_cast<std::uint32_t>(item.naviBit);
    if (down) {
      keyNaviMask |= bit;
    } else {
      keyNaviMask &= ~bit;
      if (keyNaviMask == 0) keyStepRestart = true;
    }
  }
  return true;
}

bool GlobeManipulatorImpl::handleScroll(const GUIEventAdapter& ea, SceneImpl& scene) {
  const Vector2<float> p(ea.getX(), ea.getY());
  const double wheel = static_cast<double>(ea.getScrollDelta());
  if (!(p == lastScrollMouse) && wheel != 0.0) {
    globeHitTest(p, scene);
    naviHitTestSpace(p, scene);
    lastScrollMouse = p;
  } else if (p == lastScrollMouse) {
    mouseMoved = true;
  }
  if (wheel == 0.0) return true;

  // The wheel keeps zoom inertia running so that notches accumulate.
  pauseFly();
  clearMomentum();
  clearRollInertia();
  cancelFlight();

  std::optional<Vector3<double>> target = getNaviSpaceMouseIntersectPos();
  if (heightAboveTerrain < kUndergroundWheelHeight && undergroundAllowed) {
    if (!target) {
      const double r = scene.getGlobe().getMaximumRadius();
      const double h = std::abs(eyeCartographic.height);
      const double horizon = std::sqrt((h + r) * (h + r) - r * r);
      target = scene.getCamera().getPickRay(p).getPoint(horizon);
    }
    const Vector3<double> toTarget = *target - position;
    target = position + toTarget.normalized() * (toTarget.length() + kUndergroundWheelPush);
  }

  const double amount = wheel * settings().mouseZoomSpeed;
  if (target) {
    interialZoom(amount, *target, p);
  } else {
    interialZoom(amount, navCenter, Vector2<float>(0.0f, 0.0f));
  }
  return true;
}

bool GlobeManipulatorImpl::handleFrame(const Viewer& viewer, SceneImpl& scene) {
  updateMembers(scene);

  if (pendingViewpoint) {
    const std::unique_ptr<Viewpoint> request = std::move(pendingViewpoint);
    prepareFly(*request, scene);
  }
  fly(scene);

  if (momentumActive) collisionRoll(momentumAngle, momentumAxis, scene, true);
  interia(scene);
  tweens->update(viewer._getImplHandle().getFrameStamp());
  adjustHeight(scene);
  checkViewpointChanged();

  if (mouseMoved && scene.getGlobe().isElevationContourEnabled()) {
    if (const auto hit = pickGlobeAt(lastMousePosition, scene)) {
      if (auto c = toCartographic(*hit)) mouseCartographic = *c;
    }
    mouseMoved = false;
  }
  scene.mousePosition = mouseCartographic;
  return true;
}

}  // namespace qel
