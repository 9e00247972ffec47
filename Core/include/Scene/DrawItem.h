#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Common/Color.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"
#include "Scene/ImageName.h"
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

/// What few draw items carry: a label's text, an area's holes, the entity or 3D-tile
/// feature drawn. Kept apart so that the items of a frame of handles stay small.
struct DrawItemDetail {
  /// Text of a label.
  std::string text;
  /// Areas: the window rings of the holes cut out of the ring; a pixel inside a hole is
  /// not covered.
  std::vector<std::vector<Vector2<double>>> holes;
  /// The entity drawn, for items a feature's entity submitted.
  std::weak_ptr<Entity> entity;
  /// The 3D-tile feature drawn, for items a tileset's tiles submitted.
  std::weak_ptr<Qel3DTileFeature> tileFeature;

  /// Empty again, keeping the buffers.
  void clear() noexcept;
};

/// One thing the last frame drew, with where it landed in the window. The renderer
/// draws these, the picks test them and the tests read them: there is no other copy of
/// what a frame showed.
///
/// A frame of a long line's handles lists hundreds of thousands of items, rewritten in
/// place every frame: the item is kept to three cache lines, its rare parts apart, and
/// what the pick grid reads of it (shown, box) lies in its first line.
struct alignas(64) DrawItem {
  DrawKind kind = DrawKind::Billboard;
  /// False when the item or its collection is hidden, or it lies behind the eye or, if
  /// depth tested, behind the Earth. Hidden items are listed but never picked.
  bool shown = true;
  /// False when its primitive is select-disabled: `pick` still finds it (a tool's own
  /// handles), `rectanglePick` does not.
  bool selectable = true;
  /// Window footprint bounds; for lines, the box of the path widened by half the width.
  WindowBox box;
  /// Distance from the eye to the anchor (metres); nearer wins a tie in a pick.
  double depth = 0.0;
  /// Lines: half the width of the path (pixels); 0 for areas.
  double halfWidth = 0.0;
  /// The primitive or collection that submitted it (see `element`).
  const PrimitiveBase* primitive = nullptr;
  /// Lines: the window vertices (pixels, origin top left). Areas: the outer ring's
  /// window vertices, closed implicitly from the last back to the first.
  std::vector<Vector2<double>> path;
  PickId id;
  /// Image file of a billboard, or of the image painting a feature's line or area;
  /// empty otherwise.
  ImageName image;
  Color color;
  /// Anchor in the fixed frame (metres): the point of a billboard, label or point, the
  /// first vertex of a line.
  Vector3<double> position;
  /// The element of the collection that submitted it, null for a `Primitive`'s
  /// instances. Valid, as `primitive`, while the primitive lives.
  CollectionElement* element = nullptr;

  /// The rare parts; empty when never written.
  const std::string& text() const noexcept { return read().text; }
  const std::vector<std::vector<Vector2<double>>>& holes() const noexcept { return read().holes; }
  const std::weak_ptr<Entity>& entity() const noexcept { return read().entity; }
  const std::weak_ptr<Qel3DTileFeature>& tileFeature() const noexcept { return read().tileFeature; }
  /// The rare parts for writing, made at first use and kept by `clear`.
  DrawItemDetail& detail() {
    if (!detail_.part) detail_.part = std::make_unique<DrawItemDetail>();
    return *detail_.part;
  }

  /// Back to a default item, keeping the buffers of the path and the rare parts so that
  /// an item rewritten every frame does not allocate. Every field above is reset here.
  void clear() noexcept {
    kind = DrawKind::Billboard;
    shown = true;
    selectable = true;
    id = PickId{};
    image = ImageName{};
    color = Color{};
    position = Vector3<double>{};
    depth = 0.0;
    box = WindowBox{};
    path.clear();
    halfWidth = 0.0;
    primitive = nullptr;
    element = nullptr;
    if (detail_.part) detail_.part->clear();
  }

 private:
  // Owns the rare parts; a copied item gets its own copy of them.
  struct DetailBox {
    std::unique_ptr<DrawItemDetail> part;
    DetailBox() = default;
    DetailBox(const DetailBox& other) : part(other.part ? std::make_unique<DrawItemDetail>(*other.part) : nullptr) {}
    DetailBox& operator=(const DetailBox& other) {
      if (this != &other) part = other.part ? std::make_unique<DrawItemDetail>(*other.part) : nullptr;
      return *this;
    }
    DetailBox(DetailBox&&) noexcept = default;
    DetailBox& operator=(DetailBox&&) noexcept = default;
    ~DetailBox() = default;
  };

  const DrawItemDetail& read() const noexcept;

  DetailBox detail_;
};

}  // namespace qel
