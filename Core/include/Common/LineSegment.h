#pragma once

#include "Common/Vector3.h"

namespace qel {

/// A straight segment between two fixed-frame points.
struct LineSegment {
  Vector3<double> start;
  Vector3<double> end;
};

}  // namespace qel
