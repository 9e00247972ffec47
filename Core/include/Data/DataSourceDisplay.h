#pragma once

#include <memory>
#include <vector>

#include "Common/BoundingSphere.h"
#include "Data/BoundingSphereState.h"
#include "Data/DataSource.h"
#include "Data/Entity.h"
#include "Layers/Layer.h"
#include "Scene/PrimitiveBase.h"

namespace qel {

class ModelGraphics;
class Qel3DTileset;
class SceneImpl;

/// A scene's display of its data sources (`SceneImpl::_getDataSourceDisplay`): each
/// frame, before the scene's primitives are updated, it builds the entities of every
/// feature of its data sources that was added or changed since it was last built, so
/// that a feature added during one frame is drawn, and its extent known, from the
/// scene's next frame on. It holds the scene's root layer, with the default data source
/// under it.
///
/// Main thread only. Owned by its scene and destroyed first when the scene goes: the
/// layers under it then no longer have a scene.
///
/// Every member is defined out of line, on purpose: a program that uses the display
/// thereby links this module, whose loading is what gives its scenes a display.
class DataSourceDisplay : public PrimitiveBase {
 public:
  /// The display of `scene`. `sceneHandle` is what the layers under it hand out as
  /// their scene (`Layer::_getScene`); it expires when the display is destroyed.
  DataSourceDisplay(SceneImpl& scene, std::shared_ptr<SceneImpl> sceneHandle);
  ~DataSourceDisplay() override;

  /// The data source that features drawn by the editors are placed in.
  const std::shared_ptr<DataSource>& getDefaultDataSource() const noexcept;
  /// The layer every data source of the scene lies under; its scene is this display's.
  const std::shared_ptr<Layer>& getRootLayer() const noexcept;
  /// Adds a data source (null or already added: nothing); it is drawn from the next frame.
  void add(const std::shared_ptr<DataSource>& dataSource);
  /// Takes a data source out (not the default one); false when it is not in the display.
  bool remove(const DataSource& dataSource);
  const std::vector<std::shared_ptr<DataSource>>& getDataSources() const noexcept;

  /// Shows a tileset in this display's scene: its layer goes under the root layer (so
  /// that it is in the scene) and its content is drawn and picked from the next frame.
  /// Null or already added: nothing.
  void addTileset(const std::shared_ptr<Qel3DTileset>& tileset);
  /// Takes a tileset out of the scene: its layer has no scene and nothing of it is drawn
  /// from the next frame. False when it is not in this display.
  bool removeTileset(const Qel3DTileset& tileset);
  const std::vector<std::shared_ptr<Qel3DTileset>>& getTilesets() const noexcept;

  /// The sphere holding what is drawn for `entity`, into `result`:
  /// - `Done`: `result` is set;
  /// - `Pending`: the entity's feature changed since it was drawn, and the next frame
  ///   draws it anew; or the entity is a model entity whose model loads next frame;
  /// - `Failed`: the entity was not built by this display, its feature is gone or no
  ///   longer in this display's scene, or what it draws has no place on the globe.
  /// `result` is left alone unless the answer is `Done`. `allowPartial` lets a caller
  /// accept an extent still being loaded; every extent this display knows is whole, so
  /// it changes nothing.
  BoundingSphereState getBoundingSphere(const Entity& entity, bool allowPartial, BoundingSphere& result) const;

  /// Loads the models made during the last frame, then builds the entities of the
  /// features added or changed since the last frame. A point feature whose style has an
  /// enabled model symbol gets a model entity under its main entity, with
  /// `ModelGraphics` (kind 7); it is drawn, and its extent known, once its model has
  /// loaded, one frame after it was made.
  void update(FrameState& frameState) override;

 private:
  void updateTree(Feature::FeatureBase& node);
  // Submits the entities of the features under `node` to the frame's draw list.
  void submitTree(Feature::FeatureBase& node, FrameState& frameState) const;
  void build(Feature::Feature& feature);
  // The model entity under `entity` for a point feature whose style places a model at
  // `position` (the one it had, when it still fits), drawn from `stamp`; null for none.
  std::shared_ptr<Entity> buildModel(Feature::Feature& feature, Entity& entity, const Feature::Style* style,
                                     const std::optional<Vector3<double>>& position,
                                     const Feature::Feature::DefinitionStamp& stamp);

  SceneImpl& scene_;
  std::shared_ptr<SceneImpl> sceneHandle_;
  std::shared_ptr<Layer> root_;
  std::shared_ptr<DataSource> defaultDataSource_;
  std::vector<std::shared_ptr<DataSource>> dataSources_;
  std::vector<std::shared_ptr<Qel3DTileset>> tilesets_;
  // Models made during the last frame: they load at the start of the next.
  std::vector<std::weak_ptr<ModelGraphics>> loadingModels_;
};

}  // namespace qel
