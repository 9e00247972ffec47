// Input a window system should never send, sent anyway: the camera stays usable, nothing
// throws, nothing is logged, and events without a usable position change nothing at all.

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "Scene/TweenOptions.h"
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
      // Not used, except that a release ends the gesture whatever its position.
      EXPECT_EQ(host.impl().handle(event, host.viewer().getViewer()), event.getEventType() == GUIEventAdapter::RELEASE);
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

struct UnusableRelease {
  const char* name;
  Vector2<float> position;
  bool emptyWindow;
};

class ReleaseWithoutAPosition : public ::testing::TestWithParam<UnusableRelease> {};

TEST_P(ReleaseWithoutAPosition, EndsTheDragWithoutAFlick) {
  const UnusableRelease& c = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(100.0, 30.0, 10000.0), 200.0, -45.0);
  // A quick, long drag: released with a position, it would be a flick.
  host.send(GUIEventAdapter::makePush(400.0f, 300.0f, Button::LEFT_MOUSE_BUTTON));
  host.send(GUIEventAdapter::makeDrag(460.0f, 330.0f, Button::LEFT_MOUSE_BUTTON));
  if (c.emptyWindow) host.scene().setWindowSize(0, 0);
  host.send(GUIEventAdapter::makeRelease(c.position.x, c.position.y, Button::LEFT_MOUSE_BUTTON));
  host.scene().setWindowSize(800, 600);
  const CameraPose released = poseOf(host.impl());

  host.frame(kSettleFrames);
  EXPECT_EQ(poseOf(host.impl()), released) << "no spin";
  EXPECT_FALSE(host.impl().handle(GUIEventAdapter::makeDrag(520.0f, 380.0f, Button::LEFT_MOUSE_BUTTON),
                                  host.viewer().getViewer()))
      << "the button is up: a drag is not expected";
  host.frame();
  EXPECT_EQ(poseOf(host.impl()), released);
}

INSTANTIATE_TEST_SUITE_P(Navigation, ReleaseWithoutAPosition,
                         ::testing::Values(UnusableRelease{"NaN", {kNaN, 330.0f}, false},
                                           UnusableRelease{"Infinite", {460.0f, -kInf}, false},
                                           UnusableRelease{"EmptyWindow", {460.0f, 330.0f}, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A motion whose result is not finite is undone whole: the pose stays where it was, the
// motion stops (and with it whatever else was moving), and no viewpoint is announced,
// neither in that frame nor in the next ones.
enum class Breaks { KeySpeed, Flight };

class UnusableMotion : public ::testing::TestWithParam<Breaks> {};

TEST_P(UnusableMotion, IsUndoneStoppedAndNeverAnnounced) {
  TestHost host;
  host.setPose(Cartographic::fromDegrees(100.0, 30.0, 10000.0), 200.0, -45.0);
  std::vector<Viewpoint> seen;
  host.impl().getViewpointChanged().addEventListener([&](const Viewpoint& v) { seen.push_back(v); });
  const CameraPose before = poseOf(host.impl());
  constexpr double kHugeSpeed = 1e300;  // metres per second: the step overflows to infinity

  if (GetParam() == Breaks::KeySpeed) {
    host.impl().setKeyOperaterSpeed(400.0, 6.0, 36.0, kHugeSpeed);
    host.send(GUIEventAdapter::makeKeyDown('w', ModKey::None));
  } else {
    // A flight whose first step is broken and whose later steps would move the eye.
    int updates = 0;
    TweenOptions options;
    options.duration = 10.0;
    options.update = [&host, &updates](double) {
      const Vector3<double> p = host.impl().getPosition();
      host.impl().setPosition(updates++ == 0 ? Vector3<double>(kNaN, p.y, p.z) : p * 1.001);
    };
    GlobeManipulatorTestAccess::startFlight(host.impl(), std::move(options));
    host.frame();
  }
  EXPECT_EQ(poseOf(host.impl()), before);
  EXPECT_FALSE(host.impl().isFlying());
  host.impl().setKeyOperaterSpeed(400.0, 6.0, 36.0, 400.0);
  host.frame(5);
  EXPECT_EQ(poseOf(host.impl()), before) << "the motion was stopped";
  EXPECT_TRUE(seen.empty()) << seen.size() << " viewpoint events";
}

INSTANTIATE_TEST_SUITE_P(Navigation, UnusableMotion, ::testing::Values(Breaks::KeySpeed, Breaks::Flight),
                         [](const auto& info) {
                           return std::string(info.param == Breaks::KeySpeed ? "Keys" : "Flight");
                         });

}  // namespace
}  // namespace qel::test
