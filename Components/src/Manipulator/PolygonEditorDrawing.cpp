// Drawing an area: the ring's floating last vertex under the pointer, vertices fixed by
// clicks, the outline of the ring and the wall along it, undo and continuing an area,
// and where a press on an area in space inserts a vertex.
#include "Common/Ellipsoid.h"
#include "Feature/LineSymbol.h"
#include "Feature/Material.h"
#include "Feature/PolygonStyle.h"
#include "Manipulator/PolygonEditorImpl.h"
#include "Scene/EllipsoidSurfaceAppearance.h"
#include "Scene/FrameState.h"
#include "Scene/PolylineMaterialAppearance.h"
#include "Scene/Primitive.h"
#include "Scene/SceneImpl.h"
#include "VertexEditorPreview.h"

namespace qel {

namespace {

// The outline drawn without an outline symbol: translucent purple.
constexpr std::array<float, 4> kOutlineColor{0.5f, 0.0f, 0.5f, 0.9f};
// Draped outlines are drawn over the other draped lines.
constexpr int kOutlineZIndex = 1;
// An area in space is hit within its outline's width plus this many pixels.
constexpr double kInsertTolerance = 4.0;

const Feature::LineSymbol* outlineSymbolOf(const Feature::Style& style) {
  const Feature::PolygonStyle* area = style.asPolygonStyle();
  if (area == nullptr || !area->getPolygonSymbol()) return nullptr;
  return area->getPolygonSymbol()->getOutLineSymbol().get();
}

// The scene material of `material` as drawn now, or null without one.
std::shared_ptr<Material> valueOf(const Feature::Material* material) {
  if (material == nullptr) return nullptr;
  const std::shared_ptr<MaterialProperty> property = material->_getMaterial();
  return property ? vertexPreview::sceneMaterialOf(*property) : nullptr;
}

}  // namespace

void PolygonEditorImpl::addDrawnVertex(const Vector2<int>& position) {
  const std::optional<Cartographic> picked = drawnClickAt(position);
  if (!picked) return;
  displayPositions.push_back(clampHeight(*picked));
  // The floating vertex stays where the pointer last put it and the click starts a new
  // one there; the first click starts the ring with a vertex and its floating copy.
  std::vector<Cartographic> ring = currentPositions();
  ring.push_back(*picked);
  if (ring.size() == 1) ring.push_back(*picked);
  writePositions(std::move(ring));
  // The clicked vertex gets its point at the next frame.
  handlesDirty = true;
}

bool PolygonEditorImpl::moveWhileDrawing(const Vector2<int>& position) {
  if (currentPositions().size() < 2) return false;
  const std::optional<Cartographic> pointer = globeCartographicAt(position);
  if (!pointer) return false;
  std::vector<Cartographic> ring = currentPositions();
  ring.back() = *pointer;
  writePositions(std::move(ring));
  return true;
}

void PolygonEditorImpl::beforeDrawnHandOver() {
  std::vector<Cartographic> ring = currentPositions();
  if (ring.empty()) return;
  // The floating vertex only followed the pointer: the area is what was clicked.
  ring.pop_back();
  writePositions(std::move(ring));
}

void PolygonEditorImpl::prepareToContinue(Feature::Geometry& shape) {
  std::vector<Cartographic> ring = positionsOf(shape);
  if (ring.empty()) return;
  // A floating vertex to follow the pointer from the last one on; written before the
  // editor follows the geometry, so it is not an outside change.
  ring.push_back(ring.back());
  setPositionsOf(shape, std::move(ring));
}

void PolygonEditorImpl::previewAfterUndo(const std::optional<Cartographic>& lastBefore) {
  std::vector<Cartographic> ring = currentPositions();
  if (ring.empty() || !lastBefore) return;
  // The restored ring ends with the vertex the undone click fixed; the floating vertex
  // stays under the pointer instead.
  ring.back() = *lastBefore;
  writePositions(std::move(ring));
}

std::optional<std::pair<int, Cartographic>> PolygonEditorImpl::findInsertionIndex(const Vector2<int>& position) {
  // A draped area has no height of its own to insert at.
  if (heightReference != HeightReference::None) return std::nullopt;
  const Feature::LineSymbol* symbol = outlineSymbolOf(*style);
  return insertionAlongRay(position, symbol ? symbol->getWidth() : kOutlineWidth, kInsertTolerance);
}

// ---------------------------------------------------------------------------------------
// Outline and wall

void PolygonEditorImpl::rebuildPreview(const FrameState& frameState) {
  heightReference = style->getHeightReference();
  // The primitives being replaced may still be referenced by this frame's work: they go
  // at the start of the next frame.
  if (outline) retiredPrimitives.push_back(std::move(outline));
  if (wall) retiredPrimitives.push_back(std::move(wall));
  outline.reset();
  wall.reset();
  const std::vector<Cartographic>& ring = currentPositions();
  if (ring.empty()) return;
  // The ring followed by its first vertex: a closed line.
  std::vector<Vector3<double>> closed;
  closed.reserve(ring.size() + 1);
  outlineMemo.resize(ring.size());
  for (std::size_t i = 0; i < ring.size(); ++i) closed.push_back(outlineMemo.at(i, ring[i]));
  closed.push_back(closed.front());
  rebuildWall(closed, ring, frameState);

  const Feature::LineSymbol* symbol = outlineSymbolOf(*style);
  std::shared_ptr<Material> material = valueOf(symbol ? symbol->getMaterial().get() : nullptr);
  if (!material) material = Material::fromType(Material::kColorType, {{"color", kOutlineColor}});
  const bool translucent = material->isTranslucent();
  vertexPreview::PreviewLine line;
  line.positions = std::move(closed);
  line.width = kOutlineWidth;
  line.appearance = std::make_shared<PolylineMaterialAppearance>(std::move(material), translucent);
  line.id = outlineId();
  line.draped = heightReference != HeightReference::None;
  if (line.draped) line.classification = heightReferenceToClassificationType(heightReference);
  line.zIndex = kOutlineZIndex;
  outline = vertexPreview::makePreviewLine(std::move(line));
  // The editor's outline is drawn over the terrain, as its handles are.
  outline->setDepthTestEnabled(false);
}

void PolygonEditorImpl::rebuildWall(const std::vector<Vector3<double>>& closed, const std::vector<Cartographic>& ring,
                                    const FrameState& frameState) {
  (void)frameState;  // materials are valued as they stand when drawn
  const Feature::PolygonStyle* area = style->asPolygonStyle();
  if (area == nullptr) return;
  const std::optional<vertexPreview::Extrusion> extrusion =
      vertexPreview::extrusionOf(area->getExtrusionSymbol().get(), true);
  if (!extrusion) return;
  std::shared_ptr<Material> material = valueOf(extrusion->body->getMaterial().get());
  const bool translucent = material ? material->isTranslucent() : false;
  std::vector<Vector3<double>> base(closed.begin(), closed.end() - 1);
  GeometryInstance instance;
  instance.geometry = vertexPreview::wallOver(std::move(base), ring, *extrusion);
  auto primitive = std::make_shared<Primitive>(singleInstance(std::move(instance)),
                                               std::make_shared<EllipsoidSurfaceAppearance>(material, translucent));
  // The wall shows how high the area stands: a click still finds it, a rectangle leaves it out.
  primitive->setSelectEnabled(false);
  wall = std::move(primitive);
}

void PolygonEditorImpl::updatePreview(FrameState& frameState) {
  if (outline) outline->update(frameState);
  if (wall) wall->update(frameState);
}

}  // namespace qel
