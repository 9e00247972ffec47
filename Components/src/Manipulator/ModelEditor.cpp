// The model editor's facade and the life of an editing: the checks a start makes on its
// caller's thread (in the scene, model drawn), start and stop on the main thread, and
// binding to a viewer.
#include "Manipulator/ModelEditor.h"

#include <boost/thread/future.hpp>
#include <chrono>
#include <future>
#include <mutex>

#include "Common/AsyncSystem.h"
#include "Common/Log.h"
#include "Data/DataSourceDisplay.h"
#include "Layers/Layer.h"
#include "Layers/Qel3DTileset.h"
#include "ListenerSlot.h"
#include "Manipulator/ToolSingleton.h"
#include "Scene/SceneImpl.h"
#include "ToolRegistration.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

namespace {

// Where a refused start is reported: this unit's file and the public operation.
constexpr const char* kNotInSceneFile = "Components/src/Manipulator/ModelEditor";
constexpr const char* kNotInSceneFunction = "qel::ModelEditor::startEditing";
// One fixed line for the refusal, so that the record stays the same across edits.
constexpr int kNotInSceneLine = 1;

// How long a caller waiting for a model's extent sleeps between looks at whether its
// viewer has ended meanwhile (a viewer that ends runs no more frames to answer it).
constexpr auto kExtentWaitSlice = std::chrono::milliseconds(50);

// The layer a target lies in: a feature's, or the one a tileset refers to.
std::shared_ptr<Layer> layerOf(const ModelEditor::Target& target) {
  if (const auto* tileset = std::get_if<0>(&target)) return *tileset ? (*tileset)->getLayer() : nullptr;
  const auto& feature = std::get<1>(target);
  return feature ? feature->getLayer() : nullptr;
}

bool isNull(const ModelEditor::Target& target) {
  return std::visit([](const auto& pointer) { return pointer == nullptr; }, target);
}

// The model entity's drawn extent, asked on the main thread: its radius, 0 when there
// is none (yet); empty while it is pending, or while the feature's entities are not
// built.
std::optional<double> extentRadius(SceneImpl& scene, const Feature::Feature& feature) {
  if (!feature._isEntityReady()) return std::nullopt;
  const std::shared_ptr<Entity> model = findModelEntity(feature);
  if (!model) return 0.0;
  BoundingSphere sphere;
  const BoundingSphereState state = scene._getDataSourceDisplay().getBoundingSphere(*model, false, sphere);
  if (state == BoundingSphereState::Pending) return std::nullopt;
  return state == BoundingSphereState::Done ? sphere.radius : 0.0;
}

// The one pending wait for an extent, process-wide: a new wait ends the previous one.
ListenerSlot& extentWaitSlot() {
  static ListenerSlot slot;
  return slot;
}

// Waits on the calling (application) thread, frame by frame, for the extent of the
// feature's model; 0 when the wait ends without one.
double waitForExtent(SceneImpl& scene, const std::shared_ptr<Feature::Feature>& feature) {
  // The listener owns the promise: a listener removed before it answered (by a later
  // wait, or with its scene) breaks it, and the wait below ends.
  auto promise = std::make_shared<std::promise<double>>();
  std::future<double> answer = promise->get_future();
  ListenerSlot& slot = extentWaitSlot();
  slot.remove();
  auto own = std::make_shared<ListenerSlot>();
  // The listener may answer before its handle is stored below; it then stays registered
  // one frame longer and must not answer twice.
  auto answered = std::make_shared<bool>(false);
  std::weak_ptr<Feature::Feature> weakFeature = feature;
  const std::weak_ptr<FunctionWrapper> handle = scene.getPostCull().addEventListener(
      [promise, own, answered, weakFeature](SceneImpl& frameScene, const std::chrono::steady_clock::time_point&) {
        if (*answered) {
          own->remove();
          return;
        }
        double radius = 0.0;
        if (const std::shared_ptr<Feature::Feature> alive = weakFeature.lock()) {
          const std::optional<double> known = extentRadius(frameScene, *alive);
          if (!known) return;
          radius = *known;
        }
        *answered = true;
        promise->set_value(radius);
        own->remove();
      });
  // From here on the listener alone holds the promise.
  promise.reset();
  {
    std::lock_guard lock(own->mutex);
    own->handle = handle;
  }
  {
    std::lock_guard lock(slot.mutex);
    slot.handle = handle;
  }
  AsyncSystem& async = AsyncSystem::instance(false);
  while (answer.wait_for(kExtentWaitSlice) == std::future_status::timeout) {
    // A main thread that will not drain again runs no more frames to answer.
    if (async.isMainThreadClosed()) {
      own->remove();
      return 0.0;
    }
  }
  try {
    return answer.get();
  } catch (const std::future_error&) {
    return 0.0;  // the listener went before it answered
  }
}

}  // namespace

const char* const ModelEditorImpl::kNotInSceneText = "无法编辑不在场景中的对象。";

SourceLocation ModelEditorImpl::notInSceneLocation() { return {kNotInSceneFile, kNotInSceneLine, kNotInSceneFunction}; }

bool isModelBoundingSphereReady(SceneImpl& scene, Feature::Feature& feature) {
  AsyncSystem& async = AsyncSystem::instance(false);
  const auto shared = std::static_pointer_cast<Feature::Feature>(feature.shared_from_this());
  try {
    // The entities and extents live on the main thread: ask there.
    const std::optional<double> known =
        async.runInMainThread([&scene, shared] { return extentRadius(scene, *shared); }).get();
    if (known) return *known > 0.0;
  } catch (const boost::broken_promise&) {
    return false;  // the main thread has ended
  }
  // The frames that would answer run on the main thread: it cannot wait for itself.
  if (!async.hasMainThreadId.load() || async.isMainThread()) return false;
  return waitForExtent(scene, shared) > 0.0;
}

// ---------------------------------------------------------------------------------------
// Facade

ModelEditor::ModelEditor() = default;
ModelEditor::~ModelEditor() = default;
ModelEditor::ModelEditor(const ModelEditor& other) = default;
ModelEditor& ModelEditor::operator=(const ModelEditor& other) = default;

ModelEditor* ModelEditor::instance(bool destroy) {
  return toolInstance<ModelEditor>(destroy, [] { return new ModelEditor(); });
}

void ModelEditor::startEditing(Target target) {
  if (isNull(target)) return;
  const std::shared_ptr<Layer> layer = layerOf(target);
  if (!layer || !layer->_getScene()) {
    Log::getInstance().log(Impl::notInSceneLocation(), Log::kCorrected, Impl::kNotInSceneText);
    return;
  }
  const std::shared_ptr<ViewerImpl> viewer = lockViewer();
  if (!viewer) return;
  if (const auto* feature = std::get_if<1>(&target); feature != nullptr && (*feature)->isShow()) {
    if (!isModelBoundingSphereReady(viewer->getScene(), **feature)) return;
  }
  command([target = std::move(target)](Impl& impl, ViewerImpl&) { impl.start(target); });
}

void ModelEditor::stopEditing() {
  command([](Impl& impl, ViewerImpl&) { impl.stop(); });
}

void ModelEditor::translate(const Vector3<double>& offset) {
  command([offset](Impl& impl, ViewerImpl&) { impl.translate(offset); });
}

void ModelEditor::rotate(const Vector3<Radian>& angles) {
  command([angles](Impl& impl, ViewerImpl&) { impl.rotate(angles); });
}

void ModelEditor::setScale(const Vector3<double>& factors) {
  command([factors](Impl& impl, ViewerImpl&) { impl.setScale(factors); });
}

void ModelEditor::setPosition(const Cartographic& position) {
  command([position](Impl& impl, ViewerImpl&) { impl.setPosition(position); });
}

Cartographic ModelEditor::getPosition() const {
  return query([](Impl& impl, ViewerImpl&) { return impl.getPosition(); });
}

Vector3<Radian> ModelEditor::getRotation() const {
  return query([](Impl& impl, ViewerImpl&) { return impl.getRotation(); });
}

Vector3<double> ModelEditor::getScale() const {
  return query([](Impl& impl, ViewerImpl&) { return impl.getScale(); });
}

Vector3<double> ModelEditor::getTranslation() const {
  return query([](Impl& impl, ViewerImpl&) { return impl.getTranslation(); });
}

ModelEditor::ChangedEvent* ModelEditor::getChangedEvent() const { return &impl().getChangedEvent(); }

ModelEditor::StoppedEvent* ModelEditor::getStoppedEvent() const { return &impl().getStoppedEvent(); }

// ---------------------------------------------------------------------------------------
// Implementation: binding

ModelEditorImpl::ModelEditorImpl() = default;

ModelEditorImpl::~ModelEditorImpl() { stop(); }

void ModelEditorImpl::attachTo(ViewerImpl& viewer, const std::shared_ptr<ModelEditorImpl>& own) {
  scene = &viewer.getScene();
  self = own;
  registerTool(viewer, own);
}

void ModelEditorImpl::detachFrom(ViewerImpl* viewer) {
  // The gizmo belongs to the old scene: take it out while that scene is known.
  gizmo.remove(viewer != nullptr ? &viewer->getScene().getPrimitives() : nullptr);
  // A target kept across a rebinding gets its gizmo back in the new scene.
  needsRebuild = true;
  scene = nullptr;
  if (viewer != nullptr) unregisterTool(*viewer, *this);
}

void ModelEditorImpl::releaseFrom(ViewerImpl& viewer) { unregisterTool(viewer, *this); }

// ---------------------------------------------------------------------------------------
// Start and stop

void ModelEditorImpl::start(const Target& target) {
  stop();
  if (const auto* newTileset = std::get_if<0>(&target)) {
    if (!*newTileset) return;
    tileset = *newTileset;
    Qel3DTileset& edited = **newTileset;
    // A root still loading comes with the ready promise, fulfilled off this thread.
    if (edited.getRoot() == nullptr) edited.getReadyPromise().wait();
    if (edited.getRoot() == nullptr) return;
    deriveTilesetState(edited);
  } else {
    const std::shared_ptr<Feature::Feature>& newFeature = std::get<1>(target);
    if (!newFeature) return;
    feature = newFeature;
    const std::shared_ptr<Entity> model = findModelEntity(*newFeature);
    if (!model || !model->getPosition()) return;
    deriveFeatureState(*newFeature);
  }
  needsRebuild = true;
}

void ModelEditorImpl::stop() {
  removeGizmo();
  translation = {};
  rotation = {};
  scale = {1.0, 1.0, 1.0};
  position = {};
  controller = Controller::None;
  std::shared_ptr<Layer> layer;
  if (const std::shared_ptr<Feature::Feature> edited = feature.lock()) {
    layer = edited->getLayer();
  } else if (const std::shared_ptr<Qel3DTileset> editedTileset = tileset.lock()) {
    layer = editedTileset->getLayer();
  }
  if (layer) stoppedEvent.raiseEvent(layer);
  feature.reset();
  tileset.reset();
}

void ModelEditorImpl::removeGizmo() { gizmo.remove(scene != nullptr ? &scene->getPrimitives() : nullptr); }

}  // namespace qel
