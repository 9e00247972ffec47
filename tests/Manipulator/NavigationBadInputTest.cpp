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
void emptyWindow(TestHost& host) { host.scene().setWindowSize(0, 0); }

std::vector<BadInputCase> badInputs() {
  using E = GUIEventAdapter;
  constexpr auto L = Button::LEFT_MOUSE_BUTTON;
  constexpr auto M = Button::MIDDLE_MOUSE_BUTTON;
  return {
      {"NaNAndInfinitePresses", {}, {E::makePush(kNaN, 300.0f, L), E::makePush(400.0f, -kInf, M)}, true},
      {"NaNDragAndInfiniteRelease", pressAtCentre, {E::makeDrag(kNaN, kNaN, L), E::makeRelease(kInf, 0.0f, L)}, true},
      {"NaNMoveAndDoubleClick", {}, {E::makeMove(kNaN, 10.0f), E::makeDoubleClick(kNaN, 0.0f, L)}, true},
      {"NaNAndInfiniteWheel",
       {},
       {E::makeScroll(400.0f, 300.0f, kNaN), E::makeScroll(400.0f, 300.0f, -kInf), E::makeScroll(kNaN, 300.0f, 120.0f)},
       true},
      {"EmptyWindow",
       emptyWindow,
       {E::makePush(400.0f, 300.0f, L), E::makeDrag(420.0f, 330.0f, L), E::makeRelease(420.0f, 330.0f, L),
        E::makeScroll(400.0f, 300.0f, 120.0f), E::makeMove(10.0f, 10.0f), E::makeDoubleClick(0.0f, 0.0f, L)},
       true},
      {"HugeWheelBothWays",
       {},
       {E::makeScroll(400.0f, 300.0f, 1e9f), E::makeScroll(380.0f, 300.0f, -1e9f), E::makeScroll(1e9f, -1e9f, 1e9f)},
       false},
      {"StrayDragsAndReleases",
       {},
       {E::makeDrag(500.0f, 400.0f, L), E::makeDrag(700.0f, 500.0f, Button::RIGHT_MOUSE_BUTTON),
        E::makeDrag(10.0f, 10.0f, 7u), E::makeRelease(100.0f, 100.0f, L)},
       false},
      {"PositionsFarOutsideTheWindow",
       pressAtCentre,
       {E::makeDrag(1e8f, -1e8f, L), E::makeRelease(-1e30f, 1e30f, L), E::makeMove(-3e38f, 3e38f)},
       false},
      {"UnknownEventKinds", {}, {eventOfKind(0u), eventOfKind(1024u), eventOfKind(0xFFFFFFFFu)}, false},
      {"UnknownKeys",
       {},
       {E::makeKeyDown(0x12345, 0), E::makeKeyDown(-1, -1), E::makeKeyUp(0, 0x7FFFFFFF),
        E::makeKeyDown(Key::F1, ModKey::Control)},
       false},
  };
}

class BadInput : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(BadInput, CameraStaysUsableAndNothingIsLogged) {
  const BadInputCase& c = GetParam();
  ScopedLogCapture log;
  TestHost host;
  host.setPose(Cartographic::fromDegrees(100.0, 30.0, 10000.0), 200.0, -45.0);
  if (c.setup) c.setup(host);
  host.frame();
  const CameraPose before = poseOf(host.impl());
  for (const GUIEventAdapter& event : c.events) {
    if (c.changesNothing) {
      EXPECT_FALSE(host.impl().handle(event, host.viewer().getViewer())) << "not used";
    }
    EXPECT_NO_THROW(host.send(event));
    ASSERT_TRUE(poseIsUsable(host.impl()));
  }
  host.frame(kSettleFrames);
  ASSERT_TRUE(poseIsUsable(host.impl()));
  if (c.changesNothing) {
    EXPECT_EQ(poseOf(host.impl()), before);
  }

  // Whatever came before, ordinary input still works.
  host.scene().setWindowSize(800, 600);
  const CameraPose beforeDrag = poseOf(host.impl());
  host.drag(Button::LEFT_MOUSE_BUTTON, {400.0f, 350.0f}, {430.0f, 390.0f}, 3);
  host.frame(kSettleFrames);
  EXPECT_TRUE(poseIsUsable(host.impl()));
  if (c.changesNothing) {
    EXPECT_NE(poseOf(host.impl()), beforeDrag) << "a drag after the bad input should still pan";
  }
  EXPECT_EQ(log.size(), 0u) << log.describe();
}

INSTANTIATE_TEST_SUITE_P(Navigation, BadInput, ::testing::ValuesIn(badInputs()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qel::test
