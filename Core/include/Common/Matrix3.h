#pragma once

#include <glm/mat3x3.hpp>

#include "Common/Angle.h"
#include "Common/Vector3.h"

namespace qel {

/// A 3x3 matrix (column-major, columns are the images of the unit axes).
class Matrix3 {
 public:
  Matrix3() noexcept : m_(1.0) {}
  explicit Matrix3(const glm::dmat3& m) noexcept : m_(m) {}
  /// Builds the matrix whose columns are c0, c1, c2.
  static Matrix3 fromColumns(const Vector3<double>& c0, const Vector3<double>& c1, const Vector3<double>& c2) noexcept {
    glm::dmat3 m;
    m[0] = {c0.x, c0.y, c0.z};
    m[1] = {c1.x, c1.y, c1.z};
    m[2] = {c2.x, c2.y, c2.z};
    return Matrix3(m);
  }
  static Matrix3 identity() noexcept { return Matrix3(); }
  /// The diagonal matrix scaling x, y and z by the components of `scale` (any real values;
  /// a zero component gives a singular matrix).
  static Matrix3 fromScale(const Vector3<double>& scale) noexcept;
  /// Rotation by the Euler angles (x, y, z) in radians, any real values: first about the
  /// x axis by angles.x, then about the (fixed) y axis by angles.y, then about the z axis
  /// by angles.z, each right-handed; that is R = Rz · Ry · Rx. Models and tilesets are
  /// turned with this convention, so both turn alike.
  static Matrix3 fromEulerAnglesXYZ(const Vector3<Radian>& angles) noexcept;

  /// The Euler angles (x, y, z) of this rotation in the convention of `fromEulerAnglesXYZ`,
  /// with x and z in (−π, π] and y in [−π/2, π/2]: the exact inverse of
  /// `fromEulerAnglesXYZ` for |y| < π/2. At gimbal lock (|y| = π/2, where only x − z or
  /// x + z is defined) z is 0 and x carries the whole turn. The matrix is taken as a pure
  /// rotation; a uniform scale does not change the answer.
  Vector3<Radian> toEulerAnglesXYZ() const noexcept;
  /// The lengths of the three columns: the scale factors of a rotation-and-scale matrix
  /// (never negative; a mirrored axis shows as a positive length).
  Vector3<double> getScale() const noexcept;

  Vector3<double> getColumn(int i) const noexcept { return {m_[i].x, m_[i].y, m_[i].z}; }
  double operator()(int row, int col) const noexcept { return m_[col][row]; }

  Matrix3 operator*(const Matrix3& o) const noexcept { return Matrix3(m_ * o.m_); }
  Vector3<double> operator*(const Vector3<double>& v) const noexcept {
    const glm::dvec3 r = m_ * glm::dvec3(v.x, v.y, v.z);
    return {r.x, r.y, r.z};
  }
  Matrix3 transposed() const noexcept;
  Matrix3 inverse() const noexcept;
  bool operator==(const Matrix3& o) const noexcept { return m_ == o.m_; }

  const glm::dmat3& glm() const noexcept { return m_; }

 private:
  glm::dmat3 m_;
};

}  // namespace qel
