#pragma once

#include "Common/Vector3.h"

namespace qel {

/// A sphere in the fixed frame (centre in metres, radius in metres, ≥ 0).
struct BoundingSphere {
  Vector3<double> center;
  double radius = 0.0;
};

}  // namespace qel
