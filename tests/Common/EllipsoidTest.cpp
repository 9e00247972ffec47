// Geodetic conversions checked against GeographicLib, an independent implementation.
#include <gtest/gtest.h>

#include <GeographicLib/Geocentric.hpp>

#include <cmath>
#include <limits>
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

// Poles, the antimeridian from both sides, the equator and values just off them.
const std::vector<double> kLatitudes{-90.0, -89.9999, -45.0, -1e-7, 0.0, 1e-7, 30.0, 89.99999, 90.0};
const std::vector<double> kLongitudes{-180.0, -179.999999, -90.0, -1e-9, 0.0, 135.0, 179.999999, 180.0};

template <class Check>
void overGrid(Check check) {
  for (double lat : kLatitudes) {
    for (double lon : kLongitudes) {
      SCOPED_TRACE("lat " + std::to_string(lat) + " lon " + std::to_string(lon));
      check(lat, lon);
    }
  }
}

class EllipsoidVsOracle : public ::testing::TestWithParam<double> {};

TEST_P(EllipsoidVsOracle, ForwardMatches) {
  const double h = GetParam();
  overGrid([h](double lat, double lon) {
    const Vector3<double> ours = Ellipsoid::WGS84.cartographicToCartesian(Cartographic::fromDegrees(lon, lat, h));
    EXPECT_LE(Vector3<double>::distance(ours, oracleForward(lat, lon, h)), kPositionTolerance);
  });
}

TEST_P(EllipsoidVsOracle, InverseMatches) {
  const double h = GetParam();
  overGrid([h](double lat, double lon) {
    const Vector3<double> p = oracleForward(lat, lon, h);
    const std::optional<Cartographic> ours = Ellipsoid::WGS84.cartesianToCartographic(p);
    ASSERT_TRUE(ours.has_value());
    double refLat = 0.0, refLon = 0.0, refH = 0.0;
    oracle().Reverse(p.x, p.y, p.z, refLat, refLon, refH);
    EXPECT_NEAR(ours->height, refH, kPositionTolerance);
    EXPECT_NEAR(ours->latitude, Math::toRadians(refLat), kAngleTolerance);
    if (std::abs(lat) != 90.0) {  // a pole has no longitude of its own
      EXPECT_LE(angleBetween(ours->longitude, Math::toRadians(refLon)), kAngleTolerance);
    }
    EXPECT_GT(ours->longitude, -Math::PI);
    EXPECT_LE(ours->longitude, Math::PI);
  });
}

// From the deepest terrain the navigation allows to beyond geostationary orbit.
INSTANTIATE_TEST_SUITE_P(Heights, EllipsoidVsOracle, ::testing::Values(-10000.0, 0.0, 8848.0, 2e6, 3.5786e7, 4e7));

TEST(Ellipsoid, CentreAndBadInputHaveNoPosition) {
  const std::vector<Vector3<double>> points{
      {0.0, 0.0, 0.0}, {1e-5, -1e-5, 1e-5}, {kNaN, 0.0, 0.0}, {7e6, kInf, 0.0}, {1e200, 0.0, 0.0}};
  for (const auto& p : points) {
    SCOPED_TRACE(std::to_string(p.x) + " " + std::to_string(p.y) + " " + std::to_string(p.z));
    EXPECT_FALSE(Ellipsoid::WGS84.cartesianToCartographic(p).has_value());
    EXPECT_FALSE(Ellipsoid::WGS84.scaleToGeodeticSurface(p).has_value());
    EXPECT_EQ(Ellipsoid::WGS84.geodeticSurfaceNormal(p), Vector3<double>::zero());
  }
  EXPECT_FALSE(Ellipsoid(1.0, -1.0, 1.0).cartesianToCartographic({2.0, 0.0, 0.0}).has_value());
}

// Deep inside, several normals pass through a point: whatever is chosen must be a real,
// finite geodetic position of the point.
TEST(Ellipsoid, DeepInsidePointsStayConsistent) {
  for (const Vector3<double>& p : {Vector3<double>(1.0, 0.0, 0.0), Vector3<double>(0.0, 0.0, -1000.0),
                                   Vector3<double>(20000.0, 0.0, 1.0), Vector3<double>(1e6, -2e6, 3e6)}) {
    const std::optional<Cartographic> c = Ellipsoid::WGS84.cartesianToCartographic(p);
    ASSERT_TRUE(c.has_value() && c->isFinite());
    EXPECT_LE(Vector3<double>::distance(Ellipsoid::WGS84.cartographicToCartesian(*c), p), 1e-6);
  }
}

}  // namespace
}  // namespace qel
