#include "Scene/SceneImpl.h"

#include <cmath>

namespace qel {
namespace {

// The window a scene starts with until its viewer reports its own size.
constexpr int kDefaultWindowWidth = 800;
constexpr int kDefaultWindowHeight = 600;

}  // namespace

SceneImpl::SceneImpl()
    : camera_(std::make_unique<Camera>()),
      globe_(std::make_unique<GlobeImpl>()),
      context_(std::make_unique<Context>()),
      frameState_(std::make_unique<FrameState>()),
      primitives_(std::make_unique<PrimitiveCollection>()),
      postCull_(std::make_unique<PostCullPublisher>()) {
  setWindowSize(kDefaultWindowWidth, kDefaultWindowHeight);
}

SceneImpl::~SceneImpl() {
  // Work still queued for the frame refers to primitives and the scene: drop it first,
  // then the primitives (whose destructors may still reach the scene's publishers).
  frameState_->taskQueue.clear();
  primitives_.reset();
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
}

void SceneImpl::render(std::chrono::steady_clock::time_point frameTime) {
  frameState_->time = frameTime;
  ++frameState_->frameNumber;
  // The collection's own update walks a fresh copy of its list, one allocation a frame;
  // the scene walks a copy kept from frame to frame instead (same rule: a primitive may
  // add or remove primitives, and one removed meanwhile lives until its update returns).
  updateList_.assign(primitives_->all().begin(), primitives_->all().end());
  struct ReleaseOnExit {
    std::vector<std::shared_ptr<PrimitiveBase>>& list;
    ~ReleaseOnExit() { list.clear(); }
  } release{updateList_};
  for (const std::shared_ptr<PrimitiveBase>& primitive : updateList_) primitive->update(*frameState_);
  frameState_->taskQueue.runAll();
  postCull_->raiseEvent(*this, frameTime);
}

}  // namespace qel
