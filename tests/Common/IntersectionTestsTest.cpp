// Ray crossings with the globe's ellipsoid and with spheres: the navigation decides from
// them whether the eye sees the ground in front of it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <variant>

#include "Common/IntersectionTests.h"

namespace qel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const double kA = Ellipsoid::WGS84.getRadii().x;
const double kB = Ellipsoid::WGS84.getRadii().z;
const Ellipsoid kEarth = Ellipsoid::WGS84;
const BoundingSphere kSphere{{1000.0, -2000.0, 500.0}, 100.0};
// A ray passing a millimetre below the north pole cuts a chord with this half length
// (sagitta of a circle with the polar curvature radius).
constexpr double kGraze = 1e-3;
const double kHalfChord = std::sqrt(2.0 * (kA * kA / kB) * kGraze);

struct RayCase {
  const char* name;
  std::variant<Ellipsoid, BoundingSphere> shape;
  Ray ray;
  std::optional<Interval> expected;
};

class RayCrossing : public ::testing::TestWithParam<RayCase> {};

TEST_P(RayCrossing, IsWhereTheRayEntersAndLeaves) {
  const RayCase& c = GetParam();
  const std::optional<Interval> actual =
      std::visit([&c](const auto& shape) { return IntersectionTests::intersects(c.ray, shape); }, c.shape);
  ASSERT_EQ(actual.has_value(), c.expected.has_value());
  if (!c.expected) return;
  const double tolerance = 1e-9 * std::max(1.0, std::abs(c.expected->stop));
  EXPECT_NEAR(actual->start, c.expected->start, tolerance);
  EXPECT_NEAR(actual->stop, c.expected->stop, tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    IntersectionTests, RayCrossing,
    ::testing::Values(RayCase{"FromOutsideAlongX", kEarth, {{2 * kA, 0, 0}, {-1, 0, 0}}, Interval{kA, 3 * kA}},
                      RayCase{"FromOutsideOverThePole", kEarth, {{0, 0, 2 * kB}, {0, 0, -1}}, Interval{kB, 3 * kB}},
                      RayCase{"LongDirectionScalesT", kEarth, {{2 * kA, 0, 0}, {-2, 0, 0}}, Interval{kA / 2, 1.5 * kA}},
                      RayCase{"FromInsideStartIsNegative", kEarth, {{0, 0, 0}, {0, 1, 0}}, Interval{-kA, kA}},
                      RayCase{"OnTheSurfaceLookingIn", kEarth, {{kA, 0, 0}, {-1, 0, 0}}, Interval{0, 2 * kA}},
                      RayCase{"GrazingBelowThePole",
                              kEarth,
                              {{-2 * kA, 0, kB - kGraze}, {1, 0, 0}},
                              Interval{2 * kA - kHalfChord, 2 * kA + kHalfChord}},
                      RayCase{"GrazingAboveThePole", kEarth, {{-2 * kA, 0, kB + kGraze}, {1, 0, 0}}, std::nullopt},
                      RayCase{"MissesTheEarth", kEarth, {{2 * kA, 0, 0}, {0, 1, 0}}, std::nullopt},
                      RayCase{"EarthBehindTheEye", kEarth, {{2 * kA, 0, 0}, {1, 0, 0}}, std::nullopt},
                      RayCase{"NaNOrigin", kEarth, {{kNaN, 0, 0}, {-1, 0, 0}}, std::nullopt},
                      RayCase{"InfiniteDirection", kEarth, {{2 * kA, 0, 0}, {-kInf, 0, 0}}, std::nullopt},
                      RayCase{"ZeroDirection", kEarth, {{2 * kA, 0, 0}, {0, 0, 0}}, std::nullopt},
                      RayCase{"NaNEllipsoid", Ellipsoid(kNaN, 1, 1), {{10, 0, 0}, {-1, 0, 0}}, std::nullopt},
                      RayCase{"SphereFromOutside", kSphere, {{1000, -2000, 1000}, {0, 0, -1}}, Interval{400, 600}},
                      RayCase{"SphereFromInside", kSphere, {{1000, -2000, 500}, {1, 0, 0}}, Interval{-100, 100}},
                      RayCase{"SphereTangent", kSphere, {{800, -1900, 500}, {1, 0, 0}}, Interval{200, 200}},
                      RayCase{"SphereMiss", kSphere, {{800, -1899, 500}, {1, 0, 0}}, std::nullopt},
                      RayCase{"SphereBehind", kSphere, {{1000, -2000, 1000}, {0, 0, 1}}, std::nullopt},
                      RayCase{"SphereNaNDirection", kSphere, {{1000, -2000, 1000}, {0, kNaN, -1}}, std::nullopt},
                      RayCase{"NegativeRadius", BoundingSphere{{0, 0, 0}, -1}, {{10, 0, 0}, {-1, 0, 0}}, std::nullopt},
                      RayCase{
                          "InfiniteRadius", BoundingSphere{{0, 0, 0}, kInf}, {{10, 0, 0}, {-1, 0, 0}}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qel
