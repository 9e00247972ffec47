#pragma once

#include <cmath>

namespace qel {

/// A 2D vector; window positions use `Vector2<float>` (pixels, origin top left).
template <class T>
struct Vector2 {
  T x{};
  T y{};

  constexpr Vector2() noexcept = default;
  constexpr Vector2(T x_, T y_) noexcept : x(x_), y(y_) {}
  template <class U>
  constexpr explicit Vector2(const Vector2<U>& o) noexcept : x(static_cast<T>(o.x)), y(static_cast<T>(o.y)) {}

  constexpr Vector2 operator+(const Vector2& o) const noexcept { return {x + o.x, y + o.y}; }
  constexpr Vector2 operator-(const Vector2& o) const noexcept { return {x - o.x, y - o.y}; }
  constexpr Vector2 operator*(T s) const noexcept { return {x * s, y * s}; }
  constexpr Vector2 operator/(T s) const noexcept { return {x / s, y / s}; }
  constexpr Vector2 operator-() const noexcept { return {-x, -y}; }
  constexpr bool operator==(const Vector2&) const noexcept = default;

  constexpr T dot(const Vector2& o) const noexcept { return x * o.x + y * o.y; }
  constexpr T lengthSquared() const noexcept { return x * x + y * y; }
  T length() const noexcept { return std::sqrt(lengthSquared()); }
  bool isFinite() const noexcept { return std::isfinite(x) && std::isfinite(y); }

  static T distance(const Vector2& a, const Vector2& b) noexcept { return (a - b).length(); }
};

}  // namespace qel
