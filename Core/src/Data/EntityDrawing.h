#pragma once

// How an entity turns its feature's style into what it draws (one unit per kind of
// geometry), and how that lands in a frame's draw list.

#include <memory>
#include <vector>

#include "Common/BoundingSphere.h"
#include "Common/Color.h"
#include "Common/Vector3.h"
#include "Data/EntityGraphic.h"
#include "Feature/ExtrusionSymbol.h"
#include "Feature/Material.h"
#include "Feature/Style.h"

namespace qel {

class Entity;
class FrameState;
class ModelGraphics;
class PrimitiveBase;

namespace entity_drawing {

/// Side (pixels) of the mark an entity is drawn as when its style draws nothing of its
/// own kind: big enough to see and to pick.
constexpr double kMarkSize = 12.0;

/// The mark at `anchor`.
EntityGraphic mark(const Vector3<double>& anchor);
/// The label of `style` at `anchor`; nothing when it has none, it is disabled or its
/// text is empty.
void appendLabel(const Feature::Style* style, const Vector3<double>& anchor, std::vector<EntityGraphic>& out);
/// The colour a material paints with (an image material's tint); white without one.
Color colorOf(const Feature::Material* material);

/// The wall `extrusion` raises along `path` (closed back to its first position when
/// `closed`), as an area between its bottom and top edges: nothing when there is no
/// extrusion, it or its body is disabled, or its body is not a polygon symbol.
void appendWall(const std::vector<Vector3<double>>& path, bool closed, const Feature::ExtrusionSymbol* extrusion,
                std::vector<EntityGraphic>& out);

/// A point feature drawn at `anchor` (PointEntityDrawing.cpp).
std::vector<EntityGraphic> drawPoint(const Vector3<double>& anchor, const Feature::Style* style);
/// A line feature drawn through `path` (LineEntityDrawing.cpp).
std::vector<EntityGraphic> drawLine(const std::vector<Vector3<double>>& path, const Feature::Style* style);
/// An area feature with outer ring `ring` and `holes` (AreaEntityDrawing.cpp).
std::vector<EntityGraphic> drawArea(const std::vector<Vector3<double>>& ring,
                                    const std::vector<std::vector<Vector3<double>>>& holes,
                                    const Feature::Style* style);

/// The model of a feature's model entity `model` (a child entity whose graphics are
/// `ModelGraphics`), drawn as its box's silhouette with `model` as id; nothing until the
/// model has loaded or when it has no position (ModelEntityDrawing.cpp).
void submitModel(const std::shared_ptr<Entity>& model, const PrimitiveBase& display, bool shown,
                 FrameState& frameState);
/// The sphere holding the box of `graphics` placed at `position` (fixed frame, metres).
BoundingSphere modelExtent(const ModelGraphics& graphics, const Vector3<double>& position);

/// Places `graphic` in the frame's window and adds it to the draw list with `entity` as
/// id; `shown` is whether its feature and the display are showing.
void submit(const EntityGraphic& graphic, const std::shared_ptr<Entity>& entity, const PrimitiveBase& display,
            bool shown, FrameState& frameState);

}  // namespace entity_drawing
}  // namespace qel
