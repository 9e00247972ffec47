// Models and tilesets are turned by Euler angles and scaled per axis, and the editor reads
// the angles and factors back out of their matrices. An order or sign slip here turns a
// model the wrong way or reports a rotation the user never made.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Common/Cartographic.h"
#include "Common/Matrix4.h"
#include "Common/Quaternion.h"

namespace qel {
namespace {

constexpr double kTight = 1e-12;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Vector3<Radian> angles(double x, double y, double z) { return {Radian(x), Radian(y), Radian(z)}; }

// The same turn composed from axis-angle quaternions: x first, then y, then z.
Quaternion composedXYZ(const Vector3<Radian>& a) {
  const Quaternion qx = Quaternion::fromAxisAngle(Vector3<double>::unitX(), a.x);
  const Quaternion qy = Quaternion::fromAxisAngle(Vector3<double>::unitY(), a.y);
  const Quaternion qz = Quaternion::fromAxisAngle(Vector3<double>::unitZ(), a.z);
  return qz * (qy * qx);
}

void expectSameMatrix(const Matrix3& a, const Matrix3& b, double tolerance) {
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(a(r, c), b(r, c), tolerance) << "row " << r << " col " << c;
  }
}

class EulerAngles : public ::testing::TestWithParam<Vector3<double>> {};

TEST_P(EulerAngles, TurnXThenYThenZAndReadBackTheSameAngles) {
  const Vector3<double> v = GetParam();
  const Vector3<Radian> a = angles(v.x, v.y, v.z);
  const Matrix3 m = Matrix3::fromEulerAnglesXYZ(a);
  const Quaternion q = composedXYZ(a);
  for (const Vector3<double>& probe : {Vector3<double>::unitX(), Vector3<double>::unitY(), Vector3<double>{1, -2, 3}}) {
    EXPECT_LE(Vector3<double>::distance(m * probe, q * probe), kTight);
  }
  const Vector3<Radian> back = m.toEulerAnglesXYZ();
  EXPECT_NEAR(back.x.value(), v.x, kTight);
  EXPECT_NEAR(back.y.value(), v.y, kTight);
  EXPECT_NEAR(back.z.value(), v.z, kTight);
  // A uniformly scaled model still reports the angles it was turned by.
  const Vector3<Radian> scaled = (m * Matrix3::fromScale({2.5, 2.5, 2.5})).toEulerAnglesXYZ();
  EXPECT_NEAR(scaled.x.value(), v.x, kTight);
  EXPECT_NEAR(scaled.y.value(), v.y, kTight);
  EXPECT_NEAR(scaled.z.value(), v.z, kTight);
}

INSTANTIATE_TEST_SUITE_P(AwayFromGimbalLock, EulerAngles,
                         ::testing::Values(Vector3<double>{0.0, 0.0, 0.0}, Vector3<double>{0.3, 0.0, 0.0},
                                           Vector3<double>{0.0, -0.4, 0.0}, Vector3<double>{0.0, 0.0, 2.9},
                                           Vector3<double>{0.1, 0.2, 0.3}, Vector3<double>{-2.5, 1.2, -0.7},
                                           Vector3<double>{3.0, -1.5, 3.1}));

TEST(EulerAngles, AQuarterTurnAboutXThenYCarriesYOntoX) {
  // y → (x, π/2) → z → (y, π/2) → x; the other order would leave y on z.
  const Matrix3 m = Matrix3::fromEulerAnglesXYZ(angles(Math::PI_OVER_TWO, Math::PI_OVER_TWO, 0.0));
  EXPECT_LE(Vector3<double>::distance(m * Vector3<double>::unitY(), Vector3<double>::unitX()), kTight);
}

TEST(EulerAngles, AtGimbalLockTheReadBackRebuildsTheSameTurn) {
  for (const double y : {Math::PI_OVER_TWO, -Math::PI_OVER_TWO}) {
    const Matrix3 m = Matrix3::fromEulerAnglesXYZ(angles(0.4, y, -0.9));
    const Vector3<Radian> back = m.toEulerAnglesXYZ();
    EXPECT_EQ(back.z.value(), 0.0);
    EXPECT_NEAR(back.y.value(), y, 1e-7);
    expectSameMatrix(Matrix3::fromEulerAnglesXYZ(back), m, 1e-12);
  }
}

struct TrsCase {
  Vector3<double> translation;
  Quaternion rotation;
  Vector3<double> scale;
};

class TranslationRotationScale : public ::testing::TestWithParam<TrsCase> {};

TEST_P(TranslationRotationScale, ScalesThenTurnsThenMovesAndReportsItsScale) {
  const TrsCase c = GetParam();
  const Matrix4 m = Matrix4::fromTranslationQuaternionRotationScale(c.translation, c.rotation, c.scale);
  const Quaternion unit = c.rotation.normalized();
  const Vector3<double> p{2.0, -3.0, 5.0};
  const Vector3<double> expected =
      c.translation + unit * Vector3<double>{p.x * c.scale.x, p.y * c.scale.y, p.z * c.scale.z};
  EXPECT_LE(Vector3<double>::distance(m.multiplyByPoint(p), expected), 1e-9);
  const Vector3<double> s = m.getScale();
  EXPECT_NEAR(s.x, std::abs(c.scale.x), kTight);
  EXPECT_NEAR(s.y, std::abs(c.scale.y), kTight);
  EXPECT_NEAR(s.z, std::abs(c.scale.z), kTight);
  EXPECT_EQ(m.getTranslation(), c.translation);
  // The upper-left block keeps the scale: its columns are the scaled, turned axes.
  EXPECT_LE(Vector3<double>::distance(m.getMatrix3().getColumn(1), unit * Vector3<double>{0.0, c.scale.y, 0.0}),
            kTight);
}

INSTANTIATE_TEST_SUITE_P(
    Transforms, TranslationRotationScale,
    ::testing::Values(TrsCase{{0, 0, 0}, Quaternion::identity(), {1, 1, 1}},
                      TrsCase{{10, -20, 30}, Quaternion::identity(), {2, 3, 4}},
                      TrsCase{{6378137.0, 1.0, -2.0}, Quaternion::fromAxisAngle({0, 0, 1}, Radian(0.7)), {1, 1, 1}},
                      TrsCase{{-1, 2, -3}, Quaternion::fromAxisAngle({1, 2, 3}, Radian(-2.2)), {0.001, 5, 0.5}},
                      // Not of unit length: the same turn as the unit quaternion.
                      TrsCase{{0, 0, 0}, {0.0, 0.0, 2.0, 2.0}, {3, 3, 3}},
                      // A mirrored axis still reports a positive length.
                      TrsCase{{0, 0, 0}, Quaternion::identity(), {-2, 1, 1}}));

struct CartographicCase {
  Cartographic other;
  double epsilon;
  bool equal;
};

class CartographicEquals : public ::testing::TestWithParam<CartographicCase> {};

TEST_P(CartographicEquals, EachComponentWithinEpsilon) {
  const Cartographic base{0.5, -0.25, 100.0};
  const CartographicCase c = GetParam();
  EXPECT_EQ(base.equalsEpsilon(c.other, c.epsilon), c.equal);
  EXPECT_EQ(c.other.equalsEpsilon(base, c.epsilon), c.equal);
}

INSTANTIATE_TEST_SUITE_P(Components, CartographicEquals,
                         ::testing::Values(CartographicCase{{0.5, -0.25, 100.0}, 0.0, true},
                                           CartographicCase{{0.5, -0.25, std::nextafter(100.0, 200.0)}, 0.0, false},
                                           CartographicCase{{0.5 + 1e-12, -0.25, 100.0}, 0.0, false},
                                           CartographicCase{{0.5 + 1e-12, -0.25, 100.0}, 1e-11, true},
                                           CartographicCase{{0.5, -0.25 - 2e-11, 100.0}, 1e-11, false},
                                           CartographicCase{{0.5, -0.25, 100.5}, 0.5, true},
                                           CartographicCase{{0.5, -0.25, 100.6}, 0.5, false},
                                           CartographicCase{{kNaN, -0.25, 100.0}, 1.0, false}));

}  // namespace
}  // namespace qel
