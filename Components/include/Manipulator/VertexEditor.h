#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "Common/CartesianMemo.h"
#include "Common/Cartographic.h"
#include "Common/Publisher.h"
#include "Common/Vector2.h"
#include "Feature/Feature.h"
#include "Manipulator/EditorFrame.h"
#include "Scene/BillboardCollection.h"
#include "Scene/Image.h"
#include "Scene/PointPrimitiveCollection.h"
#include "Scene/PrimitiveBase.h"
#include "Viewer/CursorAction.h"
#include "Viewer/GUIEventHandler.h"

namespace qel {

class PickObject;
class ViewerImpl;

/// What the line and area editors share on the main thread: the vertices of one
/// feature's position list shown as points, the middle points between them that insert
/// a vertex when grabbed, the three move handles on the selected vertex, the gesture
/// machine (select, drag, raise and lower, insert, delete, move the whole feature), the
/// add, delete and object-moving modes, the undo stack, the geometry-changed and stopped
/// events, and the per-frame rebuild of the handles.
///
/// A concrete editor gives its `Kind` (the geometry it takes: a line's positions or an
/// area's outer ring; whether the last vertex joins the first; whether the last position
/// floats under the pointer while drawing) and says through the hooks below how it draws
/// while a new feature is drawn (rubber band, outline) and where a press on the feature
/// inserts a vertex.
///
/// Every member runs on the main thread, except the change listeners of `EditorFrame`.
class VertexEditor : public GUIEventHandler, public PrimitiveBase, public EditorFrame {
 public:
  using StoppedEvent = Publisher<std::function<void(std::shared_ptr<Feature::Feature>, bool)>>;
  using GeometryChangedEvent = Publisher<std::function<void(std::shared_ptr<Feature::Geometry>, int, int)>>;
  using MiddlePointImage = std::variant<std::string, std::shared_ptr<Image>>;

  /// The kinds of geometry-changed event (the index argument says which vertex).
  static constexpr int kVertexSelected = 0;  ///< add mode: a press selected or inserted a vertex
  static constexpr int kVertexDeleted = 1;
  static constexpr int kVertexClicked = 2;  ///< a click on a vertex outside the add and delete modes
  static constexpr int kVertexMoved = -1;   ///< each drag step; index −1 when the whole feature moved

  ~VertexEditor() override;
  VertexEditor(const VertexEditor&) = delete;
  VertexEditor& operator=(const VertexEditor&) = delete;

  /// The gesture machine: press, release, double click, drag and move of the pointer.
  bool handle(const GUIEventAdapter& event, const Viewer& viewer) override;
  using GUIEventHandler::handle;
  /// Releases replaced previews, lets go of a feature that left its scene, rebuilds
  /// what a dirty flag asks for and draws the handles.
  void update(FrameState& frameState) override;

  /// Hands over any previous feature (stopped event), then draws a new feature when
  /// `feature` is null, or edits `feature` when its geometry is of this editor's kind
  /// (another kind, or a feature without geometry, is not taken, without a message).
  void startEditing(std::shared_ptr<Feature::Feature> feature);
  /// Drops the previous feature silently and goes on drawing `feature` from its last
  /// vertex; does nothing for null or a feature of another kind.
  void continueDrawing(std::shared_ptr<Feature::Feature> feature);
  /// Ends editing or drawing; see `VertexEditorFacade::stopEditing`. Returns the feature
  /// handed to the stopped event, or null.
  std::shared_ptr<Feature::Feature> finishEditing(bool discard, bool endDrawing);
  /// Restores the newest snapshot (see `VertexEditorFacade::undo`).
  void undo();
  /// Deletes vertex `index` (no effect while drawing, without a feature or for an index
  /// not below the vertex count).
  void deleteVertex(unsigned int index);
  /// Turns the delete mode on (clearing the selection) or off.
  void deletePoint(bool enabled);
  /// Turns the add mode on (clearing the selection) or off.
  void addPoint(bool enabled);
  bool isMiddlePointVisible() const noexcept { return middlePointVisible; }
  void setMiddlePointVisible(bool visible);
  void setMiddlePointImage(MiddlePointImage image) { middlePointImage = std::move(image); }
  bool isObjectMovingEnabled() const noexcept { return objectMoving; }
  void setObjectMovingEnabled(bool enabled) noexcept { objectMoving = enabled; }
  /// Writes the editor's defaults into the style it holds, and hands it to the edited
  /// feature.
  void resetStyle();

  StoppedEvent& getStoppedEvent() noexcept { return *stoppedEvent; }
  GeometryChangedEvent& getGeometryChangedEvent() noexcept { return *geometryChangedEvent; }

  // Tool frame hooks (see ToolFacade).
  void attachTo(ViewerImpl& viewer, const std::shared_ptr<VertexEditor>& self);
  void detachFrom(ViewerImpl* viewer);
  void releaseFrom(ViewerImpl& viewer);

  // What a user sees, for tests and the demo (main thread).
  const std::shared_ptr<Feature::Feature>& getFeature() const noexcept { return feature; }
  bool isDrawing() const noexcept { return drawing.load(); }
  bool isDeleteMode() const noexcept { return deleteMode; }
  bool isAddMode() const noexcept { return addMode; }
  int getSelectedIndex() const noexcept { return selectedIndex; }
  const std::optional<Cartographic>& getAnchor() const noexcept { return anchor; }
  const std::vector<Cartographic>& getDisplayPositions() const noexcept { return displayPositions; }
  const std::vector<Cartographic>& getMiddlePositions() const noexcept { return middlePositions; }
  std::size_t getUndoCount() const noexcept { return undoStack.size(); }
  const PointPrimitiveCollection& getVertexPoints() const noexcept { return *vertexPoints; }
  const BillboardCollection* getMiddlePoints() const noexcept { return middlePoints.get(); }
  const BillboardCollection* getHeightHandles() const noexcept { return heightHandles.get(); }
  /// The positions of the edited geometry (empty without one).
  const std::vector<Cartographic>& currentPositions() const;

 public:
  /// What sets one editor apart from the other as plain values.
  struct Kind {
    /// The type code of the geometries it takes (the test of start and continue).
    Feature::GeometryType geometryType = Feature::GeometryType::Polyline;
    /// The cursor while drawing.
    CursorAction drawingCursor = CursorAction::DrawLine;
    /// Where a refused style is logged, and with which text.
    SourceLocation styleRefusedAt;
    const char* styleRefusedMessage = "";
    /// The last vertex joins the first (an area's ring): middle points then wrap.
    bool closed = false;
    /// While drawing, the list's last position follows the pointer rather than being a
    /// drawn vertex: it then gets no vertex point.
    bool floatsLastPosition = false;
    /// An add-mode press that selects or inserts a vertex raises the kind-0 event, and
    /// hovering the feature in add mode shows the insertion cursor.
    bool announcesInsertion = true;
  };

 protected:
  VertexEditor(std::shared_ptr<Feature::Style> defaultStyle, Kind kind);

  // ---- What a concrete editor says ----------------------------------------------------
  /// Writes the editor's defaults into `style` (of this editor's kind).
  virtual void applyDefaultStyle(Feature::Style& style) const = 0;
  /// Adds the vertex clicked at `position` while drawing.
  virtual void addDrawnVertex(const Vector2<int>& position) = 0;
  /// The pointer moved to `position` while drawing (after the cursor was set); the
  /// result is what `handle` returns.
  virtual bool moveWhileDrawing(const Vector2<int>& position) = 0;
  /// Where a press at `position` on the feature inserts a vertex: the index it takes
  /// and its position; empty for none.
  virtual std::optional<std::pair<int, Cartographic>> findInsertionIndex(const Vector2<int>& position) = 0;
  /// Rebuilds the drawing previews (rubber band, outline, labels) when asked to.
  virtual void rebuildPreview(const FrameState& frameState) = 0;
  /// Submits the drawing previews of this frame: `updatePreview` before the handles,
  /// `updateOverlays` (labels) after them.
  virtual void updatePreview(FrameState& frameState) = 0;
  virtual void updateOverlays(FrameState& frameState) { (void)frameState; }
  /// Drops what drawing showed (rubber band, labels) when drawing stops or restarts.
  virtual void clearDrawingPreview() = 0;
  /// After an undo while drawing restored a shorter list: re-anchors the previews.
  /// `lastBefore` is the last position the list held before the undo (empty when none).
  virtual void previewAfterUndo(const std::optional<Cartographic>& lastBefore) = 0;
  /// Undo with an empty stack while drawing (outside drawing it does nothing).
  virtual void undoWithoutSnapshot() = 0;
  /// After `continueDrawing` attached the feature: prepares the previews.
  virtual void continuePreview() = 0;
  /// Called after each write of the position list by the editor.
  virtual void geometryWritten() {}
  /// Called when a drawn feature is about to be handed over or dropped (not when drawing
  /// merely ends with the feature kept): drops what only drawing needed.
  virtual void beforeDrawnHandOver() {}
  /// Called by `continueDrawing` before the editor follows `shape` (of this kind).
  virtual void prepareToContinue(Feature::Geometry& shape) { (void)shape; }

  // ---- Shared operations --------------------------------------------------------------
  /// A new, empty geometry of this editor's kind.
  std::shared_ptr<Feature::Geometry> makeGeometry() const;
  /// The edited position list of `geometry`: a line's positions, an area's outer ring;
  /// empty for another kind.
  const std::vector<Cartographic>& positionsOf(const Feature::Geometry& geometry) const;
  /// Replaces the edited position list of `geometry`, announcing the change. An area
  /// gets the list as its outer ring, without holes.
  void setPositionsOf(Feature::Geometry& geometry, std::vector<Cartographic> positions) const;
  /// `position` with its height read through the height reference.
  Cartographic clampHeight(const Cartographic& position) { return adjustHeight(position); }
  /// Rebuilds `displayPositions` (and `middlePositions` unless `drawingNow`).
  void refreshDisplayPositions(bool drawingNow);
  /// Recomputes vertex `index` and its neighbouring middle points.
  void refreshVertex(int index);
  void rebuildHandles();
  /// The clamped midpoint of two positions (mean of their Cartesians); empty when the
  /// mean has no geographic position.
  std::optional<Cartographic> middleOf(const Cartographic& a, const Cartographic& b);
  /// Writes `positions` into the edited geometry as the editor's own change.
  void writePositions(std::vector<Cartographic> positions);
  /// Pushes a snapshot of the edited feature.
  void pushSnapshot();
  /// Removes the middle points around a deleted vertex `index` (of the list before the
  /// removal) and joins its former neighbours.
  void removeMiddlePointsAround(int index, const std::vector<Cartographic>& positionsAfter);
  /// Adds one vertex point at `position` (looks of a vertex).
  void addVertexPoint(const Cartographic& position);
  PointPrimitive::ConstructorOptions vertexLook(const Vector3<double>& position) const;
  float dpiScale() const;
  /// The window position of a fixed-frame point in the bound scene.
  std::optional<Vector2<double>> windowOf(const Vector3<double>& point) const;
  void raiseGeometryChanged(int index, int kind);
  /// Where the pointer's ray through window position `q` passes within `width` +
  /// `tolerance` pixels of a segment between consecutive positions, strictly between its
  /// ends: the index the inserted vertex takes and the point on the segment; the first
  /// such segment wins. The closing edge of a ring is not tested.
  std::optional<std::pair<int, Cartographic>> insertionAlongRay(const Vector2<int>& q, double width,
                                                                double tolerance) const;

  /// The globe position under a window position, if any.
  std::optional<Cartographic> globeCartographicAt(const Vector2<int>& position) const;
  /// The globe position clicked at `position` while drawing, after a snapshot of the
  /// feature unless it has no vertex yet (the first vertex has nothing to go back to);
  /// empty, without a snapshot, when the click misses the globe.
  std::optional<Cartographic> drawnClickAt(const Vector2<int>& position);

  // EditorFrame hooks.
  bool isStyleOfKind(const Feature::Style& candidate) const final;
  SourceLocation styleRefusedAt() const final { return kind.styleRefusedAt; }
  const char* styleRefusedMessage() const final { return kind.styleRefusedMessage; }
  void refreshFromGeometry(Feature::Geometry& changed) override;
  void heightReferenceChanged() override;

  const Kind kind;

  // ---- State (the line editor's order, less what EditorFrame holds) -------------------
  std::shared_ptr<Feature::Feature> feature;
  std::unique_ptr<StoppedEvent> stoppedEvent;
  std::unique_ptr<GeometryChangedEvent> geometryChangedEvent;
  std::vector<std::shared_ptr<PrimitiveBase>> retiredPrimitives;
  std::shared_ptr<PointPrimitiveCollection> vertexPoints;
  std::shared_ptr<BillboardCollection> middlePoints;
  MiddlePointImage middlePointImage;
  bool middlePointVisible = true;
  std::vector<Cartographic> displayPositions;
  std::vector<Cartographic> middlePositions;
  std::atomic<bool> drawing{false};
  std::atomic<bool> previewDirty{false};
  std::atomic<bool> handlesDirty{false};
  bool objectMoving = false;
  bool pressed = false;
  bool doubleClicked = false;
  std::optional<Cartographic> anchor;
  int selectedIndex = -1;
  Vector2<int> pressPosition{};
  Vector2<int> lastPosition{};
  std::shared_ptr<BillboardCollection> heightHandles;
  bool deleteMode = false;
  bool addMode = false;
  bool objectDragging = false;
  bool heightDragging = false;
  std::vector<std::shared_ptr<Feature::FeatureBase>> undoStack;

 private:
  bool onPress(const GUIEventAdapter& event, const Vector2<int>& position);
  bool onRelease(const GUIEventAdapter& event, const Vector2<int>& position, const Viewer& viewer);
  bool onDrag(const GUIEventAdapter& event, const Vector2<int>& position, const Viewer& viewer);
  bool onMove(const Vector2<int>& position, const Viewer& viewer);
  void startNewFeature();
  bool pressOnHandles(const std::shared_ptr<PickObject>& picked);
  void insertFromMiddlePoint(int index);
  void insertOnFeature(const Vector2<int>& position);
  void deleteByClick();
  void dragHeight(const Vector2<int>& to);
  void dragHorizontally(const Vector2<int>& from, const Vector2<int>& to);
  /// Index of the first of `count` handles (window positions by `positionOf`) within the
  /// hit box of `position`, or −1.
  template <class PositionOf>
  int hitTest(std::size_t count, PositionOf&& positionOf, const Vector2<int>& position) const;
  bool pickedFeature(const std::shared_ptr<PickObject>& picked) const;
  std::shared_ptr<PickObject> pickAt(const Vector2<int>& position) const;
  void createHeightHandles();
  std::string middleImagePath() const;
  void attachFeature(const std::shared_ptr<Feature::Feature>& next, bool drawingNow);
  void letGo();

  // The last fixed-frame point of each vertex and middle handle: a drag rewrites every
  // handle but moves only three.
  CartesianMemo vertexPointMemo;
  CartesianMemo middlePointMemo;
  // The vertex points [0, vertexLooksSet) are drawn at `vertexLookPixelSize`.
  std::size_t vertexLooksSet = 0;
  double vertexLookPixelSize = 0.0;
  // The middle points [0, middleLooksSet) show `middleLookImage` in the handle colour
  // and scale.
  std::string middleLookImage;
  std::size_t middleLooksSet = 0;
};

}  // namespace qel
