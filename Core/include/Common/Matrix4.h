#pragma once

#include <glm/mat4x4.hpp>

#include "Common/Matrix3.h"
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

  Matrix3 getRotation() const noexcept;
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
