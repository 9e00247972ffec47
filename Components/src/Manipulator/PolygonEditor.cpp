// The area editor's facade, its construction, what makes it the area editor (the outer
// ring of an area style's feature), its default style, and the mapping of height
// references to what a draped outline lies on.
#include "Manipulator/PolygonEditor.h"

#include "Feature/ColorMaterial.h"
#include "Feature/LineSymbol.h"
#include "Feature/PolygonGeometry.h"
#include "Feature/PolygonStyle.h"
#include "Feature/PolygonSymbol.h"
#include "Manipulator/PolygonEditorImpl.h"
#include "VertexEditorFacadeCalls.h"
#include "VertexEditorPreview.h"

namespace qel {

namespace {

constexpr const char* kSourceFile = "Components/src/Manipulator/PolygonEditor";

// The default look: a pale green fill (the 8-bit colour (199, 237, 204) as single
// precision) at alpha 0.8, outlined in translucent purple, lying on the terrain.
constexpr Color kDefaultFill{0.78039217f, 0.92941177f, 0.8f, 0.8f};
constexpr Color kDefaultOutline{0.5f, 0.0f, 0.5f, 0.9f};
constexpr HeightReference kDefaultHeightReference = HeightReference::ClampToTerrain;

// An area: its ring closes on itself and floats its last vertex while drawn; presses in
// add mode are not reported.
VertexEditor::Kind areaKind() {
  VertexEditor::Kind area;
  area.geometryType = Feature::GeometryType::Polygon;
  area.drawingCursor = CursorAction::DrawArea;
  area.styleRefusedAt = {kSourceFile, PolygonEditorImpl::kSetStyleLine, "qel::PolygonEditor::Impl::setStyle"};
  area.styleRefusedMessage = "设置的样式为空或者不是面样式。";
  area.closed = true;
  area.floatsLastPosition = true;
  area.announcesInsertion = false;
  return area;
}

}  // namespace

PolygonEditorImpl::PolygonEditorImpl() : VertexEditor(std::make_shared<Feature::PolygonStyle>(), areaKind()) {
  applyDefaultStyle(*style);
}

PolygonEditorImpl::~PolygonEditorImpl() = default;

std::optional<ClassificationType> PolygonEditorImpl::heightReferenceToClassificationType(
    HeightReference heightReference) {
  return vertexPreview::classificationFor(heightReference, Feature::GeometryType::Polygon);
}

const Uuid& PolygonEditorImpl::outlineId() { return vertexPreview::previewId<PolygonEditorImpl>(); }

namespace {
// Made at load time, so that every outline of the process carries the same id.
[[maybe_unused]] const Uuid& kLoadedOutlineId = PolygonEditorImpl::outlineId();
}  // namespace

void PolygonEditorImpl::applyDefaultStyle(Feature::Style& target) const {
  Feature::PolygonStyle* area = target.asPolygonStyle();
  if (area == nullptr) return;
  auto symbol = std::make_shared<Feature::PolygonSymbol>();
  symbol->setMaterial(std::make_shared<Feature::ColorMaterial>(kDefaultFill));
  symbol->setFill(true);
  auto outlineSymbol = std::make_shared<Feature::LineSymbol>();
  outlineSymbol->setWidth(kOutlineWidth);
  outlineSymbol->setMaterial(std::make_shared<Feature::ColorMaterial>(kDefaultOutline));
  symbol->setOutLineSymbol(std::move(outlineSymbol));
  area->setPolygonSymbol(std::move(symbol));
  area->setExtrusionSymbol(nullptr);
  area->setLabelSymbol(nullptr);
  area->setHeightReference(kDefaultHeightReference);
}

void PolygonEditorImpl::setMiddlePointVisible(bool visible) {
  if (visible == middlePointVisible) return;
  if (drawing) {
    middlePointVisible = visible;
    return;
  }
  VertexEditor::setMiddlePointVisible(visible);
}

// ---------------------------------------------------------------------------------------
// Facade

template class VertexEditorFacade<PolygonEditor, PolygonEditorImpl>;

PolygonEditor::PolygonEditor() = default;
PolygonEditor::~PolygonEditor() = default;

}  // namespace qel
