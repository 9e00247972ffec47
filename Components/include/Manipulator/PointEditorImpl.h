#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "Common/Cartographic.h"
#include "Common/Publisher.h"
#include "Common/Vector2.h"
#include "Feature/Feature.h"
#include "Feature/PointGeometry.h"
#include "Manipulator/EditorFrame.h"
#include "Scene/BillboardCollection.h"
#include "Scene/PrimitiveBase.h"
#include "Viewer/GUIEventHandler.h"

namespace qel {

class ViewerImpl;

/// The point editor's work on the main thread: a `GUIEventHandler` of the bound viewer
/// (its gesture machine) and a primitive of its scene (whose per-frame update places the
/// height handles), on the feature editors' shared frame.
///
/// States: idle (no feature, not drawing: every event is ignored); editing (a point
/// feature given to `startEditing`); drawing and waiting for a press; drawing with the
/// feature the last press created, which the next click on the globe places and hands
/// to the stopped event.
class PointEditorImpl : public GUIEventHandler, public PrimitiveBase, public EditorFrame {
 public:
  /// (feature, drawn): raised when editing ends with a result; `drawn` is true for a
  /// feature that a drawing click produced.
  using StoppedEvent = Publisher<std::function<void(std::shared_ptr<Feature::Feature>, bool)>>;
  /// (geometry, vertex index, change kind): raised after every drag step of the selected
  /// point, also one that moved nothing; the index is always 0, the kind always −1.
  using GeometryChangedEvent = Publisher<std::function<void(std::shared_ptr<Feature::Geometry>, int, int)>>;

  /// Vertex index and change kind the geometry-changed event carries for a point.
  static constexpr int kPointIndex = 0;
  static constexpr int kMoved = -1;

  /// The file, line and function a refused style is logged at.
  static SourceLocation styleRefusedLocation();
  /// The text a refused style is logged with.
  static const char* const kStyleRefusedText;

  PointEditorImpl();
  ~PointEditorImpl() override;
  PointEditorImpl(const PointEditorImpl&) = delete;
  PointEditorImpl& operator=(const PointEditorImpl&) = delete;

  /// The gesture machine (see `PointEditor`). True only for the events it used: a click
  /// that placed a point, a double click that ended one, a press on a handle, the drag
  /// steps that move the selected point.
  bool handle(const GUIEventAdapter& event, const Viewer& viewer) override;
  using GUIEventHandler::handle;
  /// Drops an edited feature that left the scene, reads a new height reference, and
  /// places and draws the height handles.
  void update(FrameState& frameState) override;

  /// Stops as `stopEditing` (false, false) does, then starts drawing (`feature` null) or
  /// editing `feature` when it has a point geometry.
  void startEditing(std::shared_ptr<Feature::Feature> feature);
  /// Ends editing or the current drawn feature; returns the feature handed to the stopped
  /// event, if any (see `PointEditor::stopEditing`).
  std::shared_ptr<Feature::Feature> stopEditing(bool discard, bool endDrawing);
  /// Writes the default point style into the style object held now (the same object).
  void resetStyle();

  bool isObjectMovingEnabled() const noexcept { return objectMoving; }
  void setObjectMovingEnabled(bool enabled) noexcept { objectMoving = enabled; }

  StoppedEvent& getStoppedEvent() noexcept { return stoppedEvent; }
  GeometryChangedEvent& getGeometryChangedEvent() noexcept { return geometryChangedEvent; }

  // What the editor holds now, for the SDK's own modules and tests (main thread only).
  const std::shared_ptr<Feature::Feature>& getFeature() const noexcept { return feature; }
  bool isDrawing() const noexcept { return drawing; }
  bool isSelected() const noexcept { return selected; }
  bool isHeightDragging() const noexcept { return heightDragging; }
  /// Where the handles stand (height-adjusted); empty when no point is shown.
  const std::optional<Cartographic>& getPointPosition() const noexcept { return pointPosition; }
  /// The two height handles ("moveUp", "moveDown"); null until editing first starts.
  const BillboardCollection* getHeightHandles() const noexcept { return heightHandles.get(); }

  // Tool frame hooks (see ToolFacade).
  void attachTo(ViewerImpl& viewer, const std::shared_ptr<PointEditorImpl>& self);
  void detachFrom(ViewerImpl* viewer);
  void releaseFrom(ViewerImpl& viewer);

 protected:
  bool isStyleOfKind(const Feature::Style& candidate) const override;
  SourceLocation styleRefusedAt() const override { return styleRefusedLocation(); }
  const char* styleRefusedMessage() const override { return kStyleRefusedText; }
  void refreshFromGeometry(Feature::Geometry& changed) override;
  void heightReferenceChanged() override;

 private:
  // Gestures (PointEditorInput.cpp).
  bool onPress(const GUIEventAdapter& event, const Vector2<int>& p, SceneImpl& scene);
  bool onRelease(const GUIEventAdapter& event, const Vector2<int>& p, SceneImpl& scene, const Viewer& viewer);
  bool onDoubleClick(const Vector2<int>& p);
  bool onDrag(const GUIEventAdapter& event, const Vector2<int>& p, SceneImpl& scene);
  bool onMove(const Viewer& viewer) const;
  void createDrawnFeature(SceneImpl& scene);

  // Moves of the selected point (PointEditorMoves.cpp), from window position a to b.
  void moveHorizontally(SceneImpl& scene, const Vector2<int>& a, const Vector2<int>& b);
  void moveVertically(SceneImpl& scene, const Vector2<int>& a, const Vector2<int>& b);
  // Writes `position` into the edited geometry as the editor's own change.
  void writePosition(const Cartographic& position);

  // Lifecycle (PointEditor.cpp).
  void createHeightHandles();
  void releaseFeature();

  // The edited geometry as the point geometry it is (the editor follows no other kind).
  Feature::PointGeometry* pointGeometry() const noexcept;
  // Whether the edited geometry has a position: every geometry does, except the one a
  // drawing press has just created until a click (or the application) writes one.
  bool hasPosition() const noexcept;

  std::shared_ptr<Feature::Feature> feature;
  bool selected = false;
  StoppedEvent stoppedEvent;
  GeometryChangedEvent geometryChangedEvent;
  bool drawing = false;
  bool pressed = false;
  bool objectMoving = false;
  std::optional<Cartographic> pointPosition;
  Vector2<int> pressPosition{0, 0};
  Vector2<int> lastPosition{0, 0};
  std::unique_ptr<BillboardCollection> heightHandles;
  bool heightDragging = false;
  // The geometry a drawing press created and the version it had then: until its version
  // moves on, nobody has given it a position.
  std::weak_ptr<const Feature::PointGeometry> unplacedGeometry;
  std::uint64_t unplacedVersion = 0;
};

}  // namespace qel
