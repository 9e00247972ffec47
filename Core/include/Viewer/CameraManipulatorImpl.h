#pragma once

#include <chrono>
#include <cstdint>

#include "Common/Quaternion.h"
#include "Common/Vector3.h"
#include "Viewer/GUIEventHandler.h"

namespace qel {

class Camera;
class Viewer;

/// Base of camera manipulators. The viewer calls `handle` for every event, `updateCamera`
/// when it renders and `doKeyDownOperateSaved` once per frame.
class CameraManipulatorImpl : public GUIEventHandler {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  using GUIEventHandler::handle;
  virtual void updateCamera(Camera& camera) = 0;
  virtual void home() = 0;
  virtual bool isCameraUnderground() const = 0;
  virtual void doKeyDownOperateSaved(const Viewer& viewer) = 0;
  virtual void setKeyOperaterSpeed(double pan, double pitch, double rotate, double move) = 0;
  virtual void getKeyOperaterSpeed(double& pan, double& pitch, double& rotate, double& move) = 0;
  virtual void setMouseZoomSpeed(double speed) = 0;
  virtual void getMouseZoomSpeed(double& speed) = 0;
  virtual void setMouseTiltLessZeroEnable(bool enable) = 0;
  virtual bool isMouseTiltLessZeroEnable() = 0;

  void setHomePosition(const Vector3<double>& position, const Quaternion& orientation) {
    homePosition = position;
    homeOrientation = orientation;
  }

  /// Pose restored by `home`.
  Vector3<double> homePosition;
  Quaternion homeOrientation;
  /// Clearance kept above the terrain (metres).
  double minHeightAboveTerrain = 0.0;
  /// Navigation bits whose keys are held down.
  std::uint32_t keyNaviMask = 0;
  /// Time of the last keyboard step.
  TimePoint lastKeyStepTime{};
  /// The next keyboard step uses the fixed first-step time. Starts true; the viewer
  /// clears it after a `doKeyDownOperateSaved` call that took a step, so held keys then
  /// move by measured time.
  bool keyStepRestart = true;
};

}  // namespace qel
