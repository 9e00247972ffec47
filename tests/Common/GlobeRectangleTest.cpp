// Geographic rectangles as the flights read them: the extent of a line's positions, its
// width (a layer wider than 299° is shown from a fixed place) and its centre, across
// the antimeridian as well as elsewhere.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Common/GlobeRectangle.h"
#include "Common/Math.h"

namespace qel {
namespace {

constexpr double kAngleTolerance = 1e-12;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Difference of two longitudes, so that −π and π count as the same meridian.
double angleBetween(double a, double b) { return std::abs(Math::negativePiToPi(a - b)); }

struct ExtentCase {
  std::string name;
  std::vector<Cartographic> positions;     // degrees
  std::optional<GlobeRectangle> expected;  // degrees
  double widthDegrees;
  Cartographic centreDegrees;
};

std::vector<Cartographic> degrees(std::initializer_list<std::pair<double, double>> lonLat) {
  std::vector<Cartographic> out;
  for (const auto& [lon, lat] : lonLat) out.push_back(Cartographic::fromDegrees(lon, lat, 123.0));
  return out;
}

class GlobeRectangleExtentTest : public ::testing::TestWithParam<ExtentCase> {};

TEST_P(GlobeRectangleExtentTest, TakesTheNarrowerWayRoundWithItsWidthAndCentre) {
  const ExtentCase& c = GetParam();
  const std::optional<GlobeRectangle> r = GlobeRectangle::fromCartographicArray(c.positions);
  ASSERT_EQ(r.has_value(), c.expected.has_value());
  if (!r) return;
  const GlobeRectangle e =
      GlobeRectangle::fromDegrees(c.expected->west, c.expected->south, c.expected->east, c.expected->north);
  EXPECT_LE(angleBetween(r->west, e.west), kAngleTolerance);
  EXPECT_LE(angleBetween(r->east, e.east), kAngleTolerance);
  EXPECT_NEAR(r->south, e.south, kAngleTolerance);
  EXPECT_NEAR(r->north, e.north, kAngleTolerance);
  EXPECT_TRUE(r->isValid());
  EXPECT_NEAR(r->computeWidth(), Math::toRadians(c.widthDegrees), kAngleTolerance);
  const Cartographic centre = r->computeCenter();
  EXPECT_LE(angleBetween(centre.longitude, Math::toRadians(c.centreDegrees.longitude)), kAngleTolerance);
  EXPECT_NEAR(centre.latitude, Math::toRadians(c.centreDegrees.latitude), kAngleTolerance);
  EXPECT_GT(centre.longitude, -Math::PI - kAngleTolerance);
  EXPECT_LE(centre.longitude, Math::PI);
  EXPECT_EQ(centre.height, 0.0);
  for (const Cartographic& p : c.positions) EXPECT_TRUE(r->contains(p));
}

INSTANTIATE_TEST_SUITE_P(
    Extents, GlobeRectangleExtentTest,
    ::testing::Values(
        ExtentCase{"Europe", degrees({{-10, 35}, {30, 70}, {5, 50}}), GlobeRectangle{-10, 35, 30, 70}, 40, {10, 52.5}},
        ExtentCase{"AcrossTheAntimeridian",
                   degrees({{170, -20}, {-170, 10}, {179, 0}}),
                   GlobeRectangle{170, -20, -170, 10},
                   20,
                   {180, -5}},
        ExtentCase{"AcrossThePrimeMeridian", degrees({{-5, 0}, {5, 1}}), GlobeRectangle{-5, 0, 5, 1}, 10, {0, 0.5}},
        // 200° one way, 160° the other: the narrower crosses the antimeridian.
        ExtentCase{
            "NarrowerAcrossTheBack", degrees({{-100, 0}, {100, 0}}), GlobeRectangle{100, 0, -100, 0}, 160, {180, 0}},
        ExtentCase{
            "LongitudesBeyondATurn", degrees({{190, 0}, {200, 10}}), GlobeRectangle{-170, 0, -160, 10}, 10, {-165, 5}},
        ExtentCase{"OnePoint", degrees({{45, 45}}), GlobeRectangle{45, 45, 45, 45}, 0, {45, 45}},
        ExtentCase{"NoPositions", {}, std::nullopt, 0, {}},
        ExtentCase{"NotFinite", {Cartographic(0.1, 0.1), Cartographic(kNaN, 0.2)}, std::nullopt, 0, {}}),
    [](const ::testing::TestParamInfo<ExtentCase>& info) { return info.param.name; });

struct ContainsCase {
  std::string name;
  double lonDegrees;
  double latDegrees;
  bool inside;
};

class GlobeRectangleContainsTest : public ::testing::TestWithParam<ContainsCase> {};

TEST_P(GlobeRectangleContainsTest, ARectangleAcrossTheAntimeridianHoldsBothSides) {
  const GlobeRectangle across = GlobeRectangle::fromDegrees(170.0, -10.0, -170.0, 10.0);
  const ContainsCase& c = GetParam();
  EXPECT_EQ(across.contains(Cartographic::fromDegrees(c.lonDegrees, c.latDegrees)), c.inside);
}

INSTANTIATE_TEST_SUITE_P(
    Points, GlobeRectangleContainsTest,
    ::testing::Values(ContainsCase{"WestSide", 175, 0, true}, ContainsCase{"EastSide", -175, 0, true},
                      ContainsCase{"Antimeridian", 180, 5, true},
                      ContainsCase{"AntimeridianFromTheWest", -180, 5, true}, ContainsCase{"WestEdge", 170, 10, true},
                      ContainsCase{"PrimeMeridian", 0, 0, false}, ContainsCase{"JustWest", 165, 0, false},
                      ContainsCase{"JustEast", -165, 0, false}, ContainsCase{"North", 180, 11, false}),
    [](const ::testing::TestParamInfo<ContainsCase>& info) { return info.param.name; });

TEST(GlobeRectangle, TheWholeGlobeIsATurnWideAndAMeridianHasNoWidth) {
  EXPECT_EQ(GlobeRectangle::MAX_VALUE.computeWidth(), Math::TWO_PI);
  EXPECT_EQ(GlobeRectangle::MAX_VALUE.computeHeight(), Math::PI);
  EXPECT_EQ(GlobeRectangle(0.5, -0.1, 0.5, 0.1).computeWidth(), 0.0);
}

}  // namespace
}  // namespace qel
