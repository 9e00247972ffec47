#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Common/AsyncSystem.h"
#include "Common/Clock.h"
#include "Viewer/InputScript.h"
#include "Viewer/KeyCodes.h"
#include "Viewer/ScriptPlayer.h"
#include "Viewer/ViewerImpl.h"
#include "ViewerTestDoubles.h"

namespace qel::test {
namespace {

using namespace std::chrono_literals;
using GEA = GUIEventAdapter;

std::string errorOf(const std::string& text) {
  try {
    InputScript::parse(text, "tour.json");
  } catch (const InputScriptError& e) {
    return e.what();
  }
  return "(no error)";
}

struct ErrorCase {
  const char* name;
  std::string text;
  std::string message;
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }

class InputScriptErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(InputScriptErrorTest, NamesTheSourceAndThePlace) {
  EXPECT_EQ(errorOf(GetParam().text).rfind(GetParam().message, 0), 0u)
      << "got: " << errorOf(GetParam().text) << "\nwanted it to start with: " << GetParam().message;
}

const std::string kPress = R"({"event": "press", "x": 1, "y": 2, "button": "left"})";

INSTANTIATE_TEST_SUITE_P(
    Scripts, InputScriptErrorTest,
    ::testing::Values(
        ErrorCase{"MalformedJsonGivesLineAndColumn", "{\n  \"steps\": [\n    {\"event\": \"press\",, \"x\": 1}\n  ]\n}",
                  "tour.json:3:23: malformed JSON: "},
        ErrorCase{"UnterminatedJson", "{\"steps\": [", "tour.json:1:12: malformed JSON: "},
        ErrorCase{"EmptyText", "", "tour.json:1:1: malformed JSON: "},
        ErrorCase{"NumberTooLargeToHold", R"({"steps": [{"frames": 1e400}]})", "tour.json: malformed JSON: "},
        ErrorCase{"NotAnObject", "[]", "tour.json: a script is an object"},
        ErrorCase{"NoSteps", R"({"frameStep": 0.02})", "tour.json: steps: missing field"},
        ErrorCase{"BadFrameStep", R"({"frameStep": 0, "steps": []})", "tour.json: frameStep: must be greater than 0"},
        ErrorCase{"UnknownButton",
                  R"({"steps": [)" + kPress + R"(, {"event": "press", "x": 1, "y": 2, "button": "lft"}]})",
                  "tour.json: steps[1].button: unknown button \"lft\""},
        ErrorCase{"MissingButton", R"({"steps": [{"event": "release", "x": 1, "y": 2}]})",
                  "tour.json: steps[0].button: missing field"},
        ErrorCase{"MissingPosition", R"({"steps": [{"event": "move", "x": 1}]})", "tour.json: steps[0].y: missing field"},
        ErrorCase{"DragWithoutButtons", R"({"steps": [{"event": "drag", "x": 1, "y": 1}]})",
                  "tour.json: steps[0].mask: missing field"},
        ErrorCase{"MissingWheel", R"({"steps": [{"event": "scroll", "x": 1, "y": 1}]})",
                  "tour.json: steps[0].wheel: missing field"},
        ErrorCase{"WrongType", R"({"steps": [{"event": "move", "x": "1", "y": 1}]})",
                  "tour.json: steps[0].x: expected a number, got string"},
        ErrorCase{"UnknownEvent", R"({"steps": [{"event": "click", "x": 1, "y": 1}]})",
                  "tour.json: steps[0].event: unknown event \"click\""},
        ErrorCase{"UnknownKey", R"({"steps": [{"event": "keydown", "key": "Upp"}]})",
                  "tour.json: steps[0].key: unknown key \"Upp\""},
        ErrorCase{"UnknownModifier", R"({"steps": [{"event": "keydown", "key": "w", "modifiers": ["meta"]}]})",
                  "tour.json: steps[0].modifiers[0]: unknown modifier \"meta\""},
        ErrorCase{"MisspelledField", R"({"steps": [{"event": "press", "x": 1, "y": 2, "buton": "left"}]})",
                  "tour.json: steps[0].buton: unknown field"},
        ErrorCase{"FieldOfAnotherEventKind", R"({"steps": [{"event": "move", "x": 1, "y": 2, "key": "w"}]})",
                  "tour.json: steps[0].key: unknown field"},
        ErrorCase{"StepOfNoKind", R"({"steps": [{"x": 1}]})", "tour.json: steps[0]: a step needs one of"},
        ErrorCase{"StepOfTwoKinds", R"({"steps": [{"mark": "a", "frames": 1}]})", "tour.json: steps[0]: a step is only one"},
        ErrorCase{"FractionalFrames", R"({"steps": [{"frames": 1.5}]})", "tour.json: steps[0].frames: expected a whole number"},
        ErrorCase{"NegativeDt", R"({"steps": [{"dt": -0.1}]})", "tour.json: steps[0].dt: expected seconds"},
        ErrorCase{"ErrorInsideARepeat",
                  R"({"steps": [{"frames": 1}, {"repeat": 3, "steps": [{"frames": 1},
                     {"event": "drag", "x": 1, "y": 1, "mask": ["left", "rigth"]}]}]})",
                  "tour.json: steps[1].steps[1].mask[1]: unknown button \"rigth\""},
        ErrorCase{"RepeatTooLarge",
                  R"({"steps": [{"repeat": 4000000000, "steps": [{"repeat": 4000000000, "steps": [{"frames": 1}]}]}]})",
                  "tour.json: steps[0].steps[0]: the script expands to more than"},
        ErrorCase{"DragLinePoint", R"({"steps": [{"dragLine": {"from": [1], "to": [2, 2]}}]})",
                  "tour.json: steps[0].dragLine.from: expected [x, y]"},
        ErrorCase{"DragLineWithoutDrags", R"({"steps": [{"dragLine": {"from": [1, 1], "to": [2, 2], "steps": 0}}]})",
                  "tour.json: steps[0].dragLine.steps: a drag line needs at least one drag event"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InputScriptLoadTest, FileErrorsNameTheFile) {
  const auto dir = std::filesystem::temp_directory_path();
  const auto missing = dir / "qel-no-such-script.json";
  try {
    InputScript::load(missing);
    FAIL() << "a missing file loaded";
  } catch (const InputScriptError& e) {
    EXPECT_NE(std::string(e.what()).find(missing.string()), std::string::npos) << e.what();
  }

  const auto broken = dir / ("qel-broken-script-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".json");
  std::ofstream(broken) << "{\"steps\": [\n  {\"frames\": }\n]}";
  try {
    InputScript::load(broken);
    FAIL() << "a broken file loaded";
  } catch (const InputScriptError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(broken.string() + ":2:", 0), 0u) << e.what();
  }
  std::filesystem::remove(broken);
}

TEST(InputScriptParseTest, ExpandsRepeatsAndDragLines) {
  const InputScript script = InputScript::parse(R"({
    "frameStep": 0.02,
    "steps": [
      {"comment": "two frames with a key held", "event": "keydown", "key": "W", "modifiers": ["shift", "ctrl"]},
      {"repeat": 2, "steps": [{"frames": 1}]},
      {"event": "keyup", "key": 65366},
      {"dragLine": {"from": [0, 100], "to": [40, 60], "button": "middle", "steps": 4, "dt": 0.01}},
      {"event": "scroll", "x": 5, "y": 6, "wheel": -120},
      {"frames": 3, "dt": 0.5},
      {"mark": "end"},
      {"repeat": 0, "steps": [{"frames": 9}]}
    ]})");

  EXPECT_DOUBLE_EQ(script.frameStep(), 0.02);
  // 2 repeated frames, press + 4 drags + release one frame each, then 3.
  EXPECT_EQ(script.frameCount(), 2u + 6u + 3u);
  const auto& steps = script.steps();
  ASSERT_EQ(steps.size(), 1u + 2u + 1u + 12u + 1u + 1u + 1u);
  EXPECT_EQ(steps[0].event.getKey(), 'w');
  EXPECT_EQ(steps[0].event.getModKeyMask(), ModKey::Shift | ModKey::Control);
  EXPECT_DOUBLE_EQ(steps[1].dt, 0.02);
  EXPECT_EQ(steps[3].event.getKey(), Key::PageDown);

  // The drag line: press at the start, evenly spaced drags, release at the end.
  std::vector<std::pair<std::uint32_t, float>> line;
  for (std::size_t i = 4; i < 16; i += 2) {
    line.emplace_back(steps[i].event.getEventType(), steps[i].event.getX());
    EXPECT_EQ(steps[i + 1].kind, InputScript::Step::Kind::Frames);
    EXPECT_DOUBLE_EQ(steps[i + 1].dt, 0.01);
  }
  const std::vector<std::pair<std::uint32_t, float>> expectedLine{
      {GEA::PUSH, 0.f}, {GEA::DRAG, 10.f}, {GEA::DRAG, 20.f}, {GEA::DRAG, 30.f}, {GEA::DRAG, 40.f}, {GEA::RELEASE, 40.f}};
  EXPECT_EQ(line, expectedLine);
  EXPECT_EQ(steps[6].event.getButtonMask(), GEA::MIDDLE_MOUSE_BUTTON);
  EXPECT_FLOAT_EQ(steps[6].event.getY(), 90.f);
  EXPECT_FLOAT_EQ(steps[16].event.getScrollDelta(), -120.f);
  EXPECT_EQ(steps.back().mark, "end");
}

/// A viewer on the manual clock with a handler that records what reached it, frame by
/// frame, as one line per event.
class ScriptPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AsyncSystem::instance(true);
    Clock::useManualTime();
    viewer = ViewerImpl::create();
    tool = std::make_shared<RecordingHandler>("tool", log);
    tool->onEvent = [this](const GUIEventAdapter& ea, const Viewer&) {
      std::ostringstream line;
      line << viewer->getFrameNumber() << ' ' << eventName(ea.getEventType());
      if (ea.getEventType() != GEA::FRAME && ea.getEventType() != GEA::KEYDOWN && ea.getEventType() != GEA::KEYUP) {
        line << ' ' << ea.getX() << ',' << ea.getY() << " b" << ea.getButton() << " m" << ea.getButtonMask();
      }
      if (ea.getEventType() == GEA::KEYDOWN || ea.getEventType() == GEA::KEYUP) {
        line << ' ' << ea.getKey() << " mods" << ea.getModKeyMask();
      }
      if (ea.getEventType() == GEA::SCROLL) {
        line << " w" << ea.getScrollDelta();
      }
      delivered.push_back(line.str());
    };
    viewer->addEventHandler(tool);
  }
  void TearDown() override {
    viewer.reset();
    Clock::useRealTime();
  }

  CallLog log;
  std::vector<std::string> delivered;
  std::shared_ptr<ViewerImpl> viewer;
  std::shared_ptr<RecordingHandler> tool;
};

TEST_F(ScriptPlayerTest, PlaysEventsIntoTheFramesThatFollowThem) {
  ScriptPlayer player(*viewer, InputScript::parse(R"({"frameStep": 0.025, "steps": [
      {"event": "move", "x": 1, "y": 2},
      {"event": "press", "x": 3, "y": 4, "button": "right"},
      {"frames": 1},
      {"mark": "pressed"},
      {"dragLine": {"from": [3, 4], "to": [7, 4], "button": "right", "steps": 2}},
      {"event": "keydown", "key": "PageUp"},
      {"event": "scroll", "x": 9, "y": 9, "wheel": 120},
      {"frames": 2, "dt": 0.5},
      {"mark": "done"},
      {"event": "keyup", "key": "PageUp"}]})",
                                                  "play.json"));
  std::vector<std::pair<std::string, std::uint64_t>> marks;
  std::vector<std::uint64_t> frames;
  std::vector<std::chrono::nanoseconds> stamps;
  player.onMark([&](const std::string& name, std::uint64_t index) { marks.emplace_back(name, index); });
  player.onFrame([&](std::uint64_t index) {
    frames.push_back(index);
    stamps.push_back(viewer->getFrameStamp().time_since_epoch());
  });
  const auto start = Clock::now().time_since_epoch();

  player.playAll();

  const std::vector<std::string> expected{
      "1 move 1,2 b0 m0",   "1 press 3,4 b4 m4",   "1 frame",
      "2 press 3,4 b4 m4",  "2 frame",             "3 drag 5,4 b0 m4",
      "3 frame",            "4 drag 7,4 b0 m4",    "4 frame",
      "5 release 7,4 b4 m0", "5 frame",            "6 keydown 65365 mods256",
      "6 scroll 9,9 b0 m0 w120", "6 frame",        "7 frame"};
  EXPECT_EQ(delivered, expected);
  EXPECT_EQ(frames, (std::vector<std::uint64_t>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(marks, (std::vector<std::pair<std::string, std::uint64_t>>{{"pressed", 1}, {"done", 7}}));
  // Each frame's stamp is the clock moved on by that frame's dt.
  ASSERT_EQ(stamps.size(), 7u);
  EXPECT_EQ(stamps[0] - start, 25ms);
  EXPECT_EQ(stamps[4] - start, 125ms);
  EXPECT_EQ(stamps[6] - start, 1125ms);
  // The key-up after the last frame waits for the viewer's next frame.
  EXPECT_TRUE(player.isFinished());
  EXPECT_EQ(viewer->getQueuedEventCount(), 1u);
}

TEST_F(ScriptPlayerTest, StepsOneFrameAtATime) {
  InputScript script;
  script.addEvent(GEA::makeMove(1, 1)).addFrames(2, 0.1).addMark("end");
  ScriptPlayer player(*viewer, std::move(script));
  std::vector<std::string> marks;
  player.onMark([&](const std::string& name, std::uint64_t) { marks.push_back(name); });

  EXPECT_TRUE(player.step());
  EXPECT_EQ(delivered, (std::vector<std::string>{"1 move 1,1 b0 m0", "1 frame"}));
  EXPECT_TRUE(player.step());
  EXPECT_TRUE(marks.empty());
  EXPECT_FALSE(player.isFinished());
  EXPECT_FALSE(player.step());  // no frame left: only the mark
  EXPECT_EQ(marks, (std::vector<std::string>{"end"}));
  EXPECT_TRUE(player.isFinished());
  EXPECT_FALSE(player.step());
  EXPECT_EQ(player.getFramesPlayed(), 2u);
}

TEST_F(ScriptPlayerTest, RefusesToPlayOnTheRealClock) {
  Clock::useRealTime();
  ScriptPlayer player(*viewer, InputScript().addFrames(1));
  EXPECT_THROW(player.step(), std::logic_error);
  EXPECT_EQ(viewer->getFrameNumber(), 0u);
}

}  // namespace
}  // namespace qel::test
