// Navigation rules a user feels without seeing them spelled out: the horizon guard of a
// left drag, the speed limit of a flick's spin, the easing of a turn, the refusal of
// tilts past the vertical, the keyboard's tilt about the navigation centre, and what the
// viewpoint event reports when the terrain clearance lifts the eye.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "Common/BoundingSphere.h"
#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Scene/TweenOptions.h"
#include "Support/FlightFixtures.h"
#include "Support/NavigationAssertions.h"
#include "Support/TestHost.h"
#include "Viewer/KeyCodes.h"

namespace qel::test {
namespace {

using Button = GUIEventAdapter::MouseButton;

/// Flat terrain at height 0 on the equator lies on this sphere (metres).
constexpr double kEquator = 6378137.0;
constexpr double kWindowHeight = 600.0;
constexpr double kWindowWidth = 800.0;
constexpr double kGrabTolerancePixels = 1.0;

// --- Horizon guard -------------------------------------------------------------------
//
// At a left press the guard line is the window row where the view, tilted up until it
// makes 82° with the straight-down direction, meets the sphere of the pressed point. A
// drag from a press toward the horizon from that line turns the globe at a fixed 0.4 ×
// the angle one pixel row spans at the guard row; a press below it grabs the globe.
// Under the terrain the guard cannot be measured, and the one of the last press above
// the terrain decides in the same way.

constexpr double kGuardDegreesFromNadir = 82.0;
constexpr double kGuardRate = 0.4;

/// Above-ground pose for the guard: 300 m over flat ground on the equator, looking east
/// 20° down, so that everything in the view's vertical plane lies on the equator.
const Cartographic kGuardPlace = Cartographic::fromDegrees(10.0, 0.0, 300.0);
constexpr double kGuardHeading = 90.0;
constexpr double kGuardPitch = -20.0;

struct GuardLine {
  Vector2<double> window;  // where the guard line crosses the view's vertical plane
  double anglePerPixel;    // radians of the globe one window row spans there
};

GuardLine guardLine(const TestHost& host) {
  // On the equator the local vertical points at the Earth's centre: 82° from straight
  // down is 8° below the horizontal.
  const Viewpose guard = TestHost::poseAt(kGuardPlace, kGuardHeading, kGuardDegreesFromNadir - 90.0);
  const Vector3<double> direction = guard.orientation * Vector3<double>(0.0, 0.0, -1.0);
  const auto interval =
      IntersectionTests::intersects(Ray{guard.position, direction}, BoundingSphere{Vector3<double>(), kEquator});
  EXPECT_TRUE(interval);
  const auto window = host.windowOf(guard.position + direction * interval->start);
  EXPECT_TRUE(window);
  const auto x = static_cast<float>(window->x) + 0.5f;
  const auto upper = host.sphereUnder({x, static_cast<float>(window->y) + 0.5f}, kEquator);
  const auto lower = host.sphereUnder({x, static_cast<float>(window->y) + 2.5f}, kEquator);
  EXPECT_TRUE(upper && lower);
  const double twoRows = std::atan2(upper->cross(*lower).length(), upper->dot(*lower));
  return GuardLine{*window, twoRows / 2.0};
}

enum class Expect { GrabsTheGlobe, FixedRate };

struct GuardCase {
  const char* name;
  bool underground;      // drag from 5 m under the ground after the press above it
  float pressFromGuard;  // window rows from the guard line of the press above the ground
  Expect expect;
};

class HorizonGuard : public ::testing::TestWithParam<GuardCase> {};

TEST_P(HorizonGuard, DecidesBetweenGrabbingAndAFixedRate) {
  const GuardCase& c = GetParam();
  TestHost host;
  host.impl().setUndergroundAllowed(true);
  host.setPose(kGuardPlace, kGuardHeading, kGuardPitch);
  const GuardLine guard = guardLine(host);
  ASSERT_GT(guard.anglePerPixel, 0.0);
  const Vector2<float> guardPress(400.0f, static_cast<float>(guard.window.y) + c.pressFromGuard);
  ASSERT_TRUE(host.globeUnder(guardPress)) << "the press must be on the ground";

  // The drag: 10-pixel steps down the window, the first of which only starts it when the
  // press is on the surface seen from below (its ray misses the sphere under the eye).
  Vector2<float> press = guardPress;
  Vector2<float> start = guardPress;
  if (c.underground) {
    host.drag(Button::LEFT_MOUSE_BUTTON, guardPress, guardPress, 0);
    host.setPose(Cartographic(kGuardPlace.longitude, kGuardPlace.latitude, -5.0), kGuardHeading, kGuardPitch);
    press = Vector2<float>(400.0f, 30.0f);  // above the horizontal: meets the surface above the eye
    ASSERT_TRUE(host.globeUnder(press));
    start = Vector2<float>(400.0f, 100.0f);
  }
  host.send(GUIEventAdapter::makePush(press.x, press.y, Button::LEFT_MOUSE_BUTTON));
  if (c.underground) host.send(GUIEventAdapter::makeDrag(start.x, start.y, Button::LEFT_MOUSE_BUTTON));

  // Under the ground the sphere grabbed lies 10 m under the eye.
  const double grabRadius = c.underground ? kEquator - 5.0 - 10.0 : kEquator;
  const auto grabbed = host.sphereUnder(start, grabRadius);
  ASSERT_TRUE(grabbed);
  constexpr float kStep = 10.0f;
  for (int i = 1; i <= 5; ++i) {
    const Quaternion before = host.impl().getOrientation();
    const Vector2<float> pointer(start.x, start.y + kStep * i);
    host.send(GUIEventAdapter::makeDrag(pointer.x, pointer.y, Button::LEFT_MOUSE_BUTTON));
    if (c.expect == Expect::GrabsTheGlobe) {
      EXPECT_LE(pixelDistance(host.windowOf(*grabbed), pointer), kGrabTolerancePixels) << "step " << i;
    } else {
      const double expected = kGuardRate * guard.anglePerPixel * kStep;
      EXPECT_NEAR(rotationAngleBetween(before, host.impl().getOrientation()), expected, 1e-3 * expected)
          << "step " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Navigation, HorizonGuard,
                         ::testing::Values(GuardCase{"PressBelowTheLine", false, 150.0f, Expect::GrabsTheGlobe},
                                           GuardCase{"PressAboveTheLine", false, -15.0f, Expect::FixedRate},
                                           GuardCase{"UndergroundAfterAPressBelow", true, 150.0f,
                                                     Expect::GrabsTheGlobe},
                                           GuardCase{"UndergroundAfterAPressAbove", true, -15.0f, Expect::FixedRate}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The spin of a flick --------------------------------------------------------------
//
// A flick spins the globe each frame by a fifth of the last drag step's angle, and never
// by more than a fifth of 256 pixels' worth: one pixel spans `pixelLength` metres at the
// grabbed point, i.e. pixelLength / R radians of the globe.

constexpr double kSpinDivisor = 5.0;
constexpr double kSpinCapPixels = 256.0;

class FlickSpin : public ::testing::TestWithParam<float> {};

TEST_P(FlickSpin, IsAFifthOfTheLastStepUpTo256Pixels) {
  const float pixels = GetParam();
  TestHost host;
  // Straight down over the equator: a horizontal drag stays on the equator (radius kEquator).
  host.setPose(Cartographic::fromDegrees(-60.0, 0.0, 1.0e6), 0.0, -90.0);
  const Vector2<float> press(400.0f - pixels / 2.0f, 300.0f);
  const auto grabbed = host.globeUnder(press);
  ASSERT_TRUE(grabbed);
  const double depth = (*grabbed - host.camera().getPosition()).dot(host.camera().getDirection());
  const double pixelLength = depth * 2.0 * std::tan(0.5 * host.camera().getFrustum().getFovy()) / kWindowHeight;

  host.send(GUIEventAdapter::makePush(press.x, press.y, Button::LEFT_MOUSE_BUTTON));
  host.send(GUIEventAdapter::makeDrag(press.x + pixels, press.y, Button::LEFT_MOUSE_BUTTON));
  host.send(GUIEventAdapter::makeRelease(press.x + pixels, press.y, Button::LEFT_MOUSE_BUTTON));

  const double expected = std::min(static_cast<double>(pixels), kSpinCapPixels) * pixelLength / kEquator / kSpinDivisor;
  // Frame lengths vary: the spin is per frame, not per second, and it lasts until a press.
  for (int frame = 0; frame < 10; ++frame) {
    const Quaternion before = host.impl().getOrientation();
    host.frame(1, std::chrono::milliseconds(5 + 20 * (frame % 5)));
    EXPECT_NEAR(rotationAngleBetween(before, host.impl().getOrientation()), expected, 1e-6 * expected) << frame;
  }
  host.send(GUIEventAdapter::makePush(400.0f, 300.0f, Button::LEFT_MOUSE_BUTTON));
  const CameraPose pressed = poseOf(host.impl());
  host.frame(10);
  EXPECT_EQ(poseOf(host.impl()), pressed) << "a press stops the spin";
}

INSTANTIATE_TEST_SUITE_P(Navigation, FlickSpin, ::testing::Values(100.0f, 250.0f, 300.0f, 600.0f),
                         [](const auto& info) { return std::to_string(static_cast<int>(info.param)) + "px"; });

// --- The easing of a turn -------------------------------------------------------------
//
// A middle-button turn is eased like a wheel zoom: frame k of 30 applies (2(30 − k) − 1)
// / 900 of what remains; a second turn the same way adds to the remainder, one the other
// way replaces it. A rightward drag turns the eye clockwise seen from above the pivot.

struct TurnEasingCase {
  const char* name;
  float first, second;  // drag steps in pixels; the second comes ten frames later
};

class TurnEasing : public ::testing::TestWithParam<TurnEasingCase> {};

TEST_P(TurnEasing, FollowsTheScheduleFrameByFrame) {
  const TurnEasingCase& c = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(10.0, 45.0, 3000.0), 20.0, -35.0);
  const Vector2<float> press(450.0f, 380.0f);
  const auto pivot = host.globeUnder(press);
  ASSERT_TRUE(pivot);
  const Vector3<double> axis = pivot->normalized();
  host.send(GUIEventAdapter::makePush(press.x, press.y, Button::MIDDLE_MOUSE_BUTTON));

  InertiaSchedule schedule;
  Vector2<float> pointer = press;
  const auto drag = [&](float pixels) {
    pointer.x += pixels;
    host.viewer().queueEvent(GUIEventAdapter::makeDrag(pointer.x, pointer.y, Button::MIDDLE_MOUSE_BUTTON));
    schedule.input(Math::TWO_PI * pixels / kWindowWidth);
  };
  constexpr int kSecondFrame = 11;
  for (int frame = 1; frame <= kSecondFrame + InertiaSchedule::kSteps + 2; ++frame) {
    if (frame == 1) drag(c.first);
    if (frame == kSecondFrame) drag(c.second);
    const Quaternion before = host.impl().getOrientation();
    host.frame();
    EXPECT_NEAR(signedTurnAbout(before, host.impl().getOrientation(), axis), -schedule.step(), 1e-10)
        << "frame " << frame;
  }
}

INSTANTIATE_TEST_SUITE_P(Navigation, TurnEasing,
                         ::testing::Values(TurnEasingCase{"SameWayAdds", 40.0f, 20.0f},
                                           TurnEasingCase{"OtherWayReplaces", 40.0f, -60.0f},
                                           TurnEasingCase{"LeftThenLeft", -30.0f, -30.0f}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Tilting past the vertical ----------------------------------------------------------
//
// With `setMouseTiltLessZeroEnable(false)`, a mouse tilt step further past the vertical
// (negative angle) is refused while the view already is past it (negative tilt); every
// other step is applied: a window height tilts by half a turn about the pressed point.

struct TiltCase {
  const char* name;
  bool tiltLessZero;
  float setupPixels;  // tilt drag before the switch is set: −50 px takes a 10° tilt to −5°
  float stepPixels;
  bool applied;
};

class TiltPastVertical : public ::testing::TestWithParam<TiltCase> {};

TEST_P(TiltPastVertical, IsRefusedOnlyWhenSwitchedOffAndAlreadyPast) {
  const TiltCase& c = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(10.0, 0.0, 2000.0), 0.0, -80.0);  // 10° from the vertical
  const Vector2<float> press(400.0f, 300.0f);
  const auto pivot = host.globeUnder(press);
  ASSERT_TRUE(pivot);
  host.send(GUIEventAdapter::makePush(press.x, press.y, Button::MIDDLE_MOUSE_BUTTON));
  if (c.setupPixels != 0.0f) {
    host.send(GUIEventAdapter::makeDrag(press.x, press.y + c.setupPixels, Button::MIDDLE_MOUSE_BUTTON));
  }
  host.impl().setMouseTiltLessZeroEnable(c.tiltLessZero);

  const CameraPose before = poseOf(host.impl());
  host.send(GUIEventAdapter::makeDrag(press.x, press.y + c.setupPixels + c.stepPixels, Button::MIDDLE_MOUSE_BUTTON));
  if (!c.applied) {
    EXPECT_EQ(poseOf(host.impl()), before);
    return;
  }
  EXPECT_NEAR(rotationAngleBetween(before.orientation, host.impl().getOrientation()),
              std::abs(c.stepPixels) / kWindowHeight * Math::PI, 1e-9);
  EXPECT_LE(pixelDistance(host.windowOf(*pivot), press), 0.5) << "the tilt is about the pressed point";
}

INSTANTIATE_TEST_SUITE_P(Navigation, TiltPastVertical,
                         ::testing::Values(TiltCase{"OffTowardVerticalFromPositive", false, 0.0f, -20.0f, true},
                                           TiltCase{"OffFurtherPast", false, -50.0f, -20.0f, false},
                                           TiltCase{"OffBackTowardVertical", false, -50.0f, 20.0f, true},
                                           TiltCase{"OnFurtherPast", true, -50.0f, -20.0f, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Keyboard tilt about the navigation centre ----------------------------------------
//
// Shift+Up and Shift+Down tilt about the point the view looks at, at 6° per second: that
// point keeps its place in the middle of the window and its distance from the eye.

struct KeyTiltCase {
  const char* name;
  std::int32_t key;
  double sign;  // +1: toward the horizon
};

class KeyTiltAboutCentre : public ::testing::TestWithParam<KeyTiltCase> {};

TEST_P(KeyTiltAboutCentre, KeepsTheCentreInPlace) {
  const KeyTiltCase& c = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(10.0, 0.0, 2000.0), 30.0, -60.0);
  const Vector2<float> middle(400.0f, 300.0f);
  const auto centre = host.globeUnder(middle);
  ASSERT_TRUE(centre);
  const double distance = Vector3<double>::distance(host.impl().getPosition(), *centre);
  const CameraPose start = poseOf(host.impl());
  const double pitchBefore = attitudeOf(host.impl()).pitch;

  constexpr int kFrames = 10;
  constexpr auto kFrameTime = std::chrono::milliseconds(50);  // one key step per frame
  host.send(GUIEventAdapter::makeKeyDown(c.key, ModKey::Shift), kFrameTime);
  host.frame(kFrames - 1, kFrameTime);
  host.send(GUIEventAdapter::makeKeyUp(c.key, ModKey::Shift), kFrameTime);

  const double expected = Math::toRadians(6.0) * 0.05 * kFrames;
  EXPECT_NEAR(rotationAngleBetween(start.orientation, host.impl().getOrientation()), expected, 1e-6);
  EXPECT_GT((attitudeOf(host.impl()).pitch - pitchBefore) * c.sign, 0.0);
  EXPECT_LE(pixelDistance(host.windowOf(*centre), middle), 0.01);
  EXPECT_NEAR(Vector3<double>::distance(host.impl().getPosition(), *centre), distance, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Navigation, KeyTiltAboutCentre,
                         ::testing::Values(KeyTiltCase{"ShiftUp", Key::Up, 1.0},
                                           KeyTiltCase{"ShiftDown", Key::Down, -1.0}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- What the viewpoint event reports -------------------------------------------------

// The event comes last in the frame, after the terrain clearance, which reads the eye
// as the frame found it and stands aside while a flight runs: an eye set too low is
// announced lifted; a flight that comes down too low is announced where it flies, and
// lifted in the frame it ends.
struct ClearanceCase {
  const char* name;
  bool byFlight;
  std::vector<double> announcedHeights;  // announced in successive frames, in metres
};

class ViewpointEvent : public ::testing::TestWithParam<ClearanceCase> {};

TEST_P(ViewpointEvent, ReportsTheEyeAfterTheTerrainClearance) {
  const ClearanceCase& c = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(30.0, 0.0, 500.0), 0.0, -10.0);
  std::vector<Viewpoint> seen;
  host.impl().getViewpointChanged().addEventListener([&](const Viewpoint& v) { seen.push_back(v); });
  // 0.4 m above flat ground, below the 1 m clearance (which lifts straight out from the
  // Earth's centre: on the equator, straight up).
  const Viewpose low = TestHost::poseAt(Cartographic::fromDegrees(30.0, 0.0, 0.4), 0.0, -10.0);
  const auto goLow = [&] {
    host.impl().setPosition(low.position);
    host.impl().setOrientation(low.orientation);
  };
  if (c.byFlight) {
    TweenOptions options;
    // A flight added between frames starts at the next frame: it runs in that frame and
    // ends in the one after (16 ms frames).
    options.duration = 0.01;
    options.update = [&](double) { goLow(); };
    options.complete = [&] { GlobeManipulatorTestAccess::endFlight(host.impl()); };
    GlobeManipulatorTestAccess::startFlight(host.impl(), std::move(options));
  } else {
    goLow();
  }
  for (std::size_t frame = 0; frame < c.announcedHeights.size() + 2; ++frame) {
    seen.clear();
    host.frame();
    if (frame >= c.announcedHeights.size()) {
      EXPECT_TRUE(seen.empty()) << "frame " << frame << ": nothing moves any more";
      continue;
    }
    ASSERT_EQ(seen.size(), 1u) << "frame " << frame;
    EXPECT_NEAR(seen[0].height, c.announcedHeights[frame], 1e-6) << "frame " << frame;
  }
}

INSTANTIATE_TEST_SUITE_P(Navigation, ViewpointEvent,
                         ::testing::Values(ClearanceCase{"PoseSetTooLow", false, {1.0}},
                                           ClearanceCase{"FlightEndsTooLow", true, {0.4, 1.0}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qel::test
