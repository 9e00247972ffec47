// The point editor's style: its defaults, what it accepts, and where a refusal is logged.
#include "PointEditorStyle.h"

#include "Feature/BillboardSymbol.h"
#include "Feature/LabelSymbol.h"
#include "Feature/PointStyle.h"
#include "Manipulator/HandleImages.h"
#include "Manipulator/PointEditorImpl.h"

namespace qel {

namespace {

// Where a refused style is reported: this unit's file and the operation refusing it.
constexpr const char* kStyleRefusedFile = "Components/src/Manipulator/PointEditor";
constexpr const char* kStyleRefusedFunction = "qel::PointEditor::Impl::setStyle";
// One fixed line for the refusal, so that the record stays the same across edits.
constexpr int kStyleRefusedLine = 1;

// The marker stands centred on the point with its bottom edge there, so that its tip
// marks the place.
constexpr int kMarkerHorizontalOrigin = Feature::BillboardSymbol::kOriginCenter;
constexpr int kMarkerVerticalOrigin = Feature::BillboardSymbol::kVerticalOriginBottom;
// The label starts kLabelGap pixels right of the point, clear of the marker, with its
// bottom edge on the point's row.
constexpr int kLabelHorizontalOrigin = Feature::BillboardSymbol::kHorizontalOriginLeft;
constexpr int kLabelVerticalOrigin = Feature::BillboardSymbol::kVerticalOriginBottom;
constexpr double kLabelGap = 20.0;
// Drawn points stand on the terrain unless the application says otherwise.
constexpr HeightReference kDefaultHeightReference = HeightReference::ClampToTerrain;

}  // namespace

const char* const PointEditorImpl::kStyleRefusedText = "设置的样式为空或者不是点样式。";

SourceLocation PointEditorImpl::styleRefusedLocation() {
  return {kStyleRefusedFile, kStyleRefusedLine, kStyleRefusedFunction};
}

bool PointEditorImpl::isStyleOfKind(const Feature::Style& candidate) const {
  return candidate.asPointStyle() != nullptr;
}

void PointEditorImpl::resetStyle() {
  if (style) writeDefaultPointStyle(*style);
}

std::shared_ptr<Feature::Style> newDefaultPointStyle() {
  auto style = std::make_shared<Feature::PointStyle>();
  writeDefaultPointStyle(*style);
  return style;
}

void writeDefaultPointStyle(Feature::Style& style) {
  Feature::PointStyle* point = style.asPointStyle();
  if (point == nullptr) return;
  auto marker = std::make_shared<Feature::BillboardSymbol>();
  marker->setImage(HandleImages::markerPath());
  marker->setHorizontalOrigin(kMarkerHorizontalOrigin);
  marker->setVerticalOrigin(kMarkerVerticalOrigin);
  point->setBillboardSymbol(marker);
  auto label = std::make_shared<Feature::LabelSymbol>();
  label->setHorizontalOrigin(kLabelHorizontalOrigin);
  label->setVerticalOrigin(kLabelVerticalOrigin);
  label->setPixelOffset(Vector2<double>(kLabelGap, 0.0));
  point->setLabelSymbol(label);
  point->setHeightReference(kDefaultHeightReference);
  point->setModelSymbol(nullptr);
  point->setPointSymbol(nullptr);
}

}  // namespace qel
