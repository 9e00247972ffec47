// How the globe manipulator takes its input: which events it uses, what a pick costs,
// what the cursor and the scene's mouse position show, and the two view resets.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Scene/BoxPrimitive.h"
#include "Support/NavigationAssertions.h"
#include "Support/TestHost.h"
#include "Viewer/KeyCodes.h"
#include "Viewer/Viewer.h"

namespace qel::test {
namespace {

using Access = GlobeManipulatorTestAccess;
using Button = GUIEventAdapter::MouseButton;

/// Hands an event to the manipulator directly (as the viewer does), for its answer.
bool handleNow(TestHost& host, const GUIEventAdapter& event) {
  return host.impl().handle(event, host.viewer().getViewer());
}

/// 3 km above whatever terrain the host has, looking obliquely down.
void placeOverLand(TestHost& host) {
  const Cartographic ground = Cartographic::fromDegrees(8.0, 47.0);
  const double terrain = host.scene().getGlobe().getHeight(ground).value_or(0.0);
  host.setPose(Cartographic(ground.longitude, ground.latitude, terrain + 3000.0), 30.0, -35.0);
}

// ---------------------------------------------------------------------------------------

struct NamedEvent {
  const char* name;
  GUIEventAdapter event;
};

std::vector<NamedEvent> everyKindOfEvent() {
  return {
      {"Press", GUIEventAdapter::makePush(400.0f, 350.0f, Button::LEFT_MOUSE_BUTTON)},
      {"MiddlePress", GUIEventAdapter::makePush(400.0f, 350.0f, Button::MIDDLE_MOUSE_BUTTON)},
      {"Release", GUIEventAdapter::makeRelease(450.0f, 350.0f, Button::LEFT_MOUSE_BUTTON)},
      {"DoubleClick", GUIEventAdapter::makeDoubleClick(400.0f, 350.0f, Button::LEFT_MOUSE_BUTTON)},
      {"Drag", GUIEventAdapter::makeDrag(480.0f, 380.0f, Button::LEFT_MOUSE_BUTTON)},
      {"Move", GUIEventAdapter::makeMove(100.0f, 100.0f)},
      {"Scroll", GUIEventAdapter::makeScroll(300.0f, 400.0f, 240.0f)},
      {"KeyDown", GUIEventAdapter::makeKeyDown('w', ModKey::None)},
      {"KeyUp", GUIEventAdapter::makeKeyUp('w', ModKey::None)},
      {"Frame", GUIEventAdapter::makeFrame()},
  };
}

class HandledEvent : public ::testing::TestWithParam<NamedEvent> {};

TEST_P(HandledEvent, IsIgnored) {
  TestHost host;
  placeOverLand(host);
  // A gesture in progress, so that a drag or release would have something to act on.
  host.send(GUIEventAdapter::makePush(400.0f, 300.0f, Button::LEFT_MOUSE_BUTTON));
  const CameraPose before = poseOf(host.impl());
  const Cartographic mouseBefore = host.impl().getMouseCartographic();
  const std::size_t picksBefore = host.scene().getPositionPickCount();

  GUIEventAdapter event = GetParam().event;
  event.setHandled(true);
  EXPECT_FALSE(handleNow(host, event));
  EXPECT_EQ(poseOf(host.impl()), before);
  EXPECT_EQ(host.scene().getPositionPickCount(), picksBefore) << "no pick for a handled event";
  EXPECT_EQ(Access::keyNaviMask(host.impl()), 0u);
  host.frame(5);
  EXPECT_EQ(poseOf(host.impl()), before) << "nothing was started either";
  EXPECT_EQ(host.impl().getMouseCartographic(), mouseBefore);
}

INSTANTIATE_TEST_SUITE_P(Navigation, HandledEvent, ::testing::ValuesIn(everyKindOfEvent()),
                         [](const ::testing::TestParamInfo<NamedEvent>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------

struct StrayDragCase {
  const char* name;
  Button button;
  bool afterRelease;
};

class DragOutsideAGesture : public ::testing::TestWithParam<StrayDragCase> {};

TEST_P(DragOutsideAGesture, IsRefusedAndMovesNothing) {
  const StrayDragCase& c = GetParam();
  TestHost host;
  placeOverLand(host);
  if (c.afterRelease) {
    host.send(GUIEventAdapter::makePush(400.0f, 300.0f, c.button));
    host.send(GUIEventAdapter::makeRelease(400.0f, 300.0f, c.button));
    host.frame(3);
  }
  const CameraPose before = poseOf(host.impl());
  host.viewer().clearCursorHistory();
  EXPECT_FALSE(handleNow(host, GUIEventAdapter::makeDrag(520.0f, 420.0f, c.button)));
  host.send(GUIEventAdapter::makeDrag(560.0f, 460.0f, c.button));
  host.frame(35);
  EXPECT_EQ(poseOf(host.impl()), before);
  EXPECT_TRUE(host.viewer().getCursorHistory().empty()) << "no navigation cursor outside a gesture";
}

INSTANTIATE_TEST_SUITE_P(Navigation, DragOutsideAGesture,
                         ::testing::Values(StrayDragCase{"LeftNeverPressed", Button::LEFT_MOUSE_BUTTON, false},
                                           StrayDragCase{"MiddleNeverPressed", Button::MIDDLE_MOUSE_BUTTON, false},
                                           StrayDragCase{"LeftAfterRelease", Button::LEFT_MOUSE_BUTTON, true},
                                           StrayDragCase{"RightAfterRelease", Button::RIGHT_MOUSE_BUTTON, true}),
                         [](const ::testing::TestParamInfo<StrayDragCase>& info) {
                           return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------------------

TEST(WheelInput, SecondEventAtTheSamePositionDoesNotPickAgain) {
  TestHost host;
  placeOverLand(host);
  GlobeImpl& globe = host.scene().getGlobe();

  // A frame with nothing in it: what the frame itself picks.
  std::size_t globePicks = globe.getPickCount();
  host.frame();
  const std::size_t framePicks = globe.getPickCount() - globePicks;

  const auto picksOf = [&](const GUIEventAdapter& event) {
    const std::size_t globeBefore = globe.getPickCount();
    const std::size_t positionBefore = host.scene().getPositionPickCount();
    host.send(event);
    return std::pair{globe.getPickCount() - globeBefore - framePicks,
                     host.scene().getPositionPickCount() - positionBefore};
  };
  const auto first = picksOf(GUIEventAdapter::makeScroll(300.0f, 400.0f, 120.0f));
  EXPECT_GT(first.first, 0u) << "the first wheel event picks the globe";
  EXPECT_EQ(first.second, 1u) << "and the scene";
  EXPECT_FALSE(Access::mouseMoved(host.impl()));

  const auto second = picksOf(GUIEventAdapter::makeScroll(300.0f, 400.0f, 120.0f));
  EXPECT_EQ(second.first, 0u);
  EXPECT_EQ(second.second, 0u);
  EXPECT_TRUE(Access::mouseMoved(host.impl())) << "the second marks the mouse as moved instead";

  const auto elsewhere = picksOf(GUIEventAdapter::makeScroll(310.0f, 400.0f, 120.0f));
  EXPECT_EQ(elsewhere.second, 1u) << "a new position picks again";
}

enum class Running { Spin, ZoomEasing };

class ZeroWheel : public ::testing::TestWithParam<Running> {};

TEST_P(ZeroWheel, IsUsedButStopsNothing) {
  TestHost host;
  host.setPose(Cartographic::fromDegrees(-60.0, 30.0, 1.0e6), 0.0, -90.0);
  if (GetParam() == Running::Spin) {
    host.send(GUIEventAdapter::makePush(400.0f, 300.0f, Button::LEFT_MOUSE_BUTTON), std::chrono::milliseconds(20));
    host.send(GUIEventAdapter::makeDrag(440.0f, 300.0f, Button::LEFT_MOUSE_BUTTON), std::chrono::milliseconds(20));
    host.send(GUIEventAdapter::makeRelease(440.0f, 300.0f, Button::LEFT_MOUSE_BUTTON), std::chrono::milliseconds(20));
  } else {
    host.send(GUIEventAdapter::makeScroll(400.0f, 420.0f, 120.0f));
  }
  // Two frames of the motion as it runs undisturbed...
  CameraPose a = poseOf(host.impl());
  host.frame();
  CameraPose b = poseOf(host.impl());
  const double undisturbed =
      rotationAngleBetween(a.orientation, b.orientation) + Vector3<double>::distance(a.position, b.position);
  ASSERT_GT(undisturbed, 0.0);

  EXPECT_TRUE(handleNow(host, GUIEventAdapter::makeScroll(400.0f, 420.0f, 0.0f)));
  host.send(GUIEventAdapter::makeScroll(250.0f, 150.0f, 0.0f));
  if (GetParam() == Running::Spin) {
    EXPECT_TRUE(Access::momentumActive(host.impl()));
    const CameraPose c = poseOf(host.impl());
    host.frame();
    EXPECT_NEAR(rotationAngleBetween(c.orientation, host.impl().getOrientation()),
                rotationAngleBetween(a.orientation, b.orientation), 1e-12)
        << "the spin goes on at its pace";
  } else {
    EXPECT_TRUE(Access::zoomInertiaActive(host.impl()));
    EXPECT_EQ(Access::zoomInertiaStep(host.impl()), 3) << "the easing was not restarted";
  }
}

INSTANTIATE_TEST_SUITE_P(Navigation, ZeroWheel, ::testing::Values(Running::Spin, Running::ZoomEasing),
                         [](const ::testing::TestParamInfo<Running>& info) {
                           return info.param == Running::Spin ? std::string("Spin") : std::string("ZoomEasing");
                         });

// ---------------------------------------------------------------------------------------

class DoubleClick : public ::testing::TestWithParam<Button> {};

TEST_P(DoubleClick, UsedForTheLeftButtonOnlyAndMovesNothing) {
  TestHost host;
  placeOverLand(host);
  const CameraPose before = poseOf(host.impl());
  EXPECT_EQ(handleNow(host, GUIEventAdapter::makeDoubleClick(400.0f, 300.0f, GetParam())),
            GetParam() == Button::LEFT_MOUSE_BUTTON);
  host.frame(5);
  EXPECT_EQ(poseOf(host.impl()), before);
}

class DragCursor : public ::testing::TestWithParam<Button> {};

TEST_P(DragCursor, ShowsPanForLeftAndTurnTiltForTheOthers) {
  TestHost host;
  placeOverLand(host);
  host.viewer().clearCursorHistory();
  constexpr int kSteps = 6;
  host.drag(GetParam(), {400.0f, 350.0f}, {460.0f, 380.0f}, kSteps);
  const CursorAction expected = GetParam() == Button::LEFT_MOUSE_BUTTON ? CursorAction::Pan : CursorAction::TurnTilt;
  const std::vector<CursorAction> history = host.viewer().getCursorHistory();
  EXPECT_EQ(history, std::vector<CursorAction>(kSteps, expected)) << "one cursor per drag step";
  EXPECT_EQ(static_cast<int>(expected), GetParam() == Button::LEFT_MOUSE_BUTTON ? 3 : 4);
}

const auto kButtons =
    ::testing::Values(Button::LEFT_MOUSE_BUTTON, Button::MIDDLE_MOUSE_BUTTON, Button::RIGHT_MOUSE_BUTTON);
std::string buttonName(const ::testing::TestParamInfo<Button>& info) {
  switch (info.param) {
    case Button::LEFT_MOUSE_BUTTON:
      return "Left";
    case Button::MIDDLE_MOUSE_BUTTON:
      return "Middle";
    default:
      return "Right";
  }
}
INSTANTIATE_TEST_SUITE_P(Navigation, DoubleClick, kButtons, buttonName);
INSTANTIATE_TEST_SUITE_P(Navigation, DragCursor, kButtons, buttonName);

// ---------------------------------------------------------------------------------------

TEST(MousePosition, SceneSlotIsWrittenEveryFrame) {
  TestHost host;
  placeOverLand(host);
  host.send(GUIEventAdapter::makePush(300.0f, 400.0f, Button::LEFT_MOUSE_BUTTON));
  host.send(GUIEventAdapter::makeRelease(300.0f, 400.0f, Button::LEFT_MOUSE_BUTTON));
  const Cartographic underPress = host.impl().getMouseCartographic();
  ASSERT_NE(underPress, Cartographic());
  const Cartographic sentinel(1.0, 0.5, -123.0);
  for (int frame = 0; frame < 5; ++frame) {
    host.scene().mousePosition = sentinel;
    host.frame();
    EXPECT_EQ(host.scene().mousePosition, underPress) << "frame " << frame;
  }
}

class MouseCartographic : public ::testing::TestWithParam<bool> {};

TEST_P(MouseCartographic, MovesRefreshItOnlyWithElevationContours) {
  const bool contours = GetParam();
  TestHost host(Terrain::createProcedural());
  host.scene().getGlobe().setElevationContourEnabled(contours);
  placeOverLand(host);
  const auto cartographicUnder = [&](const Vector2<float>& window) {
    const auto point = host.globeUnder(window);
    EXPECT_TRUE(point);
    return Ellipsoid::WGS84.cartesianToCartographic(point.value_or(Vector3<double>())).value_or(Cartographic());
  };
  const auto expectAt = [&](const Cartographic& expected, const std::string& when) {
    const Cartographic actual = host.impl().getMouseCartographic();
    EXPECT_NEAR(actual.longitude, expected.longitude, 1e-9) << when;
    EXPECT_NEAR(actual.latitude, expected.latitude, 1e-9) << when;
    EXPECT_NEAR(actual.height, expected.height, 1e-3) << when;
  };

  const Vector2<float> pressAt(300.0f, 400.0f);
  host.send(GUIEventAdapter::makePush(pressAt.x, pressAt.y, Button::LEFT_MOUSE_BUTTON));
  host.send(GUIEventAdapter::makeRelease(pressAt.x, pressAt.y, Button::LEFT_MOUSE_BUTTON));
  expectAt(cartographicUnder(pressAt), "after a press");

  const Vector2<float> moveTo(520.0f, 330.0f);
  host.send(GUIEventAdapter::makeMove(moveTo.x, moveTo.y));
  host.frame();
  expectAt(cartographicUnder(contours ? moveTo : pressAt), "after a move");

  const Vector2<float> wheelAt(610.0f, 450.0f);
  host.send(GUIEventAdapter::makeScroll(wheelAt.x, wheelAt.y, 0.001f));
  // The pick happens before the zoom moves the camera: compare with what was under it then.
  expectAt(Ellipsoid::WGS84.cartesianToCartographic(*Access::naviIntersect(host.impl())).value(), "after a wheel");
  EXPECT_EQ(host.scene().mousePosition, host.impl().getMouseCartographic());
}

INSTANTIATE_TEST_SUITE_P(Navigation, MouseCartographic, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("WithContours") : std::string("WithoutContours");
                         });

// ---------------------------------------------------------------------------------------
// North up and look down, through the facade (no main thread registered: the calls run
// at once).

enum class Reset { NorthUp, LookDown };
enum class Under { Ground, Building, Sky };

using ResetParam = std::tuple<Reset, Under>;

class ViewReset : public ::testing::TestWithParam<ResetParam> {};

TEST_P(ViewReset, TurnsAboutThePointUnderThePointerKeepingItsDistance) {
  const auto [reset, under] = GetParam();
  TestHost host;
  // Looking level for the sky case, so that the pointer can point above the horizon.
  host.setPose(Cartographic::fromDegrees(8.0, 47.0, 2000.0), 130.0, under == Under::Sky ? 0.0 : -35.0);
  const Vector2<float> pointer = under == Under::Sky ? Vector2<float>(400.0f, 60.0f) : Vector2<float>(500.0f, 380.0f);

  std::optional<Vector3<double>> point = host.globeUnder(pointer);
  if (under == Under::Building) {
    ASSERT_TRUE(point);
    host.scene().getPrimitives().add(BoxPrimitive::standingOn(*point, Vector3<double>(60.0, 60.0, 150.0)));
    point = host.scene().pickPositionWorldCoordinates(Vector2<int>(500, 380));
    ASSERT_TRUE(point);
    ASSERT_GT(Ellipsoid::WGS84.cartesianToCartographic(*point)->height, 10.0) << "the pointer should be on the box";
  }
  ASSERT_EQ(point.has_value(), under != Under::Sky);

  host.send(GUIEventAdapter::makePush(pointer.x, pointer.y, Button::LEFT_MOUSE_BUTTON));
  host.send(GUIEventAdapter::makeRelease(pointer.x, pointer.y, Button::LEFT_MOUSE_BUTTON));
  const CameraPose before = poseOf(host.impl());
  const HeadingPitchRoll attitudeBefore = attitudeOf(host.impl());

  if (reset == Reset::NorthUp) {
    host.manipulator().turnNorthUp();
  } else {
    host.manipulator().lookDown();
  }
  if (under == Under::Sky) {
    EXPECT_EQ(poseOf(host.impl()), before) << "nothing under the pointer: nothing to turn about";
    host.frame();
    EXPECT_EQ(poseOf(host.impl()), before);
    return;
  }
  host.frame();
  const CameraPose after = poseOf(host.impl());
  EXPECT_TRUE(poseIsUsable(host.impl()));
  EXPECT_NEAR(Vector3<double>::distance(after.position, *point), Vector3<double>::distance(before.position, *point),
              1e-6)
      << "the eye keeps its distance to the point";

  const HeadingPitchRoll attitude = attitudeOf(host.impl());
  constexpr double kAttitudeTolerance = Math::toRadians(0.2);
  if (reset == Reset::NorthUp) {
    EXPECT_NEAR(Math::negativePiToPi(attitude.heading), 0.0, 1e-9) << "facing north";
    EXPECT_NEAR(attitude.pitch, attitudeBefore.pitch, kAttitudeTolerance) << "with the tilt kept";
  } else {
    EXPECT_NEAR(attitude.pitch, -Math::PI_OVER_TWO, 1e-9) << "looking straight down";
    // Looking down, the image's top points where the view used to head.
    const Matrix4 enu = Transforms::eastNorthUpToFixedFrame(*point, Ellipsoid::WGS84);
    const Matrix3 toLocal = enu.getRotation().transposed();
    const Vector3<double> top = toLocal * imageUpOf(after.orientation);
    EXPECT_NEAR(Math::negativePiToPi(std::atan2(top.x, top.y) - attitudeBefore.heading), 0.0, kAttitudeTolerance);
    // The point is straight below the eye.
    EXPECT_LE(pixelDistance(host.windowOf(*point), Vector2<float>(400.0f, 300.0f)), 0.01);
  }
}

std::string resetName(const ::testing::TestParamInfo<ResetParam>& info) {
  static const char* const kResets[] = {"NorthUp", "LookDown"};
  static const char* const kUnders[] = {"OverGround", "OverBuilding", "InTheSky"};
  return std::string(kResets[static_cast<int>(std::get<0>(info.param))]) + "_" +
         kUnders[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Navigation, ViewReset,
                         ::testing::Combine(::testing::Values(Reset::NorthUp, Reset::LookDown),
                                            ::testing::Values(Under::Ground, Under::Building, Under::Sky)),
                         resetName);

}  // namespace
}  // namespace qel::test
