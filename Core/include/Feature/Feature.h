#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Feature/FeatureBase.h"
#include "Feature/Geometry.h"
#include "Feature/Style.h"

namespace qel {
class Entity;
}

namespace qel::Feature {

/// A feature: a geometry drawn with a style, placed in a group of a layer's feature
/// tree. Once it lies in the tree of a data source in a scene, the scene's data source
/// display builds its entities (what is drawn for it) in the scene's next frame, and
/// builds them anew in the frame after each change of its geometry or style.
///
/// Held by `std::shared_ptr`. Everything but the reads of `FeatureBase` runs on the main
/// thread.
class Feature : public FeatureBase {
 public:
  /// What the entities of a feature were built from: its own changes (geometry or style
  /// replaced) and those of its geometry and style.
  struct DefinitionStamp {
    std::uint64_t feature = 0;
    std::uint64_t geometry = 0;
    std::uint64_t style = 0;
    bool operator==(const DefinitionStamp&) const noexcept = default;
  };

  /// A feature without geometry or style; `id` is the identifier a stored feature has,
  /// none for a new one.
  explicit Feature(std::optional<std::int64_t> id = std::nullopt);
  ~Feature() override;

  std::optional<std::int64_t> getId() const noexcept { return id_; }

  /// Takes `other`'s content: its geometry and style definitions. The geometry and the
  /// style objects this feature holds stay the same objects (an editor following them
  /// keeps following them) and take copies of `other`'s definitions (`Geometry::_assign`,
  /// `Style::_assign`); only when one is missing or of another kind does this feature
  /// get a clone of `other`'s (or none, when `other` has none). The id, the group, the
  /// show flag and the asynchronous flag stay. Used to restore undo snapshots.
  Feature& operator=(const Feature& other);

  /// A new feature with a clone of the geometry and of the style, no id and no group.
  std::unique_ptr<FeatureBase> clone() const override;

  /// The geometry; null when the feature has none.
  std::shared_ptr<Geometry> getGeometry() const;
  void setGeometry(std::shared_ptr<Geometry> geometry);
  /// The style; null when the feature has none (heights are then absolute).
  std::shared_ptr<Style> getStyle() const;
  void setStyle(std::shared_ptr<Style> style);

  /// False while an editor holds the feature (its changes are drawn at once by the
  /// editor's own previews), true otherwise.
  bool _isAsynchronous() const noexcept { return asynchronous_; }
  void _setAsynchronous(bool asynchronous) noexcept { asynchronous_ = asynchronous; }

  /// True when there is nothing left to wait for before asking the scene for the
  /// feature's extent: its entities are built for its current geometry and style, or no
  /// entity will ever be built (it has no geometry, or lies in no layer of a scene). In
  /// the last two cases `_getAllEntities` is empty.
  bool _isEntityReady() const;
  /// The entities built for the current geometry and style; empty while they are not
  /// (yet) built.
  const std::vector<std::shared_ptr<Entity>>& _getAllEntities() const;
  /// The feature's main entity; null until the scene has first built it. It stays the
  /// same object while the feature stays in the same scene.
  std::shared_ptr<Entity> _getImplHandle() const;

  DefinitionStamp _getDefinitionStamp() const;
  /// Called by the data source display when it has built the feature's entities from
  /// `builtFrom`.
  void _setEntities(std::vector<std::shared_ptr<Entity>> entities, const DefinitionStamp& builtFrom);

  Feature* _asFeature() noexcept override { return this; }

 protected:
  void _forgetDrawing() override;

 private:
  // True when a scene is to build entities for the feature: it has a geometry and lies
  // in a layer of a scene.
  bool isBuildExpected() const;

  std::optional<std::int64_t> id_;
  mutable std::mutex mutex_;  // guards the geometry and style pointers
  std::shared_ptr<Geometry> geometry_;
  std::shared_ptr<Style> style_;
  std::uint64_t version_ = 0;
  bool asynchronous_ = true;
  std::vector<std::shared_ptr<Entity>> entities_;
  std::optional<DefinitionStamp> builtFrom_;
};

}  // namespace qel::Feature
