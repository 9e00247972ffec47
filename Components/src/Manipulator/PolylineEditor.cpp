// The line editor's facade, its construction and the mapping of height references to
// what a draped preview lies on.
#include "Manipulator/PolylineEditor.h"

#include "Common/Log.h"
#include "Feature/PolylineGeometry.h"
#include "Manipulator/PolylineEditorImpl.h"
#include "Manipulator/ToolSingleton.h"
#include "PolylineEditorStyle.h"

namespace qel {

namespace {

constexpr const char* kSourceFile = "Components/src/Manipulator/PolylineEditor";
constexpr const char* kMappingFunction = "qel::heightReferenceToClassificationType";
// Lines of the three warnings of the mapping, and of a refused style.
constexpr int kRelativeToGroundLine = 344;
constexpr int kRelativeToTerrainLine = 349;
constexpr int kRelativeTo3DTileLine = 354;

// The measure labels: a small green text on a dark, translucent background, drawn over
// the terrain. Font size and background padding are pixels at DPI scale 1.
constexpr const char* kLabelFont = "宋体";
constexpr double kLabelFontSize = 12.0;
constexpr Color kLabelColor{0.0f, 1.0f, 0.0f, 1.0f};
constexpr double kLabelPadding = 11.0;
constexpr Color kLabelBackground{0.165f, 0.165f, 0.16f, 0.8f};

void warn(int line, const char* message) {
  Log::getInstance().log({kSourceFile, line, kMappingFunction}, Log::kCorrected, message);
}

}  // namespace

std::optional<ClassificationType> heightReferenceToClassificationType(HeightReference heightReference) {
  switch (heightReference) {
    case HeightReference::ClampToGround: return ClassificationType::Both;
    case HeightReference::RelativeToGround:
      warn(kRelativeToGroundLine, "折线不支持相对于地表的高度参考，改为使用贴合地表的高度参考。");
      return ClassificationType::Both;
    case HeightReference::ClampToTerrain: return ClassificationType::Terrain;
    case HeightReference::RelativeToTerrain:
      warn(kRelativeToTerrainLine, "折线不支持相对于地形的高度参考，改为使用贴合地形的高度参考。");
      return ClassificationType::Terrain;
    case HeightReference::ClampTo3DTile: return ClassificationType::Cesium3DTile;
    case HeightReference::RelativeTo3DTile:
      warn(kRelativeTo3DTileLine, "折线不支持相对于3DTiles的高度参考，改为使用贴合3DTiles的高度参考。");
      return ClassificationType::Cesium3DTile;
    default: return std::nullopt;
  }
}

// ---------------------------------------------------------------------------------------
// Implementation: construction and what makes it the line editor

const Uuid& PolylineEditorImpl::rubberLineId() {
  // Made once per process, when the library is loaded.
  static const Uuid id = uuid4();
  return id;
}

namespace {
// Made at load time, so that every rubber band of the process carries the same id.
[[maybe_unused]] const Uuid& kLoadedRubberLineId = PolylineEditorImpl::rubberLineId();
}  // namespace

PolylineEditorImpl::PolylineEditorImpl() : VertexEditor(polylineStyle::makeStyle()) {
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

bool PolylineEditorImpl::isStyleOfKind(const Feature::Style& candidate) const {
  return polylineStyle::isPolylineStyle(candidate);
}

SourceLocation PolylineEditorImpl::styleRefusedAt() const {
  return {kSourceFile, kSetStyleLine, "qel::PolylineEditor::Impl::setStyle"};
}

const char* PolylineEditorImpl::styleRefusedMessage() const { return "设置的样式为空或者不是线样式。"; }

bool PolylineEditorImpl::isGeometryOfKind(const Feature::Geometry& candidate) const {
  return candidate.getType() == Feature::GeometryType::Polyline &&
         dynamic_cast<const Feature::PolylineGeometry*>(&candidate) != nullptr;
}

std::shared_ptr<Feature::Geometry> PolylineEditorImpl::makeGeometry() const {
  return std::make_shared<Feature::PolylineGeometry>();
}

const std::vector<Cartographic>& PolylineEditorImpl::positionsOf(const Feature::Geometry& shape) const {
  return static_cast<const Feature::PolylineGeometry&>(shape).getPositions();
}

void PolylineEditorImpl::setPositionsOf(Feature::Geometry& shape, std::vector<Cartographic> positions) const {
  static_cast<Feature::PolylineGeometry&>(shape).setPositions(std::move(positions));
}

void PolylineEditorImpl::applyDefaultStyle(Feature::Style& target) const { polylineStyle::applyDefaults(target); }

std::shared_ptr<Feature::Style> PolylineEditorImpl::styleToKeep(const Feature::Feature& finished) const {
  const std::shared_ptr<Feature::Style> own = finished.getStyle();
  return own ? polylineStyle::cloneOf(*own) : nullptr;
}

// ---------------------------------------------------------------------------------------
// Facade

PolylineEditor::PolylineEditor() = default;
PolylineEditor::~PolylineEditor() = default;

PolylineEditor* PolylineEditor::instance(bool destroy) {
  return toolInstance<PolylineEditor>(destroy, [] { return new PolylineEditor(); });
}

void PolylineEditor::startEditing(std::shared_ptr<Feature::Feature> feature) {
  command([feature](Impl& impl) { impl.startEditing(feature); });
}

void PolylineEditor::continueDrawing(std::shared_ptr<Feature::Feature> feature) {
  command([feature](Impl& impl) { impl.continueDrawing(feature); });
}

void PolylineEditor::stopEditing(bool discard, bool endDrawing) {
  command([discard, endDrawing](Impl& impl) { impl.finishEditing(discard, endDrawing); });
}

PolylineEditor::StoppedEvent* PolylineEditor::getStoppedEvent() const { return &impl().getStoppedEvent(); }

PolylineEditor::GeometryChangedEvent* PolylineEditor::getGeometryChangedEvent() const {
  return &impl().getGeometryChangedEvent();
}

void PolylineEditor::deletePoint(bool enabled) {
  command([enabled](Impl& impl) { impl.deletePoint(enabled); });
}

void PolylineEditor::addPoint(bool enabled) {
  command([enabled](Impl& impl) { impl.addPoint(enabled); });
}

void PolylineEditor::setStyle(std::shared_ptr<Feature::Style> style) {
  command([style](Impl& impl) { impl.setStyle(style); });
}

void PolylineEditor::resetStyle() {
  command([](Impl& impl) { impl.resetStyle(); });
}

std::shared_ptr<Feature::Style> PolylineEditor::getStyle() const {
  return query([](Impl& impl) { return impl.getStyle(); });
}

void PolylineEditor::undo() {
  command([](Impl& impl) { impl.undo(); });
}

void PolylineEditor::setMiddlePointImage(std::variant<std::string, std::shared_ptr<Image>> image) {
  command([image](Impl& impl) { impl.setMiddlePointImage(image); });
}

bool PolylineEditor::isMiddlePointVisible() const {
  return query([](Impl& impl) { return impl.isMiddlePointVisible(); });
}

void PolylineEditor::setMiddlePointVisible(bool visible) {
  command([visible](Impl& impl) { impl.setMiddlePointVisible(visible); });
}

bool PolylineEditor::isObjectMovingEnabled() const {
  return query([](Impl& impl) { return impl.isObjectMovingEnabled(); });
}

void PolylineEditor::setObjectMovingEnabled(bool enabled) {
  command([enabled](Impl& impl) { impl.setObjectMovingEnabled(enabled); });
}

void PolylineEditor::deleteVertex(unsigned int index) {
  command([index](Impl& impl) { impl.deleteVertex(index); });
}

}  // namespace qel
