#pragma once

#include <string>
#include <vector>

#include "Common/Color.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"
#include "Scene/DrawItem.h"
#include "Scene/ScreenOrigin.h"

namespace qel {

/// One thing an entity draws, as its feature's style asked for it when the entity was
/// built: where it stands in the fixed frame and how it looks. The scene places it in
/// the window each frame (the camera moves) as one draw item with the entity as id.
struct EntityGraphic {
  /// `Billboard`, `Label` or `Point` at `positions`[0]; `Polyline` through `positions`;
  /// `Area` inside the ring `positions` less `holes`.
  DrawKind kind = DrawKind::Point;
  /// Fixed frame, metres: one anchor, a line's path or an area's outer ring.
  std::vector<Vector3<double>> positions;
  /// Areas: the rings cut out.
  std::vector<std::vector<Vector3<double>>> holes;
  /// Image file of a billboard, or of the image material painting a line or an area.
  std::string image;
  /// Text of a label.
  std::string text;
  Color color;
  /// Billboards, labels and points: the window box's width and height (pixels).
  Vector2<double> size;
  /// Billboards and labels: window offset of the anchor (pixels, x right, y down) and the
  /// sides of the box that stand on it.
  Vector2<double> pixelOffset;
  HorizontalOrigin horizontalOrigin = HorizontalOrigin::Center;
  VerticalOrigin verticalOrigin = VerticalOrigin::Center;
  /// Lines: width in pixels, and whether the path closes from its last position back to
  /// its first (an area's outline).
  double width = 0.0;
  bool loop = false;
};

}  // namespace qel
