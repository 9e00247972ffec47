// Stepped flights, advanced once per frame: the camera-state flight, the centre-to-point
// flight, orbits and path flights. Counts are frames, never seconds.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Support/FlightFixtures.h"
#include "Support/FlightTestAccess.h"

namespace qel::test {
namespace {

/// Signed angle (degrees) that turns `from` into `to` about `axis`, seen in the plane
/// perpendicular to it.
double turnAbout(const Vector3<double>& axis, const Vector3<double>& from, const Vector3<double>& to) {
  const Vector3<double> a = (from - axis * from.dot(axis)).normalized();
  const Vector3<double> b = (to - axis * to.dot(axis)).normalized();
  return Math::toDegrees(std::atan2(a.cross(b).dot(axis), a.dot(b)));
}

TEST(FlightCameraState, LatestRequestFlies334FramesAndEndsOnItsViewpoint) {
  TestHost host;
  host.setPose(Cartographic(Math::toRadians(10.0), Math::toRadians(45.0), 30000.0), 0.0, -90.0);
  const Viewpoint target{Math::toRadians(10.3), Math::toRadians(45.2),  0.0,
                         Math::toRadians(40.0), Math::toRadians(-60.0), 8000.0};
  // A second request before the next frame replaces the first.
  host.impl().flyTo(Viewpoint{Math::toRadians(80.0), 0.0, 0.0, 0.0, -Math::PI_OVER_TWO, 5000.0});
  host.impl().flyTo(target);
  EXPECT_FALSE(host.impl().isFlying());  // starts with the next frame
  host.frame();
  const int frames = 1 + flyOut(host);
  EXPECT_EQ(frames, 334);  // 0.003 a frame: the summed progress passes 1 on the 334th

  // The target point lies under the view centre at its range. Heading and pitch are
  // reached about the geocentric vertical, a fraction of a degree from the geodetic one.
  const Vector3<double> eye = host.impl().getPosition();
  const Vector3<double> point = at(10.3, 45.2, 0.0);
  const Vector3<double> view = host.impl().getOrientation() * Vector3<double>(0.0, 0.0, -1.0);
  EXPECT_NEAR(Vector3<double>::distance(eye, point), 8000.0, 1e-3);
  EXPECT_LT(Math::toDegrees(std::acos(Math::clamp(view.dot((point - eye).normalized()), -1.0, 1.0))), 1e-6);
  const HeadingPitchRoll hpr = attitudeOf(host.impl());
  EXPECT_NEAR(Math::toDegrees(angleDiff(hpr.heading, target.heading)), 0.0, 0.5);
  EXPECT_NEAR(Math::toDegrees(hpr.pitch), -60.0, 0.1);
}

TEST(FlightCenterToPoint, FlightTakes20FramesAndEndsFacingThePoint) {
  TestHost host;
  host.setPose(Cartographic(Math::toRadians(5.0), Math::toRadians(50.0), 4000.0), 20.0, -50.0);
  const Vector3<double> start = host.impl().getPosition();
  const Vector3<double> point = at(5.05, 50.02, 0.0);
  FlightTestAccess::flyCenterToPoint(host.impl(), point, host.scene());
  const int frames = flyOut(host);
  EXPECT_EQ(frames, 20);
  const Vector3<double> eye = host.impl().getPosition();
  EXPECT_LT(Vector3<double>::distance(eye, start + (point - start) * 0.8), 1e-3);
  const Vector3<double> view = host.impl().getOrientation() * Vector3<double>(0.0, 0.0, -1.0);
  EXPECT_GT(view.dot((point - eye).normalized()), std::cos(1e-6));
}

TEST(FlightCenterToPoint, JumpEyeToPlacesTheEyeOnTheViewpoint) {
  TestHost host;
  for (const auto& [lon, lat, h, heading, pitch] : std::vector<std::array<double, 5>>{
           {10.0, 45.0, 3000.0, 30.0, -50.0}, {-120.0, -33.0, 150.0, 250.0, -10.0}, {170.0, 70.0, 9e5, 0.0, -90.0}}) {
    const Viewpose pose = TestHost::poseAt(Cartographic(Math::toRadians(lon), Math::toRadians(lat), h), heading, pitch);
    const auto vp = Transforms::viewposeToViewpoint(pose, 0.0, Ellipsoid::WGS84);
    ASSERT_TRUE(vp);
    FlightTestAccess::jumpEyeTo(host.impl(), *vp, host.scene());
    EXPECT_LT(Vector3<double>::distance(host.impl().getPosition(), pose.position), 1e-6);
    for (const Vector3<double>& axis : {Vector3<double>(0, 0, -1), Vector3<double>(0, 1, 0)}) {
      EXPECT_GT((host.impl().getOrientation() * axis).dot(pose.orientation * axis), 1.0 - 1e-12) << lon;
    }
  }
}

struct OrbitCase {
  const char* name;
  double amount;
  GlobeManipulator::FlyRepeatType repeat;
  double speed;            // degrees per second
  int frameMs;             // frame spacing
  int expectedFrames;      // frames flown
  double expectedDegrees;  // signed turn of the eye about the axis through the centre
};

class FlightOrbit : public ::testing::TestWithParam<OrbitCase> {};

TEST_P(FlightOrbit, TurnsByTheAmountThenStops) {
  const OrbitCase& c = GetParam();
  TestHost host;
  host.setPose(Cartographic(Math::toRadians(10.0), Math::toRadians(44.0), 5000.0), 0.0, -45.0);
  const Cartographic centre(Math::toRadians(10.0), Math::toRadians(45.0), 0.0);
  const Vector3<double> axis = at(10.0, 45.0, 0.0).normalized();
  const Vector3<double> start = host.impl().getPosition();
  GlobeManipulator::FlyAroundPointOptions o;
  o.amount = c.amount;
  o.repeatType = c.repeat;
  o.speed = c.speed;
  host.manipulator().flyAroundPoint(centre, o);
  int frames = 0;
  double firstStep = 0.0;
  while (host.impl().isFlying() && frames < 5000) {
    const Vector3<double> before = host.impl().getPosition();
    host.frame(1, std::chrono::milliseconds(c.frameMs));
    if (frames == 0) firstStep = turnAbout(axis, before, host.impl().getPosition());
    ++frames;
  }
  EXPECT_EQ(frames, c.expectedFrames);
  EXPECT_NEAR(firstStep, -std::copysign(c.speed / 60.0, c.amount), 1e-9);
  EXPECT_NEAR(turnAbout(axis, start, host.impl().getPosition()), c.expectedDegrees, 1e-8);
  // The distance to the axis is kept: a turn, not a drift.
  EXPECT_NEAR(host.impl().getPosition().dot(axis), start.dot(axis), 1e-6);
}

// By angle at 1° a frame: 89 whole steps, then the last degree. By time, 2 s at 30°/s
// (0.5° a frame) with 17 ms frames: 117 frames before 2 s (1.989 s), then the frame at
// 2.006 s turns back the 0.006 s overshoot, 0.006 × 30 = 0.18°.
INSTANTIATE_TEST_SUITE_P(
    Cases, FlightOrbit,
    ::testing::Values(OrbitCase{"byAngle", 90.0, GlobeManipulator::FlyRepeatType::ByAngle, 60.0, 16, 90, -90.0},
                      OrbitCase{"byAngleReversed", -90.0, GlobeManipulator::FlyRepeatType::ByAngle, 60.0, 16, 90, 90.0},
                      OrbitCase{"byAngleUneven", 10.0, GlobeManipulator::FlyRepeatType::ByAngle, 180.0, 16, 4, -10.0},
                      OrbitCase{"byTime", 2.0, GlobeManipulator::FlyRepeatType::ByTime, 30.0, 17, 118,
                                -117 * 0.5 + 0.006 * 30.0},
                      OrbitCase{"byTimeReversed", -2.0, GlobeManipulator::FlyRepeatType::ByTime, 30.0, 17, 118,
                                117 * 0.5 - 0.006 * 30.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FlightOrbitLoop, EndlessOrbitRunsUntilAPress) {
  TestHost host;
  host.setPose(Cartographic(0.1, 0.7, 5000.0), 0.0, -45.0);
  GlobeManipulator::FlyAroundPointOptions o;
  o.loop = true;
  o.amount = 1.0;
  o.speed = 60.0;
  host.manipulator().flyAroundPoint(Cartographic(0.1, 0.71, 0.0), o);
  host.frame(400);  // more than a whole turn
  EXPECT_TRUE(host.impl().isFlying());
  host.send(GUIEventAdapter::makePush(400.0f, 300.0f, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  EXPECT_FALSE(host.impl().isFlying());
}

class FlightPathStep : public ::testing::Test {
 protected:
  TestHost host;
  std::vector<Vector3<double>> track;

  void fly(const std::vector<Cartographic>& points, const GlobeManipulator::FlyAlongPolylineOptions& o) {
    host.manipulator().flyAlongPolyline(points, o);
    track.push_back(host.impl().getPosition());
    int frames = 0;
    while (host.impl().isFlying() && frames < 5000) {
      host.frame();
      track.push_back(host.impl().getPosition());
      ++frames;
    }
  }

  /// A point `east` and `north` metres from (0°, 0°) at 500 m (small offsets on the
  /// equator, where a degree is 111 319.49 m east and 110 574.39 m north).
  static Cartographic local(double east, double north) {
    return Cartographic(Math::toRadians(east / 111319.490793), Math::toRadians(north / 110574.38855), 500.0);
  }
};

TEST_F(FlightPathStep, OnePointDoesNothing) {
  const Vector3<double> before = host.impl().getPosition();
  GlobeManipulator::FlyAlongPolylineOptions o;
  o.speed = 600.0;
  host.manipulator().flyAlongPolyline({local(0, 0)}, o);
  EXPECT_FALSE(host.impl().isFlying());
  host.frame(5);
  EXPECT_EQ(host.impl().getPosition(), before);
}

TEST_F(FlightPathStep, TwoPointsTravel10MetresAFrameAt600AndStopAtTheEnd) {
  GlobeManipulator::FlyAlongPolylineOptions o;
  o.speed = 600.0;
  const Vector3<double> a = Ellipsoid::WGS84.cartographicToCartesian(local(0, 0));
  const Vector3<double> b = Ellipsoid::WGS84.cartographicToCartesian(local(1000, 0));
  fly({local(0, 0), local(1000, 0)}, o);
  ASSERT_GE(track.size(), 100u);
  EXPECT_LT(Vector3<double>::distance(track.front(), a), 1e-9);
  const std::size_t steps = static_cast<std::size_t>(std::floor((b - a).length() / 10.0));
  for (std::size_t k = 1; k <= steps; ++k) {
    ASSERT_NEAR(Vector3<double>::distance(track[k], track[k - 1]), 10.0, 1e-6) << k;
  }
  EXPECT_LT(Vector3<double>::distance(track.back(), b), 1e-6);
  EXPECT_LE(track.size(), steps + 3);
  // Looking along the way, level, up along the vertical.
  const Quaternion q = host.impl().getOrientation();
  const Vector3<double> up = Ellipsoid::WGS84.geodeticSurfaceNormal(b);
  EXPECT_NEAR((q * Vector3<double>(0, 1, 0)).dot(up), 1.0, 1e-9);
  EXPECT_NEAR((q * Vector3<double>(0, 0, -1)).dot((b - a).normalized()), 1.0, 1e-6);
}

TEST_F(FlightPathStep, StepPastAVertexContinuesOnTheNextSegment) {
  GlobeManipulator::FlyAlongPolylineOptions o;
  o.speed = 600.0;
  const std::vector<Cartographic> pts{local(0, 0), local(15, 0), local(15, 200)};
  fly(pts, o);
  const Vector3<double> b = Ellipsoid::WGS84.cartographicToCartesian(pts[1]);
  const Vector3<double> c = Ellipsoid::WGS84.cartographicToCartesian(pts[2]);
  const double firstLeg = Vector3<double>::distance(Ellipsoid::WGS84.cartographicToCartesian(pts[0]), b);
  ASSERT_GE(track.size(), 3u);
  // Second frame: what the 10 m step had left after the first leg goes along the second.
  const Vector3<double> expected = b + (c - b).normalized() * (20.0 - firstLeg);
  EXPECT_LT(Vector3<double>::distance(track[2], expected), 1e-6);
  EXPECT_LT(Vector3<double>::distance(track.back(), c), 1e-6);
}

TEST_F(FlightPathStep, TooLargeTurnRadiusRoundsTheCornerWithin80PercentOfTheShorterLeg) {
  GlobeManipulator::FlyAlongPolylineOptions o;
  o.speed = 600.0;
  o.smoothTurns = true;
  o.turnRadius = 10000.0;
  o.turnSpeed = 300.0;
  const std::vector<Cartographic> pts{local(0, 0), local(1000, 0), local(1000, 400)};
  fly(pts, o);
  const Vector3<double> a = Ellipsoid::WGS84.cartographicToCartesian(pts[0]);
  const Vector3<double> b = Ellipsoid::WGS84.cartographicToCartesian(pts[1]);
  const Vector3<double> c = Ellipsoid::WGS84.cartographicToCartesian(pts[2]);
  const double tangent = 0.8 * std::min((b - a).length(), (c - b).length());
  const Vector3<double> arcStart = b + (a - b).normalized() * tangent;
  // The arc starts exactly there, and every point of it keeps the corner radius (for a
  // square corner, the tangent length) from its centre.
  std::size_t k = 0;
  while (k < track.size() && Vector3<double>::distance(track[k], arcStart) > 1e-6) ++k;
  ASSERT_LT(k, track.size());
  const Vector3<double> inside = (c - b).normalized();
  const double angle = std::acos((a - b).normalized().dot((c - b).normalized()));
  const double radius = tangent * std::tan(angle / 2.0);
  const Vector3<double> centre = arcStart + inside * radius;
  int onArc = 0;
  for (std::size_t j = k; j < track.size() && Vector3<double>::distance(track[j], centre) < radius + 1e-6; ++j) {
    EXPECT_NEAR(Vector3<double>::distance(track[j], centre), radius, 1e-6) << j;
    ++onArc;
  }
  // The arc is a quarter circle flown at 5 m a frame: its start, every whole step, and
  // the frame that leaves it where the last step ended.
  EXPECT_EQ(onArc, static_cast<int>(std::floor(radius * Math::PI_OVER_TWO / 5.0)) + 2);
  EXPECT_LT(Vector3<double>::distance(track.back(), c), 1e-6);
}

}  // namespace
}  // namespace qel::test
