#include "Viewer/InputScript.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

#include "Viewer/KeyCodes.h"

namespace qel {

namespace {

using Json = nlohmann::json;
using Step = InputScript::Step;

// Drag events a `dragLine` makes when the script does not say: enough for the
// manipulator's per-event motion to look continuous in a screenshot series.
constexpr std::uint32_t kDefaultDragLineSteps = 10;
// Deepest nesting of `repeat` blocks read: real scripts nest two or three; the limit keeps
// a hostile file from exhausting the stack.
constexpr int kMaxNesting = 64;

/// The path of a member `field` of the object at `path`, as error messages show it
/// ("steps[2].key").
std::string fieldPath(const std::string& path, std::string_view field) {
  std::string result;
  result.reserve(path.size() + 1 + field.size());
  result.append(path).append(1, '.').append(field);
  return result;
}

struct NamedValue {
  std::string_view name;
  std::int32_t value;
};

constexpr std::array kEventKinds{
    NamedValue{"press", GUIEventAdapter::PUSH},
    NamedValue{"release", GUIEventAdapter::RELEASE},
    NamedValue{"doubleclick", GUIEventAdapter::DOUBLECLICK},
    NamedValue{"drag", GUIEventAdapter::DRAG},
    NamedValue{"move", GUIEventAdapter::MOVE},
    NamedValue{"scroll", GUIEventAdapter::SCROLL},
    NamedValue{"keydown", GUIEventAdapter::KEYDOWN},
    NamedValue{"keyup", GUIEventAdapter::KEYUP},
};

constexpr std::array kButtons{
    NamedValue{"left", GUIEventAdapter::LEFT_MOUSE_BUTTON},
    NamedValue{"middle", GUIEventAdapter::MIDDLE_MOUSE_BUTTON},
    NamedValue{"right", GUIEventAdapter::RIGHT_MOUSE_BUTTON},
};

constexpr std::array kModifiers{
    NamedValue{"shift", ModKey::Shift},
    NamedValue{"ctrl", ModKey::Control},
    NamedValue{"control", ModKey::Control},
    NamedValue{"alt", ModKey::Alt},
};

// Names of the keys that are not single characters (the X11 keysym names where there is
// one, so that a recorded session reads like the window system's own log).
constexpr std::array kKeyNames{
    NamedValue{"Escape", Key::Escape},
    NamedValue{"Home", Key::Home},
    NamedValue{"Left", Key::Left},
    NamedValue{"Up", Key::Up},
    NamedValue{"Right", Key::Right},
    NamedValue{"Down", Key::Down},
    NamedValue{"PageUp", Key::PageUp},
    NamedValue{"Page_Up", Key::PageUp},
    NamedValue{"PageDown", Key::PageDown},
    NamedValue{"Page_Down", Key::PageDown},
    NamedValue{"F1", Key::F1},
    NamedValue{"F2", Key::F2},
    NamedValue{"F3", Key::F3},
    NamedValue{"F4", Key::F4},
    NamedValue{"F5", Key::F5},
    NamedValue{"F6", Key::F6},
    NamedValue{"F7", Key::F7},
    NamedValue{"F8", Key::F8},
    NamedValue{"F9", Key::F9},
    NamedValue{"F10", Key::F10},
    NamedValue{"F11", Key::F11},
    NamedValue{"F12", Key::F12},
    NamedValue{"Return", Key::Return},
    NamedValue{"Insert", Key::Insert},
    NamedValue{"Delete", Key::Delete},
    NamedValue{"BackSpace", Key::BackSpace},
    NamedValue{"Space", ' '},
    NamedValue{"Shift_L", Key::ShiftL},
    NamedValue{"Shift_R", Key::ShiftR},
    NamedValue{"Control_L", Key::ControlL},
    NamedValue{"Control_R", Key::ControlR},
    NamedValue{"Alt_L", Key::AltL},
    NamedValue{"Alt_R", Key::AltR},
};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

template <std::size_t N>
std::optional<std::int32_t> lookUp(const std::array<NamedValue, N>& table, std::string_view name) {
  for (const NamedValue& entry : table) {
    if (equalsIgnoringCase(entry.name, name)) {
      return entry.value;
    }
  }
  return std::nullopt;
}

// Fields that only annotate a step: ignored wherever they appear.
bool isComment(std::string_view key) { return key == "comment" || (!key.empty() && key.front() == '_'); }

std::string inQuotes(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted.append(1, '"').append(text).append(1, '"');
  return quoted;
}

// nlohmann reports a parse error by the count of bytes read; people want line and column.
std::pair<std::size_t, std::size_t> lineAndColumn(std::string_view text, std::size_t bytesRead) {
  const std::size_t offset = std::min(bytesRead == 0 ? 0 : bytesRead - 1, text.size());
  std::size_t line = 1;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++line;
      lineStart = i + 1;
    }
  }
  return {line, offset - lineStart + 1};
}

// The reason part of nlohmann's message, without its exception id and its own position.
std::string parseReason(const std::string& what) {
  std::string reason = what;
  if (const auto idEnd = reason.find("] "); idEnd != std::string::npos) {
    reason.erase(0, idEnd + 2);
  }
  if (const auto column = reason.find("column "); column != std::string::npos) {
    if (const auto colon = reason.find(": ", column); colon != std::string::npos) {
      reason.erase(0, colon + 2);
    }
  }
  return reason;
}

class Reader {
 public:
  explicit Reader(std::string_view source) : source_(source) {}

  InputScript read(const Json& root) {
    if (!root.is_object()) {
      fail("", "a script is an object with a \"steps\" list");
    }
    for (const auto& [key, value] : root.items()) {
      if (key != "frameStep" && key != "steps" && !isComment(key)) {
        fail(key, "unknown field");
      }
    }
    if (root.contains("frameStep")) {
      frameStep_ = readDuration(root["frameStep"], "frameStep");
      if (frameStep_ <= 0.0) {
        fail("frameStep", "must be greater than 0");
      }
    }
    if (!root.contains("steps")) {
      fail("steps", "missing field");
    }
    readSteps(root["steps"], "steps", 0);

    InputScript script;
    script.setFrameStep(frameStep_);
    for (Step& step : steps_) {
      script.addStep(std::move(step));
    }
    return script;
  }

 private:
  [[noreturn]] void fail(const std::string& path, const std::string& message) const {
    std::string text = source_ + ": ";
    if (!path.empty()) {
      text += path + ": ";
    }
    throw InputScriptError(text + message);
  }

  void append(Step step, const std::string& path) {
    if (steps_.size() >= InputScript::kMaxSteps) {
      fail(path, "the script expands to more than " + std::to_string(InputScript::kMaxSteps) + " steps");
    }
    steps_.push_back(std::move(step));
  }

  void readSteps(const Json& list, const std::string& path, int depth) {
    if (!list.is_array()) {
      fail(path, "expected a list of steps");
    }
    if (depth > kMaxNesting) {
      fail(path, "repeats nested more than " + std::to_string(kMaxNesting) + " deep");
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
      readStep(list[i], path + "[" + std::to_string(i) + "]", depth);
    }
  }

  void readStep(const Json& step, const std::string& path, int depth) {
    if (!step.is_object()) {
      fail(path, "a step is an object");
    }
    const bool isEvent = step.contains("event");
    const bool isMark = step.contains("mark");
    const bool isRepeat = step.contains("repeat");
    const bool isDragLine = step.contains("dragLine");
    const bool isClick = step.contains("click");
    const bool isDoubleClick = step.contains("doubleClick");
    const bool isFrames = step.contains("frames") || step.contains("dt");
    const int kinds = int(isEvent) + int(isMark) + int(isRepeat) + int(isDragLine) + int(isFrames) + int(isClick) +
                      int(isDoubleClick);
    if (kinds != 1) {
      fail(path, kinds == 0
                     ? "a step needs one of \"event\", \"frames\", \"dt\", \"mark\", \"repeat\", \"dragLine\", "
                       "\"click\", \"doubleClick\""
                     : "a step is only one of an event, a frame advance, a mark, a repeat, a drag line or a click");
    }
    if (isClick || isDoubleClick) {
      const char* name = isClick ? "click" : "doubleClick";
      expectFields(step, path, {name});
      readClick(step[name], path + "." + name, isDoubleClick);
      return;
    }
    if (isEvent) {
      readEvent(step, path);
    } else if (isMark) {
      expectFields(step, path, {"mark"});
      Step mark;
      mark.kind = Step::Kind::Mark;
      mark.mark = readString(step["mark"], path + ".mark");
      if (mark.mark.empty()) {
        fail(path + ".mark", "a mark needs a name");
      }
      append(std::move(mark), path);
    } else if (isRepeat) {
      readRepeat(step, path, depth);
    } else if (isDragLine) {
      expectFields(step, path, {"dragLine"});
      readDragLine(step["dragLine"], path + ".dragLine");
    } else {
      expectFields(step, path, {"frames", "dt"});
      Step frames;
      frames.kind = Step::Kind::Frames;
      frames.frames = step.contains("frames") ? readCount(step["frames"], path + ".frames") : 1;
      frames.dt = step.contains("dt") ? readDuration(step["dt"], path + ".dt") : frameStep_;
      append(std::move(frames), path);
    }
  }

  void readRepeat(const Json& step, const std::string& path, int depth) {
    expectFields(step, path, {"repeat", "steps"});
    const std::uint32_t count = readCount(step["repeat"], path + ".repeat");
    if (!step.contains("steps")) {
      fail(path + ".steps", "missing field");
    }
    const std::size_t first = steps_.size();
    // The body is read once (so its errors name its own steps) and then copied.
    readSteps(step["steps"], path + ".steps", depth + 1);
    const std::size_t last = steps_.size();
    if (count == 0) {
      steps_.resize(first);
      return;
    }
    const std::size_t bodySize = last - first;
    if (bodySize > 0 && (count - 1) > (InputScript::kMaxSteps - last) / bodySize) {
      fail(path, "the script expands to more than " + std::to_string(InputScript::kMaxSteps) + " steps");
    }
    steps_.reserve(last + bodySize * (count - 1));
    for (std::uint32_t n = 1; n < count; ++n) {
      for (std::size_t i = first; i < last; ++i) {
        steps_.push_back(steps_[i]);
      }
    }
  }

  // One input event with the given modifiers, then the frame that delivers it.
  void appendEventThenFrame(GUIEventAdapter event, std::int32_t modifiers, double dt, const std::string& path) {
    event.setModKeyMask(modifiers);
    Step eventStep;
    eventStep.kind = Step::Kind::Event;
    eventStep.event = event;
    append(std::move(eventStep), path);
    Step frame;
    frame.kind = Step::Kind::Frames;
    frame.frames = 1;
    frame.dt = dt;
    append(std::move(frame), path);
  }

  void readDragLine(const Json& line, const std::string& path) {
    if (!line.is_object()) {
      fail(path, "expected an object with \"from\" and \"to\"");
    }
    expectFields(line, path, {"from", "to", "button", "steps", "dt", "modifiers"});
    const auto [fromX, fromY] = readPoint(line, "from", path);
    const auto [toX, toY] = readPoint(line, "to", path);
    const std::uint32_t button = line.contains("button") ? readButton(line["button"], path + ".button")
                                                         : std::uint32_t{GUIEventAdapter::LEFT_MOUSE_BUTTON};
    const std::uint32_t count =
        line.contains("steps") ? readCount(line["steps"], path + ".steps") : kDefaultDragLineSteps;
    if (count == 0) {
      fail(path + ".steps", "a drag line needs at least one drag event");
    }
    const double dt = line.contains("dt") ? readDuration(line["dt"], path + ".dt") : frameStep_;
    const std::int32_t modifiers =
        line.contains("modifiers") ? readModifiers(line["modifiers"], path + ".modifiers") : 0;

    auto eventThenFrame = [&](GUIEventAdapter event) { appendEventThenFrame(event, modifiers, dt, path); };
    eventThenFrame(GUIEventAdapter::makePush(fromX, fromY, button));
    for (std::uint32_t i = 1; i <= count; ++i) {
      const double t = static_cast<double>(i) / count;
      eventThenFrame(GUIEventAdapter::makeDrag(static_cast<float>(fromX + (toX - fromX) * t),
                                               static_cast<float>(fromY + (toY - fromY) * t), button));
    }
    eventThenFrame(GUIEventAdapter::makeRelease(toX, toY, button));
  }

  // A click is a press and a release at one point; a double click is what a window
  // sends for one: press, release, double click, release. Each event gets its frame.
  void readClick(const Json& click, const std::string& path, bool isDouble) {
    if (!click.is_object()) {
      fail(path, "expected an object with \"at\"");
    }
    expectFields(click, path, {"at", "button", "dt", "modifiers"});
    const auto [x, y] = readPoint(click, "at", path);
    const std::uint32_t button = click.contains("button") ? readButton(click["button"], path + ".button")
                                                          : std::uint32_t{GUIEventAdapter::LEFT_MOUSE_BUTTON};
    const double dt = click.contains("dt") ? readDuration(click["dt"], path + ".dt") : frameStep_;
    const std::int32_t modifiers =
        click.contains("modifiers") ? readModifiers(click["modifiers"], path + ".modifiers") : 0;
    auto eventThenFrame = [&](GUIEventAdapter event) { appendEventThenFrame(event, modifiers, dt, path); };
    eventThenFrame(GUIEventAdapter::makePush(x, y, button));
    eventThenFrame(GUIEventAdapter::makeRelease(x, y, button));
    if (isDouble) {
      GUIEventAdapter twice = GUIEventAdapter::makePush(x, y, button);
      twice.setEventType(GUIEventAdapter::DOUBLECLICK);
      eventThenFrame(twice);
      eventThenFrame(GUIEventAdapter::makeRelease(x, y, button));
    }
  }

  void readEvent(const Json& step, const std::string& path) {
    const std::string kindName = readString(step["event"], path + ".event");
    const auto kind = lookUp(kEventKinds, kindName);
    if (!kind) {
      fail(path + ".event", "unknown event " + inQuotes(kindName));
    }
    GUIEventAdapter event;
    event.setEventType(static_cast<std::uint32_t>(*kind));
    const bool isKey = *kind == GUIEventAdapter::KEYDOWN || *kind == GUIEventAdapter::KEYUP;
    const bool hasButton = *kind == GUIEventAdapter::PUSH || *kind == GUIEventAdapter::RELEASE ||
                           *kind == GUIEventAdapter::DOUBLECLICK || *kind == GUIEventAdapter::DRAG;
    const bool isScroll = *kind == GUIEventAdapter::SCROLL;

    std::vector<std::string_view> allowed{"event", "x", "y", "modifiers"};
    if (isKey) {
      allowed.push_back("key");
    }
    if (hasButton) {
      allowed.push_back("button");
      allowed.push_back("mask");
    }
    if (isScroll) {
      allowed.push_back("wheel");
    }
    expectFields(step, path, allowed);

    // Key events may carry the pointer position; pointer events need it.
    if (!isKey || step.contains("x") || step.contains("y")) {
      event.setPosition(readCoordinate(step, "x", path), readCoordinate(step, "y", path));
    }
    if (isKey) {
      requireField(step, "key", path);
      event.setKey(readKey(step["key"], path + ".key"));
    }
    if (hasButton) {
      const bool isDrag = *kind == GUIEventAdapter::DRAG;
      std::optional<std::uint32_t> button;
      if (step.contains("button")) {
        button = readButton(step["button"], path + ".button");
      } else if (!isDrag) {
        fail(path + ".button", "missing field");
      }
      if (!isDrag) {
        event.setButton(*button);
      }
      // The held buttons: given, or the one that changed (none after a release).
      if (step.contains("mask")) {
        event.setButtonMask(readMask(step["mask"], path + ".mask"));
      } else if (button) {
        event.setButtonMask(*kind == GUIEventAdapter::RELEASE ? 0u : *button);
      } else {
        fail(path + ".mask", "missing field (a drag needs \"mask\" or \"button\")");
      }
    }
    if (isScroll) {
      requireField(step, "wheel", path);
      event.setScrollDelta(readFloat(step["wheel"], path + ".wheel"));
    }
    if (step.contains("modifiers")) {
      event.setModKeyMask(readModifiers(step["modifiers"], path + ".modifiers"));
    }
    Step eventStep;
    eventStep.kind = Step::Kind::Event;
    eventStep.event = event;
    append(std::move(eventStep), path);
  }

  void expectFields(const Json& object, const std::string& path, const std::vector<std::string_view>& allowed) const {
    for (const auto& [key, value] : object.items()) {
      if (!isComment(key) && std::find(allowed.begin(), allowed.end(), key) == allowed.end()) {
        fail(fieldPath(path, key), "unknown field");
      }
    }
  }

  void requireField(const Json& object, const char* field, const std::string& path) const {
    if (!object.contains(field)) {
      fail(fieldPath(path, field), "missing field");
    }
  }

  std::string readString(const Json& value, const std::string& path) const {
    if (!value.is_string()) {
      fail(path, "expected a string, got " + std::string(value.type_name()));
    }
    return value.get<std::string>();
  }

  double readNumber(const Json& value, const std::string& path) const {
    if (!value.is_number()) {
      fail(path, "expected a number, got " + std::string(value.type_name()));
    }
    const double number = value.get<double>();
    if (!std::isfinite(number)) {
      fail(path, "number out of range");
    }
    return number;
  }

  float readFloat(const Json& value, const std::string& path) const {
    const double number = readNumber(value, path);
    if (std::abs(number) > std::numeric_limits<float>::max()) {
      fail(path, "number out of range");
    }
    return static_cast<float>(number);
  }

  float readCoordinate(const Json& object, const char* field, const std::string& path) const {
    requireField(object, field, path);
    return readFloat(object[field], fieldPath(path, field));
  }

  std::pair<float, float> readPoint(const Json& object, const char* field, const std::string& path) const {
    requireField(object, field, path);
    const Json& point = object[field];
    const std::string pointPath = fieldPath(path, field);
    if (!point.is_array() || point.size() != 2) {
      fail(pointPath, "expected [x, y]");
    }
    return {readFloat(point[0], pointPath + "[0]"), readFloat(point[1], pointPath + "[1]")};
  }

  std::uint32_t readCount(const Json& value, const std::string& path) const {
    const double number = readNumber(value, path);
    if (number < 0.0 || number != std::floor(number) || number > std::numeric_limits<std::uint32_t>::max()) {
      fail(path, "expected a whole number from 0 to " + std::to_string(std::numeric_limits<std::uint32_t>::max()));
    }
    return static_cast<std::uint32_t>(number);
  }

  double readDuration(const Json& value, const std::string& path) const {
    const double seconds = readNumber(value, path);
    if (seconds < 0.0 || seconds > InputScript::kMaxFrameDt) {
      fail(path, "expected seconds from 0 to " + std::to_string(static_cast<int>(InputScript::kMaxFrameDt)));
    }
    return seconds;
  }

  std::uint32_t readButton(const Json& value, const std::string& path) const {
    const std::string name = readString(value, path);
    const auto button = lookUp(kButtons, name);
    if (!button) {
      fail(path, "unknown button " + inQuotes(name));
    }
    return static_cast<std::uint32_t>(*button);
  }

  std::uint32_t readMask(const Json& value, const std::string& path) const {
    if (!value.is_array()) {
      fail(path, "expected a list of buttons");
    }
    std::uint32_t mask = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
      mask |= readButton(value[i], path + "[" + std::to_string(i) + "]");
    }
    return mask;
  }

  std::int32_t readModifiers(const Json& value, const std::string& path) const {
    if (!value.is_array()) {
      fail(path, "expected a list of modifiers");
    }
    std::int32_t mask = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
      const std::string itemPath = path + "[" + std::to_string(i) + "]";
      const std::string name = readString(value[i], itemPath);
      const auto modifier = lookUp(kModifiers, name);
      if (!modifier) {
        fail(itemPath, "unknown modifier " + inQuotes(name));
      }
      mask |= *modifier;
    }
    return mask;
  }

  std::int32_t readKey(const Json& value, const std::string& path) const {
    if (value.is_number()) {
      const double code = readNumber(value, path);
      if (code != std::floor(code) || code < std::numeric_limits<std::int32_t>::min() ||
          code > std::numeric_limits<std::int32_t>::max()) {
        fail(path, "a key code is a 32-bit whole number");
      }
      return static_cast<std::int32_t>(code);
    }
    const std::string name = readString(value, path);
    // Single characters are their own code; letters lower-case, as the demo queues them.
    if (name.size() == 1 && static_cast<unsigned char>(name[0]) < 0x80) {
      return std::tolower(static_cast<unsigned char>(name[0]));
    }
    const auto key = lookUp(kKeyNames, name);
    if (!key) {
      fail(path, "unknown key " + inQuotes(name));
    }
    return *key;
  }

  std::string source_;
  double frameStep_ = InputScript::kDefaultFrameStep;
  std::vector<Step> steps_;
};

}  // namespace

InputScript InputScript::parse(std::string_view text, std::string_view sourceName) {
  Json root;
  try {
    root = Json::parse(text.begin(), text.end());
  } catch (const Json::parse_error& e) {
    const auto [line, column] = lineAndColumn(text, e.byte);
    std::ostringstream message;
    message << sourceName << ':' << line << ':' << column << ": malformed JSON: " << parseReason(e.what());
    throw InputScriptError(message.str());
  } catch (const Json::exception& e) {
    // Values the parser reads but cannot hold (a number like 1e400) carry no position.
    throw InputScriptError(std::string(sourceName) + ": malformed JSON: " + parseReason(e.what()));
  }
  return Reader(sourceName).read(root);
}

InputScript InputScript::load(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw InputScriptError(path.string() + ": cannot open the file");
  }
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) {
    throw InputScriptError(path.string() + ": cannot read the file");
  }
  return parse(text, path.string());
}

void InputScript::setFrameStep(double seconds) noexcept {
  if (std::isfinite(seconds) && seconds > 0.0 && seconds <= kMaxFrameDt) {
    frameStep_ = seconds;
  }
}

InputScript& InputScript::addStep(Step step) {
  if (step.kind == Step::Kind::Frames && !(std::isfinite(step.dt) && step.dt >= 0.0 && step.dt <= kMaxFrameDt)) {
    step.dt = frameStep_;
  }
  steps_.push_back(std::move(step));
  return *this;
}

InputScript& InputScript::addEvent(const GUIEventAdapter& event) {
  Step step;
  step.kind = Step::Kind::Event;
  step.event = event;
  return addStep(std::move(step));
}

InputScript& InputScript::addFrames(std::uint32_t frames) { return addFrames(frames, frameStep_); }

InputScript& InputScript::addFrames(std::uint32_t frames, double dt) {
  Step step;
  step.kind = Step::Kind::Frames;
  step.frames = frames;
  step.dt = dt;
  return addStep(std::move(step));
}

InputScript& InputScript::addMark(std::string name) {
  Step step;
  step.kind = Step::Kind::Mark;
  step.mark = std::move(name);
  return addStep(std::move(step));
}

std::uint64_t InputScript::frameCount() const noexcept {
  std::uint64_t total = 0;
  for (const Step& step : steps_) {
    if (step.kind == Step::Kind::Frames) {
      total += step.frames;
    }
  }
  return total;
}

}  // namespace qel
