// Tween flights run by the manipulator: where they land, how they end (completion,
// replacement, a mouse press, completeFlight), and the flight path controls.

#include <gtest/gtest.h>

#include "Manipulator/FlightPath.h"
#include "Scene/TweenCollection.h"
#include "Support/FlightFixtures.h"

namespace qel::test {
namespace {

struct LandingCase {
  const char* name;
  Cartographic eye;     // degrees, metres
  Cartographic target;  // degrees, metres
  std::optional<double> duration;
  HeadingPitchRoll attitude;  // radians at the target
  int framesAtMost;
};

Vector3<double> cartesianDeg(const Cartographic& c) { return at(c.longitude, c.latitude, c.height); }

class FlightLanding : public ::testing::TestWithParam<LandingCase> {};

TEST_P(FlightLanding, LandsOnTheDestinationAndCompletesOnce) {
  const LandingCase& c = GetParam();
  TestHost host;
  host.setPose(Cartographic(Math::toRadians(c.eye.longitude), Math::toRadians(c.eye.latitude), c.eye.height), 0.0,
               -90.0);
  const FlightRecorder rec;
  FlightOptions options;
  options.destination = cartesianDeg(c.target);
  options.heading = c.attitude.heading;
  options.pitch = c.attitude.pitch;
  options.roll = c.attitude.roll;
  options.duration = c.duration;
  host.impl().flyTo(rec.attach(options), host.viewer());
  ASSERT_TRUE(host.impl().isFlying());

  EXPECT_LE(flyOut(host, 1000), c.framesAtMost);
  EXPECT_EQ(*rec.completed, 1);
  EXPECT_EQ(*rec.cancelled, 0);
  EXPECT_LE(Vector3<double>::distance(host.impl().getPosition(), options.destination), 1e-3);
  const HeadingPitchRoll hpr = attitudeOf(host.impl());
  EXPECT_NEAR(angleDiff(hpr.heading, c.attitude.heading), 0.0, 1e-9);
  EXPECT_NEAR(angleDiff(hpr.pitch, c.attitude.pitch), 0.0, 1e-9);
  EXPECT_NEAR(angleDiff(hpr.roll, c.attitude.roll), 0.0, 1e-9);

  host.frame(10);  // and stays there
  EXPECT_EQ(*rec.completed, 1);
  EXPECT_LE(Vector3<double>::distance(host.impl().getPosition(), options.destination), 1e-3);
}

// 16 ms frames: a d-second flight ends on frame ceil(d / 0.016) + 1 (its first frame is t = 0).
INSTANTIATE_TEST_SUITE_P(
    Cases, FlightLanding,
    ::testing::Values(LandingCase{"near", {10, 45, 3000}, {10.01, 45.01, 800}, 1.0, {0.5, -0.6, 0.0}, 64},
                      LandingCase{"acrossOcean", {-70, 40, 9e6}, {2, 48, 5000}, std::nullopt, {-2.5, -1.2, 0.1}, 189},
                      LandingCase{"antimeridian", {179, -10, 2e5}, {-179, -12, 1e5}, 2.0, {3.0, -0.3, -0.2}, 126},
                      LandingCase{"polar", {0, 89, 4e5}, {180, 88, 3e5}, 0.5, {1.0, -1.5, 0.0}, 33}),
    [](const auto& info) { return std::string(info.param.name); });

class FlightControl : public ::testing::Test {
 protected:
  TestHost host;
  FlightRecorder first;
  FlightRecorder second;

  void SetUp() override { host.setPose(Cartographic(0.2, 0.7, 20000.0), 0.0, -90.0); }

  FlightOptions toward(double lonDeg, double duration) const {
    FlightOptions o;
    o.destination = at(lonDeg, 40.0, 1000.0);
    o.duration = duration;
    return o;
  }
};

TEST_F(FlightControl, NewerFlightReplacesTheRunningOneWithoutItsCompletion) {
  host.impl().flyTo(first.attach(toward(12.0, 1.0)), host.viewer());
  host.frame(20);
  host.impl().flyTo(second.attach(toward(14.0, 1.0)), host.viewer());
  host.frame(100);
  EXPECT_EQ(*first.completed, 0);
  EXPECT_EQ(*first.cancelled, 1);
  EXPECT_EQ(*second.completed, 1);
  EXPECT_FALSE(host.impl().isFlying());
  EXPECT_LE(Vector3<double>::distance(host.impl().getPosition(), at(14.0, 40.0, 1000.0)), 1e-3);
}

TEST_F(FlightControl, MousePressStopsTheFlightWhereItIs) {
  host.impl().flyTo(first.attach(toward(12.0, 1.0)), host.viewer());
  host.frame(20);
  host.send(GUIEventAdapter::makePush(400.0f, 300.0f, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  const Vector3<double> stopped = host.impl().getPosition();
  host.send(GUIEventAdapter::makeRelease(400.0f, 300.0f, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  host.frame(100);
  EXPECT_FALSE(host.impl().isFlying());
  EXPECT_EQ(*first.completed, 0);
  EXPECT_LT(Vector3<double>::distance(host.impl().getPosition(), stopped), 1e-6);
  EXPECT_GT(Vector3<double>::distance(host.impl().getPosition(), at(12.0, 40.0, 1000.0)), 1000.0);
}

TEST_F(FlightControl, NonPositiveDurationLandsAtOnceThenCompletes) {
  for (double d : {0.0, -1.0}) {
    const Vector3<double> target = at(30.0 + d, 40.0, 1000.0);
    bool landedFirst = false;
    FlightOptions options = toward(30.0 + d, d);
    options.complete = [&] { landedFirst = Vector3<double>::distance(host.impl().getPosition(), target) < 1e-3; };
    host.impl().flyTo(options, host.viewer());
    EXPECT_TRUE(landedFirst) << d;
    EXPECT_FALSE(host.impl().isFlying()) << d;
    EXPECT_LT(Vector3<double>::distance(host.impl().getPosition(), target), 1e-6) << d;
    // Without heading and pitch the camera looks straight down, north up.
    const HeadingPitchRoll hpr = attitudeOf(host.impl());
    EXPECT_NEAR(angleDiff(hpr.pitch, -Math::PI_OVER_TWO), 0.0, 1e-6) << d;
  }
}

TEST_F(FlightControl, CompleteFlightEndsItWhereItIsAndCompletesOnce) {
  host.impl().completeFlight();  // nothing to complete
  host.impl().flyTo(first.attach(toward(12.0, 1.0)), host.viewer());
  host.frame(10);
  const Vector3<double> here = host.impl().getPosition();
  host.impl().completeFlight();
  EXPECT_EQ(*first.completed, 1);
  EXPECT_FALSE(host.impl().isFlying());
  host.frame(100);
  EXPECT_EQ(*first.completed, 1);
  EXPECT_LT(Vector3<double>::distance(host.impl().getPosition(), here), 1e-6);
}

TEST_F(FlightControl, ViewposeIsTakenOnlyWithoutDuration) {
  const Viewpose pose = TestHost::poseAt(Cartographic(1.0, 0.5, 7000.0), 30.0, -40.0);
  const Vector3<double> before = host.impl().getPosition();
  host.impl().flyTo(pose, 2.0);
  EXPECT_EQ(host.impl().getPosition(), before);
  host.impl().flyTo(pose, 0.0);
  EXPECT_EQ(host.impl().getPosition(), pose.position);
  EXPECT_EQ(host.impl().getOrientation(), pose.orientation);
}

/// A path that only counts what the manipulator asks of it.
class CountingPath : public FlightPath {
 public:
  int starts = 0, pauses = 0, stops = 0;
  void startFlight(ViewerImpl&) override { ++starts; }
  void pauseFlight(const ViewerImpl&) override { ++pauses; }
  void stopFlight() override { ++stops; }
};

TEST_F(FlightControl, PathControlsActOnlyOnAnInstalledPathAndNotDuringAFlight) {
  host.impl().startFlight(host.viewer());
  host.impl().pauseFlight(host.viewer());
  host.impl().stopFlight();  // no path: nothing, no crash

  auto path = std::make_shared<CountingPath>();
  host.impl().setFlightPath(path);
  host.impl().flyTo(first.attach(toward(12.0, 1.0)), host.viewer());
  host.impl().startFlight(host.viewer());
  EXPECT_EQ(path->starts, 0);  // refused while a flight runs

  host.impl().pauseFlight(host.viewer());
  EXPECT_EQ(path->pauses, 1);
  EXPECT_FALSE(host.impl().isFlying());  // the running leg is cancelled
  EXPECT_EQ(*first.cancelled, 1);
  host.impl().startFlight(host.viewer());
  EXPECT_EQ(path->starts, 1);

  auto next = std::make_shared<CountingPath>();
  host.impl().setFlightPath(next);  // the installed path is stopped first
  EXPECT_EQ(path->stops, 1);
  host.impl().stopFlight();
  EXPECT_EQ(next->stops, 1);
  EXPECT_EQ(path->stops, 1);
}

}  // namespace
}  // namespace qel::test
