#pragma once

// Small recording stand-ins for the things a viewer drives: an event handler, a camera
// manipulator, a scene primitive, plus a log capture. They write into one shared call
// log so that tests can check the order in which a frame reaches them.

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Common/CapturingLogSink.h"
#include "Common/Clock.h"
#include "Common/Log.h"
#include "Scene/PrimitiveBase.h"
#include "Viewer/CameraManipulatorImpl.h"
#include "Viewer/GUIEventAdapter.h"
#include "Viewer/GUIEventHandler.h"

namespace qel::test {

using CallLog = std::vector<std::string>;

inline std::string eventName(std::uint32_t type) {
  switch (type) {
    case GUIEventAdapter::PUSH: return "press";
    case GUIEventAdapter::RELEASE: return "release";
    case GUIEventAdapter::DOUBLECLICK: return "doubleclick";
    case GUIEventAdapter::DRAG: return "drag";
    case GUIEventAdapter::MOVE: return "move";
    case GUIEventAdapter::KEYDOWN: return "keydown";
    case GUIEventAdapter::KEYUP: return "keyup";
    case GUIEventAdapter::FRAME: return "frame";
    case GUIEventAdapter::SCROLL: return "scroll";
    default: return "kind" + std::to_string(type);
  }
}

/// What a handler saw of one event.
struct SeenEvent {
  GUIEventAdapter event;
  bool handled = false;
};

/// Records every event as "<name>:<kind>" in the call log. Returns `consumes` for input
/// events it has not seen handled (as a well-behaved tool does), false for the frame.
class RecordingHandler : public GUIEventHandler {
 public:
  RecordingHandler(std::string name, CallLog& log) : name(std::move(name)), log(log) {}

  using GUIEventHandler::handle;
  bool handle(const GUIEventAdapter& ea, const Viewer& viewer) override {
    log.push_back(name + ":" + eventName(ea.getEventType()));
    seen.push_back({ea, ea.getHandled()});
    if (onEvent) {
      onEvent(ea, viewer);
    }
    if (throwOn == ea.getEventType()) {
      throw std::runtime_error(name + " failed");
    }
    return consumes && !ea.getHandled() && ea.getEventType() != GUIEventAdapter::FRAME;
  }

  std::string name;
  CallLog& log;
  bool consumes = false;
  std::uint32_t throwOn = GUIEventAdapter::NONE;
  std::function<void(const GUIEventAdapter&, const Viewer&)> onEvent;
  std::vector<SeenEvent> seen;
};

/// A manipulator that records its calls and keeps `keyNaviMask` with the navigation
/// table the way the globe manipulator does: a row matches when its key is the event's
/// and its mask is 0 or less or shares a bit with the event's modifiers.
class RecordingManipulator : public CameraManipulatorImpl {
 public:
  explicit RecordingManipulator(CallLog& log) : log(log) {}

  using CameraManipulatorImpl::handle;
  bool handle(const GUIEventAdapter& ea, const Viewer&) override {
    log.push_back("manipulator:" + eventName(ea.getEventType()));
    seen.push_back({ea, ea.getHandled()});
    if (ea.getHandled()) {
      return false;
    }
    const bool down = ea.getEventType() == GUIEventAdapter::KEYDOWN;
    if (down || ea.getEventType() == GUIEventAdapter::KEYUP) {
      for (int i = 0; i < GUIEventAdapter::GetKeyNaviItemNum(); ++i) {
        const auto item = GUIEventAdapter::GetKeyNaviItem(i);
        if (item.key == ea.getKey() && (item.modMask <= 0 || (item.modMask & ea.getModKeyMask()) != 0)) {
          const auto bit = static_cast<std::uint32_t>(item.naviBit);
          keyNaviMask = down ? (keyNaviMask | bit) : (keyNaviMask & ~bit);
        }
      }
      if (!down && keyNaviMask == 0) {
        keyStepRestart = true;
      }
      return true;
    }
    return ea.getEventType() != GUIEventAdapter::FRAME;
  }

  void doKeyDownOperateSaved(const Viewer&) override {
    log.push_back("keystep");
    if (throwInKeyStep) {
      throw std::runtime_error("key step failed");
    }
    if (keyNaviMask != 0) {
      restartSeenBySteps.push_back(keyStepRestart);
      lastKeyStepTime = Clock::now();
    }
  }
  void updateCamera(Camera&) override {
    log.push_back("updateCamera");
    if (throwInUpdateCamera) {
      throw std::logic_error("camera update failed");
    }
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
  /// `keyStepRestart` as each step that moved found it.
  std::vector<bool> restartSeenBySteps;
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

}  // namespace qel::test
