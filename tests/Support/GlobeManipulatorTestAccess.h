#pragma once

#include "Manipulator/GlobeManipulatorImpl.h"
#include "Scene/SceneImpl.h"
#include "Scene/Tween.h"
#include "Scene/TweenCollection.h"
#include "Scene/TweenOptions.h"

namespace qel {

/// Reaches the manipulator's private state and operations from tests, for what a test
/// must arrange or observe that no public operation shows (inertia counters, the
/// horizon guard, a single zoom step).
struct GlobeManipulatorTestAccess {
  static const Vector3<double>& navCenter(const GlobeManipulatorImpl& m) { return m.navCenter; }
  static bool navCenterFound(const GlobeManipulatorImpl& m) { return m.navCenterFound; }
  static double viewPitch(const GlobeManipulatorImpl& m) { return m.viewPitch; }
  static double heightAboveTerrain(const GlobeManipulatorImpl& m) { return m.heightAboveTerrain; }
  static Radian tilt(const GlobeManipulatorImpl& m) { return m.tilt; }
  static Radian heading(const GlobeManipulatorImpl& m) { return m.heading; }
  static double distanceZ(const GlobeManipulatorImpl& m) { return m.distanceZ; }
  static double maxZoomDistance(const GlobeManipulatorImpl& m) { return m.maxZoomDistance; }
  static bool momentumActive(const GlobeManipulatorImpl& m) { return m.momentumActive; }
  static Radian momentumAngle(const GlobeManipulatorImpl& m) { return m.momentumAngle; }
  static bool zoomInertiaActive(const GlobeManipulatorImpl& m) { return m.zoomInertiaActive; }
  static int zoomInertiaStep(const GlobeManipulatorImpl& m) { return m.zoomInertiaStep; }
  static double zoomInertiaAmount(const GlobeManipulatorImpl& m) { return m.zoomInertiaAmount; }
  static bool rollInertiaActive(const GlobeManipulatorImpl& m) { return m.rollInertiaActive; }
  static double rollInertiaAngle(const GlobeManipulatorImpl& m) { return m.rollInertiaAngle; }
  static double pixelLength(const GlobeManipulatorImpl& m) { return m.pixelLength; }
  static const Vector3<double>& pivotPosition(const GlobeManipulatorImpl& m) { return m.pivotPosition; }
  static const Vector3<double>& leftPressPosition(const GlobeManipulatorImpl& m) { return m.leftPressPosition; }
  static bool mouseMoved(const GlobeManipulatorImpl& m) { return m.mouseMoved; }
  static bool mouseGlobeHit(const GlobeManipulatorImpl& m) { return m.mouseGlobeHit; }
  static std::uint32_t keyNaviMask(const GlobeManipulatorImpl& m) { return m.keyNaviMask; }
  static bool keyStepRestart(const GlobeManipulatorImpl& m) { return m.keyStepRestart; }
  static void setFlying(GlobeManipulatorImpl& m, bool flying) { m.flightState.flying = flying; }
  static bool flightPaused(const GlobeManipulatorImpl& m) { return m.flightState.flightPaused; }
  /// Starts a tween as the running flight, as the flight code does.
  static std::shared_ptr<Tween> startFlight(GlobeManipulatorImpl& m, TweenOptions options) {
    m.currentFlight = m.tweens->add(std::move(options));
    return m.currentFlight;
  }
  /// What a flight's completion does: the flight is over.
  static void endFlight(GlobeManipulatorImpl& m) { m.currentFlight.reset(); }

  static void updateMembers(GlobeManipulatorImpl& m, const SceneImpl& s) { m.updateMembers(s); }
  static void collisionZoom(GlobeManipulatorImpl& m, double amount, const Vector3<double>& target, const SceneImpl& s,
                            const Vector2<float>& mouse) {
    m.collisionZoom(amount, target, s, mouse);
  }
  static void collisionPitchPos(GlobeManipulatorImpl& m, double angle, const Vector3<double>& pivot,
                                const SceneImpl& s) {
    m.collisionPitchPos(Radian(angle), pivot, s);
  }
  static void pitchPos(GlobeManipulatorImpl& m, double angle, const Vector3<double>& pivot, const SceneImpl& s) {
    m.pitchPos(Radian(angle), pivot, s);
  }
  static void setDistanceZ(GlobeManipulatorImpl& m, double z, const SceneImpl& s) { m.setDistanceZ(z, s); }
  static void keyStep(GlobeManipulatorImpl& m, float dt, const SceneImpl& s) { m.doKeyDownOperateSaved(dt, s); }
  static void moveEye(GlobeManipulatorImpl& m, int dir, float d) {
    m.moveEye(static_cast<GlobeManipulatorImpl::PanDir>(dir), d);
  }
  static std::optional<Vector3<double>> naviIntersect(const GlobeManipulatorImpl& m) {
    return m.getNaviSpaceMouseIntersectPos();
  }
};

}  // namespace qel
