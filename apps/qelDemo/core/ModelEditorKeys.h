#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "Common/Angle.h"
#include "Common/Cartographic.h"
#include "Common/Vector3.h"

namespace qel {
class FunctionWrapper;
class ModelEditor;
class SceneImpl;
}  // namespace qel

namespace qel::demo {

class EditorCommands;

/// The model editor's keys and what the demo shows of its events:
///
/// | key | command |
/// |---|---|
/// | g | over a model or a tileset: move, turn and scale it with the gizmo (`startEditing`) |
/// | Return | end editing (`stopEditing`), when the model editor is the active tool |
///
/// `g` over anything else keeps its earlier meaning (a point or a line goes to its
/// editor). The display shows the position, translation, rotation (degrees) and scale of
/// every changed event, and the layer of the stopped one. Another editor taking over
/// ends the editing. Main thread only; it stops listening when destroyed.
class ModelEditorKeys : public std::enable_shared_from_this<ModelEditorKeys> {
 public:
  /// The tool name of the shared keys (Return) and of the display's status line.
  static constexpr const char* kTool = "model editor";

  /// One changed event as the display shows it.
  struct Change {
    Cartographic position;
    Vector3<double> translation;
    Vector3<Radian> rotation;
    Vector3<double> scale;
  };

  /// Binds g (wrapping its earlier action) and Return (for this tool) in `commands` and
  /// listens to `editor`'s events. Install it after the other editors' keys. The keys
  /// hold the returned object weakly: once it is gone they do nothing.
  static std::shared_ptr<ModelEditorKeys> install(EditorCommands& commands, ModelEditor& editor, SceneImpl& scene);
  ~ModelEditorKeys();
  ModelEditorKeys(const ModelEditorKeys&) = delete;
  ModelEditorKeys& operator=(const ModelEditorKeys&) = delete;

  bool isEditing() const noexcept { return editing_; }
  const std::vector<Change>& changes() const noexcept { return changes_; }
  std::size_t stoppedCount() const noexcept { return stoppedCount_; }

  /// The heads-up display's lines: the mode and the last changed values; empty until the
  /// editor is first used.
  std::string statusLine() const;

 private:
  ModelEditorKeys(EditorCommands& commands, ModelEditor& editor, SceneImpl& scene);
  // Starts the editor on what lies under the pointer; false when that is no model or
  // tileset.
  bool editUnderPointer();
  void refresh();

  EditorCommands& commands_;
  ModelEditor& editor_;
  SceneImpl& scene_;
  bool editing_ = false;
  std::vector<Change> changes_;
  std::size_t stoppedCount_ = 0;
  std::weak_ptr<FunctionWrapper> changedListener_;
  std::weak_ptr<FunctionWrapper> stoppedListener_;
};

}  // namespace qel::demo
