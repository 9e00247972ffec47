// The application's facade over the globe manipulator: every call is carried to the
// viewer's main thread (commands without waiting, queries waiting for their answer).

#include "Manipulator/GlobeManipulator.h"

#include "Common/FacadeCall.h"
#include "Manipulator/FacadeFlightLink.h"
#include "Manipulator/FlightPath.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

GlobeManipulator::GlobeManipulator()
    : CameraManipulator(std::make_shared<GlobeManipulatorImpl>()),
      flyCompleted(std::make_shared<FlyCompletedPublisher>()),
      link(std::make_shared<FlightLink>()) {
  link->facade = this;
}

GlobeManipulator::~GlobeManipulator() {
  std::shared_ptr<FunctionWrapper> pending;
  {
    // Continuations that still arrive find no facade; one running now finishes first.
    std::lock_guard lock(link->mutex);
    link->facade = nullptr;
    pending = link->pendingHeightFlight.lock();
    link->pendingHeightFlight.reset();
  }
  if (pending) (*pending)();
  // A running flight goes on; its completion finds the publisher expired.
  flyCompleted.reset();
}

GlobeManipulatorImpl::ViewpointPublisher& GlobeManipulator::getViewpointChanged() {
  return _getGlobeImpl().getViewpointChanged();
}

void GlobeManipulator::turnNorthUp() {
  FacadeCall::command(viewer, globeImpl(), [](GlobeManipulatorImpl& m, ViewerImpl&) { m.turnNorthUp(); });
}

void GlobeManipulator::lookDown() {
  FacadeCall::command(viewer, globeImpl(), [](GlobeManipulatorImpl& m, ViewerImpl&) { m.lookDown(); });
}

bool GlobeManipulator::isTopViewFixed() const {
  return FacadeCall::query(viewer, globeImpl(),
                           [](GlobeManipulatorImpl& m, ViewerImpl&) { return m.isTopViewFixed(); });
}

void GlobeManipulator::setTopViewFixed(bool fixed) {
  FacadeCall::command(viewer, globeImpl(), [fixed](GlobeManipulatorImpl& m, ViewerImpl&) { m.setTopViewFixed(fixed); });
}

bool GlobeManipulator::isUndergroundAllowed() const {
  return FacadeCall::query(viewer, globeImpl(),
                           [](GlobeManipulatorImpl& m, ViewerImpl&) { return m.isUndergroundAllowed(); });
}

void GlobeManipulator::setUndergroundAllowed(bool allowed) {
  FacadeCall::command(viewer, globeImpl(),
                      [allowed](GlobeManipulatorImpl& m, ViewerImpl&) { m.setUndergroundAllowed(allowed); });
}

void GlobeManipulator::setFov(const Radian& fov) {
  FacadeCall::command(viewer, globeImpl(), [fov](GlobeManipulatorImpl&, ViewerImpl& v) {
    v.getScene().getCamera().getFrustum().setFov(fov);
  });
}

void GlobeManipulator::setKeyOperaterSpeed(double pan, double pitch, double rotate, double move) {
  FacadeCall::command(viewer, globeImpl(),
                      [=](GlobeManipulatorImpl& m, ViewerImpl&) { m.setKeyOperaterSpeed(pan, pitch, rotate, move); });
}

void GlobeManipulator::getKeyOperaterSpeed(double& pan, double& pitch, double& rotate, double& move) const {
  struct Speeds {
    double pan = 0.0, pitch = 0.0, rotate = 0.0, move = 0.0;
  };
  const Speeds s = FacadeCall::query(viewer, globeImpl(), [](GlobeManipulatorImpl& m, ViewerImpl&) {
    Speeds out;
    m.getKeyOperaterSpeed(out.pan, out.pitch, out.rotate, out.move);
    return out;
  });
  pan = s.pan;
  pitch = s.pitch;
  rotate = s.rotate;
  move = s.move;
}

}  // namespace qel
