#pragma once

#include "Common/Vector3.h"

namespace qel {

/// A box whose faces are parallel to the axes of its frame (metres): its corners with
/// the smallest and the largest coordinates, and its centre.
struct AxisAlignedBoundingBox {
  Vector3<double> minimum;
  Vector3<double> maximum;
  Vector3<double> center;

  /// The box from `minimum` to `maximum` (each component of `minimum` ≤ that of
  /// `maximum`; otherwise the half size has negative components).
  static constexpr AxisAlignedBoundingBox fromCorners(const Vector3<double>& minimum,
                                                      const Vector3<double>& maximum) noexcept {
    return {minimum, maximum, (minimum + maximum) * 0.5};
  }
  /// Half the box's size along each axis.
  constexpr Vector3<double> getHalfSize() const noexcept { return (maximum - minimum) * 0.5; }
};

}  // namespace qel
