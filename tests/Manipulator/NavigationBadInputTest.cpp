// Input a window system should never send, sent anyway: the camera stays usable, nothing
// throws, nothing is logged, and events without a usable position change nothing at all.

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "Support/NavigationAssertions.h"
#include "Support/TestHost.h"
#include "Viewer/KeyCodes.h"
#include "Viewer/Viewer.h"

namespace qel::test {
namespace {

using Button = GUIEventAdapter::MouseButton;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
/// Frames run after the bad input: more than the 30 over which inertia is eased out.
constexpr int kSettleFrames = 35;

GUIEventAdapter eventOfKind(std::uint32_t kind) {
  GUIEventAdapter event = GUIEventAdapter::makePush(400.0f, 300.0f, Button::LEFT_MOUSE_BUTTON);
  event.setEventType(kind);
  return event;
}

struct BadInputCase {
  const char* name;
  std::function<void(TestHost&)> setup;  // runs before the bad input, may be empty
  std::vector<GUIEventAdapter> events;
  bool changesNothing;  // no usable position: refused outright, the pose stays exactly
};

void pressAtCentre(TestHost& host) { host.send(GUIEventAdapter::makePush(400.0f, 320.0f, Button::LEFT_MOUSE_BUTTON)); }
void middlePressAtCentre(TestHost& host) {
  host.send(GUIEventAdapter::makePush(400.0f, 320.0f, Button::MIDDLE_MOUSE_BUTTON));
}
void emptyWindow(TestHost& host) { host.scene().setWindowSize(0, 0); }

std::vector<BadInputCase> badInputs() {
  using E = GUIEventAdapter;
  return {
      {"NaNPress", {}, {E::makePush(kNaN, 300.0f, Button::LEFT_MOUSE_BUTTON)}, true},
      {"InfinitePress", {}, {E::makePush(400.0f, -kInf, Button::RIGHT_MOUSE_BUTTON)}, true},
      {"NaNDragInAGesture", pressAtCentre, {E::makeDrag(kNaN, kNaN, Button::LEFT_MOUSE_BUTTON)}, true},
      {"InfiniteMiddleDrag", middlePressAtCentre, {E::makeDrag(kInf, 300.0f, Button::MIDDLE_MOUSE_BUTTON)}, true},
      {"InfiniteRelease", pressAtCentre, {E::makeRelease(kInf, 300.0f, Button::LEFT_MOUSE_BUTTON)}, true},
      {"NaNMove", {}, {E::makeMove(kNaN, 10.0f)}, true},
      {"NaNWheelDelta", {}, {E::makeScroll(400.0f, 300.0f, kNaN)}, true},
      {"InfiniteWheelDelta", {}, {E::makeScroll(400.0f, 300.0f, kInf)}, true},
      {"NegativeInfiniteWheelDelta", {}, {E::makeScroll(420.0f, 300.0f, -kInf)}, true},
      {"NaNWheelPosition", {}, {E::makeScroll(kNaN, 300.0f, 120.0f)}, true},
      {"NaNDoubleClick", {}, {E::makeDoubleClick(kNaN, 0.0f, Button::LEFT_MOUSE_BUTTON)}, true},
      {"EmptyWindow",
       emptyWindow,
       {E::makePush(400.0f, 300.0f, Button::LEFT_MOUSE_BUTTON), E::makeDrag(420.0f, 330.0f, Button::LEFT_MOUSE_BUTTON),
        E::makeRelease(420.0f, 330.0f, Button::LEFT_MOUSE_BUTTON), E::makeScroll(400.0f, 300.0f, 120.0f),
        E::makeMove(10.0f, 10.0f), E::makeDoubleClick(0.0f, 0.0f, Button::LEFT_MOUSE_BUTTON)},
       true},
      {"WindowEmptiedDuringATurn",
       [](TestHost& host) {
         middlePressAtCentre(host);
         emptyWindow(host);
       },
       {E::makeDrag(480.0f, 380.0f, Button::MIDDLE_MOUSE_BUTTON), E::makeDrag(0.0f, 0.0f, Button::MIDDLE_MOUSE_BUTTON)},
       true},
      {"HugeWheelIn", {}, {E::makeScroll(400.0f, 300.0f, 1e9f)}, false},
      {"HugeWheelOut", {}, {E::makeScroll(400.0f, 300.0f, -1e9f)}, false},
      {"HugeWheelBothWays",
       {},
       {E::makeScroll(400.0f, 300.0f, 1e9f), E::makeScroll(380.0f, 300.0f, -1e9f), E::makeScroll(1e9f, -1e9f, 1e9f)},
       false},
      {"DragsWithoutAPress",
       {},
       {E::makeDrag(500.0f, 400.0f, Button::LEFT_MOUSE_BUTTON), E::makeDrag(100.0f, 50.0f, Button::MIDDLE_MOUSE_BUTTON),
        E::makeDrag(700.0f, 500.0f, Button::RIGHT_MOUSE_BUTTON), E::makeDrag(10.0f, 10.0f, 7u)},
       false},
      {"ReleasesWithoutAPress",
       {},
       {E::makeRelease(100.0f, 100.0f, Button::LEFT_MOUSE_BUTTON),
        E::makeRelease(700.0f, 50.0f, Button::RIGHT_MOUSE_BUTTON)},
       false},
      {"DragWithSeveralButtons",
       pressAtCentre,
       {E::makeDrag(500.0f, 400.0f, 3u), E::makeDrag(520.0f, 420.0f, 0u)},
       false},
      {"PositionsFarOutsideTheWindow",
       pressAtCentre,
       {E::makeDrag(1e8f, -1e8f, Button::LEFT_MOUSE_BUTTON), E::makeRelease(-1e30f, 1e30f, Button::LEFT_MOUSE_BUTTON),
        E::makeMove(-3e38f, 3e38f)},
       false},
      {"UnknownEventKinds",
       {},
       {eventOfKind(0u), eventOfKind(256u), eventOfKind(1024u), eventOfKind(3u), eventOfKind(0xFFFFFFFFu)},
       false},
      {"UnknownKeys",
       {},
       {E::makeKeyDown(0x12345, 0), E::makeKeyDown(-1, -1), E::makeKeyUp(0x12345, 0), E::makeKeyUp(0, 0x7FFFFFFF),
        E::makeKeyDown(Key::F1, ModKey::Control)},
       false},
  };
}

class BadInput : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(BadInput, CameraStaysUsableAndNothingIsLogged) {
  const BadInputCase& c = GetParam();
  ScopedLogCapture log;
  TestHost host(Terrain::createProcedural());
  const Cartographic ground = Cartographic::fromDegrees(100.0, 30.0);
  const double terrain = host.scene().getGlobe().getHeight(ground).value_or(0.0);
  host.setPose(Cartographic(ground.longitude, ground.latitude, terrain + 10000.0), 200.0, -45.0);
  if (c.setup) c.setup(host);
  host.frame();

  int viewpointEvents = 0;
  auto listener = host.impl().getViewpointChanged().addEventListener([&](const Viewpoint&) { ++viewpointEvents; });
  const CameraPose before = poseOf(host.impl());

  EXPECT_NO_THROW({
    for (const GUIEventAdapter& event : c.events) {
      if (c.changesNothing) {
        EXPECT_FALSE(host.impl().handle(event, host.viewer().getViewer())) << "an unusable event is not used";
      }
      host.send(event);
      ASSERT_TRUE(poseIsUsable(host.impl()));
    }
    for (int frame = 0; frame < kSettleFrames; ++frame) {
      host.frame();
      ASSERT_TRUE(poseIsUsable(host.impl())) << "frame " << frame;
    }
  });
  if (c.changesNothing) {
    EXPECT_EQ(poseOf(host.impl()), before);
    EXPECT_EQ(viewpointEvents, 0);
  }

  // Whatever came before, ordinary input still works on a usable camera.
  host.scene().setWindowSize(800, 600);
  const CameraPose beforeDrag = poseOf(host.impl());
  host.drag(Button::LEFT_MOUSE_BUTTON, {400.0f, 350.0f}, {430.0f, 390.0f}, 3);
  host.frame(kSettleFrames);
  EXPECT_TRUE(poseIsUsable(host.impl()));
  if (c.changesNothing) {
    EXPECT_NE(poseOf(host.impl()), beforeDrag) << "a drag after the bad input should still pan";
  }
  EXPECT_EQ(log.sink().size(), 0u) << log.describe();
  (void)listener;
}

INSTANTIATE_TEST_SUITE_P(Navigation, BadInput, ::testing::ValuesIn(badInputs()),
                         [](const ::testing::TestParamInfo<BadInputCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace qel::test
