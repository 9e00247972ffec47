#pragma once

#include <functional>
#include <memory>
#include <string>
#include <variant>

#include "Common/Publisher.h"
#include "Feature/Feature.h"
#include "Manipulator/ToolFacade.h"
#include "Scene/Image.h"

namespace qel {

class PolylineEditorImpl;
class Viewer;

/// Draws new line features on the globe with the mouse and edits the vertices of
/// existing ones.
///
/// Drawing (`startEditing` (null)): each left click (press and release less than 10 px
/// apart, times the render context's DPI scale) adds a vertex where the pointer meets
/// the globe; a rubber band follows the pointer from the last vertex with two labels
/// (straight length, height difference, slope, azimuth, distance; the angle at the last
/// vertex); a double click hands the line to the stopped event (line, true) and the
/// next click starts a new line. Drawing goes on until `stopEditing` with `endDrawing`.
///
/// Editing (`startEditing` (feature)): a vertex is dragged by its point, raised and
/// lowered by the two arrow handles above and below it (only for absolute heights),
/// inserted by grabbing a middle point or, in add mode, by pressing on the line, deleted
/// by a click in delete mode or by `deleteVertex`; the whole line moves when object
/// moving is on. Each change raises the geometry-changed event (geometry, index, kind):
/// kind −1 for each drag step (index −1 for a whole-line move), 0 for an add-mode press
/// that selected or inserted a vertex, 1 for a deletion (the deleted index), 2 for a
/// click on a vertex.
///
/// A process-wide singleton (`instance`), attached to one viewer with `bind`. Calls may
/// come from any thread; the work runs on the viewer's main thread. Unbound, commands are
/// dropped and queries return their default.
class PolylineEditor : public ToolFacade<PolylineEditorImpl> {
 public:
  using Impl = PolylineEditorImpl;
  using StoppedEvent = Publisher<std::function<void(std::shared_ptr<Feature::Feature>, bool)>>;
  using GeometryChangedEvent = Publisher<std::function<void(std::shared_ptr<Feature::Geometry>, int, int)>>;

  /// The editor; `destroy` true destroys it for good and returns null, as does every
  /// later call.
  static PolylineEditor* instance(bool destroy = false);
  ~PolylineEditor();
  PolylineEditor(const PolylineEditor&) = delete;
  PolylineEditor& operator=(const PolylineEditor&) = delete;

  /// Hands the current feature over (stopped event), then draws a new line (`feature`
  /// null) or edits `feature` when its geometry is a polyline. A feature of another kind
  /// or without geometry is not taken, without a message.
  void startEditing(std::shared_ptr<Feature::Feature> feature);
  /// Drops the current feature without an event and goes on drawing `feature` from its
  /// last vertex. Null or a feature that is not a polyline: nothing happens.
  void continueDrawing(std::shared_ptr<Feature::Feature> feature);
  /// Ends editing or drawing. `discard` true: no stopped event. `endDrawing` true also
  /// leaves drawing mode; while a line is being drawn it then stays in the scene and
  /// becomes the edited line, without an event.
  void stopEditing(bool discard, bool endDrawing);

  /// Raised on the main thread with the finished feature and whether it was drawn.
  StoppedEvent* getStoppedEvent() const;
  /// Raised on the main thread for each change the editor makes (see the class comment).
  GeometryChangedEvent* getGeometryChangedEvent() const;

  /// Delete mode: a click on a vertex deletes it. Turning it on clears the selection.
  void deletePoint(bool enabled);
  /// Add mode: a press on the line inserts a vertex there. Turning it on clears the
  /// selection. The add and delete modes do not clear each other.
  void addPoint(bool enabled);

  /// Follows `style` (shared, not copied). Null or not a polyline style: refused with
  /// "设置的样式为空或者不是线样式。" at level 4; the old style stays.
  void setStyle(std::shared_ptr<Feature::Style> style);
  /// Writes the defaults (a 1 px line of colour (0.5, 1, 0.5, 1), no extrusion, no
  /// label) into the current style object, and hands it to the edited feature.
  void resetStyle();
  std::shared_ptr<Feature::Style> getStyle() const;

  /// Restores the line as it was before the last drawn vertex or deletion. With nothing
  /// to restore while drawing, it clears the line and the rubber band.
  void undo();

  /// Image of the middle points, from their next rebuild on.
  void setMiddlePointImage(std::variant<std::string, std::shared_ptr<Image>> image);
  bool isMiddlePointVisible() const;
  void setMiddlePointVisible(bool visible);
  bool isObjectMovingEnabled() const;
  void setObjectMovingEnabled(bool enabled);

  /// Deletes vertex `index` and raises (geometry, index, 1). Nothing while drawing,
  /// without a feature, or for an index not below the vertex count.
  void deleteVertex(unsigned int index);

 private:
  PolylineEditor();
};

}  // namespace qel
