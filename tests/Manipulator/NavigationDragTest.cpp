// Mouse drags: the left button grabs the globe and the grabbed point follows the pointer;
// the middle and right buttons turn and tilt about the point under the press, which keeps
// its place in the window, and no tilt takes the eye under its floor.

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "Common/Ellipsoid.h"
#include "Support/FlightFixtures.h"
#include "Support/NavigationAssertions.h"
#include "Support/TestHost.h"

namespace qel::test {
namespace {

using Button = GUIEventAdapter::MouseButton;

/// How far the grabbed point may drift from the pointer (pixels).
constexpr double kGrabTolerancePixels = 1.0;
/// Turns and tilts are exact rotations about the pivot: it stays put to well under a pixel.
constexpr double kPivotTolerancePixels = 0.5;
/// The clearance every tilt keeps above the terrain (metres), and the deepest floor
/// when the camera may go underground.
constexpr double kClearance = 1.0;
constexpr double kUndergroundFloor = -10000.0;

double eyeHeight(const TestHost& host) { return geographic(host.impl().getPosition()).height; }

struct Place {
  const char* name;
  double longitudeDegrees, latitudeDegrees, headingDegrees;
};
struct Altitude {
  const char* name;
  double height, pitchDegrees;  // low views look obliquely, high ones straight down
};

// The antimeridian eye sits just west of 180° looking east: the drag carries it across.
const Place kPlaces[] = {
    {"Equator", 10.0, 0.0, 0.0}, {"Lat60N", 10.0, 60.0, 30.0}, {"Antimeridian", 180.0 - 1e-4, 0.0, 90.0}};
const Altitude kAltitudes[] = {{"Low500m", 500.0, -30.0}, {"Mid50km", 50000.0, -45.0}, {"High5000km", 5.0e6, -90.0}};

class GrabAndPan : public ::testing::TestWithParam<std::tuple<Place, Altitude>> {};

TEST_P(GrabAndPan, GrabbedPointFollowsAStraight300PixelDrag) {
  const auto& [place, altitude] = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(place.longitudeDegrees, place.latitudeDegrees, altitude.height),
               place.headingDegrees, altitude.pitchDegrees);
  const Vector2<float> from(400.0f, 150.0f);
  const Vector2<float> to(400.0f, 450.0f);
  const auto grabbed = host.globeUnder(from);
  ASSERT_TRUE(grabbed);

  constexpr int kSteps = 30;  // 10 px per frame
  host.send(GUIEventAdapter::makePush(from.x, from.y, Button::LEFT_MOUSE_BUTTON));
  for (int i = 1; i <= kSteps; ++i) {
    const Vector2<float> pointer = from + (to - from) * (static_cast<float>(i) / kSteps);
    host.send(GUIEventAdapter::makeDrag(pointer.x, pointer.y, Button::LEFT_MOUSE_BUTTON));
    ASSERT_LE(pixelDistance(host.windowOf(*grabbed), pointer), kGrabTolerancePixels) << "drag step " << i;
    ASSERT_TRUE(poseIsUsable(host.impl()));
  }
  host.send(GUIEventAdapter::makeRelease(to.x, to.y, Button::LEFT_MOUSE_BUTTON));
  EXPECT_LE(pixelDistance(host.windowOf(*grabbed), to), kGrabTolerancePixels) << "after the release";
}

INSTANTIATE_TEST_SUITE_P(Navigation, GrabAndPan,
                         ::testing::Combine(::testing::ValuesIn(kPlaces), ::testing::ValuesIn(kAltitudes)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                         });

struct PivotDrag {
  const char* name;
  Button button;
  Vector2<float> delta;  // whole drag, sent in ten equal steps
};

class TurnAndTilt : public ::testing::TestWithParam<PivotDrag> {};

TEST_P(TurnAndTilt, PivotKeepsItsWindowPositionThroughTheInertia) {
  const PivotDrag& drag = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(10.0, 45.0, 300.0), 20.0, -35.0);
  const Vector2<float> press(450.0f, 380.0f);
  const auto pivot = host.globeUnder(press);
  ASSERT_TRUE(pivot);
  const CameraPose start = poseOf(host.impl());

  constexpr int kSteps = 10;
  host.send(GUIEventAdapter::makePush(press.x, press.y, drag.button));
  for (int i = 1; i <= kSteps + InertiaSchedule::kSteps; ++i) {
    if (i <= kSteps) {
      const Vector2<float> p = press + drag.delta * (static_cast<float>(i) / kSteps);
      host.send(GUIEventAdapter::makeDrag(p.x, p.y, drag.button));
    } else {
      host.frame();
    }
    EXPECT_LE(pixelDistance(host.windowOf(*pivot), press), kPivotTolerancePixels) << "frame " << i;
    EXPECT_GE(host.eyeHeightAboveTerrain(), kClearance - 1e-6) << "frame " << i;
    ASSERT_TRUE(poseIsUsable(host.impl()));
  }
  EXPECT_GT(rotationAngleBetween(start.orientation, host.impl().getOrientation()), 0.01) << "the view should turn";
}

INSTANTIATE_TEST_SUITE_P(Navigation, TurnAndTilt,
                         ::testing::Values(PivotDrag{"MiddleTurn", Button::MIDDLE_MOUSE_BUTTON, {240.0f, 0.0f}},
                                           PivotDrag{
                                               "RightTiltTowardHorizon", Button::RIGHT_MOUSE_BUTTON, {0.0f, 300.0f}},
                                           PivotDrag{"MiddleTiltUp", Button::MIDDLE_MOUSE_BUTTON, {0.0f, -120.0f}},
                                           PivotDrag{"RightDiagonal", Button::RIGHT_MOUSE_BUTTON, {-200.0f, 150.0f}}),
                         [](const auto& info) { return std::string(info.param.name); });

// From 9.5 km looking 60° down the pivot is 11 km away: a tilt of 100° (333 px) would
// put the eye 7 km under the ground, one of 150° (500 px) 11 km under it.
struct TiltFloorCase {
  const char* name;
  bool undergroundAllowed;
  float dragPixels;
  bool applied;  // a tilt past the floor is refused whole
};

class TiltFloor : public ::testing::TestWithParam<TiltFloorCase> {};

TEST_P(TiltFloor, EyeStaysAboveTheFloor) {
  const TiltFloorCase& c = GetParam();
  TestHost host;
  host.impl().setUndergroundAllowed(c.undergroundAllowed);
  host.setPose(Cartographic::fromDegrees(0.0, 0.0, 9500.0), 0.0, -60.0);
  const Vector2<float> press(400.0f, 300.0f);
  const auto pivot = host.globeUnder(press);
  ASSERT_TRUE(pivot);
  host.send(GUIEventAdapter::makePush(press.x, press.y, Button::MIDDLE_MOUSE_BUTTON));
  const CameraPose before = poseOf(host.impl());
  host.send(GUIEventAdapter::makeDrag(press.x, press.y + c.dragPixels, Button::MIDDLE_MOUSE_BUTTON));
  host.frame(3);

  EXPECT_GE(eyeHeight(host), (c.undergroundAllowed ? kUndergroundFloor : 0.0) + kClearance);
  if (c.applied) {
    EXPECT_NE(poseOf(host.impl()), before);
    EXPECT_LE(pixelDistance(host.windowOf(*pivot), press), kPivotTolerancePixels);
  } else {
    EXPECT_EQ(poseOf(host.impl()), before);
  }
}

INSTANTIATE_TEST_SUITE_P(Navigation, TiltFloor,
                         ::testing::Values(TiltFloorCase{"SmallTiltAboveGround", false, 20.0f, true},
                                           TiltFloorCase{"IntoTheGroundRefused", false, 333.0f, false},
                                           TiltFloorCase{"UndergroundAllowedGoesUnder", true, 333.0f, true},
                                           TiltFloorCase{"UndergroundPastTheFloorRefused", true, 500.0f, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qel::test
