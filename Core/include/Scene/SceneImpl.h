#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Common/Cartographic.h"
#include "Common/HeightReference.h"
#include "Common/Publisher.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"
#include "Renderer/Camera.h"
#include "Renderer/Context.h"
#include "Scene/FrameState.h"
#include "Scene/GlobeImpl.h"
#include "Scene/DrawList.h"
#include "Scene/MapProjection.h"
#include "Scene/HostChangeJournal.h"
#include "Scene/PickObject.h"
#include "Scene/PrimitiveCollection.h"

namespace qel {

class DataSourceDisplay;

/// The scene: camera, render context, globe, primitives and the per-frame work. Owned
/// by the viewer and touched on the main thread only (the camera's pose excepted).
///
/// Operations that navigation calls through a `const SceneImpl&` may still move the
/// camera (a zoom step aims its pick ray from the new eye), so the camera, like the
/// globe, is reachable as non-const from a const scene.
class SceneImpl {
 public:
  using PostCullPublisher = Publisher<std::function<void(SceneImpl&, const std::chrono::steady_clock::time_point&)>>;

  SceneImpl();
  ~SceneImpl();
  SceneImpl(const SceneImpl&) = delete;
  SceneImpl& operator=(const SceneImpl&) = delete;

  Camera& getCamera() const noexcept { return *camera_; }
  GlobeImpl& getGlobe() const noexcept { return *globe_; }
  Context& getContext() const noexcept { return *context_; }
  FrameState& getFrameState() const noexcept { return *frameState_; }
  PrimitiveCollection& getPrimitives() const noexcept { return *primitives_; }
  const MapProjection& getMapProjection() const noexcept { return mapProjection_; }
  PostCullPublisher& getPostCull() const noexcept { return *postCull_; }
  /// Test hook: the order of the handler and top-level primitive adds and removes,
  /// recorded once `setRecording` (true) is called on it.
  HostChangeJournal& getChangeJournal() const noexcept { return *changeJournal_; }

  /// The display that draws the scene's data sources (features): `getDefaultDataSource`,
  /// `getBoundingSphere`. It is defined by the qelData module, which sits above the scene
  /// and gives every scene created after it is loaded a display; a caller that uses the
  /// display links qelData, so its scenes have one. Throws `std::logic_error` for a
  /// scene made in a process without qelData.
  DataSourceDisplay& _getDataSourceDisplay() const;
  /// What the data source display's module hands a new scene: the display, and the same
  /// object as the work the scene runs each frame before updating its primitives.
  struct DataSourceDisplayParts {
    std::shared_ptr<DataSourceDisplay> display;
    std::shared_ptr<PrimitiveBase> frameWork;
  };
  using DataSourceDisplayFactory = DataSourceDisplayParts (*)(SceneImpl& scene);
  /// Installed by qelData when it loads; scenes created afterwards get a display.
  static void _setDataSourceDisplayFactory(DataSourceDisplayFactory factory) noexcept;

  /// Factor applied to keyboard speeds (1 by default).
  double getResolution() const noexcept { return resolution_; }
  /// Ignores values that are not finite and positive.
  void setResolution(double resolution) noexcept;

  /// Surface height for a height reference: the terrain for the terrain and surface
  /// references (the tiles this host has are boxes and do not carry heights), empty
  /// for `None` or an empty position.
  std::optional<double> getHeight(const std::optional<Cartographic>& position, HeightReference reference) const;
  /// Globe point under a window pixel (origin top left).
  std::optional<Vector3<double>> pickGlobe(const Vector2<int>& windowPosition) const;
  /// Nearest point under a window pixel on the selectable primitives (models, tiles) or
  /// the terrain.
  std::optional<Vector3<double>> pickPositionWorldCoordinates(const Vector2<int>& windowPosition) const;

  /// What lies under the window [x − ⌊w/2⌋, x − ⌊w/2⌋ + w) × [y − ⌊h/2⌋, y − ⌊h/2⌋ + h)
  /// (pixels, origin top left) in what the last frame drew: of the shown items meeting
  /// the window (select-disabled ones included, so that a tool finds its own handles),
  /// the one nearest the window's centre, then nearest the eye, then the last
  /// submitted. Empty when nothing is there, before the first frame, or when `width` or
  /// `height` is not positive. The scene keeps the result alive until the next pick.
  std::weak_ptr<PickObject> pick(const Vector2<int>& position, int width, int height);
  /// Every shown, selectable object the last frame drew meeting the window [left, left +
  /// width) × [top, top + height), once each, in submission order. Empty for a width or
  /// height that is not positive.
  std::vector<std::shared_ptr<PickObject>> rectanglePick(const Vector2<int>& topLeft, int width, int height);
  /// What the last frame drew: each primitive's items in update order.
  const DrawList& getLastFrame() const noexcept { return lastFrame_; }

  /// Sets the window size: the camera's viewport, the frustum's aspect ratio and the
  /// drawing buffer.
  void setWindowSize(int width, int height);

  /// One frame's scene work, in order: compute the frame state's culling volume from the
  /// camera, build the data sources' entities, update every primitive (each submits what
  /// it draws), run the frame state's task queue, keep what was submitted as the last
  /// frame, raise post-cull with `frameTime`.
  void render(std::chrono::steady_clock::time_point frameTime);

  /// When set, navigation intersects its rays with an ellipsoid instead of picking the globe.
  bool ellipsoidPick = false;
  /// The geographic position under the mouse, written by the camera manipulator every frame.
  Cartographic mousePosition;

  /// Test hooks: number of world-position (space) picks so far.
  std::size_t getPositionPickCount() const noexcept { return positionPickCount_.load(); }
  /// Test hooks: how many `pick` and `rectanglePick` calls so far, and the arguments of
  /// the last of each (position or top-left corner, width, height).
  struct PickCall {
    Vector2<int> position;
    int width = 0;
    int height = 0;
  };
  std::size_t getPickCount() const noexcept { return pickCount_; }
  std::size_t getRectanglePickCount() const noexcept { return rectanglePickCount_; }
  const std::optional<PickCall>& getLastPick() const noexcept { return lastPickCall_; }
  const std::optional<PickCall>& getLastRectanglePick() const noexcept { return lastRectanglePickCall_; }

 private:
  // Before the primitives: their collection records into it until it goes.
  std::unique_ptr<HostChangeJournal> changeJournal_ = std::make_unique<HostChangeJournal>();
  std::unique_ptr<Camera> camera_;
  std::unique_ptr<GlobeImpl> globe_;
  std::unique_ptr<Context> context_;
  std::unique_ptr<FrameState> frameState_;
  std::unique_ptr<PrimitiveCollection> primitives_;
  std::unique_ptr<PostCullPublisher> postCull_;
  std::shared_ptr<DataSourceDisplay> dataSourceDisplay_;
  std::shared_ptr<PrimitiveBase> dataSourceFrameWork_;
  MapProjection mapProjection_;
  double resolution_ = 1.0;
  mutable std::atomic<std::size_t> positionPickCount_{0};
  // The primitives one frame updates, refilled in place (no allocation once warmed up).
  std::vector<std::shared_ptr<PrimitiveBase>> updateList_;
  DrawList lastFrame_;
  std::shared_ptr<PickObject> lastPicked_;
  std::size_t pickCount_ = 0;
  std::size_t rectanglePickCount_ = 0;
  std::optional<PickCall> lastPickCall_;
  std::optional<PickCall> lastRectanglePickCall_;
};

}  // namespace qel
