#pragma once

#include <memory>

#include "VertexEditorKeys.h"

namespace qel {
class PolygonEditor;
class SceneImpl;
}  // namespace qel

namespace qel::demo {

class EditorCommands;

/// The polygon editor's keys and what the demo shows of its events: F4 draws areas on
/// the terrain in the editor's default look (`startEditing (nullptr)`; each click fixes
/// a vertex, a double click ends an area); Return, Ctrl+Z, Insert, Delete, m and v act on
/// it while it is the active tool (see `VertexEditorKeys`).
///
/// A drawn area the editor hands over is put back into the scene's default data source,
/// so it stays on the globe. Main thread only; it stops listening when destroyed.
class PolygonEditorKeys : public std::enable_shared_from_this<PolygonEditorKeys>,
                          public VertexEditorKeys<PolygonEditorKeys, PolygonEditor> {
 public:
  /// Binds its keys (and g, see `editorkeys::bindEditUnderPointer`) in `commands` and
  /// listens to `editor`'s events. The keys hold the returned object weakly.
  static std::shared_ptr<PolygonEditorKeys> install(EditorCommands& commands, PolygonEditor& editor, SceneImpl& scene);
  PolygonEditorKeys(const PolygonEditorKeys&) = delete;
  PolygonEditorKeys& operator=(const PolygonEditorKeys&) = delete;

 private:
  PolygonEditorKeys(EditorCommands& commands, PolygonEditor& editor, SceneImpl& scene);
};

}  // namespace qel::demo
