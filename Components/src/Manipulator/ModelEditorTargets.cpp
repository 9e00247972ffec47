// What the model editor reads of the objects it edits: tiles, models and picks.
#include "ModelEditorTargets.h"

#include "Data/Entity.h"
#include "Data/ModelGraphics.h"
#include "Layers/Qel3DTile.h"
#include "Layers/Qel3DTileFeature.h"
#include "Layers/Qel3DTileset.h"
#include "Manipulator/ModelEditorImpl.h"
#include "Scene/PickObject.h"

namespace qel {

namespace {

std::shared_ptr<Entity> searchModel(const std::shared_ptr<Entity>& entity) {
  if (!entity) return nullptr;
  if (modelHalfSize(*entity)) return entity;
  for (const std::shared_ptr<Entity>& child : entity->getChildren()) {
    if (std::shared_ptr<Entity> found = searchModel(child)) return found;
  }
  return nullptr;
}

}  // namespace

const Qel3DTile* rootTile(const Qel3DTileset& tileset) { return tileset.getRoot(); }

Matrix4 tileOwnTransform(const Qel3DTile& tile) { return tile.getTransform(); }

Vector3<double> tileHeaderCentre(const Qel3DTile& tile) { return tile._getHeaderJsonBoundingVolumeCenter(); }

Vector3<double> tileBoundingCentre(const Qel3DTile& tile) { return tile.getBoundingVolume().getCenter(); }

Vector3<double> tileBoundingSize(const Qel3DTile& tile) {
  const BoundingVolume volume = tile.getBoundingVolume();
  if (const BoundingSphere* sphere = volume.getBoundingSphere()) {
    const double diameter = 2.0 * sphere->radius;
    return {diameter, diameter, diameter};
  }
  if (const OrientedBoundingBox* box = volume.getOrientedBoundingBox()) return box->halfAxes.getScale() * 2.0;
  return {};
}

std::optional<Vector3<double>> modelHalfSize(const Entity& model) {
  const std::shared_ptr<GeometryGraphics>& graphics = model.getGeometryGraphics();
  if (!graphics || graphics->getKind() != GeometryGraphics::Kind::Model) return std::nullopt;
  return static_cast<const ModelGraphics&>(*graphics)._getBoundingBox().getHalfSize();
}

const Qel3DTileset* pickedTileset(const PickObject& picked) {
  const Qel3DTileFeature* feature = picked.getTileFeature();
  return feature != nullptr ? feature->getTileset().get() : nullptr;
}

std::shared_ptr<Entity> findModelEntity(const Feature::Feature& feature) {
  return searchModel(feature._getImplHandle());
}

}  // namespace qel
