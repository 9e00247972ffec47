// Navigation below the terrain: where the navigation centre lies, which way a turn runs and
// how close under the surface it leaves the eye, and which sphere a left drag grabs just
// above or below the surface.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Support/FlightFixtures.h"
#include "Support/NavigationAssertions.h"
#include "Support/TestHost.h"

namespace qel::test {
namespace {

using Button = GUIEventAdapter::MouseButton;

/// Radius of the equator (metres): flat terrain at height 0 on the equator lies on it,
/// and the eye's "Earth radius" for the grab sphere is measured from it.
constexpr double kEquator = 6378137.0;
/// Under the terrain the view ray is first met with this sphere, about 10 km below sea level.
constexpr double kCentreSphere = 6368637.0;
/// The eye's substitute centre when its view meets nothing, this far ahead when it is
/// lower than that above the terrain (metres).
constexpr double kNearReach = 50.0;
/// A grabbed point stays under the pointer to within this (pixels).
constexpr double kGrabTolerancePixels = 1.0;

double eyeHeight(const TestHost& host) { return geographic(host.impl().getPosition()).height; }

/// Where the ray from e along the unit direction d first meets a sphere about the Earth's centre.
std::optional<Vector3<double>> raySphere(const Vector3<double>& e, const Vector3<double>& d, double radius) {
  const double b = e.dot(d);
  const double disc = b * b - (e.dot(e) - radius * radius);
  if (disc <= 0.0) return std::nullopt;
  for (double t : {-b - std::sqrt(disc), -b + std::sqrt(disc)}) {
    if (t >= 0.0) return e + d * t;
  }
  return std::nullopt;
}

enum class Centre { CentreSphere, Ground, NearReach };

struct CentreCase {
  const char* name;
  bool undergroundAllowed;
  double height, pitchDegrees;
  Centre expected;
};

class UndergroundCentre : public ::testing::TestWithParam<CentreCase> {};

TEST_P(UndergroundCentre, LiesWhereTheViewMeetsTheRightSurface) {
  const CentreCase& c = GetParam();
  TestHost host;
  host.impl().setUndergroundAllowed(c.undergroundAllowed);
  const Viewpose pose = TestHost::poseAt(Cartographic::fromDegrees(10.0, 0.0, c.height), 90.0, c.pitchDegrees);
  host.impl().setPosition(pose.position);
  host.impl().setOrientation(pose.orientation);
  host.frame();  // the centre is derived from the pose the frame starts with

  std::optional<Vector3<double>> expected;
  const auto eye = pose.position;
  const Vector3<double> ahead = pose.orientation * Vector3<double>(0.0, 0.0, -1.0);
  switch (c.expected) {
    case Centre::CentreSphere: expected = raySphere(eye, ahead, kCentreSphere); break;
    case Centre::Ground: expected = host.scene().getGlobe().pick(Ray{eye, ahead}, host.scene()); break;
    case Centre::NearReach: expected = eye + ahead * kNearReach; break;
  }
  ASSERT_TRUE(expected);
  EXPECT_LT(Vector3<double>::distance(host.impl().getNavCenter(), *expected), 1e-3)
      << "centre " << host.impl().getNavCenter().length() << " m from the Earth's centre, expected "
      << expected->length();
}

INSTANTIATE_TEST_SUITE_P(Navigation, UndergroundCentre,
                         ::testing::Values(
                             // 5 m under the ground looking down: the view ray meets nothing of the terrain.
                             CentreCase{"AllowedUnderLookingDown", true, -5.0, -60.0, Centre::CentreSphere},
                             // Looking up from below, the sphere 10 km down is behind: the surface above is met.
                             CentreCase{"AllowedUnderLookingUp", true, -5.0, 30.0, Centre::Ground},
                             // Not allowed: the deep sphere is never used; the ray meets the surface where it
                             // comes out on the far side of the Earth.
                             CentreCase{"NotAllowedUnderLookingDown", false, -5.0, -60.0, Centre::Ground},
                             // Above the ground the sphere is not used either.
                             CentreCase{"AllowedAboveLookingDown", true, 300.0, -60.0, Centre::Ground}),
                         [](const auto& info) { return std::string(info.param.name); });

// A middle-button turn above the ground eases out over 30 frames (the drag's own frame
// applies 59/900 of it) and turns the eye clockwise seen from above for a drag to the
// right; under the ground it applies at once and runs the other way. An eye less than
// 0.2 m under the surface is pushed down to 0.2 m under it after the turn. (From under
// the ground the press meets the surface where the ray comes out on the far side of the
// Earth; looking straight down, the turn is then about the eye's own vertical.)
struct TurnCase {
  const char* name;
  double height, pitchDegrees;
  double turnShare;            // signed share of the drag's turn seen in its own frame
  double expectedHeightAfter;  // NaN: only the turn is checked
};

class UndergroundTurn : public ::testing::TestWithParam<TurnCase> {};

TEST_P(UndergroundTurn, RunsTheRightWayAtTheRightTime) {
  const TurnCase& c = GetParam();
  TestHost host;
  host.impl().setUndergroundAllowed(true);
  host.setPose(Cartographic::fromDegrees(10.0, 0.0, c.height), 90.0, c.pitchDegrees);
  // The pivot: the point under the press, or the navigation centre when there is none.
  const Vector2<float> press(400.0f, 300.0f);
  const Vector3<double> pivot = host.globeUnder(press).value_or(host.impl().getNavCenter());
  const Vector3<double> axis = pivot.normalized();

  host.send(GUIEventAdapter::makePush(press.x, press.y, Button::MIDDLE_MOUSE_BUTTON));
  const CameraPose before = poseOf(host.impl());
  constexpr float kDragPixels = 4.0f;
  host.send(GUIEventAdapter::makeDrag(press.x + kDragPixels, press.y, Button::MIDDLE_MOUSE_BUTTON));

  const double turn = Math::TWO_PI * kDragPixels / 800.0;  // a window width is a whole turn
  EXPECT_NEAR(signedTurnAbout(before.orientation, host.impl().getOrientation(), axis), c.turnShare * turn, 1e-9);
  // The eye turns with the view about the same axis through the Earth's centre.
  const Vector3<double> turned =
      Quaternion::fromAxisAngle(axis, Radian(c.turnShare * turn)).normalized() * before.position;
  if (std::isnan(c.expectedHeightAfter)) {
    EXPECT_LT(Vector3<double>::distance(host.impl().getPosition(), turned), 1e-6);
  } else {
    EXPECT_NEAR(eyeHeight(host), c.expectedHeightAfter, 2e-3);
  }
}

constexpr double kNoHeightCheck = std::numeric_limits<double>::quiet_NaN();
constexpr double kFirstEasedShare = 59.0 / 900.0;

INSTANTIATE_TEST_SUITE_P(Navigation, UndergroundTurn,
                         ::testing::Values(TurnCase{"AboveGroundEased", 300.0, -60.0, -kFirstEasedShare,
                                                    kNoHeightCheck},
                                           TurnCase{"UndergroundAtOnceReversed", -5.0, -60.0, 1.0, kNoHeightCheck},
                                           TurnCase{"JustUnderPushedToSkinDepth", -0.1, -90.0, 1.0, -0.2},
                                           TurnCase{"DeeperThanSkinStays", -0.3, -90.0, 1.0, -0.3}),
                         [](const auto& info) { return std::string(info.param.name); });

// A left drag grabs a sphere about the Earth's centre through the point under the press.
// When the camera may go underground and the eye is less than 10 m above that point, the
// sphere is lowered to 10 m under the eye, so that the pointer rays always meet it ahead.
struct GrabCase {
  const char* name;
  bool undergroundAllowed;
  double eyeHeight;
  double sphereBelowEye;  // 0: the ground point under the press is grabbed
};

class GrabSphere : public ::testing::TestWithParam<GrabCase> {};

TEST_P(GrabSphere, GrabbedPointFollowsThePointer) {
  const GrabCase& c = GetParam();
  TestHost host;
  host.impl().setUndergroundAllowed(c.undergroundAllowed);
  host.setPose(Cartographic::fromDegrees(10.0, 0.0, c.eyeHeight), 90.0, -20.0);
  const Vector2<float> press(400.0f, 420.0f);
  const auto grabbed = c.sphereBelowEye > 0.0 ? host.sphereUnder(press, kEquator + c.eyeHeight - c.sphereBelowEye)
                                              : host.globeUnder(press);
  ASSERT_TRUE(grabbed);

  host.send(GUIEventAdapter::makePush(press.x, press.y, Button::LEFT_MOUSE_BUTTON));
  constexpr int kSteps = 8;
  for (int i = 1; i <= kSteps; ++i) {
    const Vector2<float> pointer(press.x + 5.0f * i, press.y + 6.0f * i);
    host.send(GUIEventAdapter::makeDrag(pointer.x, pointer.y, Button::LEFT_MOUSE_BUTTON));
    ASSERT_LE(pixelDistance(host.windowOf(*grabbed), pointer), kGrabTolerancePixels) << "step " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Navigation, GrabSphere,
                         ::testing::Values(GrabCase{"AllowedEye5mUp", true, 5.0, 10.0},
                                           GrabCase{"AllowedEye9mUp", true, 9.0, 10.0},
                                           GrabCase{"AllowedEye50mUpGrabsGround", true, 50.0, 0.0},
                                           GrabCase{"NotAllowedEye5mUpGrabsGround", false, 5.0, 0.0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qel::test
