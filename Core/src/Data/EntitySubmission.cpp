// Where what an entity draws lands in the window of the frame being drawn.
#include <algorithm>

#include "Data/Entity.h"
#include "Data/EntityDrawing.h"
#include "Scene/DrawSubmission.h"
#include "Scene/FrameState.h"
#include "Scene/PrimitiveBase.h"

namespace qel::entity_drawing {
namespace {

// Projects a list of positions; false when one lies behind the eye (this host does not
// clip, so such a line or area is not drawn). `visible` ends false when one is hidden
// behind the Earth.
bool projectAll(const FrameState& frameState, const std::vector<Vector3<double>>& positions, bool depthTest,
                std::vector<Vector2<double>>& window, double& depth, bool& visible) {
  for (const Vector3<double>& p : positions) {
    const std::optional<ProjectedPoint> at = projectForDrawing(frameState, p, depthTest);
    if (!at) return false;
    visible = visible && at->visible;
    depth = window.empty() ? at->depth : std::min(depth, at->depth);
    window.push_back(at->window);
  }
  return true;
}

}  // namespace

void submit(const EntityGraphic& graphic, const std::shared_ptr<Entity>& entity, const PrimitiveBase& display,
            bool shown, FrameState& frameState) {
  if (graphic.positions.empty()) return;
  const bool depthTest = display.isDepthTestEnabled();
  DrawItem item;
  item.kind = graphic.kind;
  item.id = std::weak_ptr<Entity>(entity);
  item.detail().entity = entity;
  item.image = graphic.image;
  if (!graphic.text.empty()) item.detail().text = graphic.text;
  item.color = graphic.color;
  item.position = graphic.positions.front();
  item.primitive = &display;
  item.selectable = display.isSelectEnabled();
  bool visible = true;
  switch (graphic.kind) {
    case DrawKind::Polyline:
    case DrawKind::Primitive:
    case DrawKind::GroundPolyline:
    case DrawKind::Area: {
      item.halfWidth = graphic.kind == DrawKind::Area ? 0.0 : 0.5 * graphic.width;
      // Behind the eye: no window place at all. Behind the Earth: placed, not shown.
      bool placed = projectAll(frameState, graphic.positions, depthTest, item.path, item.depth, visible);
      for (const std::vector<Vector3<double>>& hole : graphic.holes) {
        if (!placed) break;
        std::vector<Vector2<double>> window;
        double holeDepth = 0.0;
        placed = projectAll(frameState, hole, depthTest, window, holeDepth, visible);
        item.detail().holes.push_back(std::move(window));
      }
      if (!placed) {
        item.path.clear();
        if (!item.holes().empty()) item.detail().holes.clear();
        visible = false;
      }
      if (graphic.loop && item.path.size() > 2) item.path.push_back(item.path.front());
      boxAroundPath(item);
      break;
    }
    case DrawKind::Billboard:
    case DrawKind::Label:
    case DrawKind::Point: {
      const std::optional<ProjectedPoint> at = projectForDrawing(frameState, item.position, depthTest);
      visible = at && at->visible;
      if (!at) break;
      const Vector2<double> anchor = at->window + graphic.pixelOffset;
      item.box.x0 = boxLeft(graphic.horizontalOrigin, anchor.x, graphic.size.x);
      item.box.y0 = boxTop(graphic.verticalOrigin, anchor.y, graphic.size.y);
      item.box.x1 = item.box.x0 + graphic.size.x;
      item.box.y1 = item.box.y0 + graphic.size.y;
      item.depth = at->depth;
      break;
    }
  }
  item.shown = shown && visible;
  frameState.drawList.add(std::move(item));
}

}  // namespace qel::entity_drawing
