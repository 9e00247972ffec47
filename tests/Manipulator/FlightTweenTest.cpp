// How one flight is built: its duration, easing, height profile and the pose its steps
// write, checked against values computed here from the flight's definition.

#include <gtest/gtest.h>

#include <cmath>

#include "Manipulator/FlightPath.h"
#include "Scene/FrameState.h"
#include "Support/FlightFixtures.h"

namespace qel::test {
namespace {

class FlightTweenTest : public ::testing::Test {
 protected:
  TestHost host;

  void place(const Vector3<double>& eye, const HeadingPitchRoll& hpr = {0.0, -Math::PI_OVER_TWO, 0.0}) {
    host.impl().setPosition(eye);
    host.impl().setOrientation(Transforms::viewHeadingPitchRollToViewQuaternion(eye, hpr, Ellipsoid::WGS84));
    host.frame();
  }
};

struct AutomaticCase {
  const char* name;
  double startHeight;
  double endHeight;
  double eastKilometres;  // how far east of the start the destination lies
  double headingDeg;      // heading at the destination
  double expectedDuration;
  double probe;  // a time fraction at which the easing is read
  double expectedEased;
};

class FlightAutomaticTween : public FlightTweenTest, public ::testing::WithParamInterface<AutomaticCase> {};

TEST_P(FlightAutomaticTween, ChoosesDurationAndEasing) {
  const AutomaticCase& c = GetParam();
  place(at(10.0, 0.0, c.startHeight));
  // Along the equator, one degree is 111.32 km.
  const double eastDeg = c.eastKilometres / 111.319490793;
  FlightOptions options;
  options.destination = at(10.0 + eastDeg, 0.0, c.endHeight);
  options.heading = Math::toRadians(c.headingDeg);
  const TweenOptions t = FlightPath::createTween(host.viewer(), options);
  ASSERT_TRUE(t.duration.has_value());
  EXPECT_DOUBLE_EQ(*t.duration, c.expectedDuration);
  ASSERT_TRUE(t.easingFunction);
  EXPECT_NEAR(t.easingFunction(c.probe), c.expectedEased, 1e-12);
  EXPECT_NEAR(t.easingFunction(1.0), 1.0, 1e-12);
}

// Cubic out (t−1)³+1 at 0.5 is 0.875; quintic in-out at 0.25 is (0.5)⁵/2, at 0.75 is
// 1 − (0.5)⁵/2.
INSTANTIATE_TEST_SUITE_P(
    Cases, FlightAutomaticTween,
    ::testing::Values(AutomaticCase{"far5000km", 1000.0, 1000.0, 5000.0, 0.0, 3.0, 0.25, 0.015625},
                      AutomaticCase{"turnOnTheSpot", 1000.0, 1000.0, 0.0, 90.0, 2.0, 0.75, 0.984375},
                      AutomaticCase{"descentFrom20km", 20000.0, 100.0, 1.0, 0.0, 3.0, 0.5, 0.875},
                      AutomaticCase{"descentFrom10km", 10000.0, 100.0, 1.0, 0.0, 3.0, 0.25, 0.015625},
                      AutomaticCase{"climbFrom20km", 20000.0, 30000.0, 1.0, 0.0, 3.0, 0.25, 0.015625}),
    [](const auto& info) { return std::string(info.param.name); });

struct LongitudeCase {
  const char* name;
  double startDeg;
  double endDeg;
  double midDeg;  // where the eye is halfway
};

class FlightLongitudeTween : public FlightTweenTest, public ::testing::WithParamInterface<LongitudeCase> {};

TEST_P(FlightLongitudeTween, TakesTheShortWayRound) {
  const LongitudeCase& c = GetParam();
  place(at(c.startDeg, 20.0, 5000.0));
  FlightOptions options;
  options.destination = at(c.endDeg, 40.0, 5000.0);
  options.duration = 4.0;
  options.easingFunction = [](double t) { return t; };
  options.maximumHeight = Math::NEG_INFINITY;
  const TweenOptions t = FlightPath::createTween(host.viewer(), options);
  t.update(2.0);
  const Cartographic mid = geographic(host.impl().getPosition());
  EXPECT_NEAR(angleDiff(mid.longitude, Math::toRadians(c.midDeg)), 0.0, 1e-9);
  EXPECT_NEAR(mid.latitude, Math::toRadians(30.0), 1e-9);
  EXPECT_NEAR(mid.height, 5000.0, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Cases, FlightLongitudeTween,
                         ::testing::Values(LongitudeCase{"acrossZero", 350.0, 10.0, 0.0},
                                           LongitudeCase{"acrossZeroWestward", 10.0, -10.0, 0.0},
                                           LongitudeCase{"acrossAntimeridian", 170.0, -170.0, 180.0},
                                           LongitudeCase{"plain", 20.0, 60.0, 40.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlightTweenTest, FlightHeightPeaksAtTheGivenMaximum) {
  place(at(0.0, 0.0, 1000.0));
  FlightOptions options;
  options.destination = at(1.0, 0.0, 1000.0);
  options.duration = 2.0;
  options.maximumHeight = 50000.0;
  options.easingFunction = [](double t) { return t; };
  const TweenOptions t = FlightPath::createTween(host.viewer(), options);
  // The curve altitude − ((e − s)·t + s)⁸/10⁶ with s = −e is symmetric: its top is the
  // maximum, halfway.
  const double e = std::pow(49000.0 * 1e6, 1.0 / 8.0);
  for (double f : {0.25, 0.5}) {
    t.update(2.0 * f);
    const double expected = 50000.0 - std::pow((2.0 * e) * f - e, 8.0) / 1e6;
    EXPECT_NEAR(geographic(host.impl().getPosition()).height, expected, 1e-6) << f;
  }
  EXPECT_NEAR(geographic(host.impl().getPosition()).height, 50000.0, 1e-6);
}

TEST_F(FlightTweenTest, ResumedFlightStartsFromTheCurrentPose) {
  const Vector3<double> start = at(5.0, 45.0, 8000.0);
  place(start);
  for (double offset : {0.0, 1.5}) {
    FlightOptions options;
    options.destination = at(6.0, 46.0, 2000.0);
    options.duration = 3.0;
    options.timeOffset = offset;
    const TweenOptions t = FlightPath::createTween(host.viewer(), options);
    EXPECT_DOUBLE_EQ(t.delay, -offset);
    // The tween's first value is the eased offset: the pose must not jump.
    const double first = 3.0 * t.easingFunction(offset / 3.0);
    t.update(first);
    EXPECT_LT(Vector3<double>::distance(host.impl().getPosition(), start), 1e-6) << offset;
    host.impl().setPosition(start);
  }
}

TEST_F(FlightTweenTest, NothingToDoGivesAnEmptyFlight) {
  const Vector3<double> eye = at(30.0, 10.0, 3000.0);
  place(eye, {0.3, -0.8, 0.0});
  const FlightRecorder rec;
  FlightOptions options;
  options.destination = eye;
  options.heading = 0.3;
  options.pitch = -0.8;
  options.roll = 0.0;
  options = rec.attach(options);

  TweenOptions arrived = FlightPath::createTween(host.viewer(), options);
  EXPECT_EQ(arrived.duration.value_or(-1.0), 0.0);
  EXPECT_FALSE(arrived.update);
  ASSERT_TRUE(arrived.complete);
  arrived.complete();
  EXPECT_EQ(*rec.completed, 1);

  // The same target without the arrival check flies, and a changed pitch flies too.
  options.checkArrival = false;
  EXPECT_GT(FlightPath::createTween(host.viewer(), options).duration.value_or(0.0), 0.0);
  options.checkArrival = true;
  options.pitch = -0.7;
  EXPECT_GT(FlightPath::createTween(host.viewer(), options).duration.value_or(0.0), 0.0);

  host.scene().getFrameState().mode = 0;  // morphing: nothing flies, nothing is called
  const TweenOptions morphing = FlightPath::createTween(host.viewer(), options);
  EXPECT_EQ(morphing.duration.value_or(-1.0), 0.0);
  EXPECT_FALSE(morphing.complete);
  EXPECT_FALSE(morphing.cancel);
  host.scene().getFrameState().mode = 3;
}

TEST_F(FlightTweenTest, FlightFollowsItsCurveFrameByFrame) {
  // Linear easing and a linear height profile: every frame's eye is the straight
  // interpolation of the geographic ends at the elapsed fraction.
  const Cartographic from(Math::toRadians(100.0), Math::toRadians(-30.0), 12000.0);
  const Cartographic to(Math::toRadians(101.0), Math::toRadians(-29.0), 2000.0);
  place(Ellipsoid::WGS84.cartographicToCartesian(from));
  FlightOptions options;
  options.destination = Ellipsoid::WGS84.cartographicToCartesian(to);
  options.duration = 1.6;
  options.easingFunction = [](double t) { return t; };
  options.maximumHeight = Math::NEG_INFINITY;
  host.impl().flyTo(options, host.viewer());
  for (int k = 0; k <= 100; ++k) {
    host.frame(1, 16ms);
    const double f = std::min(1.0, 0.016 * k / 1.6);
    const Cartographic c = geographic(host.impl().getPosition());
    ASSERT_NEAR(c.longitude, from.longitude + f * (to.longitude - from.longitude), 1e-9) << k;
    ASSERT_NEAR(c.latitude, from.latitude + f * (to.latitude - from.latitude), 1e-9) << k;
    ASSERT_NEAR(c.height, from.height + f * (to.height - from.height), 1e-4) << k;
  }
  EXPECT_FALSE(host.impl().isFlying());
}

}  // namespace
}  // namespace qel::test
