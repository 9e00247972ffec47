#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Common/BoundingSphere.h"
#include "Common/Matrix4.h"
#include "Common/Vector3.h"
#include "Data/EntityGraphic.h"
#include "Data/GeometryGraphics.h"
#include "Feature/Feature.h"

namespace qel {

class DataSourceDisplay;

/// What a scene draws for a feature, built by the scene's data source display from the
/// feature's geometry and style: the drawn positions in the fixed frame, with the style's
/// height reference applied against the scene's surface. Main thread only.
class Entity {
 public:
  /// An entity of `feature` built by `display` (not yet drawn), under `parent` (null for
  /// a feature's main entity; the parent owns its children and outlives them).
  Entity(std::weak_ptr<Feature::Feature> feature, const DataSourceDisplay* display, const Entity* parent = nullptr);

  /// The feature drawn; null once it is gone.
  std::shared_ptr<Feature::Feature> _getFeature() const { return feature_.lock(); }
  /// The display that built the entity.
  const DataSourceDisplay* _getDisplay() const noexcept { return display_; }

  /// The drawn position of a point, the first drawn position of a line or area, the
  /// drawn centre of a rectangle or circle (fixed frame, metres); empty when nothing
  /// with a place on the globe is drawn.
  const std::optional<Vector3<double>>& getPosition() const noexcept { return position_; }
  /// The sphere holding what is drawn; empty when nothing with a place on the globe is
  /// drawn (a screen-space point, an empty line, a position that is not finite).
  const std::optional<BoundingSphere>& getDrawnExtent() const noexcept { return extent_; }
  /// What the entity draws, in drawing order: for a feature with a style of its
  /// geometry's kind, what the style's enabled symbols ask for; otherwise (no style, a
  /// plain style or one of another kind) a mark at `getPosition`. Empty when nothing
  /// with a place on the globe is drawn.
  const std::vector<EntityGraphic>& getGraphics() const noexcept { return graphics_; }
  /// What the entity draws as a whole: a `ModelGraphics` (kind 7) for the model of a
  /// point feature; null for none.
  const std::shared_ptr<GeometryGraphics>& getGeometryGraphics() const noexcept { return geometryGraphics_; }
  void _setGeometryGraphics(std::shared_ptr<GeometryGraphics> graphics) { geometryGraphics_ = std::move(graphics); }
  /// The entities built under this one (a point feature's model entity), in order.
  const std::vector<std::shared_ptr<Entity>>& getChildren() const noexcept { return children_; }
  void _setChildren(std::vector<std::shared_ptr<Entity>> children) { children_ = std::move(children); }
  /// The entity this one was built under; null for a feature's main entity.
  const Entity* _getParent() const noexcept { return parent_; }
  /// The matrix placing the entity's model at its position: the east-north-up frame at
  /// `getPosition`, turned by the model's negated rotation and scaled (see
  /// `ModelGraphics::computeModelMatrix`). The identity for an entity without a model or
  /// without a position.
  Matrix4 computeModelMatrix() const;

  /// What the entity was drawn from; empty before it is first drawn.
  const std::optional<Feature::Feature::DefinitionStamp>& getDrawnFrom() const noexcept { return drawnFrom_; }

  /// Records what the display drew.
  void _setDrawn(const Feature::Feature::DefinitionStamp& from, std::optional<Vector3<double>> position,
                 std::optional<BoundingSphere> extent, std::vector<EntityGraphic> graphics = {});

 private:
  std::weak_ptr<Feature::Feature> feature_;
  const DataSourceDisplay* display_;
  const Entity* parent_;
  std::shared_ptr<GeometryGraphics> geometryGraphics_;
  std::vector<std::shared_ptr<Entity>> children_;
  std::optional<Feature::Feature::DefinitionStamp> drawnFrom_;
  std::optional<Vector3<double>> position_;
  std::optional<BoundingSphere> extent_;
  std::vector<EntityGraphic> graphics_;
};

}  // namespace qel
