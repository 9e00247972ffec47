// The rotation algebra every camera operation builds on: a sign or storage-order slip
// here turns the whole view the wrong way.
#include <gtest/gtest.h>

#include <cmath>

#include "Common/Math.h"
#include "Common/Matrix3.h"
#include "Common/Matrix4.h"
#include "Common/Quaternion.h"

namespace qel {
namespace {

constexpr double kTight = 1e-14;

void expectNear(const Vector3<double>& actual, const Vector3<double>& expected, double tolerance = kTight) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// q and −q are the same rotation.
void expectSameRotation(const Quaternion& a, const Quaternion& b, double tolerance = kTight) {
  EXPECT_NEAR(std::abs(a.normalized().dot(b.normalized())), 1.0, tolerance);
}

TEST(MathTypes, EpsilonsAreSinglePrecisionValues) {
  // The navigation code compares against these exact numbers.
  static_assert(Math::EPSILON10 == 1.000000013351432e-10);
  EXPECT_EQ(Math::EPSILON10, 1.000000013351432e-10);
  EXPECT_EQ(Math::EPSILON15, static_cast<double>(1e-15f));
}

struct AngleCase {
  double input;
  double expected;
};
class NegativePiToPi : public ::testing::TestWithParam<AngleCase> {};

TEST_P(NegativePiToPi, LandsInHalfOpenRange) {
  const double out = Math::negativePiToPi(GetParam().input);
  EXPECT_NEAR(out, GetParam().expected, 1e-15);
  EXPECT_GT(out, -Math::PI);
  EXPECT_LE(out, Math::PI);
}

INSTANTIATE_TEST_SUITE_P(MathTypes, NegativePiToPi,
                         ::testing::Values(AngleCase{0.0, 0.0}, AngleCase{Math::PI, Math::PI},
                                           AngleCase{-Math::PI, Math::PI},  // the open end maps to the closed one
                                           AngleCase{3.0 * Math::PI, Math::PI}, AngleCase{-3.0 * Math::PI, Math::PI},
                                           AngleCase{Math::PI + 0.25, -Math::PI + 0.25},
                                           AngleCase{-Math::PI - 0.25, Math::PI - 0.25},
                                           AngleCase{5.0 * Math::TWO_PI + 1.0, 1.0}, AngleCase{-1.0, -1.0}));

TEST(MathTypes, FromAxisAngleTurnsRightHanded) {
  const Quaternion quarterAboutZ = Quaternion::fromAxisAngle({0.0, 0.0, 2.0}, Radian(Math::PI_OVER_TWO));
  expectNear(quarterAboutZ * Vector3<double>::unitX(), Vector3<double>::unitY());
  expectNear(quarterAboutZ * Vector3<double>::unitZ(), Vector3<double>::unitZ());
  const Quaternion aboutX = Quaternion::fromAxisAngle(Vector3<double>::unitX(), Radian(Degree(90.0)));
  expectNear(aboutX * Vector3<double>::unitY(), Vector3<double>::unitZ());
  // Storage order is x, y, z, w.
  EXPECT_NEAR(quarterAboutZ.z, std::sqrt(0.5), kTight);
  EXPECT_NEAR(quarterAboutZ.w, std::sqrt(0.5), kTight);
}

TEST(MathTypes, ProductAppliesRightOperandFirst) {
  const Quaternion aboutZ = Quaternion::fromAxisAngle(Vector3<double>::unitZ(), Radian(Math::PI_OVER_TWO));
  const Quaternion aboutX = Quaternion::fromAxisAngle(Vector3<double>::unitX(), Radian(Math::PI_OVER_TWO));
  // x → (about Z) y → (about X) z
  expectNear((aboutX * aboutZ) * Vector3<double>::unitX(), Vector3<double>::unitZ());
}

TEST(MathTypes, FromAxesRoundTripsThroughTheMatrix) {
  // The initial camera: right = +Y, up = +Z, back = +X, i.e. (0.5, 0.5, 0.5, 0.5).
  const Quaternion q = Quaternion::fromAxes(Vector3<double>::unitY(), Vector3<double>::unitZ(), Vector3<double>::unitX());
  expectSameRotation(q, {0.5, 0.5, 0.5, 0.5});
  expectNear(q * Vector3<double>(0.0, 0.0, -1.0), {-1.0, 0.0, 0.0});

  const Quaternion general = Quaternion::fromAxisAngle({1.0, -2.0, 0.5}, Radian(2.7));
  const Matrix3 m = general.toRotationMatrix();
  expectSameRotation(Quaternion::fromAxes(m.getColumn(0), m.getColumn(1), m.getColumn(2)), general);
  for (const auto& v : {Vector3<double>(1.0, 2.0, 3.0), Vector3<double>(-4.0, 0.5, 0.0)}) {
    expectNear(m * v, general * v, 1e-13);
  }
}

TEST(MathTypes, InverseUndoesTheRotation) {
  const Quaternion q = Quaternion::fromAxisAngle({0.3, 0.4, -0.8}, Radian(-1.1));
  const Vector3<double> v(7.0, -3.0, 2.0);
  expectNear(q.inverse() * (q * v), v, 1e-13);
  expectSameRotation(q * q.inverse(), Quaternion::identity());
  // A non-unit quaternion: the inverse still composes to the identity.
  const Quaternion scaled{q.x * 3.0, q.y * 3.0, q.z * 3.0, q.w * 3.0};
  const Quaternion product = scaled * scaled.inverse();
  EXPECT_NEAR(product.w, 1.0, kTight);
  EXPECT_NEAR(product.x, 0.0, kTight);
}

TEST(MathTypes, SlerpHitsBothEndsAndTakesTheShortArc) {
  const Quaternion a = Quaternion::fromAxisAngle(Vector3<double>::unitZ(), Radian(0.2));
  const Quaternion b = Quaternion::fromAxisAngle(Vector3<double>::unitZ(), Radian(1.4));
  expectSameRotation(Quaternion::slerp(a, b, 0.0), a);
  expectSameRotation(Quaternion::slerp(a, b, 1.0), b);
  expectSameRotation(Quaternion::slerp(a, b, 0.5), Quaternion::fromAxisAngle(Vector3<double>::unitZ(), Radian(0.8)));
  // −b is the same rotation as b: the halfway point must not swing the long way round.
  expectSameRotation(Quaternion::slerp(a, -b, 0.5), Quaternion::fromAxisAngle(Vector3<double>::unitZ(), Radian(0.8)));
}

TEST(MathTypes, Matrix4SeparatesPointsFromDirections) {
  const Matrix3 r = Quaternion::fromAxisAngle(Vector3<double>::unitZ(), Radian(Math::PI_OVER_TWO)).toRotationMatrix();
  const Matrix4 m = Matrix4::fromRotationTranslation(r, {10.0, 0.0, 0.0});
  expectNear(m.multiplyByPoint(Vector3<double>::unitX()), {10.0, 1.0, 0.0});
  expectNear(m.multiplyByPointAsVector(Vector3<double>::unitX()), {0.0, 1.0, 0.0});
  expectNear(m.inverse().multiplyByPoint({10.0, 1.0, 0.0}), Vector3<double>::unitX(), 1e-13);
}

}  // namespace
}  // namespace qel
