// The line editor's facade, its construction and the mapping of height references to
// what a draped preview lies on.
#include "Manipulator/PolylineEditor.h"

#include "Feature/PolylineGeometry.h"
#include "Manipulator/PolylineEditorImpl.h"
#include "PolylineEditorStyle.h"
#include "VertexEditorFacadeCalls.h"
#include "VertexEditorPreview.h"

namespace qel {

namespace {

constexpr const char* kSourceFile = "Components/src/Manipulator/PolylineEditor";

// The measure labels: a small green text on a dark, translucent background, drawn over
// the terrain. Font size and background padding are pixels at DPI scale 1.
constexpr const char* kLabelFont = "宋体";
constexpr double kLabelFontSize = 12.0;
constexpr Color kLabelColor{0.0f, 1.0f, 0.0f, 1.0f};
constexpr double kLabelPadding = 11.0;
constexpr Color kLabelBackground{0.165f, 0.165f, 0.16f, 0.8f};

}  // namespace

std::optional<ClassificationType> heightReferenceToClassificationType(HeightReference heightReference) {
  return vertexPreview::classificationFor(heightReference, Feature::GeometryType::Polyline);
}

// ---------------------------------------------------------------------------------------
// Implementation: construction and what makes it the line editor

const Uuid& PolylineEditorImpl::rubberLineId() { return vertexPreview::previewId<PolylineEditorImpl>(); }

namespace {
// Made at load time, so that every rubber band of the process carries the same id.
[[maybe_unused]] const Uuid& kLoadedRubberLineId = PolylineEditorImpl::rubberLineId();

VertexEditor::Kind lineKind() {
  VertexEditor::Kind kind;
  kind.styleRefusedAt = {kSourceFile, PolylineEditorImpl::kSetStyleLine, "qel::PolylineEditor::Impl::setStyle"};
  kind.styleRefusedMessage = "设置的样式为空或者不是线样式。";
  return kind;
}

}  // namespace

PolylineEditorImpl::PolylineEditorImpl() : VertexEditor(polylineStyle::makeStyle(), lineKind()) {
  applyDefaultStyle(*style);
  labelOptions.show = false;
  labelOptions.style = Label::Style::FILL_AND_OUTLINE;
  labelOptions.scale = 1.0;
  labelOptions.font = kLabelFont;
  labelOptions.fontSize = kLabelFontSize;
  labelOptions.fillColor = kLabelColor;
  labelOptions.showBackground = true;
  labelOptions.disableDepthTest = true;
  labelOptions.backgroundPadding = kLabelPadding;
  labelOptions.backgroundColor = kLabelBackground;
}

PolylineEditorImpl::~PolylineEditorImpl() = default;

void PolylineEditorImpl::applyDefaultStyle(Feature::Style& target) const { polylineStyle::applyDefaults(target); }

// ---------------------------------------------------------------------------------------
// Facade

template class VertexEditorFacade<PolylineEditor, PolylineEditorImpl>;

PolylineEditor::PolylineEditor() = default;
PolylineEditor::~PolylineEditor() = default;

}  // namespace qel
