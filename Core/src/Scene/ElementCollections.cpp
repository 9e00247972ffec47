// How each kind of collection element lands in the window: its footprint for the picks
// and what the renderer and the tests read.
#include <cmath>

#include "Scene/BillboardCollection.h"
#include "Scene/DrawSubmission.h"
#include "Scene/FrameState.h"
#include "Scene/ImageSize.h"
#include "Scene/LabelCollection.h"
#include "Scene/PointPrimitiveCollection.h"
#include "Scene/PolylineCollection.h"

namespace qel {
namespace {

// Width of a character as a share of the font size: ASCII glyphs are about half as
// wide as high; CJK glyphs are square.
constexpr double kNarrowGlyphShare = 0.5;
constexpr double kWideGlyphShare = 1.0;
// UTF-8 lead bytes: continuation bytes are 10xxxxxx.
constexpr unsigned char kContinuationMask = 0xc0;
constexpr unsigned char kContinuationBits = 0x80;
constexpr unsigned char kAsciiLimit = 0x80;

// Starts the element's item in this frame's list (filled in place: see DrawList::next).
DrawItem& baseItem(FrameState& frameState, DrawKind kind, const PrimitiveBase& primitive, CollectionElement& element,
                   const PickId& id, const Vector3<double>& position) {
  DrawItem& item = frameState.drawList.next();
  item.kind = kind;
  item.id = id;
  item.position = position;
  item.primitive = &primitive;
  item.element = &element;
  item.selectable = primitive.isSelectEnabled();
  item.shown = false;
  return item;
}

// Places a box of `size` whose origins stand at the projected anchor plus the offset.
void placeBox(DrawItem& item, const std::optional<ProjectedPoint>& at, const Vector2<double>& pixelOffset,
              HorizontalOrigin horizontal, VerticalOrigin vertical, const Vector2<double>& size) {
  if (!at) return;
  const Vector2<double> anchor = at->window + pixelOffset;
  item.box.x0 = boxLeft(horizontal, anchor.x, size.x);
  item.box.y0 = boxTop(vertical, anchor.y, size.y);
  item.box.x1 = item.box.x0 + size.x;
  item.box.y1 = item.box.y0 + size.y;
  item.depth = at->depth;
}

}  // namespace

double boxLeft(HorizontalOrigin origin, double anchorX, double width) noexcept {
  switch (origin) {
    case HorizontalOrigin::Left: return anchorX;
    case HorizontalOrigin::Right: return anchorX - width;
    case HorizontalOrigin::Center: break;
  }
  return anchorX - 0.5 * width;
}

double boxTop(VerticalOrigin origin, double anchorY, double height) noexcept {
  switch (origin) {
    case VerticalOrigin::Bottom:
    case VerticalOrigin::Baseline: return anchorY - height;
    case VerticalOrigin::Top: return anchorY;
    case VerticalOrigin::Center: break;
  }
  return anchorY - 0.5 * height;
}

double Label::getTextWidth() const noexcept {
  double width = 0.0;
  for (const char c : options_.text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & kContinuationMask) == kContinuationBits) continue;
    width += options_.fontSize * (byte < kAsciiLimit ? kNarrowGlyphShare : kWideGlyphShare);
  }
  return width;
}

Vector2<int> Billboard::getImageSize() const {
  if (!imageSize_)
    imageSize_ = readImageSize(options_.image).value_or(Vector2<int>(kDefaultImageSize, kDefaultImageSize));
  return *imageSize_;
}

void BillboardCollection::submit(Billboard& element, FrameState& frameState) const {
  const Billboard::ConstructorOptions& o = element.get();
  const Vector3<double> position = toFixedFrame(o.position);
  DrawItem& item = baseItem(frameState, DrawKind::Billboard, *this, element, o.id, position);
  item.image = element.getImageName();
  item.color = o.color;
  const std::optional<ProjectedPoint> at = projectForDrawing(frameState, position, isDepthTestEnabled());
  const Vector2<int> image = element.getImageSize();
  placeBox(item, at, o.pixelOffset, o.horizontalOrigin, o.verticalOrigin,
           Vector2<double>(image.x * o.scale, image.y * o.scale));
  item.shown = isShow() && o.show && at && at->visible && o.scale > 0.0;
}

void LabelCollection::submit(Label& element, FrameState& frameState) const {
  const Label::ConstructorOptions& o = element.get();
  const Vector3<double> position = toFixedFrame(o.position);
  DrawItem& item = baseItem(frameState, DrawKind::Label, *this, element, o.id, position);
  item.detail().text = o.text;
  item.color = o.fillColor;
  const std::optional<ProjectedPoint> at = projectForDrawing(frameState, position, isDepthTestEnabled());
  placeBox(item, at, o.pixelOffset, o.horizontalOrigin, o.verticalOrigin,
           Vector2<double>(element.getTextWidth(), o.fontSize));
  item.shown = isShow() && o.show && at && at->visible && o.fontSize > 0.0 && !o.text.empty();
}

void PointPrimitiveCollection::submit(PointPrimitive& element, FrameState& frameState) const {
  const PointPrimitive::ConstructorOptions& o = element.get();
  const Vector3<double> position = toFixedFrame(o.position);
  DrawItem& item = baseItem(frameState, DrawKind::Point, *this, element, o.id, position);
  item.color = o.color;
  const std::optional<ProjectedPoint> at = projectForDrawing(frameState, position, isDepthTestEnabled());
  const double side = o.pixelSize + 2.0 * std::max(o.outlineWidth, 0.0);
  placeBox(item, at, {}, HorizontalOrigin::Center, VerticalOrigin::Center, Vector2<double>(side, side));
  item.shown = isShow() && o.show && at && at->visible && o.pixelSize > 0.0;
}

void PolylineCollection::submit(Polyline& element, FrameState& frameState) const {
  const Polyline::ConstructorOptions& o = element.get();
  const std::optional<Vector3<double>>& origin = element.getOrigin();
  const Vector3<double> anchor = origin                ? *origin
                                 : o.positions.empty() ? Vector3<double>{}
                                                       : toFixedFrame(o.positions.front());
  DrawItem& item = baseItem(frameState, DrawKind::Polyline, *this, element, o.id, anchor);
  item.color = o.color;
  item.halfWidth = 0.5 * o.width;
  bool visible = !o.positions.empty() && o.width > 0.0;
  if (origin) {
    // Window-pixel offsets from the anchor's window position.
    const std::optional<ProjectedPoint> at = projectForDrawing(frameState, *origin, isDepthTestEnabled());
    visible = visible && at && at->visible;
    if (at) {
      item.depth = at->depth;
      for (const Vector3<double>& p : o.positions) item.path.push_back(at->window + Vector2<double>(p.x, p.y));
    }
  } else {
    for (const Vector3<double>& p : o.positions) {
      const std::optional<ProjectedPoint> at = projectForDrawing(frameState, toFixedFrame(p), isDepthTestEnabled());
      // A line reaching behind the eye is not drawn: this host does not clip it.
      if (!at) {
        visible = false;
        item.path.clear();
        break;
      }
      visible = visible && at->visible;
      item.depth = item.path.empty() ? at->depth : std::min(item.depth, at->depth);
      item.path.push_back(at->window);
    }
  }
  if (o.loop && item.path.size() > 2) item.path.push_back(item.path.front());
  boxAroundPath(item);
  item.shown = isShow() && o.show && visible;
}

}  // namespace qel
