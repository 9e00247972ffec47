#include "TimingManipulator.h"

#include <type_traits>

namespace qel::demo {

namespace {

void copyShared(const CameraManipulatorImpl& from, CameraManipulatorImpl& to) {
  to.homePosition = from.homePosition;
  to.homeOrientation = from.homeOrientation;
  to.minHeightAboveTerrain = from.minHeightAboveTerrain;
  to.keyNaviMask = from.keyNaviMask;
  to.lastKeyStepTime = from.lastKeyStepTime;
  to.keyStepRestart = from.keyStepRestart;
}

}  // namespace

TimingManipulator::TimingManipulator(std::shared_ptr<CameraManipulatorImpl> inner) : inner_(std::move(inner)) {
  copyShared(*inner_, *this);
}

void TimingManipulator::push() const { copyShared(*this, *inner_); }

void TimingManipulator::pull() { copyShared(*inner_, *this); }

template <class F>
auto TimingManipulator::timed(F&& f) {
  push();
  const auto start = std::chrono::steady_clock::now();
  // Pull the shared fields back even when the call throws: the viewer logs the failure
  // and goes on, and must not see stale fields afterwards.
  struct Finish {
    TimingManipulator& self;
    std::chrono::steady_clock::time_point start;
    ~Finish() {
      self.elapsed_ += std::chrono::steady_clock::now() - start;
      self.pull();
    }
  } finish{*this, start};
  return f();
}

bool TimingManipulator::handle(Event& event, const Viewer& viewer) {
  return timed([&] { return inner_->handle(event, viewer); });
}

bool TimingManipulator::handle(const GUIEventAdapter& ea, const Viewer& viewer) {
  return timed([&] { return inner_->handle(ea, viewer); });
}

void TimingManipulator::updateCamera(Camera& camera) {
  timed([&] { inner_->updateCamera(camera); });
}

void TimingManipulator::home() {
  timed([&] { inner_->home(); });
}

bool TimingManipulator::isCameraUnderground() const {
  push();
  return inner_->isCameraUnderground();
}

void TimingManipulator::doKeyDownOperateSaved(const Viewer& viewer) {
  timed([&] { inner_->doKeyDownOperateSaved(viewer); });
}

void TimingManipulator::setKeyOperaterSpeed(double pan, double pitch, double rotate, double move) {
  timed([&] { inner_->setKeyOperaterSpeed(pan, pitch, rotate, move); });
}

void TimingManipulator::getKeyOperaterSpeed(double& pan, double& pitch, double& rotate, double& move) {
  timed([&] { inner_->getKeyOperaterSpeed(pan, pitch, rotate, move); });
}

void TimingManipulator::setMouseZoomSpeed(double speed) {
  timed([&] { inner_->setMouseZoomSpeed(speed); });
}

void TimingManipulator::getMouseZoomSpeed(double& speed) {
  timed([&] { inner_->getMouseZoomSpeed(speed); });
}

void TimingManipulator::setMouseTiltLessZeroEnable(bool enable) {
  timed([&] { inner_->setMouseTiltLessZeroEnable(enable); });
}

bool TimingManipulator::isMouseTiltLessZeroEnable() {
  return timed([&] { return inner_->isMouseTiltLessZeroEnable(); });
}

std::chrono::nanoseconds TimingManipulator::takeElapsed() noexcept {
  const auto e = elapsed_;
  elapsed_ = std::chrono::nanoseconds{0};
  return e;
}

}  // namespace qel::demo
