#include "PolygonEditorKeys.h"

#include "EditorCommands.h"
#include "Feature/PolygonStyle.h"
#include "Manipulator/PolygonEditor.h"

namespace qel::demo {

std::shared_ptr<PolygonEditorKeys> PolygonEditorKeys::install(EditorCommands& commands, PolygonEditor& editor,
                                                              SceneImpl& scene) {
  std::shared_ptr<PolygonEditorKeys> keys(new PolygonEditorKeys(commands, editor, scene));
  // The editor's own look: a pale green fill outlined in purple, lying on the terrain.
  bindKeys(keys, commands, scene, Key::F4, "F4", "draw areas (clicks; double click ends an area)",
           [] { return std::make_shared<Feature::PolygonStyle>(HeightReference::ClampToTerrain); });
  return keys;
}

PolygonEditorKeys::PolygonEditorKeys(EditorCommands& commands, PolygonEditor& editor, SceneImpl& scene)
    : VertexEditorKeys(commands, editor, scene, {editorkeys::kPolygonTool, "Areas", "F4 draw"}) {}

}  // namespace qel::demo
