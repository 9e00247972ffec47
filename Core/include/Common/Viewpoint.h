#pragma once

namespace qel {

/// A view described by its target: the target's longitude and latitude (radians) and
/// height (metres), the heading and pitch of the view toward it (radians; heading 0 =
/// north, pitch −π/2 = straight down) and the range from the eye to it (metres).
struct Viewpoint {
  double longitude = 0.0;
  double latitude = 0.0;
  double height = 0.0;
  double heading = 0.0;
  double pitch = 0.0;
  double range = 0.0;
  constexpr bool operator==(const Viewpoint&) const noexcept = default;
};

}  // namespace qel
