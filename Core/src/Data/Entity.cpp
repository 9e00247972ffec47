#include "Data/Entity.h"

#include <utility>

namespace qel {

Entity::Entity(std::weak_ptr<Feature::Feature> feature, const DataSourceDisplay* display)
    : feature_(std::move(feature)), display_(display) {}

void Entity::_setDrawn(const Feature::Feature::DefinitionStamp& from, std::optional<Vector3<double>> position,
                       std::optional<BoundingSphere> extent, std::vector<EntityGraphic> graphics) {
  drawnFrom_ = from;
  position_ = std::move(position);
  extent_ = std::move(extent);
  graphics_ = std::move(graphics);
}

}  // namespace qel
