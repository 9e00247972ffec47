// The algebra behind Matrix3, Matrix4 and Quaternion, delegated to GLM. GLM stores
// quaternions w first; our storage is x, y, z, w, so every crossing converts explicitly.
#include <glm/gtc/matrix_inverse.hpp>
#include <glm/gtc/quaternion.hpp>
#include <glm/gtx/quaternion.hpp>

#include "Common/Matrix3.h"
#include "Common/Matrix4.h"
#include "Common/Quaternion.h"

namespace qel {
namespace {

glm::dquat toGlm(const Quaternion& q) noexcept { return glm::dquat(q.w, q.x, q.y, q.z); }
Quaternion fromGlm(const glm::dquat& q) noexcept { return {q.x, q.y, q.z, q.w}; }

}  // namespace

Matrix3 Matrix3::transposed() const noexcept { return Matrix3(glm::transpose(m_)); }
Matrix3 Matrix3::inverse() const noexcept { return Matrix3(glm::inverse(m_)); }

Matrix3 Matrix3::fromScale(const Vector3<double>& s) noexcept {
  return Matrix3(glm::dmat3(glm::dvec3(s.x, 0.0, 0.0), glm::dvec3(0.0, s.y, 0.0), glm::dvec3(0.0, 0.0, s.z)));
}

Matrix3 Matrix3::fromEulerAnglesXYZ(const Vector3<Radian>& angles) noexcept {
  const double cx = std::cos(angles.x.value());
  const double sx = std::sin(angles.x.value());
  const double cy = std::cos(angles.y.value());
  const double sy = std::sin(angles.y.value());
  const double cz = std::cos(angles.z.value());
  const double sz = std::sin(angles.z.value());
  // Rz · Ry · Rx written out, column by column.
  return fromColumns({cy * cz, cy * sz, -sy}, {sx * sy * cz - cx * sz, sx * sy * sz + cx * cz, sx * cy},
                     {cx * sy * cz + sx * sz, cx * sy * sz - sx * cz, cx * cy});
}

Vector3<Radian> Matrix3::toEulerAnglesXYZ() const noexcept {
  const Matrix3& m = *this;
  // Row 2 of Rz · Ry · Rx is (−sin y, sin x cos y, cos x cos y) times the uniform scale;
  // divide by the first column's length so a scaled rotation reads the same angle.
  const double columnLength = getColumn(0).length();
  const double sinY = columnLength > 0.0 ? -m(2, 0) / columnLength : 0.0;
  const double y = Math::asinClamped(sinY);
  // Below this cos y the x and z turns are no longer told apart in double precision.
  constexpr double kGimbalCos = 1e-12;
  if (std::sqrt(m(2, 1) * m(2, 1) + m(2, 2) * m(2, 2)) > kGimbalCos * columnLength) {
    return {Radian(std::atan2(m(2, 1), m(2, 2))), Radian(y), Radian(std::atan2(m(1, 0), m(0, 0)))};
  }
  // Gimbal lock: with z = 0, column 1 is (sin x sin y, cos x, −sin x).
  return {Radian(std::atan2(-m(1, 2), m(1, 1))), Radian(y), Radian(0.0)};
}

Vector3<double> Matrix3::getScale() const noexcept {
  return {getColumn(0).length(), getColumn(1).length(), getColumn(2).length()};
}

Matrix4 Matrix4::fromRotationTranslation(const Matrix3& rotation, const Vector3<double>& t) noexcept {
  glm::dmat4 m(rotation.glm());
  m[3] = glm::dvec4(t.x, t.y, t.z, 1.0);
  return Matrix4(m);
}

Matrix4 Matrix4::fromTranslation(const Vector3<double>& t) noexcept {
  return fromRotationTranslation(Matrix3::identity(), t);
}

Matrix4 Matrix4::fromScale(const Vector3<double>& s) noexcept {
  return fromRotationTranslation(Matrix3::fromScale(s), Vector3<double>::zero());
}

Matrix4 Matrix4::fromTranslationQuaternionRotationScale(const Vector3<double>& t, const Quaternion& q,
                                                        const Vector3<double>& s) noexcept {
  const Quaternion unit = q.lengthSquared() > 0.0 ? q.normalized() : Quaternion::identity();
  return fromRotationTranslation(unit.toRotationMatrix() * Matrix3::fromScale(s), t);
}

Matrix3 Matrix4::getRotation() const noexcept { return Matrix3(glm::dmat3(m_)); }

Matrix3 Matrix4::getMatrix3() const noexcept { return Matrix3(glm::dmat3(m_)); }

Vector3<double> Matrix4::getScale() const noexcept { return getMatrix3().getScale(); }

bool Matrix4::isFinite() const noexcept {
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) {
      if (!std::isfinite(m_[c][r])) return false;
    }
  }
  return true;
}

Vector3<double> Matrix4::multiplyByPoint(const Vector3<double>& p) const noexcept {
  const glm::dvec4 r = m_ * glm::dvec4(p.x, p.y, p.z, 1.0);
  const double w = r.w != 0.0 ? r.w : 1.0;
  return {r.x / w, r.y / w, r.z / w};
}

Vector3<double> Matrix4::multiplyByPointAsVector(const Vector3<double>& v) const noexcept {
  const glm::dvec4 r = m_ * glm::dvec4(v.x, v.y, v.z, 0.0);
  return {r.x, r.y, r.z};
}

Matrix4 Matrix4::inverse() const noexcept { return Matrix4(glm::inverse(m_)); }

Quaternion Quaternion::fromAxisAngle(const Vector3<double>& axis, const Radian& angle) noexcept {
  const Vector3<double> n = axis.normalized();
  const double half = angle.value() * 0.5;
  const double s = std::sin(half);
  return {n.x * s, n.y * s, n.z * s, std::cos(half)};
}

Quaternion Quaternion::fromAxes(const Vector3<double>& right, const Vector3<double>& up,
                                const Vector3<double>& back) noexcept {
  return fromRotationMatrix(Matrix3::fromColumns(right, up, back));
}

Quaternion Quaternion::fromRotationMatrix(const Matrix3& m) noexcept { return fromGlm(glm::quat_cast(m.glm())); }

Quaternion Quaternion::slerp(const Quaternion& a, const Quaternion& b, double t) noexcept {
  return fromGlm(glm::slerp(toGlm(a), toGlm(b), t));
}

Matrix3 Quaternion::toRotationMatrix() const noexcept { return Matrix3(glm::mat3_cast(toGlm(*this))); }

Quaternion Quaternion::operator*(const Quaternion& o) const noexcept { return fromGlm(toGlm(*this) * toGlm(o)); }

Vector3<double> Quaternion::operator*(const Vector3<double>& v) const noexcept {
  // q v q⁻¹ for a unit q; written out so that a slightly non-unit q still rotates
  // without scaling by |q|² (the conjugate stands in for the inverse).
  const glm::dvec3 u(x, y, z);
  const glm::dvec3 p(v.x, v.y, v.z);
  const glm::dvec3 t = 2.0 * glm::cross(u, p);
  const glm::dvec3 r = p + w * t + glm::cross(u, t);
  return {r.x, r.y, r.z};
}

Quaternion Quaternion::inverse() const noexcept {
  const double n = lengthSquared();
  if (n <= 0.0) return *this;
  return {-x / n, -y / n, -z / n, w / n};
}

Quaternion Quaternion::normalized() const noexcept {
  const double n = length();
  if (n <= 0.0) return *this;
  return {x / n, y / n, z / n, w / n};
}

}  // namespace qel
