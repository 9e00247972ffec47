// The manipulator's state as the viewer loop drives it: start pose, home, the hand-over
// to the render camera, the derived navigation centre and heading, shared settings and
// the viewpoint-changed event.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "Common/BoundingSphere.h"
#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"
#include "Support/TestHost.h"

namespace qel::test {
namespace {

using Access = GlobeManipulatorTestAccess;

TEST(GlobeManipulatorState, HomeRestoresTheStartPoseExactlyAfterMotion) {
  TestHost host;
  host.setPose(Cartographic::fromDegrees(10.0, 45.0, 3000.0), 30.0, -40.0);
  host.send(GUIEventAdapter::makeScroll(400.0f, 300.0f, 120.0f));
  host.frame(5);
  ASSERT_NE(host.impl().getPosition(), host.impl().homePosition);

  host.impl().home();
  EXPECT_EQ(host.impl().getPosition(), Vector3<double>(20000000.0, 0.0, 0.0));
  EXPECT_EQ(host.impl().getOrientation(), Quaternion(0.5, 0.5, 0.5, 0.5));
}

TEST(GlobeManipulatorState, CameraTakesThePoseOnlyWhenItDiffers) {
  TestHost host;
  host.frame();
  EXPECT_EQ(host.camera().getPosition(), host.impl().getPosition());

  host.camera().resetSetterCounts();
  host.frame(3);
  EXPECT_EQ(host.camera().getSetPositionCount(), 0u) << "a still camera is not touched";
  EXPECT_EQ(host.camera().getSetOrientationCount(), 0u);

  // Only the orientation changes: both setters run, once each.
  const Quaternion turned =
      (Quaternion::fromAxisAngle(Vector3<double>(1.0, 0.0, 0.0), Radian(0.01)) * host.impl().getOrientation())
          .normalized();
  host.impl().setOrientation(turned);
  host.frame();
  EXPECT_EQ(host.camera().getSetPositionCount(), 1u);
  EXPECT_EQ(host.camera().getSetOrientationCount(), 1u);
  EXPECT_NEAR(host.camera().getOrientation().dot(turned), 1.0, 1e-12);
}

struct NavCenterCase {
  const char* name;
  double eyeHeight;     // metres above flat terrain
  double pitchDegrees;  // view pitch at the eye
  bool ellipsoidPick;
  double expectedReach;  // distance from the eye to the navigation centre
  bool expectFound;
};

class NavigationCentre : public ::testing::TestWithParam<NavCenterCase> {};

TEST_P(NavigationCentre, LiesWhereTheRulesPutIt) {
  const NavCenterCase& c = GetParam();
  TestHost host;
  host.scene().ellipsoidPick = c.ellipsoidPick;
  host.setPose(Cartographic::fromDegrees(20.0, 0.0, c.eyeHeight), 90.0, c.pitchDegrees);
  const double reach = Vector3<double>::distance(Access::navCenter(host.impl()), host.impl().getPosition());
  EXPECT_NEAR(reach, c.expectedReach, c.expectedReach * 1e-6);
  EXPECT_EQ(Access::navCenterFound(host.impl()), c.expectFound);
  // Whatever the rule, the centre lies straight ahead.
  const Vector3<double> ahead = host.impl().getOrientation() * Vector3<double>(0.0, 0.0, -1.0);
  EXPECT_NEAR((Access::navCenter(host.impl()) - host.impl().getPosition()).normalized().dot(ahead), 1.0, 1e-9);
}

// Looking 2° down meets flat ground ~860 m away from 30 m and ~31 km away from 1 000 m:
// beyond the centre's reach near the horizon (250 m, and 5 × 1 000 m).
INSTANTIATE_TEST_SUITE_P(Horizon, NavigationCentre,
                         ::testing::Values(NavCenterCase{"low_hit", 30.0, -2.0, false, 250.0, true},
                                           NavCenterCase{"high_hit", 1000.0, -2.0, false, 5000.0, true},
                                           NavCenterCase{"low_sky", 30.0, 10.0, false, 50.0, false},
                                           NavCenterCase{"high_sky", 1000.0, 10.0, false, 1000.0, false},
                                           NavCenterCase{"ellipsoid_sky", 1000.0, 10.0, true, 1000.0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GlobeManipulatorState, SteepViewCentresOnTheGroundPoint) {
  TestHost host;
  host.setPose(Cartographic::fromDegrees(20.0, 0.0, 2000.0), 0.0, -60.0);
  const auto c = Ellipsoid::WGS84.cartesianToCartographic(Access::navCenter(host.impl()));
  ASSERT_TRUE(c.has_value());
  EXPECT_NEAR(c->height, 0.0, 0.01);
  EXPECT_NEAR(Access::tilt(host.impl()).value(), Math::toRadians(30.0), 1e-3);
}

class Heading : public ::testing::TestWithParam<double> {};

TEST_P(Heading, FollowsTheViewInEveryQuadrant) {
  const double degrees = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(-70.0, 0.0, 5000.0), degrees, -50.0);
  EXPECT_NEAR(host.impl().getHeading().value(), Math::negativePiToPi(Math::toRadians(degrees)), 1e-9);

  // Off the equator the camera's heading is read about the geocentric vertical; it
  // still agrees with the geodetic heading to a fraction of a degree.
  host.setPose(Cartographic::fromDegrees(-70.0, 50.0, 5000.0), degrees, -50.0);
  EXPECT_NEAR(std::remainder(host.impl().getHeading().value() - Math::toRadians(degrees), Math::TWO_PI), 0.0, 0.01);
}

INSTANTIATE_TEST_SUITE_P(AllQuadrants, Heading,
                         ::testing::Values(0.0, 30.0, 90.0, 135.0, 180.0, 200.0, 270.0, 315.0, -45.0));

TEST(GlobeManipulatorState, ViewpointChangedFiresOncePerMovingFrameOnly) {
  TestHost host;
  host.frame();  // the start pose is announced once
  std::vector<Viewpoint> seen;
  host.impl().getViewpointChanged().addEventListener([&](const Viewpoint& v) { seen.push_back(v); });

  host.frame(3);
  EXPECT_TRUE(seen.empty()) << "a still camera announces nothing";

  host.setPose(Cartographic::fromDegrees(5.0, 40.0, 8000.0), 45.0, -30.0);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_NEAR(seen[0].longitude, Math::toRadians(5.0), 1e-9);
  EXPECT_NEAR(seen[0].latitude, Math::toRadians(40.0), 1e-9);
  EXPECT_NEAR(seen[0].height, 8000.0, 1e-3);
  EXPECT_NEAR(seen[0].heading, Math::toRadians(45.0), 1e-9);
  EXPECT_NEAR(seen[0].pitch, Math::toRadians(-30.0), 1e-9);

  host.frame(2);
  EXPECT_EQ(seen.size(), 1u);
}

TEST(GlobeManipulatorFacade, DetachedCallsDoNothingAndQueriesReturnDefaults) {
  GlobeManipulator detached;
  detached.setUndergroundAllowed(true);
  detached.setTopViewFixed(true);
  EXPECT_FALSE(detached.isUndergroundAllowed());
  EXPECT_FALSE(detached.isTopViewFixed());
  detached.flyTo(Viewpoint{0.1, 0.2, 0, 0, -1, 100}, 1.0);
  detached.flyTo(BoundingSphere{Vector3<double>(7e6, 0, 0), 10.0});
  detached.flyAroundPoint(Cartographic(), {});
  detached.startFlight();
  EXPECT_EQ(detached.getViewpoint(), Viewpoint{});
  EXPECT_FALSE(detached._getGlobeImpl().isUndergroundAllowed()) << "nothing reached the implementation";
  EXPECT_FALSE(detached._getGlobeImpl().isFlying());

  auto manipulator = std::make_shared<GlobeManipulator>();
  {
    TestHost host;
    host.viewer().setCameraManipulator(manipulator);
    manipulator->setUndergroundAllowed(true);
    EXPECT_TRUE(manipulator->isUndergroundAllowed());
  }
  // The viewer is gone: the same facade answers with defaults and posts nothing.
  const std::size_t queued = AsyncSystem::instance(false).mainThreadTasks.size();
  EXPECT_FALSE(manipulator->isUndergroundAllowed());
  manipulator->turnNorthUp();
  EXPECT_EQ(AsyncSystem::instance(false).mainThreadTasks.size(), queued);
}

TEST(GlobeManipulatorFacade, CallsFromAnotherThreadRunOnTheViewersThreadInOrder) {
  TestHost host;
  host.viewer().registerMainThread();
  const auto mainId = AsyncSystem::currentThreadId();
  std::vector<std::uint32_t> announcedOn;  // main thread only
  std::vector<double> announcedPitch;
  host.manipulator().getViewpointChanged().addEventListener([&](const Viewpoint& v) {
    announcedOn.push_back(AsyncSystem::currentThreadId());
    announcedPitch.push_back(v.pitch);
  });
  host.setPose(Cartographic::fromDegrees(8.0, 46.0, 5000.0), 30.0, -45.0);
  // A click in the middle: the look down turns about the ground there.
  host.drag(GUIEventAdapter::LEFT_MOUSE_BUTTON, {400.0f, 300.0f}, {400.0f, 300.0f}, 0);
  announcedOn.clear();
  announcedPitch.clear();
  std::atomic<bool> posted{false};
  std::atomic<bool> done{false};
  bool answer = false;

  std::thread app([&] {
    // Only in this order do they leave underground allowed and the top view free, after
    // one look straight down.
    host.manipulator().setUndergroundAllowed(false);
    host.manipulator().setUndergroundAllowed(true);
    host.manipulator().setTopViewFixed(true);
    host.manipulator().setTopViewFixed(false);
    posted = true;
    answer = host.manipulator().isUndergroundAllowed();  // waits for the frames below
    done = true;
  });
  while (!posted) std::this_thread::yield();
  // Queued, not run on the application thread: the implementation is untouched so far.
  EXPECT_FALSE(host.impl().isUndergroundAllowed());
  EXPECT_TRUE(announcedOn.empty());
  for (int i = 0; i < 10000 && !done; ++i) {
    host.frame();
    std::this_thread::yield();
  }
  app.join();
  EXPECT_TRUE(answer);
  EXPECT_TRUE(host.impl().isUndergroundAllowed());
  EXPECT_FALSE(host.impl().isTopViewFixed());
  // One look down, at once; clearing the switch moves nothing.
  EXPECT_EQ(announcedOn, std::vector<std::uint32_t>{mainId});
  EXPECT_NEAR(announcedPitch.front(), -Math::PI_OVER_TWO, 1e-3);
}

}  // namespace
}  // namespace qel::test
