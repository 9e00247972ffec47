#pragma once

#include <cmath>

namespace qel {

/// A 3D vector. Positions in the Earth-fixed frame are `Vector3<double>` in metres.
template <class T>
struct Vector3 {
  T x{};
  T y{};
  T z{};

  constexpr Vector3() noexcept = default;
  constexpr Vector3(T x_, T y_, T z_) noexcept : x(x_), y(y_), z(z_) {}
  template <class U>
  constexpr explicit Vector3(const Vector3<U>& o) noexcept
      : x(static_cast<T>(o.x)), y(static_cast<T>(o.y)), z(static_cast<T>(o.z)) {}

  static constexpr Vector3 zero() noexcept { return {}; }
  static constexpr Vector3 unitX() noexcept { return {T(1), T(0), T(0)}; }
  static constexpr Vector3 unitY() noexcept { return {T(0), T(1), T(0)}; }
  static constexpr Vector3 unitZ() noexcept { return {T(0), T(0), T(1)}; }

  constexpr Vector3 operator+(const Vector3& o) const noexcept { return {x + o.x, y + o.y, z + o.z}; }
  constexpr Vector3 operator-(const Vector3& o) const noexcept { return {x - o.x, y - o.y, z - o.z}; }
  constexpr Vector3 operator*(T s) const noexcept { return {x * s, y * s, z * s}; }
  constexpr Vector3 operator/(T s) const noexcept { return {x / s, y / s, z / s}; }
  constexpr Vector3 operator-() const noexcept { return {-x, -y, -z}; }
  constexpr Vector3& operator+=(const Vector3& o) noexcept {
    x += o.x;
    y += o.y;
    z += o.z;
    return *this;
  }
  constexpr Vector3& operator-=(const Vector3& o) noexcept {
    x -= o.x;
    y -= o.y;
    z -= o.z;
    return *this;
  }
  constexpr Vector3& operator*=(T s) noexcept {
    x *= s;
    y *= s;
    z *= s;
    return *this;
  }
  /// Exact, component-by-component equality (the manipulator's change tests rely on it).
  constexpr bool operator==(const Vector3&) const noexcept = default;

  constexpr T dot(const Vector3& o) const noexcept { return x * o.x + y * o.y + z * o.z; }
  constexpr Vector3 cross(const Vector3& o) const noexcept {
    return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
  }
  constexpr T lengthSquared() const noexcept { return x * x + y * y + z * z; }
  T length() const noexcept { return std::sqrt(lengthSquared()); }
  bool isFinite() const noexcept { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }

  /// Divides by the length when it is greater than 0; a zero vector comes back unchanged.
  Vector3 normalized() const noexcept {
    const T len = length();
    return len > T(0) ? *this / len : *this;
  }

  static constexpr T dot(const Vector3& a, const Vector3& b) noexcept { return a.dot(b); }
  static constexpr Vector3 cross(const Vector3& a, const Vector3& b) noexcept { return a.cross(b); }
  static Vector3 normalize(const Vector3& v) noexcept { return v.normalized(); }
  static T distance(const Vector3& a, const Vector3& b) noexcept { return (a - b).length(); }
  static constexpr T distanceSquared(const Vector3& a, const Vector3& b) noexcept { return (a - b).lengthSquared(); }
  static constexpr Vector3 lerp(const Vector3& a, const Vector3& b, T t) noexcept { return a + (b - a) * t; }
};

template <class T>
constexpr Vector3<T> operator*(T s, const Vector3<T>& v) noexcept {
  return v * s;
}

}  // namespace qel
