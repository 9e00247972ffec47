#pragma once

#include "Common/Matrix3.h"
#include "Common/Vector3.h"

namespace qel {

/// A box in the fixed frame: its centre (metres) and its three half-axes, the columns of
/// `halfAxes` (metres; each column runs from the centre to the middle of a face). The
/// half-axes of the boxes this host builds are orthogonal; a zero column is a flat box.
struct OrientedBoundingBox {
  Vector3<double> center;
  Matrix3 halfAxes = Matrix3(glm::dmat3(0.0));

  /// True when `point` lies in the box, widened by `tolerance` metres (≥ 0) on every
  /// side. A box with dependent half-axes (flat or a line) contains only what lies in
  /// its plane or on its line, within the tolerance.
  bool contains(const Vector3<double>& point, double tolerance = 0.0) const noexcept;
};

}  // namespace qel
