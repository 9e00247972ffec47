#pragma once

namespace qel {

/// View attitude in radians: heading 0 = north, growing clockwise seen from above;
/// pitch −π/2 = looking straight down, 0 = level; roll about the view direction.
struct HeadingPitchRoll {
  double heading = 0.0;
  double pitch = 0.0;
  double roll = 0.0;
  constexpr bool operator==(const HeadingPitchRoll&) const noexcept = default;
};

}  // namespace qel
