#include "Scene/SceneImpl.h"

#include <atomic>
#include <cmath>
#include <stdexcept>
#include <unordered_set>
#include <utility>

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
  primitives_->_setJournal(changeJournal_.get());
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

std::weak_ptr<PickObject> SceneImpl::pick(const Vector2<int>& position, int width, int height) {
  ++pickCount_;
  lastPickCall_ = PickCall{position, width, height};
  const std::optional<std::size_t> found = lastFrame_.pick(position, width, height);
  lastPicked_ = found ? std::make_shared<PickObject>(lastFrame_.items()[*found]) : nullptr;
  return lastPicked_;
}

std::vector<std::shared_ptr<PickObject>> SceneImpl::rectanglePick(const Vector2<int>& topLeft, int width, int height) {
  ++rectanglePickCount_;
  lastRectanglePickCall_ = PickCall{topLeft, width, height};
  std::vector<std::shared_ptr<PickObject>> objects;
  // An object drawn as several items (an entity's image and text) is listed once.
  struct Key {
    const void* primitive;
    const void* element;
    const void* entity;
    bool operator==(const Key&) const noexcept = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& k) const noexcept {
      const std::hash<const void*> h;
      return h(k.primitive) ^ (h(k.element) << 1) ^ (h(k.entity) << 2);
    }
  };
  std::unordered_set<Key, KeyHash> listed;
  for (const std::size_t i : lastFrame_.rectangle(topLeft, width, height)) {
    const DrawItem& item = lastFrame_.items()[i];
    const std::shared_ptr<Entity> entity = item.entity().lock();
    const Key key{entity ? nullptr : item.primitive, entity ? nullptr : item.element, entity.get()};
    if (item.element == nullptr && !entity) {
      // A primitive's instances are told apart by their ids: list every item.
      objects.push_back(std::make_shared<PickObject>(item));
      continue;
    }
    if (listed.insert(key).second) objects.push_back(std::make_shared<PickObject>(item));
  }
  return objects;
}

void SceneImpl::setWindowSize(int width, int height) {
  if (width < 0 || height < 0) return;
  camera_->setViewport(Viewport{0, 0, width, height});
  context_->setDrawingBufferSize(width, height);
  frameState_->cullingVolume = CullingVolume::fromCamera(*camera_);
}

void SceneImpl::updateSurfaceLevel() {
  // The eye's height above the terrain under it picks the finest level drawn; an eye
  // without a geographic position (the Earth's centre) sees the whole globe.
  const std::optional<Cartographic> eye = Ellipsoid::WGS84.cartesianToCartographic(camera_->getPosition());
  const std::optional<double> ground = eye ? globe_->getHeight(*eye) : std::nullopt;
  const double eyeHeight = eye ? eye->height - ground.value_or(0.0) : GlobeSurface::kEquatorLength;
  globe_->getSurface().updateTileLevel(eyeHeight);
}

void SceneImpl::render(std::chrono::steady_clock::time_point frameTime) {
  frameState_->time = frameTime;
  ++frameState_->frameNumber;
  frameState_->cullingVolume = CullingVolume::fromCamera(*camera_);
  frameState_->camera = camera_.get();
  frameState_->projector = camera_->getWindowProjector();
  updateSurfaceLevel();
  frameState_->drawList.reset(camera_->getViewport().width(), camera_->getViewport().height());
  if (dataSourceFrameWork_) dataSourceFrameWork_->update(*frameState_);
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
  // The list just built becomes the last frame; the old one is reused for the next.
  std::swap(lastFrame_, frameState_->drawList);
  postCull_->raiseEvent(*this, frameTime);
}

}  // namespace qel
