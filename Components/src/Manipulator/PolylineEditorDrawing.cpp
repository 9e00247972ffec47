// Drawing a line: vertices added by clicks, the rubber band from the last vertex to the
// pointer with its extrusion wall, and the measure and angle labels beside it.
#include <algorithm>
#include <cmath>

#include "Common/Ellipsoid.h"
#include "Manipulator/Measure.h"
#include "Manipulator/PolylineEditorImpl.h"
#include "PolylineEditorStyle.h"
#include "Scene/FrameState.h"
#include "Scene/MaterialAppearance.h"
#include "Scene/PolylineMaterialAppearance.h"
#include "Scene/Primitive.h"
#include "Scene/SceneImpl.h"
#include "VertexEditorPreview.h"

namespace qel {

namespace {

// The rubber band: a 2 px line of light green.
constexpr double kRubberWidth = 2.0;
constexpr std::array<float, 4> kRubberColor{0.5f, 1.0f, 0.5f, 1.0f};

Vector3<double> toCartesian(const Cartographic& p) { return Ellipsoid::WGS84.cartographicToCartesian(p); }

}  // namespace

void PolylineEditorImpl::addDrawnVertex(const Vector2<int>& position) {
  // Undo after the first vertex clears the line.
  const std::optional<Cartographic> picked = drawnClickAt(position);
  if (!picked) return;
  std::vector<Cartographic> positions = currentPositions();
  positions.push_back(*picked);
  writePositions(std::move(positions));
  if (!rubberBand.empty()) {
    rubberBand[0] = *picked;
  } else {
    rubberBand = {*picked, *picked};
  }
  // While drawing, the new vertex gets its point at once; the geometry keeps the picked
  // height.
  addVertexPoint(clampHeight(*picked));
  if (measureLabel == nullptr) createLabels();
  geometryDirty = true;
  previewDirty = true;
}

void PolylineEditorImpl::createLabels() {
  if (!labels) labels = std::make_shared<LabelCollection>(scene, false, std::nullopt);
  Label::ConstructorOptions options = labelOptions;
  options.fontSize *= dpiScale();
  options.backgroundPadding *= dpiScale();
  if (!rubberBand.empty()) options.position = toCartesian(rubberBand[0]);
  measureLabel = labels->add(options);
  angleLabel = labels->add(options);
}

bool PolylineEditorImpl::moveWhileDrawing(const Vector2<int>& position) {
  if (!rubberLine || !drawing) return false;
  const std::optional<Vector3<double>> hit = scene->pickGlobe(position);
  if (!hit) return false;
  if (rubberBand.empty()) return true;
  const std::optional<Cartographic> pointer = Ellipsoid::WGS84.cartesianToCartographic(*hit);
  if (!pointer) return false;
  rubberBand[1] = *pointer;
  const Vector3<double> middle = (*hit + toCartesian(rubberBand[0])) * 0.5;
  if (std::optional<Cartographic> m = Ellipsoid::WGS84.cartesianToCartographic(middle))
    rubberMidpoint = clampHeight(*m);
  previewDirty = true;
  return true;
}

void PolylineEditorImpl::rebuildPreview(const FrameState& frameState) {
  rebuildRubberPrimitives(frameState);
  updateMeasureLabels();
}

void PolylineEditorImpl::rebuildRubberPrimitives(const FrameState& frameState) {
  // The primitives being replaced may still be referenced by this frame's work: they go
  // at the start of the next frame.
  if (rubberLine) retiredPrimitives.push_back(std::move(rubberLine));
  if (rubberWall) retiredPrimitives.push_back(std::move(rubberWall));
  rubberLine.reset();
  rubberWall.reset();
  if (rubberBand.size() < 2) return;
  std::vector<Vector3<double>> positions;
  positions.reserve(rubberBand.size());
  for (const Cartographic& p : rubberBand) positions.push_back(toCartesian(p));
  if (!rubberAppearance) {
    std::shared_ptr<Material> material = Material::fromType(Material::kColorType, {{"color", kRubberColor}});
    const bool translucent = material->isTranslucent();
    rubberAppearance = std::make_shared<PolylineMaterialAppearance>(std::move(material), translucent);
  }
  vertexPreview::PreviewLine line;
  line.positions = positions;
  line.width = kRubberWidth;
  line.appearance = rubberAppearance;
  line.id = rubberLineId();
  line.draped = heightReference != HeightReference::None;
  if (line.draped) line.classification = heightReferenceToClassificationType(heightReference);
  rubberLine = vertexPreview::makePreviewLine(std::move(line));
  rebuildRubberWall(positions, frameState);
}

void PolylineEditorImpl::rebuildRubberWall(const std::vector<Vector3<double>>& base, const FrameState& frameState) {
  const std::optional<vertexPreview::Extrusion> extrusion = polylineStyle::extrusionOf(*style);
  if (!extrusion) return;
  WallGeometry wall = vertexPreview::wallOver(base, rubberBand, *extrusion);
  double length = 0.0;
  for (std::size_t i = 1; i < base.size(); ++i) length += Vector3<double>::distance(base[i - 1], base[i]);
  double span = 0.0;
  for (std::size_t i = 0; i < wall.maximumHeights.size(); ++i) {
    span = std::max(span, wall.maximumHeights[i] - wall.minimumHeights[i]);
  }
  std::shared_ptr<Material> material = polylineStyle::wallMaterial(*style, length, span, frameState.time);
  if (!material) material = rubberAppearance->getMaterial();
  // The appearance is made once per drawing; its material follows the band, whose
  // length sets an image's repeat.
  const bool translucent = material->isTranslucent();
  if (!wallAppearance) {
    wallAppearance = std::make_shared<MaterialAppearance>(material, translucent);
  } else {
    wallAppearance->setMaterial(material, translucent);
  }
  GeometryInstance instance;
  instance.geometry = std::move(wall);
  rubberWall = std::make_shared<Primitive>(singleInstance(std::move(instance)), wallAppearance);
}

void PolylineEditorImpl::updateMeasureLabels() {
  if (rubberBand.size() != 2 || measureLabel == nullptr || angleLabel == nullptr) return;
  if (rubberBand[0] == rubberBand[1]) {
    // The pointer is on the last vertex: there is nothing to measure.
    measureLabel->setShow(false);
    angleLabel->setShow(false);
    return;
  }
  if (!measureLabel->isShow()) {
    measureLabel->setShow(true);
    angleLabel->setShow(true);
  }
  const Vector3<double> a = toCartesian(rubberBand[0]);
  const Vector3<double> b = toCartesian(rubberBand[1]);
  const double distance = heightReference == HeightReference::ClampToTerrain
                              ? Measure::groundDistance(scene->getGlobe(), a, b)
                              : Vector3<double>::distance(a, b);
  measureLabel->setText(Measure::measureText(a, b, heightReference, distance));
  measureLabel->setPosition(toCartesian(rubberMidpoint));
  const std::vector<Cartographic>& positions = currentPositions();
  if (positions.size() > 1) {
    const Vector3<double> before = toCartesian(positions[positions.size() - 2]);
    angleLabel->setText(Measure::angleText(Measure::includedAngle(before, a, b, heightReference)));
    angleLabel->setPosition(a);
    angleLabel->setShow(true);
  } else {
    angleLabel->setShow(false);
  }
}

void PolylineEditorImpl::updatePreview(FrameState& frameState) {
  if (rubberLine) rubberLine->update(frameState);
  if (rubberWall) rubberWall->update(frameState);
}

void PolylineEditorImpl::updateOverlays(FrameState& frameState) {
  if (labels) labels->update(frameState);
}

void PolylineEditorImpl::clearDrawingPreview() {
  rubberBand.clear();
  wallAppearance.reset();
  if (labels) {
    labels->remove(measureLabel);
    labels->remove(angleLabel);
  }
  measureLabel = nullptr;
  angleLabel = nullptr;
}

void PolylineEditorImpl::previewAfterUndo(const std::optional<Cartographic>& lastBefore) {
  (void)lastBefore;  // the band keeps its pointer end
  const std::vector<Cartographic>& positions = currentPositions();
  if (!positions.empty() && rubberBand.size() == 2) {
    rubberBand[0] = positions.back();
    const Vector3<double> middle = (toCartesian(rubberBand[0]) + toCartesian(rubberBand[1])) * 0.5;
    if (std::optional<Cartographic> m = Ellipsoid::WGS84.cartesianToCartographic(middle)) {
      rubberMidpoint = clampHeight(*m);
    }
  }
  previewDirty = true;
}

void PolylineEditorImpl::undoWithoutSnapshot() {
  if (!currentPositions().empty()) {
    writePositions({});
    refreshDisplayPositions(drawing);
    handlesDirty = true;
  }
  if (!rubberBand.empty()) {
    rubberBand.clear();
    previewDirty = true;
    if (measureLabel != nullptr) measureLabel->setShow(false);
    if (angleLabel != nullptr) angleLabel->setShow(false);
  }
}

void PolylineEditorImpl::continuePreview() {
  const std::vector<Cartographic>& positions = currentPositions();
  if (rubberBand.empty() && !positions.empty()) rubberBand = {positions.back(), positions.back()};
  previewDirty = true;
  if (measureLabel == nullptr) createLabels();
}

}  // namespace qel
