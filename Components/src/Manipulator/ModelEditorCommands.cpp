// The model editor's transform steps: the four values of a newly edited object, and the
// moves, turns and scalings that the commands and the gizmo's drags apply to a tileset's
// model matrix or a model feature's geometry and symbol.
#include <algorithm>
#include <cmath>

#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"
#include "Data/Entity.h"
#include "Feature/PointGeometry.h"
#include "Feature/PointStyle.h"
#include "Layers/Layer.h"
#include "Layers/Qel3DTileset.h"
#include "Scene/SceneImpl.h"
#include "Manipulator/ModelEditorImpl.h"
#include "ModelEditorTargets.h"

namespace qel {

namespace {

// A translation component at most this large (metres) leaves the matching part of the
// position alone: the horizontal place for x and y, the height for z. Keeps a pure
// horizontal move from creeping in height through the curvature of the Earth.
constexpr double kStillOffset = 1e-8;
// The smallest scale factor a command or a corner drag leaves: a zero or negative
// factor would flatten or mirror the object beyond recovery.
constexpr double kMinimumScale = 0.001;

Matrix4 enuAt(const Vector3<double>& point) { return Transforms::eastNorthUpToFixedFrame(point, Ellipsoid::WGS84); }

Matrix4 enuAt(const Cartographic& place) { return enuAt(Ellipsoid::WGS84.cartographicToCartesian(place)); }

bool isFinite(const Vector3<Radian>& angles) {
  return std::isfinite(angles.x.value()) && std::isfinite(angles.y.value()) && std::isfinite(angles.z.value());
}

// The model symbol the rotation and scale of a model feature are written to: only a
// point feature's point style carries one.
Feature::ModelSymbol* modelSymbolOf(const Feature::Feature& target) {
  const std::shared_ptr<Feature::Geometry> geometry = target.getGeometry();
  if (!geometry || geometry->getType() != Feature::GeometryType::Point) return nullptr;
  const std::shared_ptr<Feature::Style> style = target.getStyle();
  Feature::PointStyle* pointStyle = style ? style->asPointStyle() : nullptr;
  return pointStyle != nullptr ? pointStyle->getModelSymbol().get() : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The object as it stands

std::optional<ModelEditorImpl::ObjectFrame> ModelEditorImpl::objectFrame() const {
  if (const std::shared_ptr<Qel3DTileset> edited = tileset.lock()) {
    const Qel3DTile* root = rootTile(*edited);
    if (root == nullptr) return std::nullopt;
    const Matrix4 own = tileOwnTransform(*root);
    // A root without a transform of its own stands in the tileset's model matrix at its
    // header centre: its local axes are the east-north-up frame there.
    const Matrix4 local = own.isIdentity() ? enuAt(tileHeaderCentre(*root)) : own;
    return ObjectFrame{tileBoundingCentre(*root), edited->modelMatrix * local};
  }
  if (const std::shared_ptr<Feature::Feature> edited = feature.lock()) {
    const std::shared_ptr<Entity> model = findModelEntity(*edited);
    if (!model || !model->getPosition()) return std::nullopt;
    const Vector3<double> centre = *model->getPosition();
    const Matrix4 matrix = model->computeModelMatrix();
    return ObjectFrame{centre, matrix.isIdentity() ? enuAt(centre) : matrix};
  }
  return std::nullopt;
}

bool ModelEditorImpl::hasTarget() const { return !tileset.expired() || !feature.expired(); }

void ModelEditorImpl::deriveTilesetState(const Qel3DTileset& target) {
  const Qel3DTile& root = *rootTile(target);
  const Matrix4 own = tileOwnTransform(root);
  const bool hasOwn = !own.isIdentity();
  const Vector3<double> referenceCentre = hasOwn ? own.getTranslation() : tileHeaderCentre(root);
  const Vector3<double> centre = hasOwn ? (target.modelMatrix * own).getTranslation() : tileBoundingCentre(root);
  const Matrix4& m = target.modelMatrix;
  if (!m.isIdentity()) {
    const Matrix4 e = enuAt(referenceCentre);
    const Matrix4 eInverse = e.inverse();
    translation = eInverse.multiplyByPoint(centre);
    const Matrix4 local = eInverse * m * e;
    if (!local.isIdentity()) {
      scale = local.getScale();
      const Matrix3 turn = (Matrix4::fromScale(scale).inverse() * local).getMatrix3();
      const Vector3<Radian> angles = turn.toEulerAnglesXYZ();
      rotation = {-angles.x, -angles.y, -angles.z};
    }
  }
  if (const std::optional<Cartographic> place = Ellipsoid::WGS84.cartesianToCartographic(centre)) position = *place;
}

void ModelEditorImpl::deriveFeatureState(const Feature::Feature& target) {
  if (const auto point = std::dynamic_pointer_cast<Feature::PointGeometry>(target.getGeometry())) {
    position = point->getPosition();
  }
  if (const Feature::ModelSymbol* symbol = modelSymbolOf(target)) {
    rotation = symbol->getRotation();
    scale = symbol->getScale();
  }
  translation = {};
}

// ---------------------------------------------------------------------------------------
// Commands

void ModelEditorImpl::translate(const Vector3<double>& offset) {
  if (!offset.isFinite() || !hasTarget()) return;
  translateBy(offset);
  needsRebuild = true;
}

void ModelEditorImpl::rotate(const Vector3<Radian>& angles) {
  if (!isFinite(angles) || !hasTarget()) return;
  rotateBy(angles - rotation);
  rotation = angles;
  needsRebuild = true;
}

void ModelEditorImpl::setScale(const Vector3<double>& factors) {
  if (!factors.isFinite() || !hasTarget()) return;
  const Vector3<double> f{std::max(factors.x, kMinimumScale), std::max(factors.y, kMinimumScale),
                          std::max(factors.z, kMinimumScale)};
  scaleBy({f.x / scale.x, f.y / scale.y, f.z / scale.z});
  scale = f;
  needsRebuild = true;
}

void ModelEditorImpl::setPosition(const Cartographic& place) {
  if (!place.isFinite()) return;
  moveTo(place);
}

// ---------------------------------------------------------------------------------------
// Transform steps

void ModelEditorImpl::translateBy(const Vector3<double>& d) {
  const std::optional<ObjectFrame> object = objectFrame();
  if (!object) return;
  const Vector3<double> local = object->frame.inverse().multiplyByPoint(object->centre);
  const Vector3<double> moved = object->frame.multiplyByPoint(local + d);
  const std::optional<Cartographic> from = Ellipsoid::WGS84.cartesianToCartographic(object->centre);
  const std::optional<Cartographic> to = Ellipsoid::WGS84.cartesianToCartographic(moved);
  if (!from || !to) return;
  Cartographic target = position;
  if (std::abs(d.x) > kStillOffset || std::abs(d.y) > kStillOffset) {
    target.longitude += to->longitude - from->longitude;
    target.latitude += to->latitude - from->latitude;
  }
  if (std::abs(d.z) > kStillOffset) target.height += to->height - from->height;
  moveTo(target);
  translation += d;
}

void ModelEditorImpl::rotateBy(const Vector3<Radian>& delta) {
  rotation += delta;
  if (const std::shared_ptr<Qel3DTileset> edited = tileset.lock()) {
    const Qel3DTile* root = rootTile(*edited);
    if (root == nullptr) return;
    const Matrix4 e = enuAt(tileBoundingCentre(*root));
    const Matrix4 turn =
        Matrix4::fromRotationTranslation(Matrix3::fromEulerAnglesXYZ({-delta.x, -delta.y, -delta.z}), {});
    edited->modelMatrix = e * turn * e.inverse() * edited->modelMatrix;
    refreshTilesetPosition(*edited);
    edited->_setModelRotation({-rotation.x, -rotation.y, -rotation.z});
  } else if (const std::shared_ptr<Feature::Feature> edited = feature.lock()) {
    if (Feature::ModelSymbol* symbol = modelSymbolOf(*edited)) symbol->setRotation(rotation);
  }
}

void ModelEditorImpl::scaleBy(const Vector3<double>& f) {
  scale = {scale.x * f.x, scale.y * f.y, scale.z * f.z};
  if (const std::shared_ptr<Qel3DTileset> edited = tileset.lock()) {
    const Qel3DTile* root = rootTile(*edited);
    if (root == nullptr) return;
    const Matrix4 e = enuAt(tileBoundingCentre(*root));
    edited->modelMatrix = e * Matrix4::fromScale(f) * e.inverse() * edited->modelMatrix;
    refreshTilesetPosition(*edited);
    edited->_setModelScale(scale);
  } else if (const std::shared_ptr<Feature::Feature> edited = feature.lock()) {
    if (Feature::ModelSymbol* symbol = modelSymbolOf(*edited)) symbol->setScale(scale);
  }
}

void ModelEditorImpl::refreshTilesetPosition(const Qel3DTileset& target) {
  const Qel3DTile* root = rootTile(target);
  const Matrix4 own = tileOwnTransform(*root);
  if (own.isIdentity()) return;
  const Vector3<double> at = (target.modelMatrix * own).getTranslation();
  if (const std::optional<Cartographic> place = Ellipsoid::WGS84.cartesianToCartographic(at)) position = *place;
}

void ModelEditorImpl::moveTo(const Cartographic& target) {
  if (target.equalsEpsilon(position, 0.0)) return;
  const Matrix4 shift = enuAt(target) * enuAt(position).inverse();
  if (const std::shared_ptr<Qel3DTileset> edited = tileset.lock()) {
    edited->modelMatrix = shift * edited->modelMatrix;
  } else if (const std::shared_ptr<Feature::Feature> edited = feature.lock()) {
    const auto point = std::dynamic_pointer_cast<Feature::PointGeometry>(edited->getGeometry());
    if (point && point->getType() == Feature::GeometryType::Point) point->setPosition(target);
  }
  position = target;
  needsRebuild = true;
}

}  // namespace qel

namespace qel {

// ---------------------------------------------------------------------------------------
// Rebuild

void ModelEditorImpl::update(SceneImpl& sceneImpl, std::shared_ptr<Qel3DTileset> editedTileset,
                             std::shared_ptr<Feature::Feature> editedFeature) {
  if (!editedTileset && !editedFeature) return;
  const std::optional<ObjectFrame> object = objectFrame();
  if (!object) return;
  const Vector3<double> s = object->frame.getScale();
  if (!(s.x > 0.0) || !(s.y > 0.0) || !(s.z > 0.0)) return;
  std::optional<Vector3<double>> dimensions;
  if (editedTileset) {
    if (const Qel3DTile* root = rootTile(*editedTileset)) {
      const Vector3<double> size = tileBoundingSize(*root);
      dimensions = Vector3<double>{size.x / s.x, size.y / s.y, size.z / s.z};
    }
  } else if (const std::shared_ptr<Entity> model = findModelEntity(*editedFeature)) {
    if (const std::optional<Vector3<double>> half = modelHalfSize(*model)) dimensions = *half * 2.0;
  }
  if (!dimensions || !dimensions->isFinite()) return;
  // The frame's turn: its axes without their scale.
  const Matrix3 turn = Matrix3::fromColumns(object->frame.getColumn3(0) / s.x, object->frame.getColumn3(1) / s.y,
                                            object->frame.getColumn3(2) / s.z);
  const Matrix4 g =
      Matrix4::fromTranslationQuaternionRotationScale(object->centre, Quaternion::fromRotationMatrix(turn), s);
  if (!g.isFinite()) return;
  gizmo.build(sceneImpl.getPrimitives(), *dimensions, g);
  needsRebuild = false;
}

}  // namespace qel
