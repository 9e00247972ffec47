#pragma once

namespace qel {

/// Where a volume lies against a culling volume or a plane.
enum class Intersect : int {
  Outside = -1,      ///< wholly outside: nothing of it can be seen
  Intersecting = 0,  ///< partly inside
  Inside = 1,        ///< wholly inside
};

}  // namespace qel
