// Input scripts as a tester writes them: a mistake is reported with the file and the
// place in it, and a script played into a viewer delivers its events frame by frame.
#include <gtest/gtest.h>

#include <sstream>
#include <utility>

#include "Common/Clock.h"
#include "Viewer/InputScript.h"
#include "Viewer/ScriptPlayer.h"
#include "ViewerTestDoubles.h"

namespace qel::test {
namespace {

using namespace std::chrono_literals;
using GEA = GUIEventAdapter;

struct ErrorCase {
  const char* name;
  std::string text;
  std::string message;  // how the error text starts
};

class InputScriptErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(InputScriptErrorTest, NamesTheSourceAndThePlace) {
  std::string error = "(no error)";
  try {
    InputScript::parse(GetParam().text, "tour.json");
  } catch (const InputScriptError& e) {
    error = e.what();
  }
  EXPECT_EQ(error.rfind(GetParam().message, 0), 0u) << "got: " << error;
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, InputScriptErrorTest,
    ::testing::Values(
        ErrorCase{"MalformedJsonGivesLineAndColumn", "{\n  \"steps\": [\n    {\"event\": \"press\",, \"x\": 1}\n  ]\n}",
                  "tour.json:3:23: malformed JSON: "},
        ErrorCase{"WrongType", R"({"steps": [{"event": "move", "x": "1", "y": 1}]})",
                  "tour.json: steps[0].x: expected a number, got string"},
        ErrorCase{"MisspelledField", R"({"steps": [{"event": "press", "x": 1, "y": 2, "buton": "left"}]})",
                  "tour.json: steps[0].buton: unknown field"},
        ErrorCase{"ErrorInsideARepeat",
                  R"({"steps": [{"frames": 1}, {"repeat": 3, "steps": [{"frames": 1},
                     {"event": "drag", "x": 1, "y": 1, "mask": ["left", "rigth"]}]}]})",
                  "tour.json: steps[1].steps[1].mask[1]: unknown button \"rigth\""},
        ErrorCase{"RepeatTooLarge",
                  R"({"steps": [{"repeat": 4000000000, "steps": [{"repeat": 4000000000, "steps": [{"frames": 1}]}]}]})",
                  "tour.json: steps[0].steps[0]: the script expands to more than"},
        ErrorCase{"ClickWithoutAPlace", R"({"steps": [{"click": {"button": "left"}}]})",
                  "tour.json: steps[0].click.at: missing field"},
        ErrorCase{"ClickWithFrames", R"({"steps": [{"click": {"at": [1, 2]}, "frames": 1}]})",
                  "tour.json: steps[0]: a step is only one of"}),
    [](const auto& info) { return std::string(info.param.name); });

using ScriptPlayerTest = ViewerFixture;

TEST_F(ScriptPlayerTest, PlaysEventsIntoTheFramesThatFollowThem) {
  std::vector<std::string> delivered;  // one line per event: frame, kind and what matters
  addHandler("tool")->onEvent = [&](const GUIEventAdapter& ea, const Viewer&) {
    std::ostringstream line;
    const auto type = ea.getEventType();
    line << viewer->getFrameNumber() << ' ' << eventName(type);
    if (type == GEA::KEYDOWN || type == GEA::KEYUP) {
      line << ' ' << ea.getKey() << " mods" << ea.getModKeyMask();
    } else if (type != GEA::FRAME) {
      line << ' ' << ea.getX() << ',' << ea.getY() << " b" << ea.getButton() << " m" << ea.getButtonMask();
    }
    if (type == GEA::SCROLL) line << " w" << ea.getScrollDelta();
    delivered.push_back(line.str());
  };

  ScriptPlayer player(*viewer, InputScript::parse(R"({"frameStep": 0.025, "steps": [
      {"event": "move", "x": 1, "y": 2},
      {"event": "press", "x": 3, "y": 4, "button": "right"},
      {"frames": 1},
      {"mark": "pressed"},
      {"dragLine": {"from": [3, 4], "to": [7, 4], "button": "right", "steps": 2}},
      {"event": "keydown", "key": "PageUp"},
      {"event": "scroll", "x": 9, "y": 9, "wheel": 120},
      {"frames": 2, "dt": 0.5},
      {"mark": "done"}]})",
                                                  "play.json"));
  std::vector<std::pair<std::string, std::uint64_t>> marks;
  player.onMark([&](const std::string& name, std::uint64_t index) { marks.emplace_back(name, index); });
  const auto start = Clock::now();
  player.playAll();

  const std::vector<std::string> expected{"1 move 1,2 b0 m0",
                                          "1 press 3,4 b4 m4",
                                          "1 frame",
                                          "2 press 3,4 b4 m4",
                                          "2 frame",
                                          "3 drag 5,4 b0 m4",
                                          "3 frame",
                                          "4 drag 7,4 b0 m4",
                                          "4 frame",
                                          "5 release 7,4 b4 m0",
                                          "5 frame",
                                          "6 keydown 65365 mods256",
                                          "6 scroll 9,9 b0 m0 w120",
                                          "6 frame",
                                          "7 frame"};
  EXPECT_EQ(delivered, expected);
  EXPECT_EQ(marks, (std::vector<std::pair<std::string, std::uint64_t>>{{"pressed", 1}, {"done", 7}}));
  // Five frames of 25 ms, then two of half a second.
  EXPECT_EQ(viewer->getFrameStamp() - start, 1125ms);
  EXPECT_TRUE(player.isFinished());
}

struct KeyCase {
  const char* name;
  std::int32_t code;  // the X11 keysym a window reports for the key
};

class InputScriptKeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(InputScriptKeyTest, EditorKeysReadAsTheWindowsKeyCodes) {
  const InputScript script = InputScript::parse(
      std::string(R"({"steps": [{"event": "keydown", "key": ")") + GetParam().name + R"("}]})", "keys.json");
  ASSERT_EQ(script.steps().size(), 1u);
  EXPECT_EQ(script.steps()[0].event.getKey(), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Keys, InputScriptKeyTest,
                         ::testing::Values(KeyCase{"F2", 0xFFBF}, KeyCase{"F6", 0xFFC3}, KeyCase{"F7", 0xFFC4},
                                           KeyCase{"F8", 0xFFC5}, KeyCase{"F12", 0xFFC9}, KeyCase{"Return", 0xFF0D},
                                           KeyCase{"Insert", 0xFF63}, KeyCase{"Delete", 0xFFFF},
                                           KeyCase{"BackSpace", 0xFF08}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ClickCase {
  const char* name;
  const char* step;
  std::vector<std::uint32_t> kinds;  // the events, each followed by one frame
  std::uint32_t button;
};

class InputScriptClickTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(InputScriptClickTest, ExpandsToTheEventsAWindowSendsEachInItsOwnFrame) {
  const InputScript script =
      InputScript::parse(std::string(R"({"frameStep": 0.02, "steps": [)") + GetParam().step + "]}", "click.json");
  const std::vector<std::uint32_t>& kinds = GetParam().kinds;
  ASSERT_EQ(script.steps().size(), 2 * kinds.size());
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    const InputScript::Step& event = script.steps()[2 * i];
    ASSERT_EQ(event.kind, InputScript::Step::Kind::Event) << i;
    EXPECT_EQ(event.event.getEventType(), kinds[i]) << i;
    EXPECT_EQ(event.event.getButton(), GetParam().button) << i;
    EXPECT_FLOAT_EQ(event.event.getX(), 120.0f);
    EXPECT_FLOAT_EQ(event.event.getY(), 80.0f);
    const InputScript::Step& frame = script.steps()[2 * i + 1];
    ASSERT_EQ(frame.kind, InputScript::Step::Kind::Frames) << i;
    EXPECT_EQ(frame.frames, 1u);
    EXPECT_DOUBLE_EQ(frame.dt, 0.02);
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, InputScriptClickTest,
                         ::testing::Values(ClickCase{"Click",
                                                     R"({"click": {"at": [120, 80]}})",
                                                     {GEA::PUSH, GEA::RELEASE},
                                                     GEA::LEFT_MOUSE_BUTTON},
                                           ClickCase{"RightClick",
                                                     R"({"click": {"at": [120, 80], "button": "right"}})",
                                                     {GEA::PUSH, GEA::RELEASE},
                                                     GEA::RIGHT_MOUSE_BUTTON},
                                           ClickCase{"DoubleClick",
                                                     R"({"doubleClick": {"at": [120, 80]}})",
                                                     {GEA::PUSH, GEA::RELEASE, GEA::DOUBLECLICK, GEA::RELEASE},
                                                     GEA::LEFT_MOUSE_BUTTON}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qel::test
