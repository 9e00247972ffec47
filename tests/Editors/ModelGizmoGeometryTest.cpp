// The gizmo's drag geometry in its own coordinates: which ring point a pointer ray
// finds, which way a turn along the ring goes, where a ray crosses an arrow's axis.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "Common/Math.h"
#include "Manipulator/ModelGizmo.h"

namespace qel::test {
namespace {

constexpr double kRadius = 30.0;
// How far from the centre the middle of a ring chord lies (the ring has 100 chords).
const double kChordMiddle = kRadius * std::cos(Math::PI / 100.0);

// A ray straight down through the ring-plane point `target`, or slanted from `from`.
Ray rayThrough(const Vector3<double>& target, std::optional<Vector3<double>> from = std::nullopt) {
  const Vector3<double> origin = from.value_or(target + Vector3<double>{0.0, 0.0, 100.0});
  return {origin, (target - origin).normalized()};
}

struct RingCase {
  const char* name;
  bool slanted;
  double targetAngle;   // where the ray crosses the ring plane, radians from +x
  double targetRadius;  // and how far from the centre
  double expectedAngle;
  double expectedRadius;  // 0: the exact ring vertex or chord point is not checked
};

const RingCase kRingCases[] = {
    // On a vertex the point is the vertex itself.
    {"OnAVertexFromTheSide", true, 9 * Math::TWO_PI / 100.0, kRadius, 9 * Math::TWO_PI / 100.0, kRadius},
    // Inside and outside the ring, on the bearing of a chord's middle, the nearest ring
    // point is that middle.
    {"InsideMidChord", false, 30.5 * Math::TWO_PI / 100.0, 0.5 * kRadius, 30.5 * Math::TWO_PI / 100.0, kChordMiddle},
    {"OutsideMidChord", false, -22.5 * Math::TWO_PI / 100.0, 2.0 * kRadius, -22.5 * Math::TWO_PI / 100.0, kChordMiddle},
    {"OutsideTheFirstChord", false, 0.5 * Math::TWO_PI / 100.0, 1.5 * kRadius, 0.5 * Math::TWO_PI / 100.0,
     kChordMiddle},
    // Across the seam where the last segment closes the ring.
    {"JustBeforeTheSeam", false, -0.01, kRadius, -0.01, 0.0},
};

class RingClosestPoint : public ::testing::TestWithParam<RingCase> {};

TEST_P(RingClosestPoint, LiesOnTheRingWhereThePointerRayCrossesIt) {
  const RingCase& c = GetParam();
  const std::vector<Vector3<double>> ring = ModelGizmo::ringPointsFor(kRadius);
  const Vector3<double> target{c.targetRadius * std::cos(c.targetAngle), c.targetRadius * std::sin(c.targetAngle), 0.0};
  const std::optional<Vector3<double>> found = ModelGizmo::closestPointOnRing(
      rayThrough(target, c.slanted ? std::optional<Vector3<double>>({5.0, -80.0, 60.0}) : std::nullopt), ring);
  ASSERT_TRUE(found);
  EXPECT_NEAR(std::remainder(std::atan2(found->y, found->x) - c.expectedAngle, Math::TWO_PI), 0.0, 2e-3);
  // Always within the ring's chords: never farther out than the circle, never farther in
  // than the middle of a chord.
  const double r = std::hypot(found->x, found->y);
  EXPECT_LE(r, kRadius + 1e-9);
  EXPECT_GE(r, kRadius * std::cos(Math::PI / 100.0) - 1e-9);
  if (c.expectedRadius > 0.0) {
    EXPECT_NEAR(r, c.expectedRadius, 1e-9);
  }
  EXPECT_NEAR(found->z, 0.0, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Rays, RingClosestPoint, ::testing::ValuesIn(kRingCases),
                         [](const ::testing::TestParamInfo<RingCase>& info) { return info.param.name; });

TEST(RingClosestPoint, ARayAlongTheRingPlaneFindsTheSideFacingIt) {
  // Level with the ring, from far out on −x toward +x: the line crosses two chords, and
  // the point found is one of those crossings, on the ring.
  const std::vector<Vector3<double>> ring = ModelGizmo::ringPointsFor(kRadius);
  const Ray level{{-500.0, 3.0, 0.0}, {1.0, 0.0, 0.0}};
  const std::optional<Vector3<double>> found = ModelGizmo::closestPointOnRing(level, ring);
  ASSERT_TRUE(found);
  EXPECT_NEAR(std::abs(found->y), 3.0, 1e-9);
  EXPECT_NEAR(std::hypot(found->x, found->y), kRadius, 0.05);
}

TEST(RingClosestPoint, NothingForAnUnusableRayOrRing) {
  const std::vector<Vector3<double>> ring = ModelGizmo::ringPointsFor(kRadius);
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(ModelGizmo::closestPointOnRing({{0.0, 0.0, kNaN}, {0.0, 0.0, -1.0}}, ring));
  EXPECT_FALSE(ModelGizmo::closestPointOnRing(rayThrough({kRadius, 0.0, 0.0}), {}));
  // A ring of radius 0 is one point repeated: no segment has a direction.
  EXPECT_FALSE(ModelGizmo::closestPointOnRing(rayThrough({0.0, 0.0, 0.0}), ModelGizmo::ringPointsFor(0.0)));
}

struct TurnCase {
  const char* name;
  double from;  // bearings (radians from +x, counter-clockwise seen from +z)
  double to;
  double expected;
};

const TurnCase kTurnCases[] = {
    // Counter-clockwise seen from above is a negative turn, clockwise a positive one.
    {"QuarterCounterClockwise", 0.0, Math::PI / 2.0, -Math::PI / 2.0},
    {"QuarterClockwise", Math::PI / 2.0, 0.0, Math::PI / 2.0},
    {"AcrossTheSeamCounterClockwise", -0.2, 0.3, -0.5},
    {"NoMove", 1.0, 1.0, 0.0},
    {"ThreeQuartersClockwise", Math::PI / 2.0, -Math::PI / 4.0 - 0.5, 3.0 * Math::PI / 4.0 + 0.5},
};

class RingTurn : public ::testing::TestWithParam<TurnCase> {};

TEST_P(RingTurn, IsTheAngleBetweenTheTwoRingPointsSignedAgainstTheMovement) {
  const TurnCase& c = GetParam();
  const Vector3<double> a{kRadius * std::cos(c.from), kRadius * std::sin(c.from), 0.0};
  // A second point at another distance from the centre turns the same.
  const Vector3<double> b{0.5 * kRadius * std::cos(c.to), 0.5 * kRadius * std::sin(c.to), 0.0};
  const std::optional<double> turn = ModelGizmo::ringTurn(a, b);
  ASSERT_TRUE(turn);
  EXPECT_NEAR(*turn, c.expected, 1e-7);
}

INSTANTIATE_TEST_SUITE_P(Moves, RingTurn, ::testing::ValuesIn(kTurnCases),
                         [](const ::testing::TestParamInfo<TurnCase>& info) { return info.param.name; });

TEST(RingTurn, NoneFromTheCentre) {
  EXPECT_FALSE(ModelGizmo::ringTurn({}, {1.0, 0.0, 0.0}));
  EXPECT_FALSE(ModelGizmo::ringTurn({1.0, 0.0, 0.0}, {}));
}

struct AxisCase {
  const char* name;
  Controller axis;
  Vector3<double> crossing;  // where the ray passes the axis line
};

const AxisCase kAxisCases[] = {
    {"X", Controller::XAxis, {12.5, 0.0, 0.0}},
    {"Y", Controller::YAxis, {0.0, -4.0, 0.0}},
    {"Z", Controller::ZAxis, {0.0, 0.0, 40.0}},
};

class AxisClosestPoint : public ::testing::TestWithParam<AxisCase> {};

TEST_P(AxisClosestPoint, IsOnTheAxisWhereTheRayPassesIt) {
  const AxisCase& c = GetParam();
  Vector3<double> unit;
  (c.axis == Controller::XAxis ? unit.x : c.axis == Controller::YAxis ? unit.y : unit.z) = 1.0;
  // A ray passing 2√2 m beside the crossing, square to the axis and to that offset.
  const Vector3<double> beside = Vector3<double>{2.0, 2.0, 2.0} - unit * 2.0;
  const Vector3<double> direction = unit.cross(beside).normalized();
  const Ray ray{c.crossing + beside - direction * 50.0, direction};
  const std::optional<Vector3<double>> found = ModelGizmo::closestPointOnAxis(ray, c.axis);
  ASSERT_TRUE(found);
  EXPECT_NEAR(Vector3<double>::distance(*found, c.crossing), 0.0, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Axes, AxisClosestPoint, ::testing::ValuesIn(kAxisCases),
                         [](const ::testing::TestParamInfo<AxisCase>& info) { return info.param.name; });

TEST(AxisClosestPoint, NoneForARayAlongTheAxis) {
  EXPECT_FALSE(ModelGizmo::closestPointOnAxis({{0.0, 0.0, 100.0}, {0.0, 0.0, -1.0}}, Controller::ZAxis));
}

}  // namespace
}  // namespace qel::test
