#pragma once

#include <glm/mat4x4.hpp>

#include "Common/Matrix3.h"
#include "Common/Quaternion.h"
#include "Common/Vector3.h"

namespace qel {

/// A 4x4 affine or projective transform (column-major).
class Matrix4 {
 public:
  Matrix4() noexcept : m_(1.0) {}
  explicit Matrix4(const glm::dmat4& m) noexcept : m_(m) {}
  static Matrix4 identity() noexcept { return Matrix4(); }
  static Matrix4 fromRotationTranslation(const Matrix3& rotation, const Vector3<double>& translation) noexcept;
  static Matrix4 fromTranslation(const Vector3<double>& translation) noexcept;
  /// The matrix scaling x, y and z by the components of `scale`, no translation.
  static Matrix4 fromScale(const Vector3<double>& scale) noexcept;
  /// T · R · S: scale first (by `scale`), then turn by the unit quaternion `rotation`,
  /// then move by `translation` (metres). A non-unit quaternion is normalised first; a
  /// zero quaternion turns nothing.
  static Matrix4 fromTranslationQuaternionRotationScale(const Vector3<double>& translation, const Quaternion& rotation,
                                                        const Vector3<double>& scale) noexcept;

  Matrix3 getRotation() const noexcept;
  /// The upper-left 3×3 block as it is, scale included (unlike a rotation extraction).
  Matrix3 getMatrix3() const noexcept;
  /// The lengths of the first three columns' x, y, z parts: the scale factors of an
  /// affine transform made of translation, rotation and scale.
  Vector3<double> getScale() const noexcept;
  /// True when every element equals the identity's exactly.
  bool isIdentity() const noexcept { return m_ == glm::dmat4(1.0); }
  /// True when no element is NaN or infinite.
  bool isFinite() const noexcept;
  Vector3<double> getTranslation() const noexcept { return {m_[3].x, m_[3].y, m_[3].z}; }
  Vector3<double> getColumn3(int i) const noexcept { return {m_[i].x, m_[i].y, m_[i].z}; }
  double operator()(int row, int col) const noexcept { return m_[col][row]; }

  /// Transforms a point (w = 1, then divides by w for projective matrices).
  Vector3<double> multiplyByPoint(const Vector3<double>& p) const noexcept;
  /// Transforms a direction (w = 0: no translation).
  Vector3<double> multiplyByPointAsVector(const Vector3<double>& v) const noexcept;

  Matrix4 operator*(const Matrix4& o) const noexcept { return Matrix4(m_ * o.m_); }
  Matrix4 inverse() const noexcept;
  bool operator==(const Matrix4& o) const noexcept { return m_ == o.m_; }

  const glm::dmat4& glm() const noexcept { return m_; }

 private:
  glm::dmat4 m_;
};

}  // namespace qel
