#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace qel {

/// Numeric constants and small scalar helpers shared by every module.
///
/// The EPSILON tolerances are single-precision values widened to double: the
/// navigation code compares against exactly these numbers, so `EPSILON10` is
/// `double(1e-10f)` = 1.000000013351432e-10 and not 1e-10.
struct Math {
  static constexpr double PI = 3.141592653589793238462643383279502884;
  static constexpr double TWO_PI = 2.0 * PI;
  static constexpr double PI_OVER_TWO = PI / 2.0;
  static constexpr double PI_OVER_FOUR = PI / 4.0;
  static constexpr double RADIANS_PER_DEGREE = PI / 180.0;
  static constexpr double DEGREES_PER_RADIAN = 180.0 / PI;
  /// The start of an empty range's maximum and of a search for the largest value.
  static constexpr double NEG_INFINITY = -std::numeric_limits<double>::infinity();
  /// The start of an empty range's minimum and of a search for the smallest value.
  static constexpr double POSITIVE_INFINITY = std::numeric_limits<double>::infinity();

  static constexpr double EPSILON1 = static_cast<double>(1e-1f);
  static constexpr double EPSILON2 = static_cast<double>(1e-2f);
  static constexpr double EPSILON3 = static_cast<double>(1e-3f);
  static constexpr double EPSILON4 = static_cast<double>(1e-4f);
  static constexpr double EPSILON5 = static_cast<double>(1e-5f);
  static constexpr double EPSILON6 = static_cast<double>(1e-6f);
  static constexpr double EPSILON7 = static_cast<double>(1e-7f);
  static constexpr double EPSILON8 = static_cast<double>(1e-8f);
  static constexpr double EPSILON9 = static_cast<double>(1e-9f);
  static constexpr double EPSILON10 = static_cast<double>(1e-10f);
  static constexpr double EPSILON11 = static_cast<double>(1e-11f);
  static constexpr double EPSILON12 = static_cast<double>(1e-12f);
  static constexpr double EPSILON13 = static_cast<double>(1e-13f);
  static constexpr double EPSILON14 = static_cast<double>(1e-14f);
  static constexpr double EPSILON15 = static_cast<double>(1e-15f);
  static constexpr double EPSILON20 = static_cast<double>(1e-20f);

  /// True when |a - b| <= absolute, or |a - b| <= relative * max(|a|, |b|).
  /// `absolute` defaults to `relative`. NaN is never equal to anything.
  static bool equalsEpsilon(double a, double b, double relative, double absolute) noexcept {
    const double diff = std::abs(a - b);
    return diff <= absolute || diff <= relative * std::max(std::abs(a), std::abs(b));
  }
  static bool equalsEpsilon(double a, double b, double relative) noexcept {
    return equalsEpsilon(a, b, relative, relative);
  }

  static constexpr double clamp(double v, double lo, double hi) noexcept { return v < lo ? lo : (v > hi ? hi : v); }
  static constexpr double toRadians(double degrees) noexcept { return degrees * RADIANS_PER_DEGREE; }
  static constexpr double toDegrees(double radians) noexcept { return radians * DEGREES_PER_RADIAN; }
  static constexpr double sign(double v) noexcept { return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0); }

  /// asin of `value` clamped to [−1, 1] first, so that a sine a rounding step beyond ±1
  /// (a dot product of unit vectors, a quaternion's 2(wy − zx)) gives ±π/2 instead of
  /// NaN. Radians in [−π/2, π/2]; NaN stays NaN.
  static double asinClamped(double value) noexcept {
    if (std::isnan(value)) return value;
    return std::asin(clamp(value, -1.0, 1.0));
  }

  /// Brings an angle (radians) into [0, 2π).
  static double zeroToTwoPi(double angle) noexcept {
    double m = std::fmod(angle, TWO_PI);
    if (m < 0.0) m += TWO_PI;
    return m >= TWO_PI ? 0.0 : m;
  }

  /// Brings an angle (radians) into (−π, π]: fmod by 2π, minus 2π above π, plus 2π
  /// below −π or at −π within EPSILON15 (so −π itself becomes π).
  static double negativePiToPi(double angle) noexcept {
    double a = std::fmod(angle, TWO_PI);
    if (a > PI) a -= TWO_PI;
    if (a < -PI || equalsEpsilon(a, -PI, EPSILON15)) a += TWO_PI;
    return a;
  }
};

}  // namespace qel
