#include "Scene/SceneImpl.h"

#include <atomic>
#include <cmath>
#include <stdexcept>

namespace qel {
namespace {

// The window a scene starts with until its viewer reports its own size.
constexpr int kDefaultWindowWidth = 800;
constexpr int kDefaultWindowHeight = 600;

// Set once, when the module defining the data source display loads, before any scene
// of the process is made.
std::atomic<SceneImpl::DataSourceDisplayFactory>& dataSourceDisplayFactory() {
  static std::atomic<SceneImpl::DataSourceDisplayFactory> factory{nullptr};
  return factory;
}

}  // namespace

SceneImpl::SceneImpl()
    : camera_(std::make_unique<Camera>()),
      globe_(std::make_unique<GlobeImpl>()),
      context_(std::make_unique<Context>()),
      frameState_(std::make_unique<FrameState>()),
      primitives_(std::make_unique<PrimitiveCollection>()),
      postCull_(std::make_unique<PostCullPublisher>()) {
  setWindowSize(kDefaultWindowWidth, kDefaultWindowHeight);
  if (const DataSourceDisplayFactory factory = dataSourceDisplayFactory().load()) {
    DataSourceDisplayParts parts = factory(*this);
    dataSourceDisplay_ = std::move(parts.display);
    dataSourceFrameWork_ = std::move(parts.frameWork);
  }
}

SceneImpl::~SceneImpl() {
  // Work still queued for the frame refers to primitives and the scene: drop it first,
  // then the primitives (whose destructors may still reach the scene's publishers).
  frameState_->taskQueue.clear();
  // The display first: its layers stop handing out this scene before anything goes.
  dataSourceFrameWork_.reset();
  dataSourceDisplay_.reset();
  primitives_.reset();
}

DataSourceDisplay& SceneImpl::_getDataSourceDisplay() const {
  if (!dataSourceDisplay_) throw std::logic_error("this scene has no data source display: qelData is not loaded");
  return *dataSourceDisplay_;
}

void SceneImpl::_setDataSourceDisplayFactory(DataSourceDisplayFactory factory) noexcept {
  dataSourceDisplayFactory().store(factory);
}

void SceneImpl::setResolution(double resolution) noexcept {
  if (std::isfinite(resolution) && resolution > 0.0) resolution_ = resolution;
}

std::optional<double> SceneImpl::getHeight(const std::optional<Cartographic>& position,
                                           HeightReference reference) const {
  if (!position || reference == HeightReference::None) return std::nullopt;
  // The host's 3D tiles are boxes without a height field, so every surface reference
  // reads the terrain.
  return globe_->getHeight(*position);
}

std::optional<Vector3<double>> SceneImpl::pickGlobe(const Vector2<int>& windowPosition) const {
  const Ray ray =
      camera_->getPickRay(Vector2<float>(static_cast<float>(windowPosition.x), static_cast<float>(windowPosition.y)));
  return globe_->pick(ray, *this);
}

std::optional<Vector3<double>> SceneImpl::pickPositionWorldCoordinates(const Vector2<int>& windowPosition) const {
  ++positionPickCount_;
  const Ray ray =
      camera_->getPickRay(Vector2<float>(static_cast<float>(windowPosition.x), static_cast<float>(windowPosition.y)));
  const std::optional<Vector3<double>> ground = globe_->pick(ray, *this);
  const std::optional<double> solid = primitives_->intersect(ray);
  if (solid) {
    const Vector3<double> point = ray.getPoint(*solid);
    if (!ground ||
        Vector3<double>::distanceSquared(point, ray.origin) < Vector3<double>::distanceSquared(*ground, ray.origin)) {
      return point;
    }
  }
  return ground;
}

void SceneImpl::setWindowSize(int width, int height) {
  if (width < 0 || height < 0) return;
  camera_->setViewport(Viewport{0, 0, width, height});
  context_->setDrawingBufferSize(width, height);
  frameState_->cullingVolume = CullingVolume::fromCamera(*camera_);
}

void SceneImpl::render(std::chrono::steady_clock::time_point frameTime) {
  frameState_->time = frameTime;
  ++frameState_->frameNumber;
  frameState_->cullingVolume = CullingVolume::fromCamera(*camera_);
  if (dataSourceFrameWork_) dataSourceFrameWork_->update(*frameState_);
  primitives_->update(*frameState_);
  frameState_->taskQueue.runAll();
  postCull_->raiseEvent(*this, frameTime);
}

}  // namespace qel
