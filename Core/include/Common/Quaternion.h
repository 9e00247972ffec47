#pragma once

#include <cmath>

#include "Common/Angle.h"
#include "Common/Matrix3.h"
#include "Common/Vector3.h"

namespace qel {

/// A rotation quaternion stored x, y, z, w in this order; the identity is (0, 0, 0, 1).
///
/// `q * v` rotates the vector v; `a * b` applies b first, then a. The algebra is done
/// by GLM; this type only fixes the storage order and the system's conventions.
struct Quaternion {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  double w = 1.0;

  constexpr Quaternion() noexcept = default;
  constexpr Quaternion(double x_, double y_, double z_, double w_) noexcept : x(x_), y(y_), z(z_), w(w_) {}

  static constexpr Quaternion identity() noexcept { return {}; }

  /// Rotation by `angle` about `axis` (right-handed). The axis is normalised first; a
  /// zero axis gives (0, 0, 0, cos(angle / 2)), which `normalized()` turns into ±identity.
  static Quaternion fromAxisAngle(const Vector3<double>& axis, const Radian& angle) noexcept;
  /// The rotation whose matrix has the columns right (+X), up (+Y) and back (+Z).
  static Quaternion fromAxes(const Vector3<double>& right, const Vector3<double>& up,
                             const Vector3<double>& back) noexcept;
  static Quaternion fromRotationMatrix(const Matrix3& m) noexcept;
  /// Spherical interpolation along the shorter arc, t in [0, 1].
  static Quaternion slerp(const Quaternion& a, const Quaternion& b, double t) noexcept;

  Matrix3 toRotationMatrix() const noexcept;

  Quaternion operator*(const Quaternion& o) const noexcept;
  Vector3<double> operator*(const Vector3<double>& v) const noexcept;
  constexpr Quaternion operator-() const noexcept { return {-x, -y, -z, -w}; }
  /// Exact, component-by-component equality.
  constexpr bool operator==(const Quaternion&) const noexcept = default;

  constexpr double dot(const Quaternion& o) const noexcept { return x * o.x + y * o.y + z * o.z + w * o.w; }
  constexpr double lengthSquared() const noexcept { return dot(*this); }
  double length() const noexcept { return std::sqrt(lengthSquared()); }
  constexpr Quaternion conjugate() const noexcept { return {-x, -y, -z, w}; }
  /// The inverse rotation (conjugate over the squared length); a zero quaternion stays zero.
  Quaternion inverse() const noexcept;
  /// Unit-length copy; a zero quaternion comes back unchanged.
  Quaternion normalized() const noexcept;
  bool isFinite() const noexcept {
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z) && std::isfinite(w);
  }
};

}  // namespace qel
