#pragma once

#include "Common/Quaternion.h"
#include "Common/Vector3.h"

namespace qel {

/// A camera pose: eye position (fixed frame, metres) and orientation.
struct Viewpose {
  Vector3<double> position;
  Quaternion orientation;
};

}  // namespace qel
