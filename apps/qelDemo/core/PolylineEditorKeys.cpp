#include "PolylineEditorKeys.h"

#include <utility>

#include "Common/FunctionWrapper.h"
#include "EditorCommands.h"
#include "EditorKeysShared.h"
#include "Feature/Feature.h"
#include "Feature/Geometry.h"
#include "Feature/PolylineStyle.h"
#include "Manipulator/PolylineEditor.h"
#include "Viewer/KeyCodes.h"

namespace qel::demo {

using namespace editorkeys;

std::shared_ptr<PolylineEditorKeys> PolylineEditorKeys::install(EditorCommands& commands, PolylineEditor& editor,
                                                                SceneImpl& scene) {
  std::shared_ptr<PolylineEditorKeys> keys(new PolylineEditorKeys(commands, editor, scene));
  const std::weak_ptr<PolylineEditorKeys> weak = keys;
  // The editor is one per process: it starts from the switches the keys start from,
  // whatever an earlier host left on.
  editor.addPoint(false);
  editor.deletePoint(false);
  editor.setObjectMovingEnabled(false);
  editor.setMiddlePointVisible(true);
  commands.bindKey(Key::F3, "F3", "draw lines (clicks; double click ends a line)", [weak] {
    auto self = weak.lock();
    if (!self) return;
    if (!self->styled_) {
      // Lines on the ground: the measure labels give the distance along the terrain.
      self->editor_.setStyle(std::make_shared<Feature::PolylineStyle>(HeightReference::ClampToTerrain));
      self->editor_.resetStyle();
      self->styled_ = true;
    }
    activate(self->commands_, kPolylineTool);
    self->editor_.startEditing(nullptr);
    self->setMode("drawing");
  });
  commands.bindToolKey(Key::Return, "Return", "end drawing or editing (the active editor)", kPolylineTool, [weak] {
    if (auto self = weak.lock()) {
      self->editor_.stopEditing(false, true);
      self->setMode("");
    }
  });
  commands.bindKey(
      'z', "Ctrl+Z", "undo the last line edit",
      [weak] {
        if (auto self = weak.lock()) self->editor_.undo();
      },
      ModKey::Control);
  commands.bindKey(Key::Insert, "Insert", "line add mode on/off", [weak] {
    if (auto self = weak.lock()) {
      self->addMode_ = !self->addMode_;
      self->editor_.addPoint(self->addMode_);
      self->refresh();
    }
  });
  commands.bindKey(Key::Delete, "Delete", "line delete mode on/off", [weak] {
    if (auto self = weak.lock()) {
      self->deleteMode_ = !self->deleteMode_;
      self->editor_.deletePoint(self->deleteMode_);
      self->refresh();
    }
  });
  commands.bindKey('m', "m", "line object moving on/off", [weak] {
    if (auto self = weak.lock()) {
      self->objectMoving_ = !self->objectMoving_;
      self->editor_.setObjectMovingEnabled(self->objectMoving_);
      self->refresh();
    }
  });
  commands.bindKey('v', "v", "line middle points shown/hidden", [weak] {
    if (auto self = weak.lock()) {
      self->middlePoints_ = !self->middlePoints_;
      self->editor_.setMiddlePointVisible(self->middlePoints_);
      self->refresh();
    }
  });
  bindEditUnderPointer(commands, scene);
  followEvents(weak, editor, commands, kPolylineTool);
  return keys;
}

PolylineEditorKeys::PolylineEditorKeys(EditorCommands& commands, PolylineEditor& editor, SceneImpl& scene)
    : EditorKeysBase(commands, scene), editor_(editor) {}

void PolylineEditorKeys::refresh() { commands_.setStatus(kPolylineTool, statusLine()); }

std::string PolylineEditorKeys::statusLine() const {
  std::string line = "Lines: ";
  line += mode_.empty() ? "off (F3 draw, g edit)" : mode_ + " (Return ends)";
  if (addMode_) line += ", add mode";
  if (deleteMode_) line += ", delete mode";
  if (objectMoving_) line += ", object moving";
  if (!middlePoints_) line += ", no middle points";
  if (!stopped_.empty()) line += "\n  " + stopped_.back();
  if (!lastChanged_.empty()) line += "\n  " + lastChanged_ + " x" + std::to_string(changedCount_);
  return line;
}

}  // namespace qel::demo
