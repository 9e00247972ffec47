#pragma once

#include <compare>

#include "Common/Math.h"

namespace qel {

class Radian;

/// An angle in degrees. Converts to `Radian` only explicitly, never silently.
class Degree {
 public:
  constexpr Degree() noexcept = default;
  constexpr explicit Degree(double degrees) noexcept : value_(degrees) {}
  constexpr explicit Degree(const Radian& r) noexcept;

  constexpr double value() const noexcept { return value_; }

  constexpr Degree operator-() const noexcept { return Degree(-value_); }
  constexpr Degree operator+(Degree o) const noexcept { return Degree(value_ + o.value_); }
  constexpr Degree operator-(Degree o) const noexcept { return Degree(value_ - o.value_); }
  constexpr Degree operator*(double s) const noexcept { return Degree(value_ * s); }
  constexpr Degree operator/(double s) const noexcept { return Degree(value_ / s); }
  constexpr auto operator<=>(const Degree&) const noexcept = default;

 private:
  double value_ = 0.0;
};

/// An angle in radians, the unit of every angle the system computes with.
class Radian {
 public:
  constexpr Radian() noexcept = default;
  constexpr explicit Radian(double radians) noexcept : value_(radians) {}
  constexpr explicit Radian(const Degree& d) noexcept : value_(d.value() * Math::RADIANS_PER_DEGREE) {}

  constexpr double value() const noexcept { return value_; }

  constexpr Radian operator-() const noexcept { return Radian(-value_); }
  constexpr Radian operator+(Radian o) const noexcept { return Radian(value_ + o.value_); }
  constexpr Radian operator-(Radian o) const noexcept { return Radian(value_ - o.value_); }
  constexpr Radian operator*(double s) const noexcept { return Radian(value_ * s); }
  constexpr Radian operator/(double s) const noexcept { return Radian(value_ / s); }
  constexpr Radian& operator+=(Radian o) noexcept {
    value_ += o.value_;
    return *this;
  }
  constexpr Radian& operator-=(Radian o) noexcept {
    value_ -= o.value_;
    return *this;
  }
  constexpr auto operator<=>(const Radian&) const noexcept = default;

 private:
  double value_ = 0.0;
};

constexpr Degree::Degree(const Radian& r) noexcept : value_(r.value() * Math::DEGREES_PER_RADIAN) {}

constexpr Radian operator*(double s, Radian r) noexcept { return r * s; }
constexpr Degree operator*(double s, Degree d) noexcept { return d * s; }

}  // namespace qel
