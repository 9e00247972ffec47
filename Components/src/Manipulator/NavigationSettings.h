#pragma once

// Module-wide navigation values: every globe manipulator of the process shares them.
// They are plain variables, written and read on the main thread only.

#include <cstdint>

#include "Common/Vector2.h"
#include "Common/Vector3.h"

namespace qel::navigation {

/// Keyboard speeds: pan and eye-move in metres per second at scene resolution 1,
/// tilt and turn in degrees per second.
struct KeySpeeds {
  double pan = 400.0;
  double pitch = 6.0;
  double rotate = 36.0;
  double move = 400.0;
};

struct Settings {
  KeySpeeds keys;
  /// Wheel units to zoom amount: one 120-unit notch zooms by a fifth of the distance.
  double mouseZoomSpeed = 1.0 / 600.0;
  /// When false, a mouse tilt step with a negative angle is refused while the tilt is negative.
  bool mouseTiltLessZeroEnable = true;
};

/// The horizon guard of left-button pans, computed at each left press (one set for all
/// manipulators: one of them interacts at a time).
struct HorizonGuard {
  bool active = false;
  double anglePerPixel = 0.0;
  std::int32_t row = 0;
  Vector2<float> pressMouse;
  Vector3<double> pressPosition;
};

Settings& settings() noexcept;
HorizonGuard& horizonGuard() noexcept;

}  // namespace qel::navigation
