// The line and area editors' shared state on the main thread: starting and finishing,
// the modes, undo, deleting a vertex, the display positions and the handles drawn from
// them each frame.
#include "Manipulator/VertexEditor.h"

#include <algorithm>

#include "Common/Ellipsoid.h"
#include "Data/DataSource.h"
#include "Data/DataSourceDisplay.h"
#include "Feature/FeatureGroup.h"
#include "Feature/PolygonGeometry.h"
#include "Feature/PolylineGeometry.h"
#include "Layers/Layer.h"
#include "Manipulator/HandleImages.h"
#include "Scene/FrameState.h"
#include "Scene/SceneImpl.h"
#include "Scene/SceneTransforms.h"
#include "ToolRegistration.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

namespace {

// Looks of a vertex point: yellow with a red outline one pixel wide, 5 px across at DPI
// scale 1; every vertex looks the same, the selected one included.
constexpr Color kVertexColor{1.0f, 1.0f, 0.0f, 1.0f};
constexpr Color kVertexOutlineColor{1.0f, 0.0f, 0.0f, 1.0f};
constexpr double kVertexOutlineWidth = 1.0;
constexpr double kVertexPixelSize = 5.0;
// Middle points and move handles are drawn in their images' own colours at their size.
constexpr Color kHandleColor{1.0f, 1.0f, 1.0f, 1.0f};
constexpr double kHandleScale = 1.0;
// The raise and lower handles sit this far (pixels) above and below the vertex.
constexpr double kHeightHandleOffset = 18.0;
// Position of the sideways handle among the three move handles (up, sideways, down).
constexpr std::size_t kHorizonMoveHandle = 1;

const std::vector<Cartographic> kNoPositions;

std::shared_ptr<Feature::FeatureGroup> rootGroupOf(SceneImpl* scene) {
  if (scene == nullptr) return nullptr;
  try {
    return scene->_getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup();
  } catch (const std::logic_error&) {
    return nullptr;  // a scene without data sources has no root group
  }
}

}  // namespace

VertexEditor::VertexEditor(std::shared_ptr<Feature::Style> defaultStyle, Kind editorKind)
    : EditorFrame(std::move(defaultStyle)),
      kind(editorKind),
      stoppedEvent(std::make_unique<StoppedEvent>()),
      geometryChangedEvent(std::make_unique<GeometryChangedEvent>()),
      vertexPoints(std::make_shared<PointPrimitiveCollection>(nullptr, false, std::nullopt)),
      middlePoints(std::make_shared<BillboardCollection>(nullptr, false, std::nullopt)),
      middlePointImage(HandleImages::path(HandleImages::kMiddlePointFile)) {}

VertexEditor::~VertexEditor() = default;

// ---------------------------------------------------------------------------------------
// Binding

void VertexEditor::attachTo(ViewerImpl& viewer, const std::shared_ptr<VertexEditor>& self) {
  scene = &viewer.getScene();
  middlePoints = std::make_shared<BillboardCollection>(scene, false, std::nullopt);
  middleLooksSet = 0;
  handlesDirty = true;
  registerTool(viewer, self, self);
}

void VertexEditor::detachFrom(ViewerImpl* viewer) {
  scene = nullptr;
  middlePoints = std::make_shared<BillboardCollection>(nullptr, false, std::nullopt);
  middleLooksSet = 0;
  handlesDirty = true;
  if (viewer != nullptr) unregisterTool(*viewer, *this, this);
}

void VertexEditor::releaseFrom(ViewerImpl& viewer) { unregisterTool(viewer, *this, this); }

// ---------------------------------------------------------------------------------------
// Start, continue, finish

void VertexEditor::attachFeature(const std::shared_ptr<Feature::Feature>& next, bool drawingNow) {
  feature = next;
  feature->_setAsynchronous(false);
  setStyle(feature->getStyle());
  markSelfChange();
  setGeometry(feature->getGeometry());
  refreshDisplayPositions(drawingNow);
  handlesDirty = true;
  geometryDirty = true;
  previewDirty = true;
}

void VertexEditor::startEditing(std::shared_ptr<Feature::Feature> next) {
  finishEditing(false, false);
  if (!next) {
    drawing = true;
    return;
  }
  const std::shared_ptr<Feature::Geometry> nextGeometry = next->getGeometry();
  if (!nextGeometry || nextGeometry->getType() != kind.geometryType) return;
  attachFeature(next, drawing);
  if (!heightHandles) createHeightHandles();
}

void VertexEditor::continueDrawing(std::shared_ptr<Feature::Feature> next) {
  if (!next) return;
  const std::shared_ptr<Feature::Geometry> nextGeometry = next->getGeometry();
  if (!nextGeometry || nextGeometry->getType() != kind.geometryType) return;
  finishEditing(true, false);
  prepareToContinue(*nextGeometry);
  attachFeature(next, true);
  continuePreview();
}

std::shared_ptr<Feature::Feature> VertexEditor::finishEditing(bool discard, bool endDrawing) {
  const bool wasDrawing = drawing;
  // Ending the drawing of a line in progress keeps it: it becomes the edited feature.
  if (wasDrawing && feature && endDrawing) {
    drawing = false;
    return nullptr;
  }
  if (wasDrawing && geometry) beforeDrawnHandOver();
  std::shared_ptr<Feature::Feature> result;
  if (!wasDrawing) {
    selectedIndex = -1;
    displayPositions.clear();
    middlePositions.clear();
    // A line whose drawing was ended still showed its rubber band while it was edited;
    // it goes with the line, so that the next drawing starts afresh.
    clearDrawingPreview();
    if (!discard) result = feature;
  } else {
    clearDrawingPreview();
    displayPositions.clear();
    if (endDrawing) drawing = false;
    if (feature) {
      // A drawn feature lives in the scene's root group only while it is drawn.
      const std::shared_ptr<Feature::FeatureGroup> root = rootGroupOf(scene);
      if (root && feature->getParent() == root) root->removeFromMemory(*feature);
      if (!discard) result = feature;
    }
  }
  undoStack.clear();
  if (geometry && feature) {
    feature->_setAsynchronous(true);
    // The editor keeps the look of the finished feature without sharing its style, so
    // that later style changes do not reach into the finished feature.
    if (const std::shared_ptr<Feature::Style> own = feature->getStyle()) setStyle(own->clone());
  }
  feature.reset();
  setGeometry(nullptr);
  geometryDirty = true;
  previewDirty = true;
  handlesDirty = true;
  pressed = false;
  if (result) stoppedEvent->raiseEvent(result, wasDrawing);
  return result;
}

void VertexEditor::letGo() {
  setGeometry(nullptr);
  feature.reset();
  selectedIndex = -1;
  displayPositions.clear();
  handlesDirty = true;
}

void VertexEditor::resetStyle() {
  applyDefaultStyle(*style);
  if (feature) feature->setStyle(style);
}

// ---------------------------------------------------------------------------------------
// Modes, undo, delete

void VertexEditor::deletePoint(bool enabled) {
  deleteMode = enabled;
  if (!enabled) return;
  selectedIndex = -1;
  anchor.reset();
}

void VertexEditor::addPoint(bool enabled) {
  addMode = enabled;
  if (!enabled) return;
  selectedIndex = -1;
  anchor.reset();
}

void VertexEditor::setMiddlePointVisible(bool visible) {
  if (visible == middlePointVisible) return;
  middlePointVisible = visible;
  refreshDisplayPositions(drawing);
  handlesDirty = true;
}

void VertexEditor::pushSnapshot() {
  if (!feature) return;
  undoStack.push_back(std::shared_ptr<Feature::FeatureBase>(feature->clone()));
}

void VertexEditor::undo() {
  if (undoStack.empty()) {
    if (drawing) undoWithoutSnapshot();
    handlesDirty = true;
    return;
  }
  std::optional<Cartographic> lastBefore;
  if (!currentPositions().empty()) lastBefore = currentPositions().back();
  const std::shared_ptr<Feature::FeatureBase> newest = undoStack.back();
  undoStack.pop_back();
  Feature::Feature* snapshot = newest->_asFeature();
  if (snapshot != nullptr && feature) {
    const std::shared_ptr<Feature::Geometry> saved = snapshot->getGeometry();
    // The assignment below writes the geometry only when it differs: only then is there
    // an own change to announce.
    if (saved && geometry && positionsOf(*saved) != currentPositions()) markSelfChange();
    *feature = *snapshot;
    geometryWritten();
  }
  if (drawing) {
    previewAfterUndo(lastBefore);
  } else {
    selectedIndex = -1;
    anchor.reset();
  }
  refreshDisplayPositions(drawing);
  handlesDirty = true;
}

void VertexEditor::deleteVertex(unsigned int index) {
  if (drawing || !feature || !geometry) return;
  std::vector<Cartographic> positions = currentPositions();
  if (index >= positions.size()) return;
  const int i = static_cast<int>(index);
  pushSnapshot();
  positions.erase(positions.begin() + i);
  writePositions(positions);
  geometryDirty = true;
  if (index < displayPositions.size()) displayPositions.erase(displayPositions.begin() + i);
  handlesDirty = true;
  if (middlePointVisible && !middlePositions.empty()) removeMiddlePointsAround(i, positions);
  if (selectedIndex == i) {
    selectedIndex = -1;
    anchor.reset();
  }
  raiseGeometryChanged(i, kVertexDeleted);
}

void VertexEditor::removeMiddlePointsAround(int index, const std::vector<Cartographic>& after) {
  const int before = static_cast<int>(after.size()) + 1;
  auto& middles = middlePositions;
  if (!kind.closed) {
    if (index == 0) {
      middles.erase(middles.begin());
    } else if (index == before - 1) {
      middles.pop_back();
    } else if (index < static_cast<int>(middles.size())) {
      middles.erase(middles.begin() + (index - 1), middles.begin() + index + 1);
      if (std::optional<Cartographic> joined = middleOf(after[index - 1], after[index])) {
        middles.insert(middles.begin() + (index - 1), *joined);
      }
    }
    return;
  }
  // A ring: the edges (index − 1, index) and (index, index + 1), wrapping, meet there.
  const int count = static_cast<int>(middles.size());
  if (count < 2) {
    middles.clear();
    return;
  }
  const int incoming = index == 0 ? count - 1 : index - 1;
  const int outgoing = std::min(index, count - 1);
  middles.erase(middles.begin() + std::max(incoming, outgoing));
  middles.erase(middles.begin() + std::min(incoming, outgoing));
  const int remaining = static_cast<int>(after.size());
  if (remaining <= 2) return;
  const int from = (index - 1 + remaining) % remaining;
  const int to = index % remaining;
  if (std::optional<Cartographic> joined = middleOf(after[from], after[to])) {
    middles.insert(index == 0 ? middles.end() : middles.begin() + (index - 1), *joined);
  }
}

// ---------------------------------------------------------------------------------------
// Display positions and handles

bool VertexEditor::isStyleOfKind(const Feature::Style& candidate) const {
  if (kind.geometryType == Feature::GeometryType::Polygon) return candidate.asPolygonStyle() != nullptr;
  return candidate.asPolylineStyle() != nullptr;
}

std::shared_ptr<Feature::Geometry> VertexEditor::makeGeometry() const {
  if (kind.geometryType == Feature::GeometryType::Polygon) return std::make_shared<Feature::PolygonGeometry>();
  return std::make_shared<Feature::PolylineGeometry>();
}

const std::vector<Cartographic>& VertexEditor::positionsOf(const Feature::Geometry& shape) const {
  switch (shape.getType()) {
    case Feature::GeometryType::Polygon: return static_cast<const Feature::PolygonGeometry&>(shape).getPositions();
    case Feature::GeometryType::Polyline: return static_cast<const Feature::PolylineGeometry&>(shape).getPositions();
    default: return kNoPositions;
  }
}

void VertexEditor::setPositionsOf(Feature::Geometry& shape, std::vector<Cartographic> positions) const {
  switch (shape.getType()) {
    case Feature::GeometryType::Polygon:
      // The editor edits the outer ring only; it does not carry holes through a change.
      static_cast<Feature::PolygonGeometry&>(shape).setHierarchy({std::move(positions), {}});
      break;
    case Feature::GeometryType::Polyline:
      static_cast<Feature::PolylineGeometry&>(shape).setPositions(std::move(positions));
      break;
    default: break;
  }
}

const std::vector<Cartographic>& VertexEditor::currentPositions() const {
  return geometry ? positionsOf(*geometry) : kNoPositions;
}

void VertexEditor::writePositions(std::vector<Cartographic> positions) {
  if (!geometry) return;
  markSelfChange();
  setPositionsOf(*geometry, std::move(positions));
  geometryWritten();
}

std::optional<Cartographic> VertexEditor::middleOf(const Cartographic& a, const Cartographic& b) {
  const Ellipsoid& wgs84 = Ellipsoid::WGS84;
  const Vector3<double> mean = (wgs84.cartographicToCartesian(a) + wgs84.cartographicToCartesian(b)) * 0.5;
  const std::optional<Cartographic> middle = wgs84.cartesianToCartographic(mean);
  if (!middle) return std::nullopt;
  return clampHeight(*middle);
}

void VertexEditor::refreshDisplayPositions(bool drawingNow) {
  displayPositions.clear();
  middlePositions.clear();
  const std::vector<Cartographic>& positions = currentPositions();
  if (positions.empty()) return;
  // A position that only follows the pointer is no vertex yet.
  const std::size_t shown = drawingNow && kind.floatsLastPosition ? positions.size() - 1 : positions.size();
  displayPositions.reserve(shown);
  for (std::size_t i = 0; i < shown; ++i) displayPositions.push_back(clampHeight(positions[i]));
  if (!middlePointVisible || drawingNow) return;
  for (std::size_t i = 1; i < positions.size(); ++i) {
    if (std::optional<Cartographic> m = middleOf(positions[i - 1], positions[i])) middlePositions.push_back(*m);
  }
  if (kind.closed && positions.size() >= 2) {
    if (std::optional<Cartographic> m = middleOf(positions.back(), positions.front())) middlePositions.push_back(*m);
  }
}

void VertexEditor::refreshVertex(int index) {
  const std::vector<Cartographic>& positions = currentPositions();
  const int count = static_cast<int>(positions.size());
  if (index < 0 || index >= count || index >= static_cast<int>(displayPositions.size())) return;
  displayPositions[index] = clampHeight(positions[index]);
  if (!middlePointVisible) return;
  const int middles = static_cast<int>(middlePositions.size());
  const auto setMiddle = [&](int slot, int a, int b) {
    if (slot < 0 || slot >= middles) return;
    if (std::optional<Cartographic> m = middleOf(positions[a], positions[b])) middlePositions[slot] = *m;
  };
  if (index > 0) setMiddle(index - 1, index - 1, index);
  if (index < count - 1) setMiddle(index, index, index + 1);
  if (kind.closed && count >= 2) {
    if (index == 0) setMiddle(count - 1, count - 1, 0);
    if (index == count - 1) setMiddle(count - 1, count - 1, 0);
  }
}

PointPrimitive::ConstructorOptions VertexEditor::vertexLook(const Vector3<double>& position) const {
  PointPrimitive::ConstructorOptions options;
  options.position = position;
  options.color = kVertexColor;
  options.outlineColor = kVertexOutlineColor;
  options.outlineWidth = kVertexOutlineWidth;
  options.pixelSize = kVertexPixelSize * dpiScale();
  return options;
}

void VertexEditor::addVertexPoint(const Cartographic& position) {
  vertexPoints->add(vertexLook(Ellipsoid::WGS84.cartographicToCartesian(position)));
}

std::string VertexEditor::middleImagePath() const {
  if (const auto* path = std::get_if<std::string>(&middlePointImage)) return *path;
  const auto& image = std::get<std::shared_ptr<Image>>(middlePointImage);
  return image ? image->getPath() : std::string();
}

namespace {

// Grows or shrinks `collection` to `count` elements, keeping the first ones.
template <class Collection>
void resizeTo(Collection& collection, std::size_t count) {
  collection.truncate(count);
  while (collection.size() < count) collection.add();
}

}  // namespace

void VertexEditor::rebuildHandles() {
  // The handles are rewritten in place, and only where they moved: a drag rebuilds them
  // every frame but moves one vertex and its two middle points, and touching every
  // handle of a long line each frame would cost more than the drag itself. Handles
  // [0, ...LooksSet) have their look and stand on their memo's point.
  const std::size_t vertexCount = displayPositions.size();
  resizeTo(*vertexPoints, vertexCount);
  vertexPointMemo.resize(vertexCount);
  const double pixelSize = kVertexPixelSize * dpiScale();
  if (pixelSize != vertexLookPixelSize) {
    vertexLookPixelSize = pixelSize;
    vertexLooksSet = 0;
  }
  vertexLooksSet = std::min(vertexLooksSet, vertexCount);
  for (std::size_t i = 0; i < vertexCount; ++i) {
    const bool moved = vertexPointMemo.update(i, displayPositions[i]);
    if (i >= vertexLooksSet) {
      *vertexPoints->get(i) = PointPrimitive(vertexLook(vertexPointMemo[i]));
    } else if (moved) {
      vertexPoints->get(i)->setPosition(vertexPointMemo[i]);
    }
  }
  vertexLooksSet = vertexCount;
  if (!middlePoints) return;
  if (!middlePointVisible) {
    middlePoints->removeAll();
    middleLooksSet = 0;
    return;
  }
  const std::size_t middleCount = middlePositions.size();
  resizeTo(*middlePoints, middleCount);
  middlePointMemo.resize(middleCount);
  std::string image = middleImagePath();
  if (image != middleLookImage) {
    middleLookImage = std::move(image);
    middleLooksSet = 0;
  }
  middleLooksSet = std::min(middleLooksSet, middleCount);
  for (std::size_t i = 0; i < middleCount; ++i) {
    const bool moved = middlePointMemo.update(i, middlePositions[i]);
    if (i >= middleLooksSet) {
      Billboard* middle = middlePoints->get(i);
      middle->setPosition(middlePointMemo[i]);
      if (middle->get().image != middleLookImage) middle->setImage(middleLookImage);
      middle->setColor(kHandleColor);
      middle->setScale(kHandleScale);
    } else if (moved) {
      middlePoints->get(i)->setPosition(middlePointMemo[i]);
    }
  }
  middleLooksSet = middleCount;
}

void VertexEditor::createHeightHandles() {
  heightHandles = std::make_shared<BillboardCollection>(scene, false, std::nullopt);
  struct Look {
    const char* id;
    const char* file;
    double offsetY;
  };
  const Look looks[] = {{HandleImages::kMoveUpId, HandleImages::kMoveUpFile, -kHeightHandleOffset},
                        {HandleImages::kHorizonMoveId, HandleImages::kHorizonMoveFile, 0.0},
                        {HandleImages::kMoveDownId, HandleImages::kMoveDownFile, kHeightHandleOffset}};
  for (const Look& look : looks) {
    Billboard::ConstructorOptions options;
    options.image = HandleImages::path(look.file);
    options.id = std::string(look.id);
    options.pixelOffset = {0.0, look.offsetY};
    options.color = kHandleColor;
    options.scale = kHandleScale;
    heightHandles->add(std::move(options));
  }
}

float VertexEditor::dpiScale() const { return scene ? scene->getContext().getDpiScale() : 1.0f; }

std::optional<Vector2<double>> VertexEditor::windowOf(const Vector3<double>& point) const {
  if (scene == nullptr) return std::nullopt;
  return SceneTransforms::wgs84ToWindowCoordinates(*scene, point);
}

void VertexEditor::raiseGeometryChanged(int index, int kind) {
  geometryChangedEvent->raiseEvent(geometry, index, kind);
}

// ---------------------------------------------------------------------------------------
// Following the geometry and the style

void VertexEditor::refreshFromGeometry(Feature::Geometry& changed) {
  (void)changed;  // the followed geometry is the one read below
  refreshDisplayPositions(drawing);
  handlesDirty = true;
  if (heightHandles && selectedIndex >= 0 && anchor && selectedIndex < static_cast<int>(displayPositions.size())) {
    anchor = displayPositions[selectedIndex];
  }
}

void VertexEditor::heightReferenceChanged() {
  if (geometry) {
    refreshDisplayPositions(drawing);
    handlesDirty = true;
  }
  if (heightHandles && selectedIndex >= 0 && anchor && selectedIndex < static_cast<int>(displayPositions.size())) {
    anchor = displayPositions[selectedIndex];
  }
}

// ---------------------------------------------------------------------------------------
// Per frame

void VertexEditor::update(FrameState& frameState) {
  if (heightQueryActive) return;
  retiredPrimitives.clear();
  if (feature) {
    // A feature taken out of its layer, or whose layer left the scene, is let go
    // without an event: there is nothing left on screen to hand over.
    const std::shared_ptr<Layer> layer = feature->getLayer();
    if ((!layer || !layer->_getScene()) && !drawing) {
      letGo();
      return;
    }
    if (!feature->isShow()) return;
  }
  if (geometryDirty) {
    heightReference = style->getHeightReference();
    geometryDirty = false;
  }
  if (previewDirty.exchange(false)) rebuildPreview(frameState);
  if (objectMoving && handlesDirty) refreshDisplayPositions(drawing);
  if (handlesDirty.exchange(false)) rebuildHandles();
  updatePreview(frameState);
  vertexPoints->update(frameState);
  if (middlePointVisible && middlePoints) middlePoints->update(frameState);
  updateOverlays(frameState);
  if (heightHandles && selectedIndex >= 0 && anchor && !deleteMode) {
    const Vector3<double> at = Ellipsoid::WGS84.cartographicToCartesian(*anchor);
    const bool heightHandlesShown = heightReference == HeightReference::None;
    for (std::size_t i = 0; i < heightHandles->size(); ++i) {
      Billboard* handle = heightHandles->get(i);
      handle->setPosition(at);
      handle->setShow(i == kHorizonMoveHandle || heightHandlesShown);
    }
    heightHandles->update(frameState);
  }
}

}  // namespace qel
