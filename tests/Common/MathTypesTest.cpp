// The rotation algebra every camera operation builds on: a sign or storage-order slip
// here turns the whole view the wrong way.
#include <gtest/gtest.h>

#include <cmath>

#include "Common/Math.h"
#include "Common/Quaternion.h"

namespace qel {
namespace {

constexpr double kTight = 1e-14;

void expectNear(const Vector3<double>& actual, const Vector3<double>& expected) {
  EXPECT_LE(Vector3<double>::distance(actual, expected), kTight);
}

TEST(MathTypes, RotationsAreRightHandedAndComposeRightOperandFirst) {
  const Quaternion aboutZ = Quaternion::fromAxisAngle({0.0, 0.0, 2.0}, Radian(Math::PI_OVER_TWO));
  const Quaternion aboutX = Quaternion::fromAxisAngle(Vector3<double>::unitX(), Radian(Degree(90.0)));
  expectNear(aboutZ * Vector3<double>::unitX(), Vector3<double>::unitY());
  // x → (about Z) y → (about X) z
  expectNear((aboutX * aboutZ) * Vector3<double>::unitX(), Vector3<double>::unitZ());
  // Storage order is x, y, z, w.
  EXPECT_NEAR(aboutZ.z, std::sqrt(0.5), kTight);
  EXPECT_NEAR(aboutZ.w, std::sqrt(0.5), kTight);
  // The start camera: right = +Y, up = +Z, back = +X, looking along −X.
  const Quaternion start =
      Quaternion::fromAxes(Vector3<double>::unitY(), Vector3<double>::unitZ(), Vector3<double>::unitX());
  EXPECT_NEAR(std::abs(start.dot({0.5, 0.5, 0.5, 0.5})), 1.0, kTight);
}

TEST(MathTypes, SlerpTakesTheShortArc) {
  const Quaternion a = Quaternion::fromAxisAngle(Vector3<double>::unitZ(), Radian(0.2));
  const Quaternion b = Quaternion::fromAxisAngle(Vector3<double>::unitZ(), Radian(1.4));
  const Quaternion half = Quaternion::fromAxisAngle(Vector3<double>::unitZ(), Radian(0.8));
  // −b is the same rotation as b: the halfway point must not swing the long way round.
  EXPECT_NEAR(std::abs(Quaternion::slerp(a, -b, 0.5).normalized().dot(half)), 1.0, kTight);
}

}  // namespace
}  // namespace qel
