// A model entity: its box placed by the model matrix, drawn as the box's silhouette so
// that a pick anywhere over the model finds the model entity.
#include "Common/Matrix3.h"
#include "Common/OrientedBoundingBox.h"
#include "Data/Entity.h"
#include "Data/EntityDrawing.h"
#include "Data/ModelGraphics.h"
#include "Scene/DrawSubmission.h"
#include "Scene/FrameState.h"
#include "Scene/PrimitiveBase.h"

namespace qel::entity_drawing {

BoundingSphere modelExtent(const ModelGraphics& graphics, const Vector3<double>& position) {
  const AxisAlignedBoundingBox& box = graphics._getBoundingBox();
  const Matrix4 placed = graphics.computeModelMatrix(position);
  return BoundingSphere::fromOrientedBoundingBox(
      {placed.multiplyByPoint(box.center), placed.getMatrix3() * Matrix3::fromScale(box.getHalfSize())});
}

void submitModel(const std::shared_ptr<Entity>& model, const PrimitiveBase& display, bool shown,
                 FrameState& frameState) {
  const auto* graphics = dynamic_cast<const ModelGraphics*>(model->getGeometryGraphics().get());
  if (!graphics || !graphics->isLoaded() || !model->getPosition()) return;
  const AxisAlignedBoundingBox& box = graphics->_getBoundingBox();
  const Matrix4 placed = model->computeModelMatrix() * Matrix4::fromTranslation(box.center);
  // A scale or turn that is not finite puts the model nowhere: nothing to draw or pick.
  if (!placed.isFinite()) return;
  DrawItem item;
  item.id = std::weak_ptr<Entity>(model);
  item.detail().entity = model;
  item.color = graphics->getColor();
  item.primitive = &display;
  item.selectable = display.isSelectEnabled();
  const bool visible = placeBoxSilhouette(item, frameState, placed, box.getHalfSize(), display.isDepthTestEnabled());
  item.shown = shown && visible;
  frameState.drawList.add(std::move(item));
}

}  // namespace qel::entity_drawing
