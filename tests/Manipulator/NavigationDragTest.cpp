// Mouse drags through the viewer's frame loop: the left button grabs the globe and the
// grabbed point follows the pointer; the middle and right buttons turn and tilt about
// the point under the press, which keeps its place in the window.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Quaternion.h"
#include "Support/NavigationAssertions.h"
#include "Support/TestHost.h"

namespace qel::test {
namespace {

using Access = GlobeManipulatorTestAccess;
using Button = GUIEventAdapter::MouseButton;

/// How far the grabbed point may drift from the pointer (pixels).
constexpr double kGrabTolerancePixels = 1.0;
/// Turns and tilts are exact rotations about the pivot: it stays put to well under a pixel.
constexpr double kPivotTolerancePixels = 0.5;
/// Angles compared after a few exact rotations (radians).
constexpr double kAngleTolerance = 1e-9;
/// The clearance every tilt keeps above the terrain (metres), and the deepest floor
/// when the camera may go underground.
constexpr double kClearance = 1.0;
constexpr double kUndergroundFloor = -10000.0;
/// Frames over which a turn input is eased out.
constexpr int kInertiaFrames = InertiaSchedule::kSteps;

Vector3<double> globePointOrFail(const TestHost& host, const Vector2<float>& window) {
  const auto point = host.globeUnder(window);
  EXPECT_TRUE(point.has_value()) << "nothing under (" << window.x << ", " << window.y << ")";
  return point.value_or(Vector3<double>());
}

double eyeHeight(const TestHost& host) {
  return Ellipsoid::WGS84.cartesianToCartographic(host.impl().getPosition()).value_or(Cartographic()).height;
}

// ---------------------------------------------------------------------------------------
// Grab and pan.

struct Place {
  const char* name;
  double longitudeDegrees;
  double latitudeDegrees;
  double headingDegrees;
  bool straddlesAntimeridian;  // the eye sits just west of 180°, looking east across it
};

struct Altitude {
  const char* name;
  double height;
  double pitchDegrees;  // low views look obliquely, high ones straight down
};

struct StraightDrag {
  const char* name;
  Vector2<float> from;
  Vector2<float> to;  // 300 px from `from`
  bool towardViewer;  // the pointer moves down the window: the eye goes forward
};

// Presses well below the horizon guard line (about row 20 for a −30° view of an
// 800 × 600 window with a 60° lens): there the pointer rays are trusted.
const Place kPlaces[] = {
    {"Equator", 10.0, 0.0, 0.0, false},
    {"Lat60N", 10.0, 60.0, 30.0, false},
    {"Antimeridian", 180.0 - 1e-4, 0.0, 90.0, true},
};
const Altitude kAltitudes[] = {
    {"Low500m", 500.0, -30.0},
    {"Mid50km", 50000.0, -45.0},
    {"High5000km", 5000000.0, -90.0},
};
const StraightDrag kDrags[] = {
    {"Down", {400.0f, 150.0f}, {400.0f, 450.0f}, true},
    {"UpRight", {300.0f, 450.0f}, {480.0f, 210.0f}, false},
};

using GrabParam = std::tuple<Place, Altitude, StraightDrag>;

class GrabAndPan : public ::testing::TestWithParam<GrabParam> {};

TEST_P(GrabAndPan, GrabbedPointFollowsThePointer) {
  const auto& [place, altitude, drag] = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(place.longitudeDegrees, place.latitudeDegrees, altitude.height),
               place.headingDegrees, altitude.pitchDegrees);
  const Vector3<double> grabbed = globePointOrFail(host, drag.from);
  const double eyeLongitudeBefore = host.impl().getEyeCartographic().longitude;

  constexpr int kSteps = 30;  // 10 px per frame
  host.send(GUIEventAdapter::makePush(drag.from.x, drag.from.y, Button::LEFT_MOUSE_BUTTON));
  for (int i = 1; i <= kSteps; ++i) {
    const float t = static_cast<float>(i) / static_cast<float>(kSteps);
    const Vector2<float> pointer = drag.from + (drag.to - drag.from) * t;
    host.send(GUIEventAdapter::makeDrag(pointer.x, pointer.y, Button::LEFT_MOUSE_BUTTON));
    ASSERT_LE(pixelDistance(host.windowOf(grabbed), pointer), kGrabTolerancePixels)
        << "after drag step " << i << " to (" << pointer.x << ", " << pointer.y << ")";
    ASSERT_TRUE(poseIsUsable(host.impl()));
  }
  host.send(GUIEventAdapter::makeRelease(drag.to.x, drag.to.y, Button::LEFT_MOUSE_BUTTON));
  EXPECT_LE(pixelDistance(host.windowOf(grabbed), drag.to), kGrabTolerancePixels) << "after the release";

  if (place.straddlesAntimeridian && drag.towardViewer) {
    // The eye started a few metres west of 180° and went east: it is now at −180° + ε.
    EXPECT_GT(eyeLongitudeBefore, 0.0);
    EXPECT_LT(host.impl().getEyeCartographic().longitude, 0.0) << "the eye should have crossed the antimeridian";
  }
}

INSTANTIATE_TEST_SUITE_P(Navigation, GrabAndPan,
                         ::testing::Combine(::testing::ValuesIn(kPlaces), ::testing::ValuesIn(kAltitudes),
                                            ::testing::ValuesIn(kDrags)),
                         [](const ::testing::TestParamInfo<GrabParam>& info) {
                           return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name + "_" +
                                  std::get<2>(info.param).name;
                         });

// ---------------------------------------------------------------------------------------
// Near the horizon the pointer rays graze the globe and one pixel spans kilometres: a
// press above the guard line (82° from straight down) pans at a fixed rate per pixel.

enum class GuardOutcome { FollowsPointer, FixedRate, Still, Pans };

struct GuardCase {
  const char* name;
  double height;
  double pitchDegrees;  // 0 with the default start pose below
  Vector2<float> press;
  GuardOutcome outcome;
};

class HorizonGuard : public ::testing::TestWithParam<GuardCase> {};

TEST_P(HorizonGuard, PressAboveTheGuardLinePansAtAFixedRate) {
  const GuardCase& c = GetParam();
  TestHost host;
  if (c.pitchDegrees != 0.0) {
    // 500 m up, looking 5° down: the guard line is 3° under the view centre, about row 336.
    host.setPose(Cartographic::fromDegrees(10.0, 0.0, c.height), 0.0, c.pitchDegrees);
  } else {
    host.frame();  // the start pose: the whole globe in view, the guard line far outside
  }
  const auto grabbed = host.globeUnder(c.press);
  constexpr int kSteps = 5;
  // Five steps: from space onto the globe, from the sky down onto the ground, or 10 px down.
  const Vector2<float> step = c.outcome == GuardOutcome::Pans    ? Vector2<float>(70.0f, 50.0f)
                              : c.outcome == GuardOutcome::Still ? Vector2<float>(0.0f, 60.0f)
                                                                 : Vector2<float>(0.0f, 10.0f);
  host.send(GUIEventAdapter::makePush(c.press.x, c.press.y, Button::LEFT_MOUSE_BUTTON));
  const CameraPose start = poseOf(host.impl());
  std::vector<double> stepAngles;
  for (int i = 1; i <= kSteps; ++i) {
    const CameraPose before = poseOf(host.impl());
    const Vector2<float> pointer = c.press + step * static_cast<float>(i);
    host.send(GUIEventAdapter::makeDrag(pointer.x, pointer.y, Button::LEFT_MOUSE_BUTTON));
    stepAngles.push_back(rotationAngleBetween(before.orientation, host.impl().getOrientation()));
    if (c.outcome == GuardOutcome::FollowsPointer) {
      ASSERT_TRUE(grabbed);
      EXPECT_LE(pixelDistance(host.windowOf(*grabbed), pointer), kGrabTolerancePixels) << "step " << i;
    }
  }
  switch (c.outcome) {
    case GuardOutcome::FollowsPointer:
      // Following the pointer, steps nearer the viewer turn the globe by smaller angles.
      EXPECT_GT(stepAngles.front(), 1.05 * stepAngles.back());
      break;
    case GuardOutcome::FixedRate:
      ASSERT_GT(stepAngles.front(), 0.0);
      for (int i = 1; i < kSteps; ++i) EXPECT_NEAR(stepAngles[i], stepAngles.front(), 1e-9 * stepAngles.front());
      break;
    case GuardOutcome::Still:
      // A press on nothing near the horizon gives nothing to pan by (rounding aside).
      EXPECT_LT(rotationAngleBetween(start.orientation, host.impl().getOrientation()), 1e-12);
      EXPECT_LT(Vector3<double>::distance(start.position, host.impl().getPosition()), 1e-6);
      break;
    case GuardOutcome::Pans:
      EXPECT_GT(rotationAngleBetween(start.orientation, host.impl().getOrientation()), 0.01);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Navigation, HorizonGuard,
    ::testing::Values(
        GuardCase{"PressBelowTheLineFollows", 500.0, -5.0, {400.0f, 450.0f}, GuardOutcome::FollowsPointer},
        GuardCase{"PressAboveTheLineFixedRate", 500.0, -5.0, {400.0f, 320.0f}, GuardOutcome::FixedRate},
        GuardCase{"PressInTheSkyStill", 500.0, -5.0, {400.0f, 100.0f}, GuardOutcome::Still},
        GuardCase{"PressInSpaceLineOutOfViewPans", 0.0, 0.0, {60.0f, 60.0f}, GuardOutcome::Pans}),
    [](const ::testing::TestParamInfo<GuardCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// Turn and tilt about the pivot.

struct PivotDrag {
  const char* name;
  Button button;
  Vector2<float> delta;  // whole drag, sent in ten equal steps
};

class TurnAndTilt : public ::testing::TestWithParam<PivotDrag> {};

TEST_P(TurnAndTilt, PivotKeepsItsWindowPositionAndTheEyeItsClearance) {
  const PivotDrag& drag = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(10.0, 45.0, 300.0), 20.0, -35.0);
  const Vector2<float> press(450.0f, 380.0f);
  const Vector3<double> pivot = globePointOrFail(host, press);
  const CameraPose start = poseOf(host.impl());

  constexpr int kSteps = 10;
  host.send(GUIEventAdapter::makePush(press.x, press.y, drag.button));
  const auto checkFrame = [&](const std::string& when) {
    EXPECT_LE(pixelDistance(host.windowOf(pivot), press), kPivotTolerancePixels) << when;
    EXPECT_GE(host.eyeHeightAboveTerrain(), kClearance - 1e-6) << when;
    EXPECT_TRUE(poseIsUsable(host.impl())) << when;
  };
  for (int i = 1; i <= kSteps; ++i) {
    const Vector2<float> p = press + drag.delta * (static_cast<float>(i) / static_cast<float>(kSteps));
    host.send(GUIEventAdapter::makeDrag(p.x, p.y, drag.button));
    checkFrame("drag step " + std::to_string(i));
  }
  for (int i = 1; i <= kInertiaFrames; ++i) {
    host.frame();
    checkFrame("inertia frame " + std::to_string(i));
  }
  EXPECT_GT(rotationAngleBetween(start.orientation, host.impl().getOrientation()), 0.01)
      << "the view should have turned";
}

INSTANTIATE_TEST_SUITE_P(
    Navigation, TurnAndTilt,
    ::testing::Values(PivotDrag{"MiddleTurn", Button::MIDDLE_MOUSE_BUTTON, {240.0f, 0.0f}},
                      PivotDrag{"RightTurnBack", Button::RIGHT_MOUSE_BUTTON, {-320.0f, 0.0f}},
                      PivotDrag{"MiddleTiltTowardHorizon", Button::MIDDLE_MOUSE_BUTTON, {0.0f, 300.0f}},
                      PivotDrag{"RightTiltTowardHorizon", Button::RIGHT_MOUSE_BUTTON, {0.0f, 300.0f}},
                      PivotDrag{"MiddleTiltUp", Button::MIDDLE_MOUSE_BUTTON, {0.0f, -120.0f}},
                      PivotDrag{"RightDiagonal", Button::RIGHT_MOUSE_BUTTON, {-200.0f, 150.0f}}),
    [](const ::testing::TestParamInfo<PivotDrag>& info) { return std::string(info.param.name); });

class FullViewportDrag : public ::testing::TestWithParam<Button> {};

// A drag across the whole width is a full turn: 2π goes to the easing, which applies
// its published share over the next 30 frames and keeps the rest for the next input.
TEST_P(FullViewportDrag, WidthTurnsByTwoPiAsTheEasingReleasesIt) {
  TestHost host;
  host.setPose(Cartographic::fromDegrees(30.0, 20.0, 1.0e6), 0.0, -50.0);
  const Vector2<float> press(400.0f, 300.0f);
  const Vector3<double> pivot = globePointOrFail(host, press);
  const Vector3<double> axis = pivot.normalized();

  constexpr int kSteps = 10;
  const float width = 800.0f;
  InertiaSchedule schedule;
  double applied = 0.0;
  host.send(GUIEventAdapter::makePush(press.x, press.y, GetParam()));
  for (int frame = 1; frame <= kSteps + kInertiaFrames; ++frame) {
    const Vector3<double> before = host.impl().getPosition();
    if (frame <= kSteps) {
      const float x = press.x + width * static_cast<float>(frame) / static_cast<float>(kSteps);
      host.viewer().queueEvent(GUIEventAdapter::makeDrag(x, press.y, GetParam()));
      schedule.input(Math::TWO_PI / kSteps);
    }
    host.frame();
    const double expected = schedule.step();
    // The camera turns the other way round the axis: the globe seems to turn with the pointer.
    const double turned = -signedAngleAbout(before, host.impl().getPosition(), axis);
    EXPECT_NEAR(turned, expected, kAngleTolerance) << "frame " << frame;
    EXPECT_LE(pixelDistance(host.windowOf(pivot), press), kPivotTolerancePixels) << "frame " << frame;
    applied += turned;
  }
  // About 64 % of each input is applied; the rest waits for the next turn.
  EXPECT_NEAR(applied + Access::rollInertiaAngle(host.impl()), Math::TWO_PI, 1e-8);
  EXPECT_GT(applied, 0.6 * Math::TWO_PI);
  EXPECT_LT(applied, Math::TWO_PI);

  const CameraPose settled = poseOf(host.impl());
  host.frame();
  EXPECT_EQ(poseOf(host.impl()), settled) << "nothing moves once the 30 frames have run";
}

// A drag down the whole height tilts by π in twenty steps of π/20. Straight down from
// 200 km the first ten bring the eye level with the pivot; each later one would put the
// eye under the ground and is refused whole.
TEST_P(FullViewportDrag, HeightTiltsByPiLessTheRefusedSteps) {
  TestHost host;
  host.setPose(Cartographic::fromDegrees(0.0, 0.0, 200000.0), 0.0, -90.0);
  const Vector2<float> press(400.0f, 300.0f);
  const Vector3<double> pivot = globePointOrFail(host, press);

  constexpr int kSteps = 20;
  const double stepAngle = Math::PI / kSteps;
  int applied = 0;
  int refused = 0;
  host.send(GUIEventAdapter::makePush(press.x, press.y, GetParam()));
  for (int i = 1; i <= kSteps; ++i) {
    const CameraPose before = poseOf(host.impl());
    const Vector3<double> right = (before.orientation * Vector3<double>(1.0, 0.0, 0.0)).normalized();
    // Where the eye would go: turned about the pivot by one step.
    const Vector3<double> predicted =
        pivot + Quaternion::fromAxisAngle(right, Radian(stepAngle)) * (before.position - pivot);
    const double predictedHeight = Ellipsoid::WGS84.cartesianToCartographic(predicted).value_or(Cartographic()).height;

    const float y = press.y + 600.0f * static_cast<float>(i) / static_cast<float>(kSteps);
    host.send(GUIEventAdapter::makeDrag(press.x, y, GetParam()));
    const CameraPose after = poseOf(host.impl());
    if (after == before) {
      ++refused;
      EXPECT_LT(predictedHeight, kClearance) << "step " << i << " was refused above the clearance";
    } else {
      ++applied;
      EXPECT_GE(predictedHeight, kClearance) << "step " << i;
      EXPECT_NEAR(signedAngleAbout(before.position - pivot, after.position - pivot, right), stepAngle, kAngleTolerance)
          << "step " << i;
      EXPECT_LE(pixelDistance(host.windowOf(pivot), press), kPivotTolerancePixels) << "step " << i;
    }
  }
  EXPECT_EQ(applied, kSteps / 2);
  EXPECT_EQ(refused, kSteps / 2);
  EXPECT_GE(eyeHeight(host), kClearance);
}

INSTANTIATE_TEST_SUITE_P(Navigation, FullViewportDrag,
                         ::testing::Values(Button::MIDDLE_MOUSE_BUTTON, Button::RIGHT_MOUSE_BUTTON),
                         [](const ::testing::TestParamInfo<Button>& info) {
                           return info.param == Button::MIDDLE_MOUSE_BUTTON ? std::string("Middle")
                                                                            : std::string("Right");
                         });

// ---------------------------------------------------------------------------------------
// How low a tilt may take the eye. From 9.5 km looking 60° down, the pivot is 11 km away:
// a tilt of 100° would put the eye 7 km under the ground, one of 150° 11 km under it.

struct TiltFloorCase {
  const char* name;
  bool undergroundAllowed;
  float dragPixels;  // one drag step down from the window centre
  bool applied;
};

class TiltFloor : public ::testing::TestWithParam<TiltFloorCase> {};

TEST_P(TiltFloor, EyeStaysAboveTheFloor) {
  const TiltFloorCase& c = GetParam();
  TestHost host;
  host.impl().setUndergroundAllowed(c.undergroundAllowed);
  host.setPose(Cartographic::fromDegrees(0.0, 0.0, 9500.0), 0.0, -60.0);
  const Vector2<float> press(400.0f, 300.0f);
  const Vector3<double> pivot = globePointOrFail(host, press);
  host.send(GUIEventAdapter::makePush(press.x, press.y, Button::MIDDLE_MOUSE_BUTTON));
  const CameraPose before = poseOf(host.impl());
  host.send(GUIEventAdapter::makeDrag(press.x, press.y + c.dragPixels, Button::MIDDLE_MOUSE_BUTTON));
  host.frame(3);

  const double floor = c.undergroundAllowed ? kUndergroundFloor : 0.0;
  EXPECT_GE(eyeHeight(host), floor + kClearance);
  if (c.applied) {
    EXPECT_NE(poseOf(host.impl()), before);
    EXPECT_NEAR(signedAngleAbout(before.position - pivot, host.impl().getPosition() - pivot,
                                 before.orientation * Vector3<double>(1.0, 0.0, 0.0)),
                static_cast<double>(c.dragPixels) / 600.0 * Math::PI, kAngleTolerance);
  } else {
    EXPECT_EQ(poseOf(host.impl()), before) << "a tilt past the floor is refused whole";
  }
  EXPECT_TRUE(poseIsUsable(host.impl()));
}

INSTANTIATE_TEST_SUITE_P(Navigation, TiltFloor,
                         ::testing::Values(TiltFloorCase{"SmallTiltAboveGround", false, 20.0f, true},
                                           TiltFloorCase{"IntoTheGroundRefused", false, 333.0f, false},
                                           TiltFloorCase{"UndergroundAllowedGoesUnder", true, 333.0f, true},
                                           TiltFloorCase{"UndergroundPastTheFloorRefused", true, 500.0f, false}),
                         [](const ::testing::TestParamInfo<TiltFloorCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(TiltFloor, UndergroundEyeStaysWhereTheTiltPutIt) {
  TestHost host;
  host.impl().setUndergroundAllowed(true);
  host.setPose(Cartographic::fromDegrees(0.0, 0.0, 9500.0), 0.0, -60.0);
  host.send(GUIEventAdapter::makePush(400.0f, 300.0f, Button::MIDDLE_MOUSE_BUTTON));
  host.send(GUIEventAdapter::makeDrag(400.0f, 633.0f, Button::MIDDLE_MOUSE_BUTTON));
  host.send(GUIEventAdapter::makeRelease(400.0f, 633.0f, Button::MIDDLE_MOUSE_BUTTON), std::chrono::seconds(1));
  const double height = eyeHeight(host);
  ASSERT_LT(height, -1000.0);
  host.frame(10);
  EXPECT_NEAR(eyeHeight(host), height, 1e-6) << "with underground allowed nothing lifts the eye";
  EXPECT_TRUE(host.impl().isCameraUnderground());
}

// ---------------------------------------------------------------------------------------
// Under the terrain a middle-button turn is applied at once, the other way round, and an
// eye just under the surface is pushed down to about 0.2 m under it.

struct UndergroundTurnCase {
  const char* name;
  double depth;                // metres under the (flat, sea-level) terrain
  double expectedHeightAfter;  // eye height after the turn
};

class UndergroundTurn : public ::testing::TestWithParam<UndergroundTurnCase> {};

TEST_P(UndergroundTurn, IsAppliedAtOnceAndTheOtherWayRound) {
  const UndergroundTurnCase& c = GetParam();
  constexpr float kDragPixels = 80.0f;  // a tenth of the width: a turn of 2π / 10
  const double turn = Math::TWO_PI * kDragPixels / 800.0;

  // Above the ground the same drag goes to the easing and the camera turns the other way.
  double aboveGroundFirstStep = 0.0;
  {
    TestHost host;
    host.impl().setUndergroundAllowed(true);
    host.setPose(Cartographic::fromDegrees(10.0, 0.0, 2000.0), 0.0, -30.0);
    host.send(GUIEventAdapter::makePush(400.0f, 300.0f, Button::MIDDLE_MOUSE_BUTTON));
    const Vector3<double> axis = Access::pivotPosition(host.impl()).normalized();
    const Vector3<double> before = host.impl().getPosition();
    host.send(GUIEventAdapter::makeDrag(400.0f + kDragPixels, 300.0f, Button::MIDDLE_MOUSE_BUTTON));
    aboveGroundFirstStep = signedAngleAbout(before, host.impl().getPosition(), axis);
    EXPECT_NEAR(aboveGroundFirstStep, -59.0 / 900.0 * turn, kAngleTolerance);
  }

  TestHost host;
  host.impl().setUndergroundAllowed(true);
  host.setPose(Cartographic::fromDegrees(10.0, 0.0, -c.depth), 0.0, 10.0);
  ASSERT_TRUE(host.impl().isCameraUnderground());
  host.send(GUIEventAdapter::makePush(400.0f, 300.0f, Button::MIDDLE_MOUSE_BUTTON));
  const Vector3<double> axis = Access::pivotPosition(host.impl()).normalized();
  const Vector3<double> before = host.impl().getPosition();
  host.send(GUIEventAdapter::makeDrag(400.0f + kDragPixels, 300.0f, Button::MIDDLE_MOUSE_BUTTON));
  const double underground = signedAngleAbout(before, host.impl().getPosition(), axis);
  EXPECT_NEAR(underground, turn, 1e-6) << "the whole turn at once";
  EXPECT_LT(underground * aboveGroundFirstStep, 0.0) << "the other way round";
  EXPECT_NEAR(eyeHeight(host), c.expectedHeightAfter, 0.01);

  const CameraPose turned = poseOf(host.impl());
  host.frame(kInertiaFrames);
  EXPECT_EQ(poseOf(host.impl()), turned) << "no easing under the terrain";
}

INSTANTIATE_TEST_SUITE_P(Navigation, UndergroundTurn,
                         ::testing::Values(UndergroundTurnCase{"Deep", 50.0, -50.0},
                                           UndergroundTurnCase{"JustUnderTheSurface", 0.1, -0.2}),
                         [](const ::testing::TestParamInfo<UndergroundTurnCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace qel::test
