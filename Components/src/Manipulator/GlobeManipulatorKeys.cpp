// Keyboard navigation: one step per call for every held navigation item, scaled by the
// time since the previous step.

#include <chrono>

#include "Common/Clock.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Manipulator/NavigationMath.h"
#include "Manipulator/NavigationSettings.h"
#include "Scene/SceneImpl.h"
#include "Viewer/Viewer.h"

namespace qel {

using namespace navigation;

namespace {

/// The first step after the keys were all released uses this time step (seconds).
constexpr float kRestartStep = 0.05f;
/// Calls closer together than this (seconds) take no step; time accumulates instead.
constexpr float kMinStep = 0.01f;

/// Navigation bits of the key table, in the order the steps apply them.
enum NaviBit : std::uint32_t {
  PanForward = 0x1,
  PanBackward = 0x2,
  PanLeft = 0x4,
  PanRight = 0x8,
  TurnCenterLeft = 0x10,
  TurnCenterRight = 0x20,
  TiltCenterUp = 0x40,
  TiltCenterDown = 0x80,
  TurnEyeLeft = 0x100,
  TurnEyeRight = 0x200,
  TiltEyeUp = 0x400,
  TiltEyeDown = 0x800,
  MoveForward = 0x1000,
  MoveBackward = 0x2000,
  MoveLeft = 0x4000,
  MoveRight = 0x8000,
  MoveUp = 0x10000,
  MoveDown = 0x20000,
};

}  // namespace

void GlobeManipulatorImpl::doKeyDownOperateSaved(const Viewer& viewer) {
  if (keyNaviMask == 0) return;
  const Clock::time_point now = Clock::now();
  float dt = kRestartStep;
  if (!keyStepRestart) {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now - lastKeyStepTime).count();
    dt = static_cast<float>(static_cast<double>(us) / 1000000.0);
  }
  if (dt > kMinStep) {
    // Speeds are the application's: one too large for the scene must not leave the eye
    // at infinity.
    const Vector3<double> savedPosition = position;
    const Quaternion savedOrientation = orientation;
    doKeyDownOperateSaved(dt, viewer.getScene()._getImplHandle());
    lastKeyStepTime = now;
    rollBackUnusablePose(savedPosition, savedOrientation);
  }
}

void GlobeManipulatorImpl::doKeyDownOperateSaved(float dt, const SceneImpl& scene) {
  const KeySpeeds& speed = settings().keys;
  const double res = scene.getResolution();
  const double dtd = static_cast<double>(dt);
  auto isHeld = [this](std::uint32_t bit) { return (keyNaviMask & bit) != 0; };

  const Radian panAngle(res * static_cast<double>(static_cast<float>(dtd * speed.pan)) / kEarthRadius);
  if (isHeld(PanForward)) pan(PanDir::Forward, panAngle, scene);
  if (isHeld(PanBackward)) pan(PanDir::Backward, panAngle, scene);
  if (isHeld(PanLeft)) pan(PanDir::Left, panAngle, scene);
  if (isHeld(PanRight)) pan(PanDir::Right, panAngle, scene);

  const auto moveDistance = static_cast<float>(res * static_cast<double>(static_cast<float>(dtd * speed.move)));
  if (isHeld(MoveForward)) moveEye(PanDir::Forward, moveDistance);
  if (isHeld(MoveBackward)) moveEye(PanDir::Backward, moveDistance);
  if (isHeld(MoveLeft)) moveEye(PanDir::Left, moveDistance);
  if (isHeld(MoveRight)) moveEye(PanDir::Right, moveDistance);
  if (isHeld(MoveUp)) moveEye(PanDir::Up, moveDistance);
  if (isHeld(MoveDown)) moveEye(PanDir::Down, moveDistance);

  const Radian turn(Degree(static_cast<double>(static_cast<float>(dtd * speed.rotate))));
  const Radian tiltStep(Degree(static_cast<double>(static_cast<float>(dtd * speed.pitch))));
  const Vector3<double> centerUp = navCenter.normalized();
  if (isHeld(TurnCenterLeft)) rotate(turn, -centerUp, scene);
  if (isHeld(TurnCenterRight)) rotate(turn, centerUp, scene);
  if (isHeld(TiltCenterUp)) pitchPos(tiltStep, navCenter, scene);
  if (isHeld(TiltCenterDown)) pitchPos(-tiltStep, navCenter, scene);
  const Vector3<double> eyeUp = position.normalized();
  if (isHeld(TurnEyeLeft)) rotate(turn, -eyeUp, scene);
  if (isHeld(TurnEyeRight)) rotate(turn, eyeUp, scene);
  if (isHeld(TiltEyeUp)) pitchPos(tiltStep, position, scene);
  if (isHeld(TiltEyeDown)) pitchPos(-tiltStep, position, scene);
}

void GlobeManipulatorImpl::pan(PanDir dir, const Radian& angle, const SceneImpl& scene) {
  const Vector3<double> right = (orientation * Vector3<double>(1.0, 0.0, 0.0)).normalized();
  const Vector3<double> up = (orientation * Vector3<double>(0.0, 1.0, 0.0)).normalized();
  switch (dir) {
    case PanDir::Forward: rotate(-angle, right, scene); break;
    case PanDir::Backward: rotate(angle, right, scene); break;
    case PanDir::Left: rotate(-angle, up, scene); break;
    case PanDir::Right: rotate(angle, up, scene); break;
    default: break;
  }
}

void GlobeManipulatorImpl::moveEye(PanDir dir, float distance) {
  const Vector3<double> right = (orientation * Vector3<double>(1.0, 0.0, 0.0)).normalized();
  const Vector3<double> up = (orientation * Vector3<double>(0.0, 1.0, 0.0)).normalized();
  const Vector3<double> back = (orientation * Vector3<double>(0.0, 0.0, 1.0)).normalized();
  const auto d = static_cast<double>(distance);
  switch (dir) {
    case PanDir::Forward: position += back * -d; break;
    case PanDir::Backward: position += back * d; break;
    case PanDir::Left: position += right * -d; break;
    case PanDir::Right: position += right * d; break;
    case PanDir::Up: position += up * d; break;
    case PanDir::Down: position += up * -d; break;
    default: break;
  }
}

}  // namespace qel
