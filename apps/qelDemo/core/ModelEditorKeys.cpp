#include "ModelEditorKeys.h"

#include <cstdio>
#include <utility>

#include "Common/FunctionWrapper.h"
#include "Common/Math.h"
#include "Data/Entity.h"
#include "EditorCommands.h"
#include "EditorKeysShared.h"
#include "Feature/Feature.h"
#include "Feature/PointStyle.h"
#include "Layers/Qel3DTileFeature.h"
#include "Layers/Qel3DTileset.h"
#include "Manipulator/ModelEditor.h"
#include "Scene/PickObject.h"
#include "Scene/SceneImpl.h"
#include "Viewer/KeyCodes.h"

namespace qel::demo {

namespace {

// The square (pixels) `g` searches around the pointer, as for the other editors.
constexpr int kPickSize = 10;

// A feature drawn as a model: a point style carrying a model symbol.
bool isModelFeature(const Feature::Feature& feature) {
  const std::shared_ptr<Feature::Style> style = feature.getStyle();
  const Feature::PointStyle* point = style ? style->asPointStyle() : nullptr;
  return point != nullptr && point->getModelSymbol() != nullptr;
}

}  // namespace

std::shared_ptr<ModelEditorKeys> ModelEditorKeys::install(EditorCommands& commands, ModelEditor& editor,
                                                          SceneImpl& scene) {
  std::shared_ptr<ModelEditorKeys> keys(new ModelEditorKeys(commands, editor, scene));
  const std::weak_ptr<ModelEditorKeys> weak = keys;
  // g keeps what it did before for anything that is not a model or a tileset.
  EditorCommands::Action earlier;
  std::string earlierHelp = "edit what lies under the pointer";
  for (const EditorCommands::Binding& row : commands.bindings()) {
    if (row.key == 'g') {
      earlier = row.action;
      earlierHelp = row.help;
    }
  }
  commands.bindKey('g', "g", earlierHelp + " (a model or tileset: the gizmo)", [weak, earlier] {
    auto self = weak.lock();
    if (self && self->editUnderPointer()) return;
    if (earlier) earlier();
  });
  commands.bindToolKey(Key::Return, "Return", "end drawing or editing (the active editor)", kTool, [weak] {
    if (auto self = weak.lock()) {
      self->editor_.stopEditing();
      self->editing_ = false;
      self->refresh();
    }
  });
  // Another editor taking over ends the model editing.
  commands.addToolListener([weak] {
    auto self = weak.lock();
    if (!self || self->commands_.activeTool() == kTool || !self->editing_) return;
    self->editor_.stopEditing();
    self->editing_ = false;
    self->refresh();
  });
  keys->changedListener_ = editor.getChangedEvent()->addEventListener(
      [weak](const Cartographic& position, const Vector3<double>& translation, const Vector3<Radian>& rotation,
             const Vector3<double>& scale, void*) {
        if (auto self = weak.lock()) {
          self->changes_.push_back({position, translation, rotation, scale});
          self->refresh();
        }
      });
  keys->stoppedListener_ = editor.getStoppedEvent()->addEventListener([weak](const std::shared_ptr<Layer>&) {
    if (auto self = weak.lock()) {
      ++self->stoppedCount_;
      self->refresh();
    }
  });
  keys->refresh();
  return keys;
}

ModelEditorKeys::ModelEditorKeys(EditorCommands& commands, ModelEditor& editor, SceneImpl& scene)
    : commands_(commands), editor_(editor), scene_(scene) {}

ModelEditorKeys::~ModelEditorKeys() {
  editorkeys::removeListener(changedListener_);
  editorkeys::removeListener(stoppedListener_);
}

bool ModelEditorKeys::editUnderPointer() {
  const std::shared_ptr<PickObject> found = scene_.pick(commands_.pointer(), kPickSize, kPickSize).lock();
  if (!found) return false;
  ModelEditor::Target target;
  if (const Qel3DTileFeature* tile = found->getTileFeature()) {
    std::shared_ptr<Qel3DTileset> tileset = tile->getTileset();
    if (!tileset) return false;
    target = std::move(tileset);
  } else {
    const std::shared_ptr<Entity> entity = found->getEntity();
    std::shared_ptr<Feature::Feature> feature = entity ? entity->_getFeature() : nullptr;
    if (!feature || !isModelFeature(*feature)) return false;
    target = std::move(feature);
  }
  editorkeys::activate(commands_, kTool);
  editor_.startEditing(std::move(target));
  editing_ = true;
  refresh();
  return true;
}

void ModelEditorKeys::refresh() { commands_.setStatus(kTool, statusLine()); }

std::string ModelEditorKeys::statusLine() const {
  // Nothing on the display until the editor is first used: the other tools' lines keep
  // their places.
  if (!editing_ && changes_.empty() && stoppedCount_ == 0) return "";
  std::string line = "Models: ";
  line += editing_ ? "editing (drag the gizmo, Return ends)" : "off (g over a model or tileset)";
  if (stoppedCount_ > 0) line += "\n  stopped x" + std::to_string(stoppedCount_);
  if (changes_.empty()) return line;
  const Change& c = changes_.back();
  char text[320];
  std::snprintf(text, sizeof text,
                "\n  position %.6f°, %.6f°, %.2f m\n  translation %.2f, %.2f, %.2f m\n  rotation %.1f°, %.1f°, "
                "%.1f°\n  scale %.3f, %.3f, %.3f",
                Math::toDegrees(c.position.longitude), Math::toDegrees(c.position.latitude), c.position.height,
                c.translation.x, c.translation.y, c.translation.z, Math::toDegrees(c.rotation.x.value()),
                Math::toDegrees(c.rotation.y.value()), Math::toDegrees(c.rotation.z.value()), c.scale.x, c.scale.y,
                c.scale.z);
  return line + text;
}

}  // namespace qel::demo
