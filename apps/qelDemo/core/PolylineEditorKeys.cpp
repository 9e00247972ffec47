#include "PolylineEditorKeys.h"

#include "EditorCommands.h"
#include "Feature/PolylineStyle.h"
#include "Manipulator/PolylineEditor.h"

namespace qel::demo {

std::shared_ptr<PolylineEditorKeys> PolylineEditorKeys::install(EditorCommands& commands, PolylineEditor& editor,
                                                                SceneImpl& scene) {
  std::shared_ptr<PolylineEditorKeys> keys(new PolylineEditorKeys(commands, editor, scene));
  // Lines on the ground: the measure labels give the distance along the terrain.
  bindKeys(keys, commands, scene, Key::F3, "F3", "draw lines (clicks; double click ends a line)",
           [] { return std::make_shared<Feature::PolylineStyle>(HeightReference::ClampToTerrain); });
  return keys;
}

PolylineEditorKeys::PolylineEditorKeys(EditorCommands& commands, PolylineEditor& editor, SceneImpl& scene)
    : VertexEditorKeys(commands, editor, scene, {editorkeys::kPolylineTool, "Lines", "F3 draw"}) {}

}  // namespace qel::demo
