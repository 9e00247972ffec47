// Which events the globe manipulator takes: handled events and drags outside a gesture
// are left alone, the double click is the left button's, the cursor shows the drag's
// action, and the two view resets turn about the point under the pointer.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Support/FlightFixtures.h"
#include "Support/NavigationAssertions.h"
#include "Support/TestHost.h"
#include "Viewer/KeyCodes.h"
#include "Viewer/Viewer.h"

namespace qel::test {
namespace {

using Button = GUIEventAdapter::MouseButton;

/// Frames run after an event: more than the 30 over which inertia is eased out.
constexpr int kSettleFrames = 35;

bool handleNow(TestHost& host, const GUIEventAdapter& event) {
  return host.impl().handle(event, host.viewer().getViewer());
}

/// 3 km above the ground, looking obliquely down.
void placeOverLand(TestHost& host) { host.setPose(Cartographic::fromDegrees(8.0, 47.0, 3000.0), 30.0, -35.0); }

struct NamedEvent {
  const char* name;
  GUIEventAdapter event;
};

class HandledEvent : public ::testing::TestWithParam<NamedEvent> {};

TEST_P(HandledEvent, IsIgnored) {
  TestHost host;
  placeOverLand(host);
  // A gesture in progress, so that a drag or release would have something to act on.
  host.send(GUIEventAdapter::makePush(400.0f, 300.0f, Button::LEFT_MOUSE_BUTTON));
  const CameraPose before = poseOf(host.impl());
  const std::size_t picksBefore = host.scene().getPositionPickCount();

  GUIEventAdapter event = GetParam().event;
  event.setHandled(true);
  EXPECT_FALSE(handleNow(host, event));
  EXPECT_EQ(host.scene().getPositionPickCount(), picksBefore) << "no pick for a handled event";
  host.frame(5);
  EXPECT_EQ(poseOf(host.impl()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Navigation, HandledEvent,
    ::testing::Values(NamedEvent{"MiddlePress", GUIEventAdapter::makePush(400.0f, 350.0f, Button::MIDDLE_MOUSE_BUTTON)},
                      NamedEvent{"Drag", GUIEventAdapter::makeDrag(480.0f, 380.0f, Button::LEFT_MOUSE_BUTTON)},
                      NamedEvent{"Scroll", GUIEventAdapter::makeScroll(300.0f, 400.0f, 240.0f)},
                      NamedEvent{"KeyDown", GUIEventAdapter::makeKeyDown('w', ModKey::None)}),
    [](const auto& info) { return std::string(info.param.name); });

class DragOutsideAGesture : public ::testing::TestWithParam<bool> {};

TEST_P(DragOutsideAGesture, IsRefusedAndMovesNothing) {
  TestHost host;
  placeOverLand(host);
  if (GetParam()) {
    host.drag(Button::RIGHT_MOUSE_BUTTON, {400.0f, 300.0f}, {400.0f, 300.0f}, 0);
    host.frame(kSettleFrames);
  }
  const CameraPose before = poseOf(host.impl());
  host.viewer().clearCursorHistory();
  EXPECT_FALSE(handleNow(host, GUIEventAdapter::makeDrag(520.0f, 420.0f, Button::RIGHT_MOUSE_BUTTON)));
  host.send(GUIEventAdapter::makeDrag(560.0f, 460.0f, Button::LEFT_MOUSE_BUTTON));
  host.frame(kSettleFrames);
  EXPECT_EQ(poseOf(host.impl()), before);
  EXPECT_TRUE(host.viewer().getCursorHistory().empty()) << "no navigation cursor outside a gesture";
}

INSTANTIATE_TEST_SUITE_P(Navigation, DragOutsideAGesture, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "AfterRelease" : "NeverPressed"); });

class ButtonInput : public ::testing::TestWithParam<Button> {};

TEST_P(ButtonInput, DoubleClickIsTheLeftButtonsAndMovesNothing) {
  TestHost host;
  placeOverLand(host);
  const CameraPose before = poseOf(host.impl());
  EXPECT_EQ(handleNow(host, GUIEventAdapter::makeDoubleClick(400.0f, 300.0f, GetParam())),
            GetParam() == Button::LEFT_MOUSE_BUTTON);
  host.frame(5);
  EXPECT_EQ(poseOf(host.impl()), before);
}

TEST_P(ButtonInput, CursorShowsPanForLeftAndTurnTiltForTheOthers) {
  TestHost host;
  placeOverLand(host);
  host.viewer().clearCursorHistory();
  constexpr int kSteps = 6;
  host.drag(GetParam(), {400.0f, 350.0f}, {460.0f, 380.0f}, kSteps);
  const CursorAction expected = GetParam() == Button::LEFT_MOUSE_BUTTON ? CursorAction::Pan : CursorAction::TurnTilt;
  EXPECT_EQ(host.viewer().getCursorHistory(), std::vector<CursorAction>(kSteps, expected)) << "one per drag step";
}

INSTANTIATE_TEST_SUITE_P(Navigation, ButtonInput,
                         ::testing::Values(Button::LEFT_MOUSE_BUTTON, Button::MIDDLE_MOUSE_BUTTON,
                                           Button::RIGHT_MOUSE_BUTTON),
                         [](const auto& info) { return std::to_string(static_cast<int>(info.param)); });

// North up and look down through the facade (no main thread registered: they run at once).
class ViewReset : public ::testing::TestWithParam<std::tuple<bool, bool>> {};

TEST_P(ViewReset, TurnsAboutThePointUnderThePointerKeepingItsDistance) {
  const auto [northUp, overSky] = GetParam();
  TestHost host;
  // Looking level for the sky case, so that the pointer can point above the horizon.
  host.setPose(Cartographic::fromDegrees(8.0, 47.0, 2000.0), 130.0, overSky ? 0.0 : -35.0);
  const Vector2<float> pointer = overSky ? Vector2<float>(400.0f, 60.0f) : Vector2<float>(500.0f, 380.0f);
  const auto point = host.globeUnder(pointer);
  ASSERT_EQ(point.has_value(), !overSky);
  host.drag(Button::LEFT_MOUSE_BUTTON, pointer, pointer, 0);
  const CameraPose before = poseOf(host.impl());
  const auto attitude = [&] { return attitudeOf(host.impl()); };
  const HeadingPitchRoll attitudeBefore = attitude();

  northUp ? host.manipulator().turnNorthUp() : host.manipulator().lookDown();
  host.frame();
  if (overSky) {
    EXPECT_EQ(poseOf(host.impl()), before) << "nothing under the pointer: nothing to turn about";
    return;
  }
  const CameraPose after = poseOf(host.impl());
  EXPECT_TRUE(poseIsUsable(host.impl()));
  EXPECT_NEAR(Vector3<double>::distance(after.position, *point), Vector3<double>::distance(before.position, *point),
              1e-6);
  constexpr double kAttitudeTolerance = Math::toRadians(0.2);
  if (northUp) {
    EXPECT_NEAR(Math::negativePiToPi(attitude().heading), 0.0, 1e-9) << "facing north";
    EXPECT_NEAR(attitude().pitch, attitudeBefore.pitch, kAttitudeTolerance) << "with the tilt kept";
  } else {
    EXPECT_NEAR(attitude().pitch, -Math::PI_OVER_TWO, 1e-9) << "looking straight down";
    EXPECT_LE(pixelDistance(host.windowOf(*point), Vector2<float>(400.0f, 300.0f)), 0.01) << "onto the point";
    // The image's top points where the view used to head.
    const Matrix3 toLocal = Transforms::eastNorthUpToFixedFrame(*point, Ellipsoid::WGS84).getRotation().transposed();
    const Vector3<double> top = toLocal * (after.orientation * Vector3<double>(0.0, 1.0, 0.0));
    EXPECT_NEAR(Math::negativePiToPi(std::atan2(top.x, top.y) - attitudeBefore.heading), 0.0, kAttitudeTolerance);
  }
}

INSTANTIATE_TEST_SUITE_P(Navigation, ViewReset, ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param) ? "NorthUp" : "LookDown") +
                                  (std::get<1>(info.param) ? "_InTheSky" : "_OverGround");
                         });

}  // namespace
}  // namespace qel::test
