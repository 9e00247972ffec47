#pragma once

#include "Manipulator/VertexEditorFacade.h"

namespace qel {

class PolylineEditorImpl;
class PolylineEditor;
extern template class VertexEditorFacade<PolylineEditor, PolylineEditorImpl>;
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
/// A style that is not a line style is refused with "设置的样式为空或者不是线样式。" at
/// level 4. `resetStyle` writes a 1 px line of colour (0.5, 1, 0.5, 1), no extrusion and
/// no label into the current style. `undo` with nothing to restore while drawing clears
/// the line and the rubber band.
///
/// A process-wide singleton (`instance`), attached to one viewer with `bind`. Calls may
/// come from any thread; the work runs on the viewer's main thread (see
/// `VertexEditorFacade`).
class PolylineEditor : public VertexEditorFacade<PolylineEditor, PolylineEditorImpl> {
 public:
  ~PolylineEditor();

 private:
  friend class VertexEditorFacade<PolylineEditor, PolylineEditorImpl>;
  PolylineEditor();
};

}  // namespace qel
