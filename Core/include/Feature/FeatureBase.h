#pragma once

#include <memory>
#include <mutex>

namespace qel {
class Layer;
}

namespace qel::Feature {

class Feature;
class FeatureGroup;

/// What features and groups of features share: a place in a tree of groups whose root
/// belongs to a layer (a data source), and a show flag.
///
/// The tree is changed on the main thread. `getLayer`, `getParent`, `isShow` and
/// `isShowing` may be read from any thread. Held by `std::shared_ptr`.
class FeatureBase : public std::enable_shared_from_this<FeatureBase> {
 public:
  virtual ~FeatureBase();
  FeatureBase(const FeatureBase&) = delete;
  FeatureBase& operator=(const FeatureBase&) = delete;

  /// The layer of the tree this lies in (the layer its root group belongs to); empty
  /// when the tree belongs to no layer or that layer is gone.
  std::shared_ptr<Layer> getLayer() const;
  /// The group this lies in; empty for a root.
  std::shared_ptr<FeatureGroup> getParent() const;

  /// The own show flag.
  bool isShow() const;
  void setShow(bool show);
  /// True when this and every group above it are shown and it lies in a layer that is
  /// showing (`Layer::isShowing`): what is drawn. False outside any layer.
  bool isShowing() const;

  /// A copy of this that lies in no group and no layer and has no id; its show flag is
  /// this one's. A feature's copy holds clones of its geometry and style (used for undo
  /// snapshots); see `FeatureGroup::clone` for a group's.
  virtual std::unique_ptr<FeatureBase> clone() const = 0;

  /// This as a feature or a group; null when it is not one.
  virtual Feature* _asFeature() noexcept { return nullptr; }
  virtual FeatureGroup* _asGroup() noexcept { return nullptr; }

  /// Makes this the root of the tree of `layer` (a data source does this for its root
  /// group); an empty pointer takes the tree out of its layer.
  void _setLayer(const std::weak_ptr<Layer>& layer);

 protected:
  FeatureBase() = default;
  /// Drops what a scene built for this (and, for a group, for everything below it):
  /// it moved to another tree and is to be built anew.
  virtual void _forgetDrawing() {}

 private:
  friend class FeatureGroup;

  mutable std::mutex mutex_;
  std::weak_ptr<FeatureGroup> parent_;
  std::weak_ptr<Layer> layer_;
  bool show_ = true;
};

}  // namespace qel::Feature
