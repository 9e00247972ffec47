#pragma once

#include <cmath>
#include <limits>
#include <optional>

#include "Common/Vector2.h"
#include "Viewer/GUIEventAdapter.h"

namespace qel {

/// The window pixel of a pointer event, as every tool reads it: x and y truncated toward
/// zero. Empty when either coordinate is not finite or does not fit in an `int`; a tool
/// then ignores the event altogether (returns false and keeps its state), since such a
/// position can only come from a broken event source.
inline std::optional<Vector2<int>> toWindowPixel(const GUIEventAdapter& event) noexcept {
  // Truncation keeps [-2^31, 2^31) exact in double; anything else would overflow.
  constexpr double kLowest = static_cast<double>(std::numeric_limits<int>::min());
  constexpr double kPastHighest = static_cast<double>(std::numeric_limits<int>::max()) + 1.0;
  const double x = std::trunc(static_cast<double>(event.getX()));
  const double y = std::trunc(static_cast<double>(event.getY()));
  if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
  if (x < kLowest || x >= kPastHighest || y < kLowest || y >= kPastHighest) return std::nullopt;
  return Vector2<int>(static_cast<int>(x), static_cast<int>(y));
}

/// Whether an event of this kind carries a pointer position that the tools read.
inline bool carriesPointerPosition(std::uint32_t eventType) noexcept {
  switch (eventType) {
    case GUIEventAdapter::PUSH:
    case GUIEventAdapter::RELEASE:
    case GUIEventAdapter::DOUBLECLICK:
    case GUIEventAdapter::DRAG:
    case GUIEventAdapter::MOVE: return true;
    default: return false;
  }
}

/// The first step of every tool's `handle`: reads the window pixel of a pointer event
/// into `position` (left empty for other events). False when the event carries an
/// unusable position and the tool is to ignore it.
inline bool readPointerPosition(const GUIEventAdapter& event, std::optional<Vector2<int>>& position) noexcept {
  if (!carriesPointerPosition(event.getEventType())) return true;
  position = toWindowPixel(event);
  return position.has_value();
}

}  // namespace qel
