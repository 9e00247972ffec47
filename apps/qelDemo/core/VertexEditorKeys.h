#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "EditorKeysBase.h"
#include "Feature/Style.h"
#include "Viewer/KeyCodes.h"

namespace qel::demo {

/// What the line and area editors' key files share: the start key, and the keys both
/// editors take while theirs is the active tool:
///
/// | key | command |
/// |---|---|
/// | Return | end drawing or editing (`stopEditing (false, true)`) |
/// | Ctrl+Z | `undo` |
/// | Insert | add mode on or off (`addPoint`) |
/// | Delete | delete mode on or off (`deletePoint`) |
/// | m | object moving on or off |
/// | v | middle points shown or hidden |
///
/// The editor only takes the switches; the keys keep them themselves to toggle them (the
/// editor's queries would wait on the main thread the keys run on). `Keys` derives from
/// it; `Editor` is a line or area editor facade.
template <class Keys, class Editor>
class VertexEditorKeys : public EditorKeysBase<Keys, Editor> {
 public:
  /// The names one editor's keys and display use.
  struct Words {
    const char* tool;   ///< the key table's tool name
    const char* title;  ///< the display line's title ("Lines")
    const char* start;  ///< how the display names the start key ("F3 draw")
  };

  bool addMode() const noexcept { return addMode_; }
  bool deleteMode() const noexcept { return deleteMode_; }
  bool objectMoving() const noexcept { return objectMoving_; }
  bool middlePointsShown() const noexcept { return middlePoints_; }

  /// The display line: empty until the editor is started, a switch is turned or an event
  /// arrives, so that the display stays short (the key help lists the start key).
  std::string statusLine() const {
    const bool untouched = this->mode_.empty() && this->stopped_.empty() && this->lastChanged_.empty() && !addMode_ &&
                           !deleteMode_ && !objectMoving_ && middlePoints_;
    if (untouched) return {};
    std::string line = std::string(words_.title) + ": ";
    line += this->mode_.empty() ? "off (" + std::string(words_.start) + ", g edit)" : this->mode_ + " (Return ends)";
    if (addMode_) line += ", add mode";
    if (deleteMode_) line += ", delete mode";
    if (objectMoving_) line += ", object moving";
    if (!middlePoints_) line += ", no middle points";
    if (!this->stopped_.empty()) line += "\n  " + this->stopped_.back();
    if (!this->lastChanged_.empty()) line += "\n  " + this->lastChanged_ + " x" + std::to_string(this->changedCount_);
    return line;
  }
  void refresh() { this->commands_.setStatus(words_.tool, statusLine()); }

 protected:
  VertexEditorKeys(EditorCommands& commands, Editor& editor, SceneImpl& scene, Words words)
      : EditorKeysBase<Keys, Editor>(commands, scene), editor_(editor), words_(words) {}

  /// Binds `startKey` (named `startName`, described by `startHelp`): drawing with the
  /// style `makeStyle` gives, filled with the editor's defaults, the first time. Then the
  /// shared keys for this tool, g, and the editor's events. The keys hold `keys` weakly.
  static void bindKeys(const std::shared_ptr<Keys>& keys, EditorCommands& commands, SceneImpl& scene,
                       std::int32_t startKey, const char* startName, const char* startHelp,
                       std::function<std::shared_ptr<Feature::Style>()> makeStyle) {
    const std::weak_ptr<Keys> weak = keys;
    Editor& editor = keys->editor_;
    const char* tool = keys->words_.tool;
    // The editor is one per process: it starts from the switches the keys start from,
    // whatever an earlier host left on.
    editor.addPoint(false);
    editor.deletePoint(false);
    editor.setObjectMovingEnabled(false);
    editor.setMiddlePointVisible(true);
    commands.bindKey(startKey, startName, startHelp, [weak, tool, makeStyle] {
      auto self = weak.lock();
      if (!self) return;
      if (!self->styled_) {
        self->editor_.setStyle(makeStyle());
        self->editor_.resetStyle();
        self->styled_ = true;
      }
      editorkeys::activate(self->commands_, tool);
      self->editor_.startEditing(nullptr);
      self->setMode("drawing");
    });
    const auto bindShared = [&](std::int32_t key, const char* name, const char* help, void (*act)(Keys&),
                                std::int32_t modifiers = 0) {
      commands.bindToolKey(
          key, name, help, tool,
          [weak, act] {
            if (auto self = weak.lock()) act(*self);
          },
          modifiers);
    };
    bindShared(Key::Return, "Return", "end drawing or editing (the active editor)", [](Keys& self) {
      self.editor_.stopEditing(false, true);
      self.setMode("");
    });
    bindShared(
        'z', "Ctrl+Z", "undo the last edit of the active line or area editor", [](Keys& self) { self.editor_.undo(); },
        ModKey::Control);
    bindShared(Key::Insert, "Insert", "add mode on/off (the active line or area editor)", [](Keys& self) {
      self.addMode_ = !self.addMode_;
      self.editor_.addPoint(self.addMode_);
      self.refresh();
    });
    bindShared(Key::Delete, "Delete", "delete mode on/off (the active line or area editor)", [](Keys& self) {
      self.deleteMode_ = !self.deleteMode_;
      self.editor_.deletePoint(self.deleteMode_);
      self.refresh();
    });
    bindShared('m', "m", "object moving on/off (the active line or area editor)", [](Keys& self) {
      self.objectMoving_ = !self.objectMoving_;
      self.editor_.setObjectMovingEnabled(self.objectMoving_);
      self.refresh();
    });
    bindShared('v', "v", "middle points shown/hidden (the active line or area editor)", [](Keys& self) {
      self.middlePoints_ = !self.middlePoints_;
      self.editor_.setMiddlePointVisible(self.middlePoints_);
      self.refresh();
    });
    editorkeys::bindEditUnderPointer(commands, scene);
    EditorKeysBase<Keys, Editor>::followEvents(weak, editor, commands, tool);
  }

  Editor& editor_;

 private:
  Words words_;
  bool styled_ = false;
  bool addMode_ = false;
  bool deleteMode_ = false;
  // The editor's own starting values: middle points shown, object moving off.
  bool objectMoving_ = false;
  bool middlePoints_ = true;
};

}  // namespace qel::demo
