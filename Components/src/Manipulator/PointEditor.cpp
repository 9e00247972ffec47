// The point editor's facade and the life of an editing: start, stop, the per-frame
// update that places the height handles, and following outside changes.
#include "Manipulator/PointEditor.h"

#include "Common/Ellipsoid.h"
#include "Data/DataSourceDisplay.h"
#include "Layers/Layer.h"
#include "Manipulator/HandleImages.h"
#include "Manipulator/ToolSingleton.h"
#include "PointEditorStyle.h"
#include "PointPosition.h"
#include "Scene/SceneImpl.h"
#include "ToolRegistration.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

namespace {

// The height handles: the raise handle stands on the point's window position lifted by
// kMoveUpLift pixels (its bottom edge there, so the whole image is above the point); the
// lower handle hangs kMoveDownDrop pixels below it (its top edge there).
constexpr double kMoveUpLift = -34.0;
constexpr double kMoveDownDrop = 2.0;
// Handles are drawn at their images' own size and colours.
constexpr double kHandleScale = 1.0;
constexpr Color kHandleColor{1.0f, 1.0f, 1.0f, 1.0f};

Billboard::ConstructorOptions handleOptions(const char* id, const char* file, VerticalOrigin origin, double offsetY) {
  Billboard::ConstructorOptions o;
  o.id = std::string(id);
  o.image = HandleImages::path(file);
  o.color = kHandleColor;
  o.scale = kHandleScale;
  o.pixelOffset = Vector2<double>(0.0, offsetY);
  o.verticalOrigin = origin;
  o.show = false;
  return o;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Facade

PointEditor::PointEditor() = default;
PointEditor::~PointEditor() = default;

PointEditor* PointEditor::instance(bool destroy) {
  return toolInstance<PointEditor>(destroy, [] { return new PointEditor(); });
}

void PointEditor::startEditing(std::shared_ptr<Feature::Feature> feature) {
  command([feature = std::move(feature)](Impl& impl, ViewerImpl&) { impl.startEditing(feature); });
}

void PointEditor::stopEditing(bool discard, bool endDrawing) {
  command([discard, endDrawing](Impl& impl, ViewerImpl&) { impl.stopEditing(discard, endDrawing); });
}

PointEditor::StoppedEvent* PointEditor::getStoppedEvent() const { return &impl().getStoppedEvent(); }

PointEditor::GeometryChangedEvent* PointEditor::getGeometryChangedEvent() const {
  return &impl().getGeometryChangedEvent();
}

void PointEditor::setStyle(std::shared_ptr<Feature::Style> style) {
  command([style = std::move(style)](Impl& impl, ViewerImpl&) { impl.setStyle(style); });
}

void PointEditor::resetStyle() {
  command([](Impl& impl, ViewerImpl&) { impl.resetStyle(); });
}

std::shared_ptr<Feature::Style> PointEditor::getStyle() const {
  return query([](Impl& impl, ViewerImpl&) { return impl.getStyle(); });
}

bool PointEditor::isObjectMovingEnabled() const {
  return query([](Impl& impl, ViewerImpl&) { return impl.isObjectMovingEnabled(); });
}

void PointEditor::setObjectMovingEnabled(bool enabled) {
  command([enabled](Impl& impl, ViewerImpl&) { impl.setObjectMovingEnabled(enabled); });
}

// ---------------------------------------------------------------------------------------
// Implementation: binding

PointEditorImpl::PointEditorImpl() : EditorFrame(newDefaultPointStyle()) {}

PointEditorImpl::~PointEditorImpl() = default;

void PointEditorImpl::attachTo(ViewerImpl& viewer, const std::shared_ptr<PointEditorImpl>& self) {
  scene = &viewer.getScene();
  registerTool(viewer, self, self);
}

void PointEditorImpl::detachFrom(ViewerImpl* viewer) {
  scene = nullptr;
  if (viewer != nullptr) unregisterTool(*viewer, *this, this);
}

void PointEditorImpl::releaseFrom(ViewerImpl& viewer) { unregisterTool(viewer, *this, this); }

// ---------------------------------------------------------------------------------------
// Start and stop

void PointEditorImpl::startEditing(std::shared_ptr<Feature::Feature> newFeature) {
  (void)stopEditing(false, false);
  if (!newFeature) {
    drawing = true;
    return;
  }
  const std::shared_ptr<Feature::Geometry> newGeometry = newFeature->getGeometry();
  if (!newGeometry || newGeometry->getType() != Feature::GeometryType::Point) return;

  feature = std::move(newFeature);
  feature->_setAsynchronous(false);
  selected = true;
  if (auto point = std::dynamic_pointer_cast<Feature::PointGeometry>(newGeometry)) {
    pointPosition = readPointPosition(*point);
    // The editor takes up the feature's own style object: edits of the style reach the
    // feature and the feature's style changes reach the editor.
    setStyle(feature->getStyle());
    setGeometry(point);
  }
  if (!heightHandles) {
    createHeightHandles();
    // With handles already there, setting the geometry has just refreshed the position.
    if (pointPosition) pointPosition = adjustHeight(*pointPosition);
  }
  geometryDirty = true;
}

std::shared_ptr<Feature::Feature> PointEditorImpl::stopEditing(bool discard, bool endDrawing) {
  const bool drawn = drawing;
  std::shared_ptr<Feature::Feature> result;
  if (!drawing) {
    pointPosition.reset();
    selected = false;
    if (!discard) result = feature;
  } else if (!feature) {
    if (endDrawing) drawing = false;
  } else {
    if (endDrawing) {
      // The feature of the last press stays in the scene, now as the edited feature.
      drawing = false;
      return nullptr;
    }
    if (scene != nullptr) {
      scene->_getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->removeFromMemory(*feature);
    }
    if (!discard) result = feature;
  }
  if (feature && geometry && hasPosition()) releaseFeature();
  geometryDirty = true;
  if (result) stoppedEvent.raiseEvent(result, drawn);
  return result;
}

void PointEditorImpl::releaseFeature() {
  feature->_setAsynchronous(true);
  // A copy, so that later style changes of the editor do not reach the finished feature.
  const std::shared_ptr<Feature::Style> own = feature->getStyle();
  setStyle(own ? own->clone() : nullptr);
  feature.reset();
  setGeometry(nullptr);
}

// ---------------------------------------------------------------------------------------
// Per frame

void PointEditorImpl::createHeightHandles() {
  heightHandles = std::make_unique<BillboardCollection>(scene, false, std::nullopt);
  heightHandles->add(
      handleOptions(HandleImages::kMoveUpId, HandleImages::kMoveUpFile, VerticalOrigin::Bottom, kMoveUpLift));
  heightHandles->add(
      handleOptions(HandleImages::kMoveDownId, HandleImages::kMoveDownFile, VerticalOrigin::Top, kMoveDownDrop));
}

void PointEditorImpl::update(FrameState& frameState) {
  if (heightQueryActive) return;
  if (feature) {
    const std::shared_ptr<Layer> layer = feature->getLayer();
    if ((!layer || !layer->_getScene()) && !drawing) {
      // The feature has left the scene: the editing ends without a result.
      setGeometry(nullptr);
      feature.reset();
      pointPosition.reset();
      selected = false;
      return;
    }
    if (!feature->isShow()) return;
  }
  if (geometryDirty) {
    heightReference = style ? style->getHeightReference() : HeightReference::None;
    geometryDirty = false;
  }
  if (!heightHandles || !selected || !pointPosition) return;
  const Vector3<double> at = Ellipsoid::WGS84.cartographicToCartesian(*pointPosition);
  const bool clamped = isHeightReferenceClamp(heightReference);
  for (std::size_t i = 0; i < heightHandles->size(); ++i) {
    Billboard* handle = heightHandles->get(i);
    if (!clamped) handle->setPosition(at);
    handle->setShow(!clamped);
  }
  heightHandles->update(frameState);
}

// ---------------------------------------------------------------------------------------
// Following the geometry and the style

void PointEditorImpl::refreshFromGeometry(Feature::Geometry& changed) {
  if (!heightHandles || !selected || !pointPosition) return;
  const auto* point = dynamic_cast<const Feature::PointGeometry*>(&changed);
  if (point == nullptr) return;
  if (heightReference == HeightReference::None) {
    pointPosition = readPointPosition(*point);
  } else if (isHeightReferenceRelative(heightReference)) {
    if (const std::optional<Cartographic> read = readPointPosition(*point)) pointPosition = adjustHeight(*read);
  }
  // Clamped points keep their place: the surface under them has not moved.
}

void PointEditorImpl::heightReferenceChanged() {
  if (!heightHandles || !selected || !pointPosition) return;
  const Feature::PointGeometry* point = pointGeometry();
  if (point == nullptr) return;
  if (const std::optional<Cartographic> read = readPointPosition(*point)) pointPosition = adjustHeight(*read);
}

Feature::PointGeometry* PointEditorImpl::pointGeometry() const noexcept {
  // Only point geometries are ever followed by this editor.
  return static_cast<Feature::PointGeometry*>(geometry.get());
}

bool PointEditorImpl::hasPosition() const noexcept {
  if (!geometry) return false;
  const std::shared_ptr<const Feature::PointGeometry> unplaced = unplacedGeometry.lock();
  return !(unplaced && unplaced.get() == geometry.get() && geometry->_getVersion() == unplacedVersion);
}

}  // namespace qel
