#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Common/Color.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"
#include "Scene/PickId.h"

namespace qel {

class CollectionElement;
class Entity;
class PrimitiveBase;
class Qel3DTileFeature;

/// What kind of thing a draw item shows.
enum class DrawKind : std::uint8_t {
  Billboard,       ///< an image at a point
  Label,           ///< a text at a point
  Point,           ///< a round point of a pixel size
  Polyline,        ///< a line of a pixel width through window points
  Primitive,       ///< a geometry instance of a `Primitive` (lines and outlines)
  GroundPolyline,  ///< a line draped on the terrain or tiles
  Area,            ///< a filled area inside a window ring (an area feature's fill)
};

/// A window-space rectangle (pixels, origin top left): [x0, x1) × [y0, y1).
struct WindowBox {
  double x0 = 0.0;
  double y0 = 0.0;
  double x1 = 0.0;
  double y1 = 0.0;
};

/// One thing the last frame drew, with where it landed in the window. The renderer
/// draws these, the picks test them and the tests read them: there is no other copy of
/// what a frame showed.
struct DrawItem {
  DrawKind kind = DrawKind::Billboard;
  /// False when the item or its collection is hidden, or it lies behind the eye or, if
  /// depth tested, behind the Earth. Hidden items are listed but never picked.
  bool shown = true;
  /// False when its primitive is select-disabled: `pick` still finds it (a tool's own
  /// handles), `rectanglePick` does not.
  bool selectable = true;
  PickId id;
  /// Image file of a billboard, or of the image painting a feature's line or area;
  /// empty otherwise.
  std::string image;
  /// Text of a label; empty otherwise.
  std::string text;
  Color color;
  /// Anchor in the fixed frame (metres): the point of a billboard, label or point, the
  /// first vertex of a line.
  Vector3<double> position;
  /// Distance from the eye to the anchor (metres); nearer wins a tie in a pick.
  double depth = 0.0;
  /// Window footprint bounds; for lines, the box of the path widened by half the width.
  WindowBox box;
  /// Lines: the window vertices (pixels, origin top left) and half the width (pixels).
  /// Areas: the outer ring's window vertices, closed implicitly from the last back to
  /// the first (`halfWidth` 0).
  std::vector<Vector2<double>> path;
  double halfWidth = 0.0;
  /// Areas: the window rings of the holes cut out of the ring; a pixel inside a hole is
  /// not covered.
  std::vector<std::vector<Vector2<double>>> holes;
  /// The primitive or collection that submitted it, and the element of the collection
  /// (null for a `Primitive`'s instances). Valid while the primitive lives.
  const PrimitiveBase* primitive = nullptr;
  CollectionElement* element = nullptr;
  /// The entity drawn, for items a feature's entity submitted.
  std::weak_ptr<Entity> entity;
  /// The 3D-tile feature drawn, for items a tileset's tiles submitted.
  std::weak_ptr<Qel3DTileFeature> tileFeature;

  /// Back to a default item, keeping the buffers of the strings and the path so that
  /// an item rewritten every frame does not allocate. Every field above is reset here.
  void clear() noexcept {
    kind = DrawKind::Billboard;
    id = PickId{};
    // A cleared string still writes its terminator into its buffer: an item list of a
    // long line's handles would touch every old buffer for nothing.
    if (!image.empty()) image.clear();
    if (!text.empty()) text.clear();
    color = Color{};
    position = Vector3<double>{};
    shown = true;
    selectable = true;
    depth = 0.0;
    box = WindowBox{};
    path.clear();
    halfWidth = 0.0;
    if (!holes.empty()) holes.clear();
    primitive = nullptr;
    element = nullptr;
    entity.reset();
    tileFeature.reset();
  }
};

}  // namespace qel
