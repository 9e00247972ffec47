#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Common/Cartographic.h"
#include "Common/Uuid.h"
#include "Manipulator/VertexEditor.h"
#include "Scene/Appearance.h"
#include "Scene/ClassificationType.h"
#include "Scene/Label.h"
#include "Scene/LabelCollection.h"

namespace qel {

/// `heightReference` as what a draped line lies on: None and values above 6 give
/// nothing; the clamping references their surface; the relative ones (2, 4, 6), which a
/// draped line cannot honour, the surface of their clamping counterpart, each time with a
/// warning (level 3) that says so.
std::optional<ClassificationType> heightReferenceToClassificationType(HeightReference heightReference);

/// The line editor on the main thread: the shared vertex editing, plus drawing a line
/// click by click with a rubber band from the last vertex to the pointer, its extrusion
/// wall, and the measure and angle labels.
class PolylineEditorImpl : public VertexEditor {
 public:
  /// Where a refused style is logged.
  static constexpr int kSetStyleLine = 2146;
  /// The id carried by every rubber band line this process draws.
  static const Uuid& rubberLineId();

  PolylineEditorImpl();
  ~PolylineEditorImpl() override;

  // What a user sees while drawing, for tests and the demo (main thread).
  const std::vector<Cartographic>& getRubberBand() const noexcept { return rubberBand; }
  const std::shared_ptr<PrimitiveBase>& getRubberLine() const noexcept { return rubberLine; }
  const std::shared_ptr<PrimitiveBase>& getRubberWall() const noexcept { return rubberWall; }
  const Label* getMeasureLabel() const noexcept { return measureLabel; }
  const Label* getAngleLabel() const noexcept { return angleLabel; }
  const Label::ConstructorOptions& getLabelOptions() const noexcept { return labelOptions; }

 protected:
  void applyDefaultStyle(Feature::Style& target) const override;
  void addDrawnVertex(const Vector2<int>& position) override;
  bool moveWhileDrawing(const Vector2<int>& position) override;
  std::optional<std::pair<int, Cartographic>> findInsertionIndex(const Vector2<int>& position) override;
  void rebuildPreview(const FrameState& frameState) override;
  void updatePreview(FrameState& frameState) override;
  void updateOverlays(FrameState& frameState) override;
  void clearDrawingPreview() override;
  void previewAfterUndo(const std::optional<Cartographic>& lastBefore) override;
  void undoWithoutSnapshot() override;
  void continuePreview() override;

 private:
  void rebuildRubberPrimitives(const FrameState& frameState);
  void rebuildRubberWall(const std::vector<Vector3<double>>& base, const FrameState& frameState);
  void updateMeasureLabels();
  void createLabels();
  std::optional<std::pair<int, Cartographic>> insertionOnSurface();

  std::shared_ptr<PrimitiveBase> rubberLine;
  std::shared_ptr<PrimitiveBase> rubberWall;
  std::vector<Cartographic> rubberBand;
  std::shared_ptr<Appearance> rubberAppearance;
  std::shared_ptr<Appearance> wallAppearance;
  Cartographic rubberMidpoint;
  std::shared_ptr<LabelCollection> labels;
  Label* measureLabel = nullptr;
  Label* angleLabel = nullptr;
  Label::ConstructorOptions labelOptions;
};

}  // namespace qel
