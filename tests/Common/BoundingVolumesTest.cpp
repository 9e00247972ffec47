// Bounding volumes the flights frame their views with: the box of a layer's region, the
// sphere around a box, around a rectangle of the surface and around several spheres.
// Points of the regions come from GeographicLib, an independent geodesy.
#include <gtest/gtest.h>

#include <GeographicLib/Geocentric.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "Common/BoundingRegion.h"
#include "Common/BoundingSphere.h"
#include "Common/Math.h"

namespace qel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Containment slack: rounding of Earth-sized coordinates, far below a millimetre.
constexpr double kContainSlack = 1e-6;
// Samples per side of the grid laid over a region.
constexpr int kGrid = 120;

Vector3<double> oracle(double lonDeg, double latDeg, double h) {
  Vector3<double> p;
  GeographicLib::Geocentric::WGS84().Forward(latDeg, lonDeg, h, p.x, p.y, p.z);
  return p;
}

// Points of the region over the rectangle (degrees, east possibly below west) between
// the two heights: a grid including the edges.
std::vector<Vector3<double>> regionSamples(const GlobeRectangle& deg, double hMin, double hMax) {
  const double width = deg.east >= deg.west ? deg.east - deg.west : deg.east + 360.0 - deg.west;
  std::vector<Vector3<double>> out;
  for (int i = 0; i <= kGrid; ++i) {
    for (int j = 0; j <= kGrid; ++j) {
      const double lon = deg.west + width * i / kGrid;
      const double lat = deg.south + (deg.north - deg.south) * j / kGrid;
      out.push_back(oracle(lon, lat, hMin));
      if (hMax != hMin) out.push_back(oracle(lon, lat, hMax));
    }
  }
  return out;
}

struct RegionCase {
  std::string name;
  GlobeRectangle degrees;
  double minimumHeight;
  double maximumHeight;
};

class BoundingRegionBoxTest : public ::testing::TestWithParam<RegionCase> {};

TEST_P(BoundingRegionBoxTest, BoxHoldsEveryPointAndEachFaceTouchesTheRegion) {
  const RegionCase& c = GetParam();
  const GlobeRectangle& d = c.degrees;
  const BoundingRegion region(GlobeRectangle::fromDegrees(d.west, d.south, d.east, d.north), c.minimumHeight,
                              c.maximumHeight);
  ASSERT_FALSE(region.isEmpty());
  const OrientedBoundingBox box = region.getBoundingBox();
  const std::vector<Vector3<double>> samples = regionSamples(d, c.minimumHeight, c.maximumHeight);
  for (const Vector3<double>& p : samples) ASSERT_TRUE(box.contains(p, kContainSlack));

  // Tight: along each half-axis some sample reaches the face, within what the grid's
  // spacing can miss at a smooth extreme.
  for (int axis = 0; axis < 3; ++axis) {
    const Vector3<double> half = box.halfAxes.getColumn(axis);
    const double length = half.length();
    const Vector3<double> unit = half / length;
    double lo = Math::POSITIVE_INFINITY;
    double hi = Math::NEG_INFINITY;
    for (const Vector3<double>& p : samples) {
      lo = std::min(lo, (p - box.center).dot(unit));
      hi = std::max(hi, (p - box.center).dot(unit));
    }
    const double slack = 1e-3 * length + 1.0;
    EXPECT_GE(hi, length - slack) << "axis " << axis;
    EXPECT_LE(lo, -length + slack) << "axis " << axis;
  }
  // The third axis is the vertical at the rectangle's centre.
  const Cartographic centre = region.getRectangle().computeCenter();
  const Vector3<double> up = (oracle(Math::toDegrees(centre.longitude), Math::toDegrees(centre.latitude), 1000.0) -
                              oracle(Math::toDegrees(centre.longitude), Math::toDegrees(centre.latitude), 0.0)) /
                             1000.0;
  EXPECT_NEAR(std::abs(box.halfAxes.getColumn(2).normalized().dot(up)), 1.0, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Regions, BoundingRegionBoxTest,
                         ::testing::Values(RegionCase{"City", {116.2, 39.8, 116.5, 40.1}, 0.0, 500.0},
                                           RegionCase{
                                               "AcrossTheAntimeridian", {170.0, -20.0, -170.0, 10.0}, -100.0, 3000.0},
                                           RegionCase{"PolarCap", {-180.0, 70.0, 180.0, 90.0}, 0.0, 1000.0},
                                           RegionCase{"WiderThanAHemisphere", {-120.0, -10.0, 120.0, 30.0}, 0.0, 0.0},
                                           RegionCase{"Hemisphere", {-90.0, -90.0, 90.0, 90.0}, 0.0, 0.0},
                                           RegionCase{"SouthernSliver", {10.0, -89.0, 11.0, -60.0}, -500.0, 8000.0},
                                           RegionCase{"Meridian", {30.0, -10.0, 30.0, 10.0}, 0.0, 10.0}),
                         [](const ::testing::TestParamInfo<RegionCase>& info) { return info.param.name; });

TEST(BoundingRegion, TheWholeGlobeIsCentredExactlyOnTheOrigin) {
  // A flight to such a region has no place to look at and does nothing: it tests the
  // centre for exactly zero.
  const OrientedBoundingBox box = BoundingRegion(GlobeRectangle::MAX_VALUE, 0.0, 100.0).getBoundingBox();
  EXPECT_EQ(box.center.x, 0.0);
  EXPECT_EQ(box.center.y, 0.0);
  EXPECT_EQ(box.center.z, 0.0);
  EXPECT_NEAR(BoundingSphere::fromOrientedBoundingBox(box).radius,
              std::sqrt(2.0 * 6378237.0 * 6378237.0 + 6356852.3142451793 * 6356852.3142451793), 1e-6);
}

struct EmptyCase {
  std::string name;
  BoundingRegion region;
  bool empty;
};

class BoundingRegionEmptyTest : public ::testing::TestWithParam<EmptyCase> {};

TEST_P(BoundingRegionEmptyTest, OnlyARegionWithSomethingToShowIsNotEmpty) {
  EXPECT_EQ(GetParam().region.isEmpty(), GetParam().empty);
  if (GetParam().empty) {
    const OrientedBoundingBox box = GetParam().region.getBoundingBox();
    EXPECT_EQ(BoundingSphere::fromOrientedBoundingBox(box).radius, 0.0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Regions, BoundingRegionEmptyTest,
    ::testing::Values(EmptyCase{"Default", BoundingRegion(), true},
                      EmptyCase{"Valid", BoundingRegion({0.1, 0.1, 0.2, 0.2}, 0.0, 10.0), false},
                      EmptyCase{"OnePoint", BoundingRegion({0.1, 0.1, 0.1, 0.1}, 0.0, 10.0), true},
                      EmptyCase{"OneMeridian", BoundingRegion({0.1, 0.1, 0.1, 0.2}, 0.0, 0.0), false},
                      EmptyCase{"HeightsInverted", BoundingRegion({0.1, 0.1, 0.2, 0.2}, 10.0, 0.0), true},
                      EmptyCase{"HeightNotFinite", BoundingRegion({0.1, 0.1, 0.2, 0.2}, 0.0, kNaN), true},
                      EmptyCase{"SouthAboveNorth", BoundingRegion({0.1, 0.3, 0.2, 0.2}, 0.0, 0.0), true},
                      EmptyCase{"LongitudeBeyondPi", BoundingRegion({0.1, 0.1, 3.2, 0.2}, 0.0, 0.0), true},
                      EmptyCase{"LatitudeBeyondThePole", BoundingRegion({0.1, 0.1, 0.2, 1.6}, 0.0, 0.0), true}),
    [](const ::testing::TestParamInfo<EmptyCase>& info) { return info.param.name; });

TEST(BoundingSphere, FromABoxReachesItsFarthestCorner) {
  const OrientedBoundingBox box =
      BoundingRegion(GlobeRectangle::fromDegrees(20.0, 40.0, 35.0, 45.0), -50.0, 4000.0).getBoundingBox();
  const BoundingSphere sphere = BoundingSphere::fromOrientedBoundingBox(box);
  double farthest = 0.0;
  for (double su : {-1.0, 1.0}) {
    for (double sv : {-1.0, 1.0}) {
      for (double sw : {-1.0, 1.0}) {
        const Vector3<double> corner = box.center + box.halfAxes * Vector3<double>(su, sv, sw);
        farthest = std::max(farthest, (corner - sphere.center).length());
      }
    }
  }
  EXPECT_NEAR(sphere.radius, farthest, 1e-6);
}

struct SurfaceCase {
  std::string name;
  GlobeRectangle degrees;
  double height;
};

class BoundingSphereRectangleTest : public ::testing::TestWithParam<SurfaceCase> {};

TEST_P(BoundingSphereRectangleTest, HoldsTheSurfaceAtItsHeightAndIsNotMuchLarger) {
  const SurfaceCase& c = GetParam();
  const GlobeRectangle& d = c.degrees;
  const BoundingSphere sphere = BoundingSphere::fromRectangle3D(
      GlobeRectangle::fromDegrees(d.west, d.south, d.east, d.north), Ellipsoid::WGS84, c.height);
  double farthest = 0.0;
  for (const Vector3<double>& p : regionSamples(d, c.height, c.height)) {
    const double distance = (p - sphere.center).length();
    ASSERT_LE(distance, sphere.radius + kContainSlack);
    farthest = std::max(farthest, distance);
  }
  // The sphere goes round the surface's box: for a patch up to a quarter turn across,
  // hardly larger than the patch.
  EXPECT_LE(sphere.radius, 1.3 * farthest + 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Rectangles, BoundingSphereRectangleTest,
                         ::testing::Values(SurfaceCase{"Town", {7.0, 46.0, 7.1, 46.05}, 0.0},
                                           SurfaceCase{"RaisedCountry", {-5.0, 42.0, 8.0, 51.0}, 2500.0},
                                           SurfaceCase{"AcrossTheAntimeridian", {175.0, 60.0, -170.0, 70.0}, 0.0},
                                           SurfaceCase{"QuarterTurn", {0.0, 0.0, 90.0, 60.0}, -100.0},
                                           SurfaceCase{"OneLine", {10.0, 10.0, 10.0, 20.0}, 0.0}),
                         [](const ::testing::TestParamInfo<SurfaceCase>& info) { return info.param.name; });

TEST(BoundingSphere, FromARectangleWithABoundNotFiniteIsNotFinite) {
  const BoundingSphere sphere = BoundingSphere::fromRectangle3D({0.0, 0.0, kNaN, 0.1}, Ellipsoid::WGS84, 0.0);
  EXPECT_FALSE(std::isfinite(sphere.radius));
}

struct MergeCase {
  std::string name;
  std::vector<BoundingSphere> spheres;
  std::optional<BoundingSphere> exact;  // when the answer is known exactly
};

class BoundingSphereMergeTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(BoundingSphereMergeTest, HoldsEverySphereOfTheList) {
  const MergeCase& c = GetParam();
  const BoundingSphere merged = BoundingSphere::fromBoundingSpheres(c.spheres);
  for (const BoundingSphere& s : c.spheres) {
    if (!s.center.isFinite() || !std::isfinite(s.radius)) continue;
    EXPECT_LE((s.center - merged.center).length() + s.radius, merged.radius * (1.0 + 1e-12) + 1e-9);
  }
  if (c.exact) {
    EXPECT_NEAR((merged.center - c.exact->center).length(), 0.0, 1e-9);
    EXPECT_NEAR(merged.radius, c.exact->radius, 1e-9);
  }
}

std::vector<BoundingSphere> scattered() {
  // Features spread over some hundred kilometres near the surface, of different sizes.
  std::vector<BoundingSphere> out;
  for (int i = 0; i < 12; ++i) {
    const double lon = 100.0 + 0.7 * i;
    const double lat = 30.0 + 0.3 * ((i * 7) % 5);
    out.push_back({oracle(lon, lat, 100.0 * i), 50.0 + 900.0 * ((i * 3) % 4)});
  }
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, BoundingSphereMergeTest,
    ::testing::Values(
        MergeCase{"Empty", {}, BoundingSphere{{0.0, 0.0, 0.0}, 0.0}},
        MergeCase{"One", {{{1.0, 2.0, 3.0}, 4.0}}, BoundingSphere{{1.0, 2.0, 3.0}, 4.0}},
        MergeCase{"Nested", {{{1.0, 0.0, 0.0}, 1.0}, {{0.0, 0.0, 0.0}, 10.0}}, BoundingSphere{{0.0, 0.0, 0.0}, 10.0}},
        MergeCase{"TwoApart", {{{0.0, 0.0, 0.0}, 1.0}, {{10.0, 0.0, 0.0}, 1.0}}, BoundingSphere{{5.0, 0.0, 0.0}, 6.0}},
        MergeCase{"Points", {{{0.0, 0.0, 0.0}, 0.0}, {{0.0, 6.0, 0.0}, 0.0}}, BoundingSphere{{0.0, 3.0, 0.0}, 3.0}},
        MergeCase{"NotFiniteIgnored",
                  {{{kNaN, 0.0, 0.0}, 1.0}, {{0.0, 0.0, 1.0}, 2.0}, {{0.0, 0.0, 0.0}, kNaN}},
                  BoundingSphere{{0.0, 0.0, 1.0}, 2.0}},
        MergeCase{"Scattered", scattered(), std::nullopt}),
    [](const ::testing::TestParamInfo<MergeCase>& info) { return info.param.name; });

struct AsinCase {
  std::string name;
  double value;
  double expected;
};

class AsinClampedTest : public ::testing::TestWithParam<AsinCase> {};

TEST_P(AsinClampedTest, SinesJustBeyondOneGiveAQuarterTurn) {
  const AsinCase& c = GetParam();
  if (std::isnan(c.expected)) {
    EXPECT_TRUE(std::isnan(Math::asinClamped(c.value)));
  } else {
    EXPECT_DOUBLE_EQ(Math::asinClamped(c.value), c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Values, AsinClampedTest,
                         ::testing::Values(AsinCase{"Half", 0.5, Math::PI / 6.0},
                                           AsinCase{"RoundedAboveOne", 1.0 + 4e-16, Math::PI_OVER_TWO},
                                           AsinCase{"RoundedBelowMinusOne", -1.0 - 4e-16, -Math::PI_OVER_TWO},
                                           AsinCase{"FarBeyond", 7.0, Math::PI_OVER_TWO},
                                           AsinCase{"NotANumber", kNaN, kNaN}),
                         [](const ::testing::TestParamInfo<AsinCase>& info) { return info.param.name; });

TEST(MathConstants, NegativeInfinityIsBelowEveryNumber) {
  EXPECT_TRUE(std::isinf(Math::NEG_INFINITY));
  EXPECT_LT(Math::NEG_INFINITY, std::numeric_limits<double>::lowest());
}

}  // namespace
}  // namespace qel
