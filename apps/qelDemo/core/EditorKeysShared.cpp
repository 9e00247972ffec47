#include "EditorKeysShared.h"

#include <cstdio>

#include "Common/FunctionWrapper.h"
#include "Common/Math.h"
#include "Data/DataSource.h"
#include "Data/DataSourceDisplay.h"
#include "Data/Entity.h"
#include "EditorCommands.h"
#include "Feature/Feature.h"
#include "Feature/FeatureGroup.h"
#include "Feature/Geometry.h"
#include "Feature/PointGeometry.h"
#include "Feature/PolygonGeometry.h"
#include "Feature/PolylineGeometry.h"
#include "Manipulator/PointEditor.h"
#include "Manipulator/PolygonEditor.h"
#include "Manipulator/PolylineEditor.h"
#include "Scene/PickObject.h"
#include "Scene/SceneImpl.h"

namespace qel::demo::editorkeys {

namespace {

// The square (pixels) `g` searches around the pointer: about a marker's width, so that
// a point is found when the pointer is on its mark, not only on its anchor.
constexpr int kPickSize = 10;

void stopTool(const std::string& tool) {
  if (tool == kPointTool) {
    if (PointEditor* editor = PointEditor::instance()) {
      editor->stopEditing(false, true);
      editor->stopEditing(false, false);
    }
  } else if (tool == kPolylineTool) {
    if (PolylineEditor* editor = PolylineEditor::instance()) {
      editor->stopEditing(false, true);
      editor->stopEditing(false, false);
    }
  } else if (tool == kPolygonTool) {
    if (PolygonEditor* editor = PolygonEditor::instance()) {
      editor->stopEditing(false, true);
      editor->stopEditing(false, false);
    }
  }
}

}  // namespace

void activate(EditorCommands& commands, const std::string& tool) {
  if (!commands.activeTool().empty() && commands.activeTool() != tool) stopTool(commands.activeTool());
  commands.setActiveTool(tool);
}

namespace {

// Makes `tool` the active editor for editing a feature: an editor that was drawing says
// "editing" now (its listener sets that mode when it becomes active from none).
void activateForEditing(EditorCommands& commands, const std::string& tool) {
  activate(commands, tool);
  commands.setActiveTool("");
  commands.setActiveTool(tool);
}

}  // namespace

void bindEditUnderPointer(EditorCommands& commands, SceneImpl& scene) {
  commands.bindKey('g', "g", "edit the point, line or area under the pointer", [&commands, &scene] {
    const std::shared_ptr<PickObject> found = scene.pick(commands.pointer(), kPickSize, kPickSize).lock();
    const std::shared_ptr<Entity> entity = found ? found->getEntity() : nullptr;
    const std::shared_ptr<Feature::Feature> feature = entity ? entity->_getFeature() : nullptr;
    const std::shared_ptr<Feature::Geometry> geometry = feature ? feature->getGeometry() : nullptr;
    if (!geometry) return;
    if (geometry->getType() == Feature::GeometryType::Point) {
      if (PointEditor* editor = PointEditor::instance()) {
        activateForEditing(commands, kPointTool);
        editor->startEditing(feature);
      }
    } else if (geometry->getType() == Feature::GeometryType::Polyline) {
      if (PolylineEditor* editor = PolylineEditor::instance()) {
        activateForEditing(commands, kPolylineTool);
        editor->startEditing(feature);
      }
    } else if (geometry->getType() == Feature::GeometryType::Polygon) {
      if (PolygonEditor* editor = PolygonEditor::instance()) {
        activateForEditing(commands, kPolygonTool);
        editor->startEditing(feature);
      }
    }
  });
}

std::string describeFeature(const std::shared_ptr<Feature::Feature>& feature) {
  if (!feature) return "no feature";
  const auto id = feature->getId();
  return id ? "feature " + std::to_string(*id) : "new feature";
}

std::string describeGeometry(const std::shared_ptr<Feature::Geometry>& geometry) {
  if (!geometry) return "no geometry";
  char text[96];
  if (geometry->getType() == Feature::GeometryType::Point) {
    const Cartographic& p = static_cast<const Feature::PointGeometry&>(*geometry).getPosition();
    std::snprintf(text, sizeof text, "point (%.5f°, %.5f°, %.1f m)", p.longitude * Math::DEGREES_PER_RADIAN,
                  p.latitude * Math::DEGREES_PER_RADIAN, p.height);
    return text;
  }
  if (geometry->getType() == Feature::GeometryType::Polyline) {
    const std::size_t n = static_cast<const Feature::PolylineGeometry&>(*geometry).getPositions().size();
    return "line of " + std::to_string(n) + (n == 1 ? " vertex" : " vertices");
  }
  if (geometry->getType() == Feature::GeometryType::Polygon) {
    const std::size_t n = static_cast<const Feature::PolygonGeometry&>(*geometry).getPositions().size();
    return "area of " + std::to_string(n) + (n == 1 ? " vertex" : " vertices");
  }
  return "geometry";
}

void keepInScene(SceneImpl& scene, const std::shared_ptr<Feature::Feature>& feature) {
  if (!feature || feature->getParent()) return;
  scene._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->add(feature);
}

void removeListener(const std::weak_ptr<FunctionWrapper>& handle) {
  if (const std::shared_ptr<FunctionWrapper> remove = handle.lock()) (*remove)();
}

}  // namespace qel::demo::editorkeys
