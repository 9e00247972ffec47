// The editing tools' keys in the demo's own host: F6, F7 and F8 switch the scene picker's
// mode, each key used whole (down and up) so that neither the picker nor the camera sees
// it; the table of keys that later tools extend.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Common/Clock.h"
#include "DemoHost.h"
#include "EditorCommands.h"
#include "Manipulator/ScenePicker.h"
#include "Manipulator/ScenePickerImpl.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "Viewer/GUIEventAdapter.h"
#include "Viewer/KeyCodes.h"
#include "Viewer/Viewer.h"
#include "Viewer/ViewerImpl.h"

namespace {

using qel::GUIEventAdapter;
namespace Key = qel::Key;

constexpr int kWidth = 640;
constexpr int kHeight = 400;

enum class Mode { Off, Click, Rectangle };

struct KeyCase {
  std::string name;
  std::vector<int> keys;  // pressed and released in order, a frame after each
  int modifiers;          // held with every key
  Mode expected;
};

class PickerKeys : public ::testing::TestWithParam<KeyCase> {
 protected:
  void SetUp() override { qel::Clock::useManualTime(); }
  void TearDown() override { qel::Clock::useRealTime(); }
};

TEST_P(PickerKeys, SwitchThePickersModeWithoutMovingTheCamera) {
  const KeyCase& c = GetParam();
  qel::demo::DemoHostOptions options;
  options.windowWidth = kWidth;
  options.windowHeight = kHeight;
  qel::demo::DemoHost host = qel::demo::DemoHost::create(options);
  ASSERT_NE(host.picking, nullptr);
  host.viewer->frame();
  const qel::Camera& camera = host.viewer->getScene().getCamera();
  const auto eye = camera.getPosition();
  const auto orientation = camera.getOrientation();

  for (const int key : c.keys) {
    host.viewer->queueEvent(GUIEventAdapter::makeKeyDown(key, c.modifiers));
    host.viewer->queueEvent(GUIEventAdapter::makeKeyUp(key, c.modifiers));
    host.viewer->frame();
  }

  const qel::ScenePickerImpl& picker = qel::ScenePicker::instance()->_getImplHandle();
  EXPECT_EQ(picker.isClickPicking(), c.expected == Mode::Click);
  EXPECT_EQ(picker.isRectanglePicking(), c.expected == Mode::Rectangle);
  const std::string shown = c.expected == Mode::Click ? "click" : c.expected == Mode::Rectangle ? "rectangle" : "";
  EXPECT_EQ(host.picking->mode(), shown);
  // The display names the mode the picker is in.
  EXPECT_NE(host.editorCommands->statusText().find(shown.empty() ? "off" : shown + " (F8 off)"), std::string::npos)
      << host.editorCommands->statusText();
  EXPECT_EQ(camera.getPosition(), eye);
  EXPECT_EQ(camera.getOrientation(), orientation);
}

INSTANTIATE_TEST_SUITE_P(Keys, PickerKeys,
                         ::testing::Values(KeyCase{"NoKey", {}, 0, Mode::Off},
                                           KeyCase{"F6Click", {Key::F6}, 0, Mode::Click},
                                           KeyCase{"F7Rectangle", {Key::F7}, 0, Mode::Rectangle},
                                           KeyCase{"F7ThenF6", {Key::F7, Key::F6}, 0, Mode::Click},
                                           KeyCase{"F6ThenF7", {Key::F6, Key::F7}, 0, Mode::Rectangle},
                                           KeyCase{"F7ThenF8", {Key::F7, Key::F8}, 0, Mode::Off},
                                           KeyCase{"ShiftF7", {Key::F7}, qel::ModKey::Shift, Mode::Rectangle},
                                           KeyCase{"F9IsNoPickerKey", {Key::F9}, 0, Mode::Off}),
                         [](const ::testing::TestParamInfo<KeyCase>& info) { return info.param.name; });

// The table itself: which events a bound key uses and how often its action runs.
struct EventCase {
  std::string name;
  GUIEventAdapter event;
  bool alreadyHandled;
  bool expectUsed;
  int expectRuns;
};

class EditorCommandTable : public ::testing::TestWithParam<EventCase> {};

TEST_P(EditorCommandTable, UsesBothHalvesOfABoundKeyAndNothingElse) {
  const EventCase& c = GetParam();
  qel::demo::EditorCommands commands;
  int runs = 0;
  commands.bindKey(Key::F2, "F2", "a tool", [&runs] { ++runs; });
  auto viewer = qel::ViewerImpl::create();
  const qel::Viewer face(viewer);
  GUIEventAdapter event = c.event;
  event.setHandled(c.alreadyHandled);
  EXPECT_EQ(commands.handle(event, face), c.expectUsed);
  EXPECT_EQ(runs, c.expectRuns);
}

INSTANTIATE_TEST_SUITE_P(
    Events, EditorCommandTable,
    ::testing::Values(EventCase{"KeyDownRuns", GUIEventAdapter::makeKeyDown(Key::F2, 0), false, true, 1},
                      EventCase{"KeyUpIsUsedButRunsNothing", GUIEventAdapter::makeKeyUp(Key::F2, 0), false, true, 0},
                      EventCase{"ModifiersDoNotMatter", GUIEventAdapter::makeKeyDown(Key::F2, qel::ModKey::Control),
                                false, true, 1},
                      EventCase{"AnotherKeyIsLeft", GUIEventAdapter::makeKeyDown(Key::F3, 0), false, false, 0},
                      EventCase{"AHandledKeyIsLeft", GUIEventAdapter::makeKeyDown(Key::F2, 0), true, false, 0},
                      EventCase{"APressIsLeft", GUIEventAdapter::makePush(100, 100, GUIEventAdapter::LEFT_MOUSE_BUTTON),
                                false, false, 0}),
    [](const ::testing::TestParamInfo<EventCase>& info) { return info.param.name; });

// A later tool binding a key takes it over: one row, the new action and help.
TEST(EditorCommandTable, ALaterBindingReplacesTheRowAndTheHelpFollows) {
  qel::demo::EditorCommands commands;
  int first = 0, second = 0;
  commands.bindKey(Key::F7, "F7", "rectangle picking", [&first] { ++first; });
  commands.bindKey(Key::F2, "F2", "point editor", [] {});
  commands.bindKey(Key::F7, "F7", "something else", [&second] { ++second; });
  commands.bindKey(Key::F9, "F9", "no action", nullptr);
  ASSERT_EQ(commands.bindings().size(), 2u);
  auto viewer = qel::ViewerImpl::create();
  const qel::Viewer face(viewer);
  commands.handle(GUIEventAdapter::makeKeyDown(Key::F7, 0), face);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
  EXPECT_FALSE(commands.handle(GUIEventAdapter::makeKeyDown(Key::F9, 0), face));
  // In key order, F2 before F7, each once.
  EXPECT_EQ(commands.helpText(), "  F2   point editor\n  F7   something else");
  // A longer key name widens the column for every row (Return's code sorts first).
  commands.bindKey(qel::Key::Return, "Return", "end", [] {});
  EXPECT_EQ(commands.helpText(), "  Return end\n  F2     point editor\n  F7     something else");
  commands.unbindKey(qel::Key::Return);
  EXPECT_TRUE(commands.unbindKey(Key::F2));
  EXPECT_FALSE(commands.handle(GUIEventAdapter::makeKeyDown(Key::F2, 0), face));
}

}  // namespace
