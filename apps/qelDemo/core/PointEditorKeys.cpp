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
  keys->stoppedListener_ =
      editor.getStoppedEvent()->addEventListener([weak](const std::shared_ptr<Feature::Feature>& feature, bool drawn) {
        auto self = weak.lock();
        if (!self) return;
        if (drawn && feature) {
          keepInScene(self->scene_, feature);
          self->drawn_.push_back(feature);
        }
        self->stopped_.push_back("stopped (" + describeFeature(feature) + (drawn ? ", drawn)" : ", edited)"));
        self->refresh();
      });
  keys->changedListener_ = editor.getGeometryChangedEvent()->addEventListener(
      [weak](const std::shared_ptr<Feature::Geometry>& geometry, int index, int kind) {
        auto self = weak.lock();
        if (!self) return;
        ++self->changedCount_;
        self->lastChanged_ = "geometry changed (" + describeGeometry(geometry) + ", " + std::to_string(index) + ", " +
                             std::to_string(kind) + ")";
        self->refresh();
      });
  // Another editor taking over ends this one's drawing and editing.
  commands.addToolListener([weak] {
    auto self = weak.lock();
    if (!self) return;
    // g hands a feature to the editor of its kind: that one now edits (F2 and F3 say
    // "drawing" right after).
    const bool active = self->commands_.activeTool() == kPointTool;
    if (active && self->mode_.empty()) self->setMode("editing");
    if (!active && !self->mode_.empty()) self->setMode("");
  });
  keys->refresh();
  return keys;
}

PointEditorKeys::PointEditorKeys(EditorCommands& commands, PointEditor& editor, SceneImpl& scene)
    : commands_(commands), editor_(editor), scene_(scene) {}

PointEditorKeys::~PointEditorKeys() {
  removeListener(stoppedListener_);
  removeListener(changedListener_);
}

void PointEditorKeys::setMode(std::string mode) {
  mode_ = std::move(mode);
  refresh();
}

void PointEditorKeys::refresh() { commands_.setStatus(kPointTool, statusLine()); }

std::string PointEditorKeys::statusLine() const {
  std::string line = "Points: ";
  line += mode_.empty() ? "off (F2 draw, g edit)" : mode_ + " (Return ends)";
  if (!stopped_.empty()) line += "\n  " + stopped_.back();
  if (!lastChanged_.empty()) line += "\n  " + lastChanged_ + " x" + std::to_string(changedCount_);
  return line;
}

}  // namespace qel::demo
