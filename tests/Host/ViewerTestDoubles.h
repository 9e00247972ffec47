#pragma once

// Recording stand-ins for what a viewer drives (an event handler, a camera manipulator,
// a scene primitive) plus a log capture. They share one call log so that tests can check
// the order in which a frame reaches them.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Common/AsyncSystem.h"
#include "Common/CapturingLogSink.h"
#include "Common/Clock.h"
#include "Common/Log.h"
#include "Scene/PrimitiveBase.h"
#include "Viewer/CameraManipulatorImpl.h"
#include "Viewer/GUIEventAdapter.h"
#include "Viewer/GUIEventHandler.h"
#include "Viewer/ViewerImpl.h"

namespace qel::test {

using CallLog = std::vector<std::string>;

inline std::string eventName(std::uint32_t type) {
  using G = GUIEventAdapter;
  static const std::map<std::uint32_t, std::string> names{
      {G::PUSH, "press"},      {G::RELEASE, "release"}, {G::DRAG, "drag"},   {G::MOVE, "move"},
      {G::KEYDOWN, "keydown"}, {G::KEYUP, "keyup"},     {G::FRAME, "frame"}, {G::SCROLL, "scroll"}};
  const auto it = names.find(type);
  return it == names.end() ? "kind" + std::to_string(type) : it->second;
}

struct SeenEvent {
  GUIEventAdapter event;
  bool handled = false;
};

/// Logs "<name>:<kind>"; uses input events nobody used before it when `consumes` is set.
class RecordingHandler : public GUIEventHandler {
 public:
  RecordingHandler(std::string name, CallLog& log) : name(std::move(name)), log(log) {}

  using GUIEventHandler::handle;
  bool handle(const GUIEventAdapter& ea, const Viewer& viewer) override {
    log.push_back(name + ":" + eventName(ea.getEventType()));
    seen.push_back({ea, ea.getHandled()});
    if (onEvent) onEvent(ea, viewer);
    if (throwOn == ea.getEventType()) throw std::runtime_error(name + " failed");
    return consumes && !ea.getHandled() && ea.getEventType() != GUIEventAdapter::FRAME;
  }

  std::string name;
  CallLog& log;
  bool consumes = false;
  std::uint32_t throwOn = GUIEventAdapter::NONE;
  std::function<void(const GUIEventAdapter&, const Viewer&)> onEvent;
  std::vector<SeenEvent> seen;
};

/// Records its calls and keeps `keyNaviMask` with the navigation table as the globe
/// manipulator does: a row matches when its key is the event's and its mask is 0 or less
/// or shares a bit with the event's modifiers.
class RecordingManipulator : public CameraManipulatorImpl {
 public:
  explicit RecordingManipulator(CallLog& log) : log(log) {}

  using CameraManipulatorImpl::handle;
  bool handle(const GUIEventAdapter& ea, const Viewer&) override {
    log.push_back("manipulator:" + eventName(ea.getEventType()));
    seen.push_back({ea, ea.getHandled()});
    if (ea.getHandled()) return false;
    const bool down = ea.getEventType() == GUIEventAdapter::KEYDOWN;
    if (!down && ea.getEventType() != GUIEventAdapter::KEYUP) return ea.getEventType() != GUIEventAdapter::FRAME;
    for (int i = 0; i < GUIEventAdapter::GetKeyNaviItemNum(); ++i) {
      const auto item = GUIEventAdapter::GetKeyNaviItem(i);
      if (item.key == ea.getKey() && (item.modMask <= 0 || (item.modMask & ea.getModKeyMask()) != 0)) {
        const auto bit = static_cast<std::uint32_t>(item.naviBit);
        keyNaviMask = down ? (keyNaviMask | bit) : (keyNaviMask & ~bit);
      }
    }
    if (!down && keyNaviMask == 0) keyStepRestart = true;
    return true;
  }

  void doKeyDownOperateSaved(const Viewer&) override {
    log.push_back("keystep");
    if (throwInKeyStep) throw std::runtime_error("key step failed");
    if (keyNaviMask != 0) {
      restartSeenBySteps.push_back(keyStepRestart);
      lastKeyStepTime = Clock::now();
    }
  }
  void updateCamera(Camera&) override {
    log.push_back("updateCamera");
    if (throwInUpdateCamera) throw std::logic_error("camera update failed");
  }

  void home() override {}
  bool isCameraUnderground() const override { return false; }
  void setKeyOperaterSpeed(double, double, double, double) override {}
  void getKeyOperaterSpeed(double&, double&, double&, double&) override {}
  void setMouseZoomSpeed(double) override {}
  void getMouseZoomSpeed(double&) override {}
  void setMouseTiltLessZeroEnable(bool) override {}
  bool isMouseTiltLessZeroEnable() override { return true; }

  CallLog& log;
  std::vector<SeenEvent> seen;
  std::vector<bool> restartSeenBySteps;  // `keyStepRestart` as each moving step found it
  bool throwInKeyStep = false;
  bool throwInUpdateCamera = false;
};

class RecordingPrimitive : public PrimitiveBase {
 public:
  explicit RecordingPrimitive(CallLog& log) : log(log) {}
  void update(FrameState&) override { log.push_back("primitive:update"); }
  CallLog& log;
};

/// Captures log records while alive.
class LogCapture {
 public:
  LogCapture() { Log::getInstance().addSink(sink); }
  ~LogCapture() { Log::getInstance().removeSink(sink); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  std::vector<LogRecord> records() const { return sink->records(); }

 private:
  std::shared_ptr<CapturingLogSink> sink = std::make_shared<CapturingLogSink>();
};

/// A viewer on the manual clock, its camera driven by a recording manipulator.
class ViewerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    AsyncSystem::instance(true);
    Clock::useManualTime();
    GUIEventAdapter::ResetKeyNaviTable();
    viewer = ViewerImpl::create();
    manipulator = std::make_shared<RecordingManipulator>(log);
    viewer->setCameraManipulatorImpl(manipulator);
  }
  void TearDown() override {
    viewer.reset();
    AsyncSystem::instance(true);
    Clock::useRealTime();
  }

  std::shared_ptr<RecordingHandler> addHandler(const std::string& name) {
    auto handler = std::make_shared<RecordingHandler>(name, log);
    viewer->addEventHandler(handler);
    return handler;
  }
  /// One frame, 16 ms after the last.
  void frame() {
    Clock::advance(std::chrono::milliseconds(16));
    viewer->frame();
  }
  void send(const GUIEventAdapter& event) {
    viewer->queueEvent(event);
    frame();
  }

  CallLog log;
  std::shared_ptr<ViewerImpl> viewer;
  std::shared_ptr<RecordingManipulator> manipulator;
};

}  // namespace qel::test
