#pragma once

#include <memory>

#include "Common/FacadeCall.h"
#include "Viewer/CameraManipulatorImpl.h"

namespace qel {

class ViewerImpl;

/// Public base of camera manipulator facades: holds the implementation strongly and the
/// viewer weakly. The viewer sets `viewer` when it takes the manipulator. The four
/// settings below are carried to the implementation on the main thread.
class CameraManipulator {
 public:
  explicit CameraManipulator(std::shared_ptr<CameraManipulatorImpl> impl) : impl(std::move(impl)) {}
  virtual ~CameraManipulator() = default;
  CameraManipulator(const CameraManipulator&) = delete;
  CameraManipulator& operator=(const CameraManipulator&) = delete;

  /// Wheel units to zoom amount.
  virtual void setMouseZoomSpeed(double speed) {
    FacadeCall::command(viewer, impl, [speed](CameraManipulatorImpl& m, ViewerImpl&) { m.setMouseZoomSpeed(speed); });
  }
  virtual void getMouseZoomSpeed(double& speed) const {
    speed = FacadeCall::query(viewer, impl, [](CameraManipulatorImpl& m, ViewerImpl&) {
      double s = 0.0;
      m.getMouseZoomSpeed(s);
      return s;
    });
  }
  virtual void setMouseTiltLessZeroEnable(bool enable) {
    FacadeCall::command(viewer, impl,
                        [enable](CameraManipulatorImpl& m, ViewerImpl&) { m.setMouseTiltLessZeroEnable(enable); });
  }
  virtual bool isMouseTiltLessZeroEnable() const {
    return FacadeCall::query(viewer, impl,
                             [](CameraManipulatorImpl& m, ViewerImpl&) { return m.isMouseTiltLessZeroEnable(); });
  }

  const std::shared_ptr<CameraManipulatorImpl>& _getImplHandle() const noexcept { return impl; }
  std::weak_ptr<ViewerImpl> _getViewer() const { return viewer; }
  void _setViewer(std::weak_ptr<ViewerImpl> v) { viewer = std::move(v); }

 protected:
  std::shared_ptr<CameraManipulatorImpl> impl;
  std::weak_ptr<ViewerImpl> viewer;
};

}  // namespace qel
