#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Common/FunctionWrapper.h"
#include "EditorCommands.h"
#include "EditorKeysShared.h"
#include "Feature/Feature.h"
#include "Feature/Geometry.h"

namespace qel::demo {

/// What the point and line editors' key files share: the mode the keys last asked for,
/// the editor's stopped and geometry-changed events as the display shows them, drawn
/// features put back into the scene, and the hand-over when another editor takes over.
/// `Keys` derives from it and has a `refresh ()` that rewrites its status line.
template <class Keys, class Editor>
class EditorKeysBase {
 public:
  ~EditorKeysBase() {
    editorkeys::removeListener(stoppedListener_);
    editorkeys::removeListener(changedListener_);
  }
  EditorKeysBase(const EditorKeysBase&) = delete;
  EditorKeysBase& operator=(const EditorKeysBase&) = delete;

  /// Features handed over as drawn, in order (each was put back into the scene).
  const std::vector<std::shared_ptr<Feature::Feature>>& drawn() const noexcept { return drawn_; }
  /// Every stopped event, as the display shows it ("stopped (new feature, drawn)").
  const std::vector<std::string>& stoppedLines() const noexcept { return stopped_; }
  std::size_t geometryChangedCount() const noexcept { return changedCount_; }
  /// "drawing", "editing" or "" (off): what the keys last asked for.
  const std::string& mode() const noexcept { return mode_; }

 protected:
  EditorKeysBase(EditorCommands& commands, SceneImpl& scene) : commands_(commands), scene_(scene) {}

  void setMode(std::string mode) {
    mode_ = std::move(mode);
    static_cast<Keys*>(this)->refresh();
  }

  /// Listens to `editor`'s events and to the key table's tool changes, through `weak`
  /// (the keys object itself), so nothing runs once it is gone.
  static void followEvents(const std::weak_ptr<Keys>& weak, Editor& editor, EditorCommands& commands,
                           const char* tool) {
    const std::shared_ptr<Keys> keys = weak.lock();
    if (!keys) return;
    EditorKeysBase& state = *keys;
    state.stoppedListener_ = editor.getStoppedEvent()->addEventListener(
        [weak](const std::shared_ptr<Feature::Feature>& feature, bool drawn) {
          auto self = weak.lock();
          if (!self) return;
          EditorKeysBase& base = *self;
          if (drawn && feature) {
            editorkeys::keepInScene(base.scene_, feature);
            base.drawn_.push_back(feature);
          }
          base.stopped_.push_back("stopped (" + editorkeys::describeFeature(feature) +
                                  (drawn ? ", drawn)" : ", edited)"));
          self->refresh();
        });
    state.changedListener_ = editor.getGeometryChangedEvent()->addEventListener(
        [weak](const std::shared_ptr<Feature::Geometry>& geometry, int index, int kind) {
          auto self = weak.lock();
          if (!self) return;
          EditorKeysBase& base = *self;
          ++base.changedCount_;
          base.lastChanged_ = "geometry changed (" + editorkeys::describeGeometry(geometry) + ", " +
                              std::to_string(index) + ", " + std::to_string(kind) + ")";
          self->refresh();
        });
    // Another editor taking over ends this one's drawing and editing.
    commands.addToolListener([weak, tool] {
      auto self = weak.lock();
      if (!self) return;
      EditorKeysBase& base = *self;
      // g hands a feature to the editor of its kind: that one now edits (F2 and F3 say
      // "drawing" right after).
      const bool active = base.commands_.activeTool() == tool;
      if (active && base.mode_.empty()) base.setMode("editing");
      if (!active && !base.mode_.empty()) base.setMode("");
    });
    keys->refresh();
  }

  EditorCommands& commands_;
  SceneImpl& scene_;
  std::string mode_;
  std::vector<std::shared_ptr<Feature::Feature>> drawn_;
  std::vector<std::string> stopped_;
  std::size_t changedCount_ = 0;
  std::string lastChanged_;

 private:
  std::weak_ptr<FunctionWrapper> stoppedListener_;
  std::weak_ptr<FunctionWrapper> changedListener_;
};

}  // namespace qel::demo
