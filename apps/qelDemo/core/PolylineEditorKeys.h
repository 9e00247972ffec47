#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "EditorKeysBase.h"

namespace qel {
class FunctionWrapper;
class PolylineEditor;
class SceneImpl;
namespace Feature {
class Feature;
}
}  // namespace qel

namespace qel::demo {

class EditorCommands;

/// The polyline editor's keys and what the demo shows of its events:
///
/// | key | command |
/// |---|---|
/// | F3 | draw lines clamped to the terrain (`startEditing (nullptr)`) |
/// | Return | end drawing or editing (`stopEditing (false, true)`), when the polyline editor is the active tool |
/// | Ctrl+Z | `undo` |
/// | Insert | add mode on or off (`addPoint`) |
/// | Delete | delete mode on or off (`deletePoint`) |
/// | m | object moving on or off |
/// | v | middle points shown or hidden |
///
/// The editor only takes the switches; the demo keeps them itself to toggle them (the
/// editor's queries would wait on the main thread the keys run on). A drawn line the editor hands over is put back into
/// the scene's default data source, so it stays on the globe. Main thread only; it stops listening when destroyed.
class PolylineEditorKeys : public std::enable_shared_from_this<PolylineEditorKeys>,
                           public EditorKeysBase<PolylineEditorKeys, PolylineEditor> {
 public:
  /// Binds its keys (and g, see `editorkeys::bindEditUnderPointer`) in `commands` and
  /// listens to `editor`'s events. The keys hold the returned object weakly.
  static std::shared_ptr<PolylineEditorKeys> install(EditorCommands& commands, PolylineEditor& editor,
                                                     SceneImpl& scene);
  PolylineEditorKeys(const PolylineEditorKeys&) = delete;
  PolylineEditorKeys& operator=(const PolylineEditorKeys&) = delete;

  bool addMode() const noexcept { return addMode_; }
  bool deleteMode() const noexcept { return deleteMode_; }
  bool objectMoving() const noexcept { return objectMoving_; }
  bool middlePointsShown() const noexcept { return middlePoints_; }
  std::string statusLine() const;

 private:
  friend class EditorKeysBase<PolylineEditorKeys, PolylineEditor>;
  PolylineEditorKeys(EditorCommands& commands, PolylineEditor& editor, SceneImpl& scene);
  void refresh();

  PolylineEditor& editor_;
  bool styled_ = false;
  bool addMode_ = false;
  bool deleteMode_ = false;
  // The editor's own starting values: middle points shown, object moving off.
  bool objectMoving_ = false;
  bool middlePoints_ = true;
};

}  // namespace qel::demo
