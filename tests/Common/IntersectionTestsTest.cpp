// Ray crossings with the globe's ellipsoid and with spheres: the navigation decides from
// them whether the eye sees the ground in front of it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <string>

#include "Common/IntersectionTests.h"

namespace qel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const double kA = Ellipsoid::WGS84.getRadii().x;
const double kB = Ellipsoid::WGS84.getRadii().z;

struct RayCase {
  const char* name;
  Ray ray;
  std::optional<Interval> expected;
};

void expectInterval(const std::optional<Interval>& actual, const std::optional<Interval>& expected) {
  ASSERT_EQ(actual.has_value(), expected.has_value());
  if (!expected) return;
  const double tolerance = 1e-9 * std::max(1.0, std::abs(expected->stop));
  EXPECT_NEAR(actual->start, expected->start, tolerance);
  EXPECT_NEAR(actual->stop, expected->stop, tolerance);
  EXPECT_LE(actual->start, actual->stop);
}

class RayEllipsoid : public ::testing::TestWithParam<RayCase> {};
TEST_P(RayEllipsoid, Crossings) {
  expectInterval(IntersectionTests::intersects(GetParam().ray, Ellipsoid::WGS84), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    IntersectionTests, RayEllipsoid,
    ::testing::Values(
        RayCase{"FromOutsideAlongX", {{2 * kA, 0, 0}, {-1, 0, 0}}, Interval{kA, 3 * kA}},
        RayCase{"FromOutsideOverThePole", {{0, 0, 2 * kB}, {0, 0, -1}}, Interval{kB, 3 * kB}},
        RayCase{"LongDirectionScalesT", {{2 * kA, 0, 0}, {-2, 0, 0}}, Interval{kA / 2, 1.5 * kA}},
        RayCase{"FromInsideStartIsNegative", {{0, 0, 0}, {0, 1, 0}}, Interval{-kA, kA}},
        RayCase{"FromJustBelowTheSurface", {{0, 0, kB - 1}, {0, 0, 1}}, Interval{-(2 * kB - 1), 1}},
        RayCase{"OnTheSurfaceLookingIn", {{kA, 0, 0}, {-1, 0, 0}}, Interval{0, 2 * kA}},
        RayCase{"Miss", {{2 * kA, 0, 0}, {0, 1, 0}}, std::nullopt},
        RayCase{"BehindTheEye", {{2 * kA, 0, 0}, {1, 0, 0}}, std::nullopt},
        RayCase{"NaNOrigin", {{kNaN, 0, 0}, {-1, 0, 0}}, std::nullopt},
        RayCase{"InfiniteDirection", {{2 * kA, 0, 0}, {-kInf, 0, 0}}, std::nullopt},
        RayCase{"ZeroDirection", {{2 * kA, 0, 0}, {0, 0, 0}}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

const BoundingSphere kSphere{{1000.0, -2000.0, 500.0}, 100.0};

class RaySphere : public ::testing::TestWithParam<RayCase> {};
TEST_P(RaySphere, Crossings) {
  expectInterval(IntersectionTests::intersects(GetParam().ray, kSphere), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    IntersectionTests, RaySphere,
    ::testing::Values(RayCase{"FromOutside", {{1000, -2000, 1000}, {0, 0, -1}}, Interval{400, 600}},
                      RayCase{"FromInside", {{1000, -2000, 500}, {1, 0, 0}}, Interval{-100, 100}},
                      // Passes exactly one radius from the centre: touches once.
                      RayCase{"Tangent", {{800, -1900, 500}, {1, 0, 0}}, Interval{200, 200}},
                      RayCase{"Miss", {{800, -1899, 500}, {1, 0, 0}}, std::nullopt},
                      RayCase{"Behind", {{1000, -2000, 1000}, {0, 0, 1}}, std::nullopt},
                      RayCase{"NaNDirection", {{1000, -2000, 1000}, {0, kNaN, -1}}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// A ray grazing the north pole: a millimetre above it misses, a millimetre below it cuts
// a short chord around the pole (sagitta of a circle with the polar curvature radius).
TEST(IntersectionTests, GrazingThePole) {
  const Vector3<double> direction(1.0, 0.0, 0.0);
  EXPECT_FALSE(IntersectionTests::intersects(Ray{{-2 * kA, 0.0, kB + 1e-3}, direction}, Ellipsoid::WGS84));
  const std::optional<Interval> hit = IntersectionTests::intersects(Ray{{-2 * kA, 0.0, kB - 1e-3}, direction}, Ellipsoid::WGS84);
  ASSERT_TRUE(hit.has_value());
  const double halfChord = std::sqrt(2.0 * (kA * kA / kB) * 1e-3);
  EXPECT_NEAR(hit->start, 2 * kA - halfChord, 0.01);
  EXPECT_NEAR(hit->stop, 2 * kA + halfChord, 0.01);
}

TEST(IntersectionTests, DegenerateShapesAreNeverHit) {
  const Ray ray{{10.0, 0.0, 0.0}, {-1.0, 0.0, 0.0}};
  EXPECT_FALSE(IntersectionTests::intersects(ray, Ellipsoid(0.0, 0.0, 0.0)));
  EXPECT_FALSE(IntersectionTests::intersects(ray, Ellipsoid(kNaN, 1.0, 1.0)));
  EXPECT_FALSE(IntersectionTests::intersects(ray, BoundingSphere{{0.0, 0.0, 0.0}, -1.0}));
  EXPECT_FALSE(IntersectionTests::intersects(ray, BoundingSphere{{kNaN, 0.0, 0.0}, 1.0}));
  EXPECT_FALSE(IntersectionTests::intersects(ray, BoundingSphere{{0.0, 0.0, 0.0}, kInf}));
}

// Random rays from orbit toward the globe: every reported crossing is on the surface, and
// a miss is a line that passes outside (or crosses only behind the origin).
TEST(IntersectionTests, CrossingsLieOnTheSurface) {
  std::mt19937_64 bits(7);
  const auto uniform = [&bits](double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(bits() >> 11) * 0x1.0p-53;
  };
  const Ellipsoid& e = Ellipsoid::WGS84;
  const Vector3<double>& inv = e.getOneOverRadii();
  const auto scaledNorm = [&inv](const Vector3<double>& p) {
    return Vector3<double>(p.x * inv.x, p.y * inv.y, p.z * inv.z).length();
  };
  int hits = 0;
  for (int i = 0; i < 2000; ++i) {
    const Vector3<double> origin(uniform(-3e7, 3e7), uniform(-3e7, 3e7), uniform(-3e7, 3e7));
    const Vector3<double> aim(uniform(-7e6, 7e6), uniform(-7e6, 7e6), uniform(-7e6, 7e6));
    const Ray ray{origin, (aim - origin).normalized()};
    const std::optional<Interval> crossing = IntersectionTests::intersects(ray, e);
    if (!crossing) {
      // Closest approach of the line in the space where the ellipsoid is the unit sphere.
      const Vector3<double> q(origin.x * inv.x, origin.y * inv.y, origin.z * inv.z);
      const Vector3<double> w(ray.direction.x * inv.x, ray.direction.y * inv.y, ray.direction.z * inv.z);
      const double closest = -q.dot(w) / w.dot(w);
      EXPECT_TRUE(closest < 0.0 || (q + w * closest).length() >= 1.0 - 1e-12) << i;
      continue;
    }
    ++hits;
    EXPECT_NEAR(scaledNorm(ray.getPoint(crossing->start)), 1.0, 1e-12);
    EXPECT_NEAR(scaledNorm(ray.getPoint(crossing->stop)), 1.0, 1e-12);
    const Vector3<double> middle = ray.getPoint(0.5 * (crossing->start + crossing->stop));
    EXPECT_LE(scaledNorm(middle), 1.0);
  }
  EXPECT_GT(hits, 200);  // the sample really exercises hits
}

}  // namespace
}  // namespace qel
