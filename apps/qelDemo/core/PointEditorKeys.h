#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "EditorKeysBase.h"

namespace qel {
class FunctionWrapper;
class PointEditor;
class SceneImpl;
namespace Feature {
class Feature;
}
}  // namespace qel

namespace qel::demo {

class EditorCommands;

/// The point editor's keys and what the demo shows of its events:
///
/// | key | command |
/// |---|---|
/// | F2 | draw points (`startEditing (nullptr)`) |
/// | Return | end drawing or editing (`stopEditing (false, true)`), when the point editor is the active tool |
/// | g | edit the point (or, through the polyline editor, the line) under the pointer |
///
/// The editor draws with an absolute-height point style (its default marker and label,
/// height reference none), so that a drawn point can be raised with its "moveUp" handle.
/// A drawn point the editor hands over is put back into the scene's default data source
/// (the editor takes it out), so it stays on the globe. Both events go to the display with
/// their arguments. Main thread only; it stops listening when destroyed.
class PointEditorKeys : public std::enable_shared_from_this<PointEditorKeys>,
                        public EditorKeysBase<PointEditorKeys, PointEditor> {
 public:
  /// Binds F2, Return (for this tool) and g in `commands` and listens to `editor`'s
  /// events. The keys hold the returned object weakly: once it is gone they do nothing.
  static std::shared_ptr<PointEditorKeys> install(EditorCommands& commands, PointEditor& editor, SceneImpl& scene);
  PointEditorKeys(const PointEditorKeys&) = delete;
  PointEditorKeys& operator=(const PointEditorKeys&) = delete;

  std::string statusLine() const;

 private:
  friend class EditorKeysBase<PointEditorKeys, PointEditor>;
  PointEditorKeys(EditorCommands& commands, PointEditor& editor, SceneImpl& scene);
  void refresh();

  PointEditor& editor_;
  bool styled_ = false;
};

}  // namespace qel::demo
