// The scene picker driven through the viewer's frame loop: which gestures pick, with
// which window rectangle, which events fire with which results, what the outline shows,
// and that the camera keeps working beside it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "Manipulator/ScenePicker.h"
#include "Manipulator/ScenePickerImpl.h"
#include "Scene/BillboardCollection.h"
#include "Support/TestHost.h"
#include "Viewer/Viewer.h"

namespace qel::test {
namespace {

using Button = GUIEventAdapter::MouseButton;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

/// A picker bound to a fresh host, picking what the host's scene drew, with every event
/// it raises recorded. The picker is a process-wide singleton: each test leaves it
/// unbound, idle and without listeners.
class ScenePickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.setPose(Cartographic::fromDegrees(116.0, 40.0, 20000.0), 0.0, -90.0);
    picker = ScenePicker::instance();
    ASSERT_NE(picker, nullptr);
    face = std::make_unique<Viewer>(host.viewer().shared_from_this());
    picker->bind(face.get());
    host.scene().getPrimitives().add(marks);
    pickedHandle = picker->getPickedEvent().addEventListener(
        [this](std::weak_ptr<PickObject> result) { picked.push_back(result.lock()); });
    rectangleHandle = picker->getRectanglePickingEvent().addEventListener(
        [this](const std::vector<std::shared_ptr<PickObject>>& list) { rectangles.push_back(list); });
  }

  void TearDown() override {
    if (auto handle = pickedHandle.lock()) (*handle)();
    if (auto handle = rectangleHandle.lock()) (*handle)();
    picker->stopPicking();
    picker->bind(nullptr);
  }

  const ScenePickerImpl& impl() const { return picker->_getImplHandle(); }
  bool outlineInScene() const {
    const PolylineCollection* outline = impl().getOutlineCollection();
    return outline != nullptr && host.scene().getPrimitives().contains(*outline);
  }
  /// A billboard drawn on the globe under window pixel `at` from the next frame on.
  Billboard* markAt(Vector2<float> at) {
    const std::optional<Vector3<double>> ground = host.globeUnder(at);
    EXPECT_TRUE(ground);
    Billboard::ConstructorOptions options;
    options.position = ground.value_or(Vector3<double>{});
    Billboard* mark = marks->add(std::move(options));
    host.frame();
    return mark;
  }
  static CollectionElement* elementOf(const std::shared_ptr<PickObject>& object) {
    return object ? object->getElement() : nullptr;
  }
  std::size_t picks() const { return host.scene().getPickCount(); }
  std::size_t rectanglePicks() const { return host.scene().getRectanglePickCount(); }
  void press(float x, float y, std::uint32_t button = Button::LEFT_MOUSE_BUTTON) {
    host.send(GUIEventAdapter::makePush(x, y, button));
  }
  void release(float x, float y, std::uint32_t button = Button::LEFT_MOUSE_BUTTON) {
    host.send(GUIEventAdapter::makeRelease(x, y, button));
  }
  void dragTo(float x, float y) { host.send(GUIEventAdapter::makeDrag(x, y, Button::LEFT_MOUSE_BUTTON)); }

  TestHost host;
  ScenePicker* picker = nullptr;
  std::unique_ptr<Viewer> face;
  std::shared_ptr<BillboardCollection> marks = std::make_shared<BillboardCollection>(nullptr, true, std::nullopt);
  std::vector<std::shared_ptr<PickObject>> picked;
  std::vector<std::vector<std::shared_ptr<PickObject>>> rectangles;
  std::weak_ptr<FunctionWrapper> pickedHandle;
  std::weak_ptr<FunctionWrapper> rectangleHandle;
};

// ---------------------------------------------------------------------------------------
// Click picking

struct ClickCase {
  const char* name;
  float dpiScale;
  Vector2<float> pressAt;
  Vector2<float> releaseAt;
  bool picks;
  Vector2<int> pickedAt;  // the window pixel the pick is asked for, when it picks
};

class PickerClickTolerance : public ScenePickerTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(PickerClickTolerance, PicksOnlyWithinTenPixelsTimesTheDpiScale) {
  const ClickCase& c = GetParam();
  host.scene().getContext().setDpiScale(c.dpiScale);
  Billboard* mark = markAt(c.releaseAt);
  picker->startPicking(false);

  press(c.pressAt.x, c.pressAt.y);
  release(c.releaseAt.x, c.releaseAt.y);

  if (c.picks) {
    ASSERT_EQ(picks(), 1u);
    const SceneImpl::PickCall& call = *host.scene().getLastPick();
    EXPECT_EQ(call.position.x, c.pickedAt.x);
    EXPECT_EQ(call.position.y, c.pickedAt.y);
    EXPECT_EQ(call.width, 10);
    EXPECT_EQ(call.height, 10);
    ASSERT_EQ(picked.size(), 1u);
    EXPECT_EQ(elementOf(picked[0]), mark);
  } else {
    EXPECT_EQ(picks(), 0u);
    EXPECT_TRUE(picked.empty());
  }
  EXPECT_TRUE(rectangles.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Distances, PickerClickTolerance,
    ::testing::Values(ClickCase{"Dpi1_9px", 1.0f, {400, 300}, {409, 300}, true, {409, 300}},
                      ClickCase{"Dpi1_10px", 1.0f, {400, 300}, {410, 300}, false, {}},
                      ClickCase{"Dpi1_Diagonal10px", 1.0f, {400, 300}, {406, 308}, false, {}},
                      ClickCase{"Dpi1_Diagonal9_4px", 1.0f, {400, 300}, {405, 308}, true, {405, 308}},
                      ClickCase{"Dpi2_19px", 2.0f, {400, 300}, {400, 319}, true, {400, 319}},
                      ClickCase{"Dpi2_20px", 2.0f, {400, 300}, {400, 320}, false, {}},
                      // Fractions are cut, not rounded: 400.9 → 400 and 410.2 → 410.
                      ClickCase{"TruncatedNotRounded", 1.0f, {400.9f, 300.9f}, {410.2f, 300.2f}, false, {}},
                      ClickCase{"TruncatedRelease", 1.0f, {400.2f, 300.7f}, {408.9f, 300.9f}, true, {408, 300}},
                      // Toward zero, not down: -0.5 → 0, so 9.5 → 9 is 9 px away.
                      ClickCase{"TowardZeroLeftOfWindow", 1.0f, {-0.5f, 300}, {9.5f, 300}, true, {9, 300}}),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return std::string(info.param.name); });

TEST_F(ScenePickerTest, OtherButtonsClickNothing) {
  markAt({400, 300});
  picker->startPicking(false);
  for (std::uint32_t button : {Button::RIGHT_MOUSE_BUTTON, Button::MIDDLE_MOUSE_BUTTON}) {
    press(400, 300, button);
    release(400, 300, button);
  }
  EXPECT_EQ(picks(), 0u);
  EXPECT_TRUE(picked.empty());
}

TEST_F(ScenePickerTest, EmptyPickStillRaisesItsEvent) {
  picker->startPicking(false);
  press(400, 300);
  release(400, 300);
  ASSERT_EQ(picked.size(), 1u);
  EXPECT_EQ(picked[0], nullptr);
}

TEST_F(ScenePickerTest, ReleaseWithoutPressPicksNothing) {
  picker->startPicking(false);
  release(400, 300);
  EXPECT_EQ(picks(), 0u);
  EXPECT_TRUE(picked.empty());
}

// ---------------------------------------------------------------------------------------
// Rectangle picking

struct RectangleCase {
  const char* name;
  Vector2<float> from;
  Vector2<float> to;
};

class PickerRectangleGesture : public ScenePickerTest, public ::testing::WithParamInterface<RectangleCase> {};

TEST_P(PickerRectangleGesture, PicksOnceWithTheTopLeftCornerAndPositiveSize) {
  const RectangleCase& c = GetParam();
  // One mark inside the rectangle, one outside.
  const Vector2<float> inside{(c.from.x + c.to.x) / 2, (c.from.y + c.to.y) / 2};
  Billboard* within = markAt(inside);
  markAt({std::max(c.from.x, c.to.x) + 60, std::max(c.from.y, c.to.y) + 60});
  picker->startPicking(true);

  press(c.from.x, c.from.y);
  dragTo((c.from.x + c.to.x) / 2, (c.from.y + c.to.y) / 2);
  dragTo(c.to.x, c.to.y);
  release(c.to.x, c.to.y);

  const int x0 = static_cast<int>(c.from.x), y0 = static_cast<int>(c.from.y);
  const int x1 = static_cast<int>(c.to.x), y1 = static_cast<int>(c.to.y);
  ASSERT_EQ(rectanglePicks(), 1u);
  const SceneImpl::PickCall& call = *host.scene().getLastRectanglePick();
  EXPECT_EQ(call.position.x, x0 < x1 ? x0 : x1);
  EXPECT_EQ(call.position.y, y0 < y1 ? y0 : y1);
  EXPECT_EQ(call.width, x0 < x1 ? x1 - x0 : x0 - x1);
  EXPECT_EQ(call.height, y0 < y1 ? y1 - y0 : y0 - y1);
  ASSERT_EQ(rectangles.size(), 1u);
  ASSERT_EQ(rectangles[0].size(), 1u);
  EXPECT_EQ(elementOf(rectangles[0][0]), within);
  EXPECT_EQ(picks(), 0u);
  EXPECT_TRUE(picked.empty());
}

INSTANTIATE_TEST_SUITE_P(Directions, PickerRectangleGesture,
                         ::testing::Values(RectangleCase{"DownRight", {300, 200}, {500, 350}},
                                           RectangleCase{"UpLeft", {500, 400}, {300, 250}},
                                           RectangleCase{"UpRight", {300, 400}, {520, 230}},
                                           RectangleCase{"DownLeft", {600, 100}, {410.7f, 280.4f}}),
                         [](const ::testing::TestParamInfo<RectangleCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(ScenePickerTest, EmptyRectangleStillRaisesItsEventOncePerGesture) {
  picker->startPicking(true);
  for (int gesture = 0; gesture < 2; ++gesture) {
    press(300, 300);
    dragTo(350, 340);
    dragTo(360, 350);
    release(360, 350);
  }
  ASSERT_EQ(rectangles.size(), 2u);
  EXPECT_TRUE(rectangles[0].empty());
  EXPECT_TRUE(rectangles[1].empty());
}

TEST_F(ScenePickerTest, ClickOrOtherButtonInRectangleModePicksNothing) {
  markAt({300, 300});
  picker->startPicking(true);
  press(300, 300);
  release(300, 300);
  press(300, 300, Button::RIGHT_MOUSE_BUTTON);
  host.send(GUIEventAdapter::makeDrag(380, 380, Button::RIGHT_MOUSE_BUTTON));
  release(380, 380, Button::RIGHT_MOUSE_BUTTON);
  EXPECT_EQ(rectanglePicks(), 0u);
  EXPECT_TRUE(rectangles.empty());
  EXPECT_EQ(picks(), 0u);
}

TEST_F(ScenePickerTest, OutlineFollowsThePointerAndHidesAfterTheRelease) {
  picker->startPicking(true);
  const Vector2<float> from{420, 330};

  press(from.x, from.y);
  ASSERT_TRUE(outlineInScene());
  EXPECT_TRUE(impl().getOutline()->get().positions.empty());

  dragTo(380, 290);
  dragTo(300.6f, 250.9f);
  const Polyline& outline = *impl().getOutline();
  const PolylineCollection& collection = *impl().getOutlineCollection();
  EXPECT_TRUE(collection.isShow());
  EXPECT_TRUE(outline.get().loop);
  EXPECT_EQ(outline.get().width, 2.0);
  // Window-pixel offsets from the press: dx = 300 − 420, dy = 250 − 330.
  const std::vector<Vector3<double>> corners{{0, 0, 0}, {0, -80, 0}, {-120, -80, 0}, {-120, 0, 0}};
  EXPECT_EQ(outline.get().positions, corners);
  // The anchor lies on the press pixel's ray: it is drawn under the press point.
  ASSERT_TRUE(outline.getOrigin());
  const std::optional<Vector2<double>> anchorOnScreen = host.windowOf(*outline.getOrigin());
  ASSERT_TRUE(anchorOnScreen);
  EXPECT_NEAR(anchorOnScreen->x, from.x, 0.5);
  EXPECT_NEAR(anchorOnScreen->y, from.y, 0.5);
  EXPECT_EQ(host.viewer().getSceneCursor(), CursorAction::RectanglePick);
  // What the user sees: a closed line from the press corner to the pointer's corner.
  const std::span<const DrawItem> drawn = host.scene().getLastFrame().items();
  const auto item = std::find_if(drawn.begin(), drawn.end(), [&](const DrawItem& d) { return d.element == &outline; });
  ASSERT_NE(item, drawn.end());
  EXPECT_TRUE(item->shown);
  ASSERT_EQ(item->path.size(), 5u);  // four corners, closed
  EXPECT_NEAR(item->path[0].x, from.x, 0.5);
  EXPECT_NEAR(item->path[0].y, from.y, 0.5);
  EXPECT_NEAR(item->path[2].x, 300.0, 0.5);
  EXPECT_NEAR(item->path[2].y, 250.0, 0.5);

  release(300, 250);
  EXPECT_FALSE(collection.isShow());
  EXPECT_TRUE(outlineInScene());  // kept, hidden, for the next gesture
}

TEST_F(ScenePickerTest, LeavingRectangleModeTakesTheOutlineOutOfTheScene) {
  picker->startPicking(true);
  press(300, 300);
  dragTo(320, 330);
  release(320, 330);
  const std::size_t withOutline = host.scene().getPrimitives().size();
  ASSERT_TRUE(outlineInScene());

  picker->startPicking(false);
  EXPECT_EQ(impl().getOutline(), nullptr);
  EXPECT_EQ(host.scene().getPrimitives().size(), withOutline - 1);
  EXPECT_TRUE(impl().isClickPicking());
  EXPECT_FALSE(impl().isRectanglePicking());
}

TEST_F(ScenePickerTest, GestureCutShortByStopDoesNotFinishLater) {
  picker->startPicking(true);
  press(300, 300);
  dragTo(360, 340);
  picker->stopPicking();
  picker->startPicking(true);
  release(360, 340);
  EXPECT_EQ(rectanglePicks(), 0u);
  EXPECT_TRUE(rectangles.empty());
}

// ---------------------------------------------------------------------------------------
// Beside the camera

struct CameraCase {
  const char* name;
  bool rectangle;
  bool cameraMoves;
};

class PickerBesideCamera : public ScenePickerTest, public ::testing::WithParamInterface<CameraCase> {};

TEST_P(PickerBesideCamera, ClickModePansButRectangleDragsDoNot) {
  picker->startPicking(GetParam().rectangle);
  const Vector3<double> before = host.camera().getPosition();
  host.drag(Button::LEFT_MOUSE_BUTTON, {400, 300}, {300, 220}, 8);
  host.frame(3);
  const double moved = (host.camera().getPosition() - before).length();
  if (GetParam().cameraMoves) {
    EXPECT_GT(moved, 100.0);
  } else {
    EXPECT_EQ(moved, 0.0);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, PickerBesideCamera,
                         ::testing::Values(CameraCase{"ClickPicking", false, true},
                                           CameraCase{"RectanglePicking", true, false}),
                         [](const ::testing::TestParamInfo<CameraCase>& info) { return std::string(info.param.name); });

TEST_F(ScenePickerTest, WithoutModeEveryEventIsLeftAlone) {
  const Viewer& viewer = host.viewer().getViewer();
  ScenePickerImpl& tool = picker->_getImplHandle();
  host.viewer().clearCursorHistory();
  for (const GUIEventAdapter& event :
       {GUIEventAdapter::makePush(400, 300, Button::LEFT_MOUSE_BUTTON), GUIEventAdapter::makeDrag(420, 320, 1),
        GUIEventAdapter::makeFrame(), GUIEventAdapter::makeRelease(400, 300, Button::LEFT_MOUSE_BUTTON),
        GUIEventAdapter::makeMove(10, 10), GUIEventAdapter::makeDoubleClick(400, 300, 1)}) {
    EXPECT_FALSE(tool.handle(event, viewer)) << event.getEventType();
  }
  EXPECT_EQ(picks(), 0u);
  EXPECT_EQ(rectanglePicks(), 0u);
  EXPECT_TRUE(picked.empty());
  EXPECT_TRUE(host.viewer().getCursorHistory().empty());
}

TEST_F(ScenePickerTest, CursorShowsTheMode) {
  picker->startPicking(false);
  host.send(GUIEventAdapter::makeMove(100, 100));
  EXPECT_EQ(host.viewer().getSceneCursor(), CursorAction::ClickPick);
  picker->startPicking(true);
  host.send(GUIEventAdapter::makeMove(120, 100));
  EXPECT_EQ(host.viewer().getSceneCursor(), CursorAction::RectanglePick);
}

// ---------------------------------------------------------------------------------------
// Bad positions: the event is ignored, the gesture under way goes on.

class PickerUnusablePosition : public ScenePickerTest, public ::testing::WithParamInterface<float> {};

TEST_P(PickerUnusablePosition, IsIgnoredByEveryStep) {
  const float bad = GetParam();
  const ScenePickerImpl& tool = picker->_getImplHandle();
  const Viewer& viewer = host.viewer().getViewer();
  ScenePickerImpl& mutableTool = picker->_getImplHandle();

  picker->startPicking(false);
  press(400, 300);
  EXPECT_FALSE(mutableTool.handle(GUIEventAdapter::makeRelease(bad, 300, Button::LEFT_MOUSE_BUTTON), viewer));
  EXPECT_FALSE(mutableTool.handle(GUIEventAdapter::makePush(300, bad, Button::RIGHT_MOUSE_BUTTON), viewer));
  EXPECT_TRUE(picked.empty());
  release(402, 301);  // the press is still the one at (400, 300)
  ASSERT_EQ(picked.size(), 1u);

  picker->startPicking(true);
  press(300, 300);
  EXPECT_FALSE(mutableTool.handle(GUIEventAdapter::makeDrag(bad, 320, 1), viewer));
  EXPECT_FALSE(mutableTool.handle(GUIEventAdapter::makeDrag(320, bad, 1), viewer));
  EXPECT_FALSE(mutableTool.handle(GUIEventAdapter::makeRelease(bad, bad, Button::LEFT_MOUSE_BUTTON), viewer));
  EXPECT_TRUE(rectangles.empty());
  dragTo(340, 330);
  release(340, 330);
  ASSERT_EQ(rectanglePicks(), 1u);
  EXPECT_EQ(host.scene().getLastRectanglePick()->position.x, 300);
  EXPECT_EQ(host.scene().getLastRectanglePick()->width, 40);
  EXPECT_EQ(host.scene().getLastRectanglePick()->height, 30);
  (void)tool;
}

INSTANTIATE_TEST_SUITE_P(Values, PickerUnusablePosition, ::testing::Values(kNaN, kInf, -kInf, 3.0e9f, -3.0e9f));

}  // namespace
}  // namespace qel::test
