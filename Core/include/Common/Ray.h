#pragma once

#include "Common/Vector3.h"

namespace qel {

/// A half-line: origin plus t × direction for t ≥ 0 (direction normally unit length).
struct Ray {
  Vector3<double> origin;
  Vector3<double> direction;
  constexpr Vector3<double> getPoint(double t) const noexcept { return origin + direction * t; }
};

}  // namespace qel
