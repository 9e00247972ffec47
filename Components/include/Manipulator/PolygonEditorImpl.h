#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "Common/Cartographic.h"
#include "Common/Uuid.h"
#include "Manipulator/VertexEditor.h"
#include "Scene/ClassificationType.h"

namespace qel {

/// The area editor on the main thread: the shared vertex editing applied to the outer
/// ring of an area, whose last vertex joins the first; drawing click by click with the
/// ring's last vertex floating under the pointer; and the outline (and wall) of the ring
/// drawn while drawing and editing.
class PolygonEditorImpl : public VertexEditor {
 public:
  /// Where a refused style is logged.
  static constexpr int kSetStyleLine = 1876;
  /// Width (pixels) of the outline drawn by the editor, and of the outline symbol read
  /// for the insertion test when the style has none.
  static constexpr double kOutlineWidth = 0.8;
  /// The id carried by every outline this process draws.
  static const Uuid& outlineId();
  /// `heightReference` as what a draped outline lies on: None and values above 6 give
  /// nothing; the clamping references their surface; the relative ones (2, 4, 6), which
  /// a draped outline cannot honour, the surface of their clamping counterpart, each
  /// call with a warning (level 3) that says so.
  static std::optional<ClassificationType> heightReferenceToClassificationType(HeightReference heightReference);

  PolygonEditorImpl();
  ~PolygonEditorImpl() override;

  /// As for lines, except that while drawing only the flag changes: drawing shows no
  /// middle points, and the drawn vertices keep their points.
  void setMiddlePointVisible(bool visible);

  // What a user sees, for tests and the demo (main thread).
  const std::shared_ptr<PrimitiveBase>& getOutline() const noexcept { return outline; }
  const std::shared_ptr<PrimitiveBase>& getWall() const noexcept { return wall; }

 protected:
  // The area's look.
  void applyDefaultStyle(Feature::Style& target) const override;
  // Drawing with a floating last vertex; there is nothing to drop or re-anchor besides it.
  void addDrawnVertex(const Vector2<int>& position) override;
  bool moveWhileDrawing(const Vector2<int>& position) override;
  void beforeDrawnHandOver() override;
  void prepareToContinue(Feature::Geometry& shape) override;
  void previewAfterUndo(const std::optional<Cartographic>& lastBefore) override;
  void clearDrawingPreview() override {}
  void undoWithoutSnapshot() override {}
  void continuePreview() override {}
  // The outline and wall, rebuilt after every change of the ring by the editor.
  void geometryWritten() override { previewDirty = true; }
  void rebuildPreview(const FrameState& frameState) override;
  void updatePreview(FrameState& frameState) override;
  // Insertion on an area in space, by the pointer's ray.
  std::optional<std::pair<int, Cartographic>> findInsertionIndex(const Vector2<int>& position) override;

 private:
  void rebuildWall(const std::vector<Vector3<double>>& closed, const std::vector<Cartographic>& ring,
                   const FrameState& frameState);

  std::shared_ptr<PrimitiveBase> outline;
  std::shared_ptr<PrimitiveBase> wall;
  // The last fixed-frame point of each ring vertex: a drag rebuilds the outline every
  // frame but moves one vertex.
  CartesianMemo outlineMemo;
};

}  // namespace qel
