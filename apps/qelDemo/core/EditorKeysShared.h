#pragma once

#include <memory>
#include <string>

namespace qel {
class FunctionWrapper;
class SceneImpl;
namespace Feature {
class Feature;
class Geometry;
}  // namespace Feature
}  // namespace qel

namespace qel::demo {

class EditorCommands;

/// What the feature editors' key files share: the names the key table knows them by,
/// the hand-over of switching from one editor to the other, the `g` key (edit what lies
/// under the pointer, whichever editor fits it) and how their events read on the display.
namespace editorkeys {

/// The tool names of the shared keys (Return) and of the display's status lines.
inline constexpr const char* kPointTool = "point editor";
inline constexpr const char* kPolylineTool = "polyline editor";
inline constexpr const char* kPolygonTool = "polygon editor";

/// Makes `tool` the active editor: the other editor's drawing and editing end first
/// (drawing ends, then the editing a pending feature may have left), so that only one
/// editor takes the clicks.
void activate(EditorCommands& commands, const std::string& tool);

/// Binds `g`: picks under the pointer (the commands' last pointer position) in `scene`'s
/// last frame; a point feature goes to the point editor, a line to the polyline editor,
/// an area to the polygon editor, anything else (or nothing) is left alone.
void bindEditUnderPointer(EditorCommands& commands, SceneImpl& scene);

/// "feature 3" or "new feature" (a drawn feature has no id).
std::string describeFeature(const std::shared_ptr<Feature::Feature>& feature);
/// "point (7.51234°, 46.20000°, 1234.5 m)", "line of 3 vertices" or "area of 4 vertices".
std::string describeGeometry(const std::shared_ptr<Feature::Geometry>& geometry);
/// Puts a feature an editor handed over back into `scene`'s default data source's root
/// group (the editors take drawn features out of it), unless it is already there.
void keepInScene(SceneImpl& scene, const std::shared_ptr<Feature::Feature>& feature);
/// Removes a listener by its handle, if it is still registered.
void removeListener(const std::weak_ptr<FunctionWrapper>& handle);

}  // namespace editorkeys
}  // namespace qel::demo
