#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "Viewer/CameraManipulatorImpl.h"

namespace qel::demo {

/// A stand-in installed in the viewer in front of the real manipulator: every call the
/// viewer makes is passed on unchanged and the time spent inside it is added up, so the
/// demo can say how much of a frame the library takes.
///
/// The viewer reads and writes the key-step fields of the installed manipulator (it
/// clears `keyStepRestart` after a step), so the shared base-class fields are copied to
/// the real manipulator before each call and back after it: both objects always agree.
///
/// What the figure includes: everything the library does in `handle` (input and frame
/// events), `doKeyDownOperateSaved` and `updateCamera`, which includes the host's globe
/// picks and terrain queries the library asks for; it excludes the viewer's own loop,
/// the scene's primitive updates and all drawing.
class TimingManipulator : public CameraManipulatorImpl {
 public:
  explicit TimingManipulator(std::shared_ptr<CameraManipulatorImpl> inner);

  using GUIEventHandler::handle;
  bool handle(Event& event, const Viewer& viewer) override;
  bool handle(const GUIEventAdapter& ea, const Viewer& viewer) override;
  void updateCamera(Camera& camera) override;
  void home() override;
  bool isCameraUnderground() const override;
  void doKeyDownOperateSaved(const Viewer& viewer) override;
  void setKeyOperaterSpeed(double pan, double pitch, double rotate, double move) override;
  void getKeyOperaterSpeed(double& pan, double& pitch, double& rotate, double& move) override;
  void setMouseZoomSpeed(double speed) override;
  void getMouseZoomSpeed(double& speed) override;
  void setMouseTiltLessZeroEnable(bool enable) override;
  bool isMouseTiltLessZeroEnable() override;

  const std::shared_ptr<CameraManipulatorImpl>& getInner() const noexcept { return inner_; }
  /// Time spent in the real manipulator since the last call, and resets it.
  std::chrono::nanoseconds takeElapsed() noexcept;

 private:
  /// Copies the shared base-class fields to the real manipulator, and back.
  void push() const;
  void pull();

  template <class F>
  auto timed(F&& f);

  std::shared_ptr<CameraManipulatorImpl> inner_;
  std::chrono::nanoseconds elapsed_{0};
};

}  // namespace qel::demo
