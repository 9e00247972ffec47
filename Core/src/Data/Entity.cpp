#include "Data/Entity.h"

#include <utility>

#include "Data/ModelGraphics.h"

namespace qel {

Entity::Entity(std::weak_ptr<Feature::Feature> feature, const DataSourceDisplay* display, const Entity* parent)
    : feature_(std::move(feature)), display_(display), parent_(parent) {}

Matrix4 Entity::computeModelMatrix() const {
  const auto* model = dynamic_cast<const ModelGraphics*>(geometryGraphics_.get());
  if (!model || !position_) return Matrix4::identity();
  return model->computeModelMatrix(*position_);
}

void Entity::_setDrawn(const Feature::Feature::DefinitionStamp& from, std::optional<Vector3<double>> position,
                       std::optional<BoundingSphere> extent, std::vector<EntityGraphic> graphics) {
  drawnFrom_ = from;
  position_ = std::move(position);
  extent_ = std::move(extent);
  graphics_ = std::move(graphics);
}

}  // namespace qel
