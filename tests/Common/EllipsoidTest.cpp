// Geodetic conversions checked against GeographicLib, an independent implementation.
#include <gtest/gtest.h>

#include <GeographicLib/Geocentric.hpp>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"

namespace qel {
namespace {

// What a user can notice: a millimetre on the ground; 1e-9 rad is ~6 mm at the surface.
constexpr double kPositionTolerance = 1e-3;
constexpr double kAngleTolerance = 1e-9;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

const GeographicLib::Geocentric& oracle() { return GeographicLib::Geocentric::WGS84(); }

Vector3<double> oracleForward(double latDeg, double lonDeg, double h) {
  Vector3<double> p;
  oracle().Forward(latDeg, lonDeg, h, p.x, p.y, p.z);
  return p;
}

// Difference of two longitudes, so that −π and π count as the same meridian.
double angleBetween(double a, double b) { return std::abs(Math::negativePiToPi(a - b)); }

bool isPole(double latDeg) { return std::abs(latDeg) == 90.0; }

// Latitudes and longitudes (degrees) of the grid: poles, the antimeridian from both sides,
// the equator and values just off the special ones.
const std::vector<double> kLatitudes{-90.0, -89.9999, -60.0, -45.0, -1e-7, 0.0, 1e-7, 30.0, 45.5, 89.99999, 90.0};
const std::vector<double> kLongitudes{-180.0, -179.999999, -90.0, -1e-9, 0.0, 45.0, 135.0, 179.999999, 180.0};

class EllipsoidVsOracle : public ::testing::TestWithParam<double> {};

TEST_P(EllipsoidVsOracle, ForwardMatches) {
  const double h = GetParam();
  for (double lat : kLatitudes) {
    for (double lon : kLongitudes) {
      SCOPED_TRACE("lat " + std::to_string(lat) + " lon " + std::to_string(lon));
      const Vector3<double> ours = Ellipsoid::WGS84.cartographicToCartesian(Cartographic::fromDegrees(lon, lat, h));
      EXPECT_LE(Vector3<double>::distance(ours, oracleForward(lat, lon, h)), kPositionTolerance);
    }
  }
}

TEST_P(EllipsoidVsOracle, InverseMatches) {
  const double h = GetParam();
  for (double lat : kLatitudes) {
    for (double lon : kLongitudes) {
      SCOPED_TRACE("lat " + std::to_string(lat) + " lon " + std::to_string(lon));
      const Vector3<double> p = oracleForward(lat, lon, h);
      const std::optional<Cartographic> ours = Ellipsoid::WGS84.cartesianToCartographic(p);
      ASSERT_TRUE(ours.has_value());
      double refLat = 0.0, refLon = 0.0, refH = 0.0;
      oracle().Reverse(p.x, p.y, p.z, refLat, refLon, refH);
      EXPECT_NEAR(ours->height, refH, kPositionTolerance);
      EXPECT_NEAR(ours->latitude, Math::toRadians(refLat), kAngleTolerance);
      if (!isPole(lat)) {
        EXPECT_LE(angleBetween(ours->longitude, Math::toRadians(refLon)), kAngleTolerance);
      }
      // Where the oracle puts our answer is the point itself.
      const Vector3<double> back =
          oracleForward(Math::toDegrees(ours->latitude), Math::toDegrees(ours->longitude), ours->height);
      EXPECT_LE(Vector3<double>::distance(back, p), kPositionTolerance);
      EXPECT_GT(ours->longitude, -Math::PI);
      EXPECT_LE(ours->longitude, Math::PI);
    }
  }
}

TEST_P(EllipsoidVsOracle, RoundTripKeepsTheCartographic) {
  const double h = GetParam();
  for (double lat : kLatitudes) {
    for (double lon : kLongitudes) {
      SCOPED_TRACE("lat " + std::to_string(lat) + " lon " + std::to_string(lon));
      const Cartographic c = Cartographic::fromDegrees(lon, lat, h);
      const std::optional<Cartographic> back =
          Ellipsoid::WGS84.cartesianToCartographic(Ellipsoid::WGS84.cartographicToCartesian(c));
      ASSERT_TRUE(back.has_value());
      EXPECT_NEAR(back->height, h, kPositionTolerance);
      EXPECT_NEAR(back->latitude, c.latitude, kAngleTolerance);
      if (!isPole(lat)) {
        EXPECT_LE(angleBetween(back->longitude, c.longitude), kAngleTolerance);
      }
    }
  }
}

// From the deepest terrain the navigation allows to beyond geostationary orbit.
INSTANTIATE_TEST_SUITE_P(Heights, EllipsoidVsOracle,
                         ::testing::Values(-10000.0, -1.0, 0.0, 8848.0, 1e5, 2e6, 3.5786e7, 4e7));

// Many scattered points: catches slow or failing convergence that a grid could miss.
TEST(Ellipsoid, ScatteredPointsMatchTheOracle) {
  std::mt19937_64 bits(20240611);
  const auto uniform = [&bits](double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(bits() >> 11) * 0x1.0p-53;
  };
  double worstPosition = 0.0;
  for (int i = 0; i < 20000; ++i) {
    const double lat = Math::toDegrees(std::asin(uniform(-1.0, 1.0)));
    const double lon = uniform(-180.0, 180.0);
    const double h = i % 2 == 0 ? uniform(-10000.0, 20000.0) : std::exp(uniform(0.0, std::log(4e7)));
    const Vector3<double> p = oracleForward(lat, lon, h);
    const std::optional<Cartographic> c = Ellipsoid::WGS84.cartesianToCartographic(p);
    ASSERT_TRUE(c.has_value());
    const Vector3<double> back = oracleForward(Math::toDegrees(c->latitude), Math::toDegrees(c->longitude), c->height);
    worstPosition = std::max(worstPosition, Vector3<double>::distance(back, p));
    ASSERT_NEAR(c->latitude, Math::toRadians(lat), kAngleTolerance) << "lat " << lat << " lon " << lon << " h " << h;
    ASSERT_LE(angleBetween(c->longitude, Math::toRadians(lon)), kAngleTolerance) << "lat " << lat << " lon " << lon;
    ASSERT_NEAR(c->height, h, kPositionTolerance) << "lat " << lat << " lon " << lon << " h " << h;
  }
  EXPECT_LE(worstPosition, kPositionTolerance);
}

TEST(Ellipsoid, Wgs84IsAConstant) {
  static_assert(Ellipsoid::WGS84.getRadii().x == 6378137.0);
  static_assert(Ellipsoid::WGS84.getRadii().z == 6356752.3142451793);
  EXPECT_EQ(Ellipsoid::WGS84.getMaximumRadius(), 6378137.0);
  EXPECT_EQ(Ellipsoid::WGS84.getMinimumRadius(), 6356752.3142451793);
}

TEST(Ellipsoid, CentreAndBadInputHaveNoPosition) {
  const std::vector<Vector3<double>> points{
      {0.0, 0.0, 0.0}, {-0.0, 0.0, -0.0}, {1e-5, -1e-5, 1e-5},  // at the centre, to within rounding
      {kNaN, 0.0, 0.0}, {7e6, kInf, 0.0},  {0.0, 0.0, -kInf},  {kNaN, kNaN, kNaN},
      {1e200, 0.0, 0.0}};  // beyond any physical distance
  for (const auto& p : points) {
    SCOPED_TRACE(std::to_string(p.x) + " " + std::to_string(p.y) + " " + std::to_string(p.z));
    EXPECT_FALSE(Ellipsoid::WGS84.cartesianToCartographic(p).has_value());
    EXPECT_FALSE(Ellipsoid::WGS84.scaleToGeodeticSurface(p).has_value());
    EXPECT_EQ(Ellipsoid::WGS84.geodeticSurfaceNormal(p), Vector3<double>::zero());
  }
  for (const Ellipsoid& broken : {Ellipsoid(0.0, 1.0, 1.0), Ellipsoid(kNaN, 1.0, 1.0), Ellipsoid(1.0, -1.0, 1.0)}) {
    EXPECT_FALSE(broken.isValid());
    EXPECT_FALSE(broken.cartesianToCartographic({2.0, 0.0, 0.0}).has_value());
  }
}

// Deep inside, several normals pass through a point. Whatever is chosen must be a real
// geodetic position of the point, and finite.
TEST(Ellipsoid, DeepInsidePointsStayConsistent) {
  const std::vector<Vector3<double>> points{
      {1.0, 0.0, 0.0},       {0.0, 0.0, 1.0},          {0.0, 0.0, -1000.0},   {20000.0, 0.0, 0.0},
      {20000.0, 0.0, 1.0},   {-3000.0, 3000.0, 10.0},  {40000.0, 40000.0, 0.0}, {1e6, -2e6, 3e6},
      {0.01, 0.0, 0.0},      {0.0, -0.001, 0.0}};
  for (const auto& p : points) {
    SCOPED_TRACE(std::to_string(p.x) + " " + std::to_string(p.y) + " " + std::to_string(p.z));
    const std::optional<Cartographic> c = Ellipsoid::WGS84.cartesianToCartographic(p);
    ASSERT_TRUE(c.has_value());
    ASSERT_TRUE(c->isFinite());
    EXPECT_LT(c->height, 0.0);
    EXPECT_LE(Vector3<double>::distance(Ellipsoid::WGS84.cartographicToCartesian(*c), p), 1e-6);
    const std::optional<Vector3<double>> foot = Ellipsoid::WGS84.scaleToGeodeticSurface(p);
    ASSERT_TRUE(foot.has_value());
    // The foot is on the surface.
    const Vector3<double>& inv = Ellipsoid::WGS84.getOneOverRadii();
    EXPECT_NEAR(Vector3<double>(foot->x * inv.x, foot->y * inv.y, foot->z * inv.z).length(), 1.0, 1e-14);
  }
}

TEST(Ellipsoid, NormalIsTheGeodeticVertical) {
  for (double h : {-5000.0, 0.0, 1e6, 4e7}) {
    const Cartographic c = Cartographic::fromDegrees(-123.4, 37.8, h);
    const Vector3<double> p = Ellipsoid::WGS84.cartographicToCartesian(c);
    const Vector3<double> n = Ellipsoid::WGS84.geodeticSurfaceNormal(p);
    const Vector3<double> expected = Ellipsoid::WGS84.geodeticSurfaceNormalCartographic(c);
    EXPECT_NEAR(Vector3<double>::distance(n, expected), 0.0, 1e-12) << "h " << h;
    EXPECT_NEAR(n.length(), 1.0, 1e-15);
    // The foot of that normal is where the point sits, h below it.
    const std::optional<Vector3<double>> foot = Ellipsoid::WGS84.scaleToGeodeticSurface(p);
    ASSERT_TRUE(foot.has_value());
    EXPECT_LE(Vector3<double>::distance(*foot + n * h, p), 1e-6);
  }
}

TEST(Ellipsoid, SphereGivesGeocentricCoordinates) {
  const double r = 6371000.0;
  const Ellipsoid sphere(r, r, r);
  const Vector3<double> p(3e6, -4e6, 5e6);
  const std::optional<Cartographic> c = sphere.cartesianToCartographic(p);
  ASSERT_TRUE(c.has_value());
  EXPECT_NEAR(c->longitude, std::atan2(-4e6, 3e6), 1e-15);
  EXPECT_NEAR(c->latitude, std::asin(5e6 / p.length()), 1e-15);
  EXPECT_NEAR(c->height, p.length() - r, 1e-8);
}

// The conversions do not assume two equal radii.
TEST(Ellipsoid, TriaxialRoundTrip) {
  const Ellipsoid body(3e6, 2e6, 1e6);
  for (double lat : {-89.0, -30.0, 0.0, 10.0, 60.0, 90.0}) {
    for (double lon : {-170.0, -45.0, 0.0, 80.0, 180.0}) {
      for (double h : {-2e5, 0.0, 5e5, 1e8}) {
        SCOPED_TRACE(std::to_string(lat) + " " + std::to_string(lon) + " " + std::to_string(h));
        const Cartographic c = Cartographic::fromDegrees(lon, lat, h);
        const std::optional<Cartographic> back = body.cartesianToCartographic(body.cartographicToCartesian(c));
        ASSERT_TRUE(back.has_value());
        EXPECT_NEAR(back->latitude, c.latitude, kAngleTolerance);
      if (!isPole(lat)) {
        EXPECT_LE(angleBetween(back->longitude, c.longitude), kAngleTolerance);
      }
        EXPECT_NEAR(back->height, h, kPositionTolerance);
      }
    }
  }
}

}  // namespace
}  // namespace qel
