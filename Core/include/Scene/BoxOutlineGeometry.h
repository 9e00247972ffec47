#pragma once

#include <vector>

#include "Common/Vector3.h"

namespace qel {

/// The twelve edges of an axis-aligned box in the primitive's own frame (metres), as a
/// `Primitive` draws it through its model matrix: a frame around an object, not a solid.
struct BoxOutlineGeometry {
  Vector3<double> minimum;
  Vector3<double> maximum;

  /// The box of full size `dimensions` (metres) centred on the origin. A negative
  /// component gives the same box as its absolute value; a zero one a flat frame.
  static BoxOutlineGeometry fromDimensions(const Vector3<double>& dimensions) noexcept;

  /// One line through every edge: round the bottom face, then up and round the top face,
  /// stepping down and up again along each vertical edge (16 points, some edges twice).
  std::vector<Vector3<double>> outlinePath() const;
};

}  // namespace qel
