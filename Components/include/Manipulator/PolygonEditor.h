#pragma once

#include "Manipulator/VertexEditorFacade.h"

namespace qel {

class PolygonEditorImpl;
class PolygonEditor;
extern template class VertexEditorFacade<PolygonEditor, PolygonEditorImpl>;

/// Draws new area features on the globe with the mouse and edits the outer ring of
/// existing ones.
///
/// Drawing (`startEditing` (null)): the first left click (press and release less than
/// 10 px apart, times the render context's DPI scale) where the pointer meets the globe
/// starts a ring of two equal vertices; the last vertex of the ring floats under the
/// pointer, so the area and its outline follow the pointer as it moves. Each further
/// click fixes the floating vertex where it is and starts a new one there. A double click
/// hands the area to the stopped event (area, true) without the floating vertex; drawing
/// goes on with a new area at the next click until `stopEditing` with `endDrawing`, which
/// keeps an area in progress as the edited one, floating vertex included.
///
/// Editing (`startEditing` (feature)): as for lines, a vertex is dragged by its point,
/// raised and lowered by the arrow handles (absolute heights only), inserted by grabbing
/// a middle point (one on every edge, the closing edge from the last vertex back to the
/// first included) or, in add mode and for an area in space (height reference 0), by
/// pressing within the outline's width + 4 px of an edge other than the closing one;
/// deleted by a click in delete mode or by `deleteVertex`. Each change raises the
/// geometry-changed event (geometry, index, kind): −1 for each drag step (index −1 for a
/// whole-area move), 1 for a deletion (the deleted index), 2 for a click on a vertex.
/// Selecting or inserting a vertex in add mode raises nothing.
///
/// The editor writes the outer ring with an empty list of holes: the first change it
/// makes to an area with holes drops them.
///
/// While drawing and editing the editor outlines the ring (closed, 0.8 px, the outline
/// symbol's colour or (0.5, 0, 0.5, 0.9)): in space for height reference 0, otherwise
/// draped over what the reference clamps to and drawn over other draped lines. A style
/// whose extrusion has an enabled area symbol as its body also shows the wall along the
/// ring, which picks never report in a rectangle.
///
/// A style that is not an area style is refused with "设置的样式为空或者不是面样式。" at
/// level 4. `resetStyle` writes the defaults into the current style: a fill of colour
/// (199, 237, 204)/255 at alpha 0.8, an outline 0.8 px wide of colour (0.5, 0, 0.5, 0.9),
/// no extrusion, no label, height reference 3 (clamped to terrain). `undo` with nothing
/// to restore does nothing; while drawing it keeps the floating vertex under the pointer.
///
/// A process-wide singleton (`instance`), attached to one viewer with `bind`. Calls may
/// come from any thread; the work runs on the viewer's main thread (see
/// `VertexEditorFacade`).
class PolygonEditor : public VertexEditorFacade<PolygonEditor, PolygonEditorImpl> {
 public:
  ~PolygonEditor();

 private:
  friend class VertexEditorFacade<PolygonEditor, PolygonEditorImpl>;
  PolygonEditor();
};

}  // namespace qel
