// The feature editors' keys in the demo's own host: F2 and F3 start the point and the
// polyline editor (one at a time), Return ends the active one only, g hands the feature
// under the pointer to the editor of its kind, Ctrl+Z needs its Control, Insert and Delete
// toggle the polyline editor's modes.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Common/Clock.h"
#include "DemoHost.h"
#include "EditingTourExpectations.h"
#include "EditorCommands.h"
#include "Feature/Feature.h"
#include "Manipulator/PointEditor.h"
#include "Manipulator/PointEditorImpl.h"
#include "Manipulator/PolygonEditor.h"
#include "Manipulator/PolygonEditorImpl.h"
#include "Manipulator/PolylineEditor.h"
#include "Manipulator/PolylineEditorImpl.h"
#include "Viewer/GUIEventAdapter.h"
#include "Viewer/KeyCodes.h"
#include "Viewer/Viewer.h"
#include "Viewer/ViewerImpl.h"

namespace {

using qel::GUIEventAdapter;
namespace Key = qel::Key;

constexpr int kWidth = 640;
constexpr int kHeight = 400;

qel::demo::DemoHost makeHost() {
  qel::demo::DemoHostOptions options;
  options.windowWidth = kWidth;
  options.windowHeight = kHeight;
  qel::demo::DemoHost host = qel::demo::DemoHost::create(options);
  host.viewer->frame();
  return host;
}

void press(qel::demo::DemoHost& host, int key, int modifiers = 0) {
  host.viewer->queueEvent(GUIEventAdapter::makeKeyDown(key, modifiers));
  host.viewer->queueEvent(GUIEventAdapter::makeKeyUp(key, modifiers));
  host.viewer->frame();
}

const qel::PointEditorImpl& pointEditor() { return qel::PointEditor::instance()->_getImplHandle(); }
const qel::PolylineEditorImpl& lineEditor() { return qel::PolylineEditor::instance()->_getImplHandle(); }
const qel::PolygonEditorImpl& areaEditor() { return qel::PolygonEditor::instance()->_getImplHandle(); }

enum class Drawing { None, Points, Lines, Areas };

struct RouteCase {
  std::string name;
  std::vector<int> keys;
  Drawing expected;
};

class EditorKeyRouting : public ::testing::TestWithParam<RouteCase> {
 protected:
  void SetUp() override { qel::Clock::useManualTime(); }
  void TearDown() override { qel::Clock::useRealTime(); }
};

TEST_P(EditorKeyRouting, OnlyTheLastStartedEditorDrawsAndReturnEndsThatOne) {
  const RouteCase& c = GetParam();
  qel::demo::DemoHost host = makeHost();
  ASSERT_NE(host.pointEditing, nullptr);
  ASSERT_NE(host.lineEditing, nullptr);
  for (const int key : c.keys) press(host, key);
  EXPECT_EQ(pointEditor().isDrawing(), c.expected == Drawing::Points);
  EXPECT_EQ(lineEditor().isDrawing(), c.expected == Drawing::Lines);
  EXPECT_EQ(areaEditor().isDrawing(), c.expected == Drawing::Areas);
  // The display says which editor draws.
  const std::string status = host.editorCommands->statusText();
  EXPECT_EQ(status.find("Points: drawing") != std::string::npos, c.expected == Drawing::Points) << status;
  EXPECT_EQ(status.find("Lines: drawing") != std::string::npos, c.expected == Drawing::Lines) << status;
  EXPECT_EQ(status.find("Areas: drawing") != std::string::npos, c.expected == Drawing::Areas) << status;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, EditorKeyRouting,
    ::testing::Values(RouteCase{"NoKey", {}, Drawing::None}, RouteCase{"F2DrawsPoints", {Key::F2}, Drawing::Points},
                      RouteCase{"F3DrawsLines", {Key::F3}, Drawing::Lines},
                      RouteCase{"F3AfterF2SwitchesToLines", {Key::F2, Key::F3}, Drawing::Lines},
                      RouteCase{"F2AfterF3SwitchesToPoints", {Key::F3, Key::F2}, Drawing::Points},
                      RouteCase{"ReturnEndsPoints", {Key::F2, Key::Return}, Drawing::None},
                      RouteCase{"ReturnEndsLines", {Key::F3, Key::Return}, Drawing::None},
                      RouteCase{"ReturnEndsTheSwitchedTo", {Key::F2, Key::F3, Key::Return}, Drawing::None},
                      RouteCase{"ReturnAloneDoesNothing", {Key::Return}, Drawing::None},
                      RouteCase{"F2AgainAfterReturn", {Key::F2, Key::Return, Key::F2}, Drawing::Points},
                      RouteCase{"F4DrawsAreas", {Key::F4}, Drawing::Areas},
                      RouteCase{"F4AfterF3SwitchesToAreas", {Key::F3, Key::F4}, Drawing::Areas},
                      RouteCase{"F3AfterF4SwitchesToLines", {Key::F4, Key::F3}, Drawing::Lines},
                      RouteCase{"ReturnEndsAreas", {Key::F4, Key::Return}, Drawing::None}),
    [](const ::testing::TestParamInfo<RouteCase>& info) { return info.param.name; });

// g from the valley's view: the pointer on a sample point's anchor edits that point with
// the point editor, then on the sample line's first vertex edits the line with the
// polyline editor, which ends the point editing.
TEST(EditorKeys, GEditsTheFeatureUnderThePointerWithTheEditorOfItsKind) {
  qel::Clock::useManualTime();
  qel::demo::DemoHost host = makeHost();
  press(host, '2');
  host.viewer->frame();
  const std::map<std::int64_t, qel::Vector2<double>> anchors = qel::test::EditingTour{}.featureAnchors(host);
  ASSERT_TRUE(anchors.count(1) && anchors.count(5));

  host.viewer->queueEvent(
      GUIEventAdapter::makeMove(static_cast<float>(anchors.at(1).x), static_cast<float>(anchors.at(1).y)));
  press(host, 'g');
  host.viewer->frame();
  ASSERT_NE(pointEditor().getFeature(), nullptr);
  EXPECT_EQ(pointEditor().getFeature()->getId(), std::optional<std::int64_t>(1));
  EXPECT_EQ(lineEditor().getFeature(), nullptr);
  EXPECT_EQ(host.editorCommands->activeTool(), "point editor");
  EXPECT_NE(host.editorCommands->statusText().find("Points: editing"), std::string::npos)
      << host.editorCommands->statusText();

  host.viewer->queueEvent(
      GUIEventAdapter::makeMove(static_cast<float>(anchors.at(5).x), static_cast<float>(anchors.at(5).y)));
  press(host, 'g');
  host.viewer->frame();
  ASSERT_NE(lineEditor().getFeature(), nullptr);
  EXPECT_EQ(lineEditor().getFeature()->getId(), std::optional<std::int64_t>(5));
  EXPECT_EQ(pointEditor().getFeature(), nullptr) << "the point editing ended";
  EXPECT_EQ(host.editorCommands->activeTool(), "polyline editor");
  EXPECT_NE(host.editorCommands->statusText().find("Lines: editing"), std::string::npos);
  EXPECT_NE(host.editorCommands->statusText().find("Points: off"), std::string::npos);
  // Ending it hands the line back as edited, not drawn: nothing is added to the scene.
  press(host, Key::Return);
  press(host, Key::Return);
  EXPECT_TRUE(host.lineEditing->drawn().empty());
  qel::Clock::useRealTime();
}

// Ctrl+Z is the only z of the table; Insert and Delete toggle with each press, for the
// line or area editor last started.
TEST(EditorKeys, UndoNeedsControlAndTheModeKeysToggle) {
  qel::Clock::useManualTime();
  qel::demo::DemoHost host = makeHost();
  const qel::Viewer face(host.viewer);
  EXPECT_FALSE(host.editorCommands->handle(GUIEventAdapter::makeKeyDown('z', 0), face)) << "a plain z is left alone";
  EXPECT_TRUE(host.editorCommands->handle(GUIEventAdapter::makeKeyDown('z', qel::ModKey::Control), face));
  press(host, Key::F3);
  press(host, Key::Insert);
  EXPECT_TRUE(lineEditor().isAddMode());
  press(host, Key::Delete);
  press(host, Key::Insert);
  EXPECT_FALSE(lineEditor().isAddMode());
  EXPECT_TRUE(lineEditor().isDeleteMode());
  press(host, Key::Delete);
  EXPECT_FALSE(lineEditor().isDeleteMode());
  press(host, 'v');
  EXPECT_FALSE(lineEditor().isMiddlePointVisible());
  press(host, 'm');
  EXPECT_TRUE(lineEditor().isObjectMovingEnabled());
  // Once F4 made the area editor the active one, the same keys act on it alone.
  press(host, Key::F4);
  press(host, Key::Insert);
  press(host, 'm');
  EXPECT_TRUE(areaEditor().isAddMode());
  EXPECT_TRUE(areaEditor().isObjectMovingEnabled());
  EXPECT_FALSE(lineEditor().isAddMode());
  EXPECT_TRUE(lineEditor().isObjectMovingEnabled());
  qel::Clock::useRealTime();
}

}  // namespace
