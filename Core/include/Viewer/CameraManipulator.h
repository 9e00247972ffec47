#pragma once

#include <memory>

#include "Common/FacadeCall.h"
#include "Common/GuardedWeakPtr.h"
#include "Viewer/CameraManipulatorImpl.h"
// Complete here: a facade call asks its viewer whether it has ended.
#include "Viewer/ViewerImpl.h"

namespace qel {

/// Public base of camera manipulator facades: holds the implementation strongly and the
/// viewer weakly. The viewer sets `viewer` when it takes the manipulator (on the main
/// thread) while calls on other threads read it, hence the guarded pointer. The four
/// settings below are carried to the implementation on the main thread.
class CameraManipulator {
 public:
  explicit CameraManipulator(std::shared_ptr<CameraManipulatorImpl> impl) : impl(std::move(impl)) {}
  virtual ~CameraManipulator() = default;
  CameraManipulator(const CameraManipulator&) = delete;
  CameraManipulator& operator=(const CameraManipulator&) = delete;

  /// Wheel units to zoom amount.
  virtual void setMouseZoomSpeed(double speed) {
    FacadeCall::command(viewer, impl, [speed](CameraManipulatorImpl& m) { m.setMouseZoomSpeed(speed); });
  }
  virtual void getMouseZoomSpeed(double& speed) const {
    speed = FacadeCall::query(viewer, impl, [](CameraManipulatorImpl& m) {
      double s = 0.0;
      m.getMouseZoomSpeed(s);
      return s;
    });
  }
  virtual void setMouseTiltLessZeroEnable(bool enable) {
    FacadeCall::command(viewer, impl, [enable](CameraManipulatorImpl& m) { m.setMouseTiltLessZeroEnable(enable); });
  }
  virtual bool isMouseTiltLessZeroEnable() const {
    return FacadeCall::query(viewer, impl, [](CameraManipulatorImpl& m) { return m.isMouseTiltLessZeroEnable(); });
  }

  const std::shared_ptr<CameraManipulatorImpl>& _getImplHandle() const noexcept { return impl; }
  std::weak_ptr<ViewerImpl> _getViewer() const { return viewer.load(); }
  /// Safe while other threads call the facade.
  void _setViewer(std::weak_ptr<ViewerImpl> v) { viewer.store(std::move(v)); }

 protected:
  std::shared_ptr<CameraManipulatorImpl> impl;
  GuardedWeakPtr<ViewerImpl> viewer;
};

}  // namespace qel
