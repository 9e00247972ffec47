#pragma once

#include <cstdint>

namespace qel {

/// Cursor shapes the viewer shows, set by the interaction tools.
enum class CursorAction : std::int32_t {
  Default = 0,
  Pan = 3,       ///< left-drag pan
  TurnTilt = 4,  ///< middle/right-drag turn and tilt
  DrawLine = 10,
  DrawArea = 11,
  DrawPoints = 12,
  ClickPick = 13,
  RectanglePick = 14,
  HoverMovable = 15,
  OverVertex = 20,
  OverLineInAddMode = 21,
  OverVertexInDeleteMode = 22,
};

}  // namespace qel
