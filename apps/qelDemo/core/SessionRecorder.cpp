#include "SessionRecorder.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "EventConversion.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "Viewer/InputScript.h"
#include "Viewer/KeyCodes.h"
#include "Viewer/ViewerImpl.h"

namespace qel::demo {

namespace {

// Enough digits for a float to read back as the same float, and a double as the same double.
std::string number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  return text;
}
std::string number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string buttonName(std::uint32_t button) {
  switch (button) {
    case GUIEventAdapter::LEFT_MOUSE_BUTTON: return "\"left\"";
    case GUIEventAdapter::MIDDLE_MOUSE_BUTTON: return "\"middle\"";
    case GUIEventAdapter::RIGHT_MOUSE_BUTTON: return "\"right\"";
    default: return "";
  }
}

std::string maskList(std::uint32_t mask) {
  std::string list;
  for (const std::uint32_t b : {GUIEventAdapter::LEFT_MOUSE_BUTTON, GUIEventAdapter::MIDDLE_MOUSE_BUTTON,
                                GUIEventAdapter::RIGHT_MOUSE_BUTTON}) {
    if ((mask & b) != 0) list += (list.empty() ? "" : ", ") + buttonName(b);
  }
  return "[" + list + "]";
}

std::string modifierList(std::int32_t mods) {
  std::string list;
  const std::array<std::pair<std::int32_t, const char*>, 3> names{
      {{ModKey::Shift, "\"shift\""}, {ModKey::Control, "\"ctrl\""}, {ModKey::Alt, "\"alt\""}}};
  for (const auto& [bit, name] : names) {
    if ((mods & bit) != 0) list += (list.empty() ? "" : ", ") + std::string(name);
  }
  return list.empty() ? "" : ", \"modifiers\": [" + list + "]";
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

SessionRecorder::SessionRecorder(ViewerImpl& viewer, int windowWidth, int windowHeight)
    : viewer_(viewer), width_(windowWidth), height_(windowHeight), last_(Clock::now()) {
  const Camera& camera = viewer.getScene().getCamera();
  start_.position = camera.getPosition();
  start_.orientation = camera.getOrientation();
}

std::string SessionRecorder::eventJson(const GUIEventAdapter& e) {
  const std::string at = "\"x\": " + number(e.getX()) + ", \"y\": " + number(e.getY());
  const std::string mods = modifierList(e.getModKeyMask());
  switch (e.getEventType()) {
    case GUIEventAdapter::PUSH:
    case GUIEventAdapter::RELEASE:
    case GUIEventAdapter::DOUBLECLICK: {
      const char* kind = e.getEventType() == GUIEventAdapter::PUSH      ? "press"
                         : e.getEventType() == GUIEventAdapter::RELEASE ? "release"
                                                                        : "doubleclick";
      const std::string button = buttonName(e.getButton());
      if (button.empty()) return "";
      return "{\"event\": \"" + std::string(kind) + "\", " + at + ", \"button\": " + button +
             ", \"mask\": " + maskList(e.getButtonMask()) + mods + "}";
    }
    case GUIEventAdapter::DRAG:
      return "{\"event\": \"drag\", " + at + ", \"mask\": " + maskList(e.getButtonMask()) + mods + "}";
    case GUIEventAdapter::MOVE: return "{\"event\": \"move\", " + at + mods + "}";
    case GUIEventAdapter::SCROLL:
      return "{\"event\": \"scroll\", " + at + ", \"wheel\": " + number(e.getScrollDelta()) + mods + "}";
    case GUIEventAdapter::KEYDOWN:
    case GUIEventAdapter::KEYUP:
      return "{\"event\": \"" + std::string(e.getEventType() == GUIEventAdapter::KEYDOWN ? "keydown" : "keyup") +
             "\", \"key\": " + std::to_string(e.getKey()) + ", " + at + mods + "}";
    default: return "";
  }
}

void SessionRecorder::queue(const GUIEventAdapter& event) {
  const std::string json = eventJson(event);
  if (json.empty()) return;
  // Through the script reader: the live host gets the event a replay will give it.
  const InputScript parsed = InputScript::parse("{\"steps\": [" + json + "]}", "recording");
  flushFrames();
  steps_ += "    " + json + ",\n";
  viewer_.queueEvent(parsed.steps().front().event);
}

bool SessionRecorder::queue(const osgGA::GUIEventAdapter& event) {
  const std::optional<GUIEventAdapter> converted = convertEvent(event);
  if (!converted) return false;
  queue(*converted);
  return true;
}

void SessionRecorder::frameDone() {
  const Clock::time_point stamp = viewer_.getFrameStamp();
  const Clock::duration step = std::max(stamp - last_, Clock::duration{0});
  last_ = stamp;
  if (pendingFrames_ > 0 && step != pendingStep_) flushFrames();
  pendingStep_ = step;
  ++pendingFrames_;
}

void SessionRecorder::flushFrames() {
  if (pendingFrames_ == 0) return;
  steps_ +=
      "    {\"frames\": " + std::to_string(pendingFrames_) + ", \"dt\": " + number(seconds(pendingStep_)) + "},\n";
  pendingFrames_ = 0;
}

std::string SessionRecorder::toJson() const {
  SessionRecorder copy = *this;
  copy.flushFrames();
  std::string steps = copy.steps_;
  if (!steps.empty()) steps.erase(steps.size() - 2, 1);  // the last comma
  const Vector3<double>& p = start_.position;
  const Quaternion& q = start_.orientation;
  return "{\n  \"comment\": \"recorded by qelDemo --record; play with qelDemo --script FILE --out DIR\",\n"
         "  \"_window\": [" +
         std::to_string(width_) + ", " + std::to_string(height_) + "],\n  \"_start\": {\"position\": [" + number(p.x) +
         ", " + number(p.y) + ", " + number(p.z) + "], \"orientation\": [" + number(q.x) + ", " + number(q.y) + ", " +
         number(q.z) + ", " + number(q.w) + "]},\n  \"steps\": [\n" + steps + "  ]\n}\n";
}

void SessionRecorder::save(const std::filesystem::path& file) const {
  std::ofstream out(file);
  out << toJson();
  out.flush();
  if (!out) throw std::runtime_error("cannot write the recording " + file.string());
}

SessionHeader readSessionHeader(const std::filesystem::path& file) {
  SessionHeader header;
  std::ifstream in(file);
  const nlohmann::json json = nlohmann::json::parse(in, nullptr, false);
  if (!json.is_object()) return header;
  try {
    if (json.contains("_window")) {
      const auto& w = json["_window"];
      header.window = std::make_pair(w.at(0).get<int>(), w.at(1).get<int>());
    }
    if (json.contains("_start")) {
      const auto& p = json["_start"].at("position");
      const auto& q = json["_start"].at("orientation");
      EyePose pose;
      pose.position = {p.at(0).get<double>(), p.at(1).get<double>(), p.at(2).get<double>()};
      pose.orientation =
          Quaternion(q.at(0).get<double>(), q.at(1).get<double>(), q.at(2).get<double>(), q.at(3).get<double>());
      header.start = pose;
    }
  } catch (const nlohmann::json::exception&) {
    return {};
  }
  return header;
}

}  // namespace qel::demo
