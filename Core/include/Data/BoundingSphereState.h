#pragma once

#include <cstdint>

namespace qel {

/// The answer of `DataSourceDisplay::getBoundingSphere`.
enum class BoundingSphereState : std::int32_t {
  Done = 0,     ///< the sphere holds the drawn extent
  Pending = 1,  ///< the drawn extent is not known yet: ask again after the next frame
  Failed = 2,   ///< the entity has no extent this display can give, and will not have
};

}  // namespace qel
