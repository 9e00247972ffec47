#pragma once

#include <memory>

#include "VertexEditorKeys.h"

namespace qel {
class PolylineEditor;
class SceneImpl;
}  // namespace qel

namespace qel::demo {

class EditorCommands;

/// The polyline editor's keys and what the demo shows of its events: F3 draws lines
/// clamped to the terrain (`startEditing (nullptr)`); Return, Ctrl+Z, Insert, Delete, m
/// and v act on it while it is the active tool (see `VertexEditorKeys`).
///
/// A drawn line the editor hands over is put back into the scene's default data source,
/// so it stays on the globe. Main thread only; it stops listening when destroyed.
class PolylineEditorKeys : public std::enable_shared_from_this<PolylineEditorKeys>,
                           public VertexEditorKeys<PolylineEditorKeys, PolylineEditor> {
 public:
  /// Binds its keys (and g, see `editorkeys::bindEditUnderPointer`) in `commands` and
  /// listens to `editor`'s events. The keys hold the returned object weakly.
  static std::shared_ptr<PolylineEditorKeys> install(EditorCommands& commands, PolylineEditor& editor,
                                                     SceneImpl& scene);
  PolylineEditorKeys(const PolylineEditorKeys&) = delete;
  PolylineEditorKeys& operator=(const PolylineEditorKeys&) = delete;

 private:
  PolylineEditorKeys(EditorCommands& commands, PolylineEditor& editor, SceneImpl& scene);
};

}  // namespace qel::demo
