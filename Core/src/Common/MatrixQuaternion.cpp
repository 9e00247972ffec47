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

Matrix4 Matrix4::fromRotationTranslation(const Matrix3& rotation, const Vector3<double>& t) noexcept {
  glm::dmat4 m(rotation.glm());
  m[3] = glm::dvec4(t.x, t.y, t.z, 1.0);
  return Matrix4(m);
}

Matrix4 Matrix4::fromTranslation(const Vector3<double>& t) noexcept {
  return fromRotationTranslation(Matrix3::identity(), t);
}

Matrix3 Matrix4::getRotation() const noexcept { return Matrix3(glm::dmat3(m_)); }

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
