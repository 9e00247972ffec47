#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include <boost/thread/future.hpp>

#include "Common/BoundingRegion.h"

namespace qel {

class SceneImpl;

/// Something shown in a scene as a whole: a data source of features, a 3D tileset, a
/// group of layers. Layers form a tree under the scene's root layer; a layer belongs to
/// the scene of its root.
///
/// A layer becomes ready once its content is known (its extent, for one): then its
/// ready promise is fulfilled with the layer itself, on whatever thread made it ready,
/// and continuations attached with `boost::launch::sync` run there. A layer destroyed
/// before it is ready breaks the promise (`boost::broken_promise` for those waiting).
///
/// Tree and flags are changed on the main thread; `_getScene`, `isShowing`,
/// `getBoundingRegion`, `getParent` and `getReadyPromise` may be read from any thread.
/// Layers are always held by `std::shared_ptr` (`create`).
class Layer : public std::enable_shared_from_this<Layer> {
 public:
  /// A shown layer with no parent, no scene and no extent; ready at once when `ready`
  /// is true, otherwise when `_setReady` is called.
  static std::shared_ptr<Layer> create(bool ready = true);
  virtual ~Layer();
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;

  /// The scene the layer is in: its own (for a scene's root layer) or its parent's.
  /// Empty when the layer is not in a scene, or its scene has been destroyed.
  std::shared_ptr<SceneImpl> _getScene() const;
  /// Makes this layer the root of `scene` (the scene's data source display does this);
  /// an empty pointer takes it out.
  void _setScene(std::weak_ptr<SceneImpl> scene);

  /// The layer this one is placed under; empty for a root.
  std::shared_ptr<Layer> getParent() const;
  /// Places this layer under `parent` (empty: takes it out of its tree). A parent that
  /// is this layer or lies below it is refused: nothing changes.
  void _setParent(const std::shared_ptr<Layer>& parent);

  /// The layer's own show flag.
  bool isShow() const;
  void setShow(bool show);
  /// True when this layer and every layer above it are shown.
  bool isShowing() const;

  /// What the layer covers; null while its extent is not known.
  std::shared_ptr<const BoundingRegion> getBoundingRegion() const;
  /// Sets the extent (an empty optional clears it).
  void setBoundingRegion(const std::optional<BoundingRegion>& region);

  /// The ready promise: fulfilled with this layer when it becomes ready.
  boost::shared_future<Layer*> getReadyPromise() const { return ready_; }
  /// True once `_setReady` has run.
  bool isReady() const;
  /// Makes the layer ready (any thread); continuations attached with
  /// `boost::launch::sync` run on this thread before it returns. Later calls do nothing.
  void _setReady();

 protected:
  explicit Layer(bool ready);

 private:
  mutable std::mutex mutex_;
  std::weak_ptr<Layer> parent_;
  std::weak_ptr<SceneImpl> scene_;
  bool show_ = true;
  bool readyDone_ = false;
  std::shared_ptr<const BoundingRegion> region_;
  boost::promise<Layer*> readyPromise_;
  boost::shared_future<Layer*> ready_;
};

}  // namespace qel
