// Local frames and camera attitude: the frames against GeographicLib, the attitude
// against what a viewer would see (where the camera looks, which way is up on screen).
#include <gtest/gtest.h>

#include <GeographicLib/Geocentric.hpp>
#include <GeographicLib/LocalCartesian.hpp>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "Common/Math.h"
#include "Common/Transforms.h"

namespace qel {
namespace {

constexpr double kAngleTolerance = 1e-9;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const Vector3<double> kForward{0.0, 0.0, -1.0};
const Vector3<double> kRight{1.0, 0.0, 0.0};

double angleBetween(double a, double b) { return std::abs(Math::negativePiToPi(a - b)); }

// Angle of the rotation taking one orientation to the other (q and −q are the same).
double rotationBetween(const Quaternion& a, const Quaternion& b) {
  const Quaternion s = a.dot(b) < 0.0 ? -b : b;
  const Quaternion difference{a.x - s.x, a.y - s.y, a.z - s.z, a.w - s.w};
  const Quaternion sum{a.x + s.x, a.y + s.y, a.z + s.z, a.w + s.w};
  return 4.0 * std::atan2(difference.length(), sum.length());
}

// Heading is read from the horizontal part of the view direction, which shrinks with
// cos(pitch) while its rounding noise (~1e-15 after a few rotations) does not.
double headingTolerance(double pitch) { return kAngleTolerance + 2e-15 / std::cos(pitch); }

std::string describe(const Vector3<double>& v) {
  return std::to_string(v.x) + ", " + std::to_string(v.y) + ", " + std::to_string(v.z);
}

// The east, north and up axes of GeographicLib's local frame, in the fixed frame: map a
// step along each local axis back to the fixed frame and difference it with the origin.
std::array<Vector3<double>, 3> oracleFrame(double latDeg, double lonDeg, double h) {
  constexpr double kStep = 1000.0;  // long enough that rounding of the points is negligible
  const GeographicLib::Geocentric& earth = GeographicLib::Geocentric::WGS84();
  const GeographicLib::LocalCartesian local(latDeg, lonDeg, h, earth);
  Vector3<double> origin;
  earth.Forward(latDeg, lonDeg, h, origin.x, origin.y, origin.z);
  std::array<Vector3<double>, 3> axes;
  for (int i = 0; i < 3; ++i) {
    double lat = 0.0, lon = 0.0, hh = 0.0;
    local.Reverse(i == 0 ? kStep : 0.0, i == 1 ? kStep : 0.0, i == 2 ? kStep : 0.0, lat, lon, hh);
    Vector3<double> p;
    earth.Forward(lat, lon, hh, p.x, p.y, p.z);
    axes[static_cast<std::size_t>(i)] = (p - origin) / kStep;
  }
  return axes;
}

class EastNorthUpVsOracle : public ::testing::TestWithParam<double> {};

TEST_P(EastNorthUpVsOracle, AxesMatch) {
  const double h = GetParam();
  for (double lat : {-90.0, -89.999, -45.0, 0.0, 12.5, 60.0, 89.999, 90.0}) {
    for (double lon : {-180.0, -100.0, 0.0, 33.3, 179.9999, 180.0}) {
      SCOPED_TRACE("lat " + std::to_string(lat) + " lon " + std::to_string(lon));
      const Vector3<double> origin = Ellipsoid::WGS84.cartographicToCartesian(Cartographic::fromDegrees(lon, lat, h));
      const Matrix4 frame = Transforms::eastNorthUpToFixedFrame(origin);
      EXPECT_EQ(frame.getTranslation(), origin);
      const auto expected = oracleFrame(lat, lon, h);
      // At a pole east and north depend on the longitude that the point no longer carries.
      const int first = std::abs(lat) == 90.0 ? 2 : 0;
      for (int i = first; i < 3; ++i) {
        EXPECT_LE(Vector3<double>::distance(frame.getColumn3(i), expected[static_cast<std::size_t>(i)]),
                  kAngleTolerance)
            << "axis " << i << ": " << describe(frame.getColumn3(i));
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Heights, EastNorthUpVsOracle, ::testing::Values(-10000.0, 0.0, 3000.0, 1e6, 4e7));

// The system's start pose: 20 000 km out on the +X axis, looking at the centre, north up.
TEST(Transforms, InitialPoseLooksStraightDownWithNorthUp) {
  const Vector3<double> eye(2e7, 0.0, 0.0);
  const Quaternion start(0.5, 0.5, 0.5, 0.5);
  const HeadingPitchRoll hpr = Transforms::viewQuaternionToViewHeadingPitchRoll(eye, start);
  EXPECT_EQ(hpr.heading, 0.0);
  EXPECT_NEAR(hpr.pitch, -Math::PI_OVER_TWO, 1e-15);
  EXPECT_EQ(hpr.roll, 0.0);
  const Quaternion rebuilt = Transforms::viewHeadingPitchRollToViewQuaternion(eye, {0.0, -Math::PI_OVER_TWO, 0.0});
  EXPECT_LE(rotationBetween(rebuilt, start), 1e-15);
}

// Attitudes a person can check by looking: where the view points and where the image's
// right side points, in east, north, up components.
struct SeenCase {
  const char* name;
  HeadingPitchRoll hpr;
  Vector3<double> forward;
  Vector3<double> right;
};

class AttitudeAsSeen : public ::testing::TestWithParam<SeenCase> {};

TEST_P(AttitudeAsSeen, ViewAndImageAxesPointWhereExpected) {
  const SeenCase& c = GetParam();
  const Vector3<double> position =
      Ellipsoid::WGS84.cartographicToCartesian(Cartographic::fromDegrees(116.4, 39.9, 500.0));
  const Quaternion q = Transforms::viewHeadingPitchRollToViewQuaternion(position, c.hpr);
  const Matrix3 toLocal = Transforms::eastNorthUpToFixedFrame(position).getRotation().transposed();
  const Vector3<double> forward = toLocal * (q * kForward);
  const Vector3<double> right = toLocal * (q * kRight);
  EXPECT_LE(Vector3<double>::distance(forward, c.forward), 1e-12) << describe(forward);
  EXPECT_LE(Vector3<double>::distance(right, c.right), 1e-12) << describe(right);
}

const double kHalf = std::sqrt(0.5);
INSTANTIATE_TEST_SUITE_P(
    Transforms, AttitudeAsSeen,
    ::testing::Values(SeenCase{"LevelNorth", {0.0, 0.0, 0.0}, {0, 1, 0}, {1, 0, 0}},
                      SeenCase{"LevelEast", {Math::PI_OVER_TWO, 0.0, 0.0}, {1, 0, 0}, {0, -1, 0}},
                      SeenCase{"DownFacingEast", {Math::PI_OVER_TWO, -Math::PI_OVER_TWO, 0.0}, {0, 0, -1}, {0, -1, 0}},
                      SeenCase{"UpFortyFiveNorth", {0.0, Math::PI_OVER_FOUR, 0.0}, {0, kHalf, kHalf}, {1, 0, 0}},
                      SeenCase{"RollRightSideDown", {0.0, 0.0, Math::PI_OVER_TWO}, {0, 1, 0}, {0, 0, -1}}),
    [](const auto& info) { return std::string(info.param.name); });

// heading/pitch/roll -> quaternion -> heading/pitch/roll over every heading quadrant,
// pitches short of vertical and rolls of both signs, at places that stress the frame.
TEST(Transforms, AttitudeRoundTrips) {
  const std::vector<Cartographic> places{
      Cartographic::fromDegrees(0.0, 0.0, 0.0), Cartographic::fromDegrees(180.0, -33.0, 1200.0),
      Cartographic::fromDegrees(-179.9, 71.0, 2e7), Cartographic::fromDegrees(45.0, 89.9999, 100.0),
      Cartographic::fromDegrees(-60.0, -89.999, -9000.0)};
  for (const Cartographic& place : places) {
    const Vector3<double> position = Ellipsoid::WGS84.cartographicToCartesian(place);
    for (double heading : {0.0, 0.4, 2.0, Math::PI, 4.0, 6.0, -0.7}) {
      for (double pitch : {-1.5707, -1.2, -0.3, 0.0, 0.5, 1.5707}) {
        for (double roll : {0.0, 0.15, -0.6, 3.0}) {
          SCOPED_TRACE(std::to_string(place.latitude) + " h " + std::to_string(heading) + " p " +
                       std::to_string(pitch) + " r " + std::to_string(roll));
          const Quaternion q = Transforms::viewHeadingPitchRollToViewQuaternion(position, {heading, pitch, roll});
          EXPECT_NEAR(q.length(), 1.0, 1e-15);
          const HeadingPitchRoll back = Transforms::viewQuaternionToViewHeadingPitchRoll(position, q);
          EXPECT_LE(angleBetween(back.heading, heading), headingTolerance(pitch));
          EXPECT_NEAR(back.pitch, pitch, kAngleTolerance);
          EXPECT_LE(angleBetween(back.roll, roll), headingTolerance(pitch));
          EXPECT_GE(back.heading, 0.0);
          EXPECT_LT(back.heading, Math::TWO_PI);
          EXPECT_GE(back.roll, 0.0);
          EXPECT_LT(back.roll, Math::TWO_PI);
        }
      }
    }
  }
}

// Viewpoint -> pose -> viewpoint keeps the target and the view onto it.
TEST(Transforms, ViewpointRoundTrips) {
  const std::vector<Cartographic> targets{
      Cartographic::fromDegrees(-180.0, -89.5, -400.0), Cartographic::fromDegrees(-75.5, -20.0, 0.0),
      Cartographic::fromDegrees(0.0, 0.0, 8000.0), Cartographic::fromDegrees(120.0, 45.0, 0.0),
      Cartographic::fromDegrees(180.0, 89.9, 8000.0)};
  for (const Cartographic& t : targets) {
    for (double heading : {0.0, 1.2, 3.3, 5.5}) {
      for (double pitch : {-1.5707963, -0.8, -0.1, 0.3}) {
        for (double range : {0.0, 150.0, 2e4, 1.5e7}) {
          SCOPED_TRACE(std::to_string(t.longitude) + " " + std::to_string(t.latitude) + " " + std::to_string(heading) +
                       " " + std::to_string(pitch) + " " + std::to_string(range));
          const Viewpoint vp{t.longitude, t.latitude, t.height, heading, pitch, range};
          const Viewpose pose = Transforms::viewpointToViewpose(vp);
          const std::optional<Viewpoint> back = Transforms::viewposeToViewpoint(pose, range);
          ASSERT_TRUE(back.has_value());
          EXPECT_LE(angleBetween(back->longitude, vp.longitude), kAngleTolerance);
          EXPECT_NEAR(back->latitude, vp.latitude, kAngleTolerance);
          EXPECT_NEAR(back->height, vp.height, 1e-3);
          EXPECT_LE(angleBetween(back->heading, vp.heading), headingTolerance(pitch));
          EXPECT_NEAR(back->pitch, vp.pitch, kAngleTolerance);
          EXPECT_NEAR(Vector3<double>::distance(pose.position, Ellipsoid::WGS84.cartographicToCartesian(t)), range,
                      1e-6 * (1.0 + range));
        }
      }
    }
  }
}

// Pose -> viewpoint -> pose: the eye and the view direction come back. A viewpoint holds
// no roll, and "no roll" at the target is a slightly turned image at a distant eye, so
// the whole orientation comes back only when eye and target coincide.
TEST(Transforms, ViewposeRoundTrips) {
  const std::vector<std::pair<Cartographic, HeadingPitchRoll>> poses{
      {Cartographic::fromDegrees(0.0, 0.0, 2e7 - 6378137.0), {0.0, -Math::PI_OVER_TWO, 0.0}},
      {Cartographic::fromDegrees(179.99, 30.0, 1500.0), {2.5, -0.4, 0.0}},
      {Cartographic::fromDegrees(-179.99, -60.0, 4e5), {5.0, -1.0, 0.3}},
      {Cartographic::fromDegrees(90.0, 89.0, 3e3), {0.3, -0.05, 0.0}}};
  for (const auto& [where, hpr] : poses) {
    for (double range : {0.0, 1000.0, 1e6}) {
      SCOPED_TRACE(std::to_string(where.longitude) + " range " + std::to_string(range));
      const Vector3<double> eye = Ellipsoid::WGS84.cartographicToCartesian(where);
      const Viewpose pose{eye, Transforms::viewHeadingPitchRollToViewQuaternion(eye, hpr)};
      const std::optional<Viewpoint> vp = Transforms::viewposeToViewpoint(pose, range);
      ASSERT_TRUE(vp.has_value());
      const Viewpose back = Transforms::viewpointToViewpose(*vp);
      EXPECT_LE(Vector3<double>::distance(back.position, eye), 1e-6 * (1.0 + range));
      EXPECT_LE(Vector3<double>::distance(back.orientation * kForward, pose.orientation * kForward), 1e-12);
      if (range == 0.0 && hpr.roll == 0.0) {
        EXPECT_LE(rotationBetween(back.orientation, pose.orientation), kAngleTolerance);
      }
    }
  }
}

TEST(Transforms, PoseWithoutGeographicPositionGivesNoViewpoint) {
  const Quaternion start(0.5, 0.5, 0.5, 0.5);  // looks along −X
  struct Case {
    const char* why;
    Viewpose pose;
    double range;
  };
  const std::vector<Case> cases{
      {"eye at the centre", {{0.0, 0.0, 0.0}, start}, 1000.0},
      {"target at the centre", {{1e6, 0.0, 0.0}, start}, 1e6},
      {"NaN eye", {{kNaN, 0.0, 0.0}, start}, 0.0},
      {"NaN orientation", {{2e7, 0.0, 0.0}, {kNaN, 0.0, 0.0, 1.0}}, 0.0},
      {"zero orientation", {{2e7, 0.0, 0.0}, {0.0, 0.0, 0.0, 0.0}}, 0.0},
      {"NaN range", {{2e7, 0.0, 0.0}, start}, kNaN},
      {"negative range", {{2e7, 0.0, 0.0}, start}, -1.0},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(Transforms::viewposeToViewpoint(c.pose, c.range).has_value()) << c.why;
  }
}

}  // namespace
}  // namespace qel
