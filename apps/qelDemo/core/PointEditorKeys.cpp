#include "PointEditorKeys.h"

#include <utility>

#include "Common/FunctionWrapper.h"
#include "EditorCommands.h"
#include "EditorKeysShared.h"
#include "Feature/Feature.h"
#include "Feature/Geometry.h"
#include "Feature/PointStyle.h"
#include "Manipulator/PointEditor.h"
#include "Viewer/KeyCodes.h"

namespace qel::demo {

using namespace editorkeys;

std::shared_ptr<PointEditorKeys> PointEditorKeys::install(EditorCommands& commands, PointEditor& editor,
                                                          SceneImpl& scene) {
  std::shared_ptr<PointEditorKeys> keys(new PointEditorKeys(commands, editor, scene));
  const std::weak_ptr<PointEditorKeys> weak = keys;
  commands.bindKey(Key::F2, "F2", "draw points (left clicks)", [weak] {
    auto self = weak.lock();
    if (!self) return;
    if (!self->styled_) {
      // The editor's own defaults (marker, label) but absolute heights: a clamped point
      // shows no height handles, and the demo raises its points with them.
      auto style = std::make_shared<Feature::PointStyle>(HeightReference::None);
      self->editor_.setStyle(style);
      self->editor_.resetStyle();
      style->setHeightReference(HeightReference::None);
      self->styled_ = true;
    }
    activate(self->commands_, kPointTool);
    self->editor_.startEditing(nullptr);
    self->setMode("drawing");
  });
  commands.bindToolKey(Key::Return, "Return", "end drawing or editing (the active editor)", kPointTool, [weak] {
    if (auto self = weak.lock()) {
      self->editor_.stopEditing(false, true);
      self->setMode("");
    }
  });
  bindEditUnderPointer(commands, scene);
  followEvents(weak, editor, commands, kPointTool);
  return keys;
}

PointEditorKeys::PointEditorKeys(EditorCommands& commands, PointEditor& editor, SceneImpl& scene)
    : EditorKeysBase(commands, scene), editor_(editor) {}

void PointEditorKeys::refresh() { commands_.setStatus(kPointTool, statusLine()); }

std::string PointEditorKeys::statusLine() const {
  std::string line = "Points: ";
  line += mode_.empty() ? "off (F2 draw, g edit)" : mode_ + " (Return ends)";
  if (!stopped_.empty()) line += "\n  " + stopped_.back();
  if (!lastChanged_.empty()) line += "\n  " + lastChanged_ + " x" + std::to_string(changedCount_);
  return line;
}

}  // namespace qel::demo
