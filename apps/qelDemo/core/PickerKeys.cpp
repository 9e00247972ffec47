#include "PickerKeys.h"

#include <type_traits>
#include <variant>

#include "Common/FunctionWrapper.h"
#include "Data/Entity.h"
#include "EditorCommands.h"
#include "Feature/Feature.h"
#include "Manipulator/ScenePicker.h"
#include "Manipulator/ScenePickerImpl.h"
#include "Scene/PickObject.h"
#include "Viewer/KeyCodes.h"

namespace qel::demo {

namespace {

// The status line's name in the commands' table, and how many objects of a rectangle
// pick it spells out before it only counts the rest (the line must fit the window).
constexpr const char* kStatusName = "picker";
constexpr std::size_t kObjectsShown = 4;

std::string kindName(DrawKind kind) {
  switch (kind) {
    case DrawKind::Billboard: return "Billboard";
    case DrawKind::Label: return "Label";
    case DrawKind::Point: return "Point";
    case DrawKind::Polyline: return "Polyline";
    case DrawKind::Primitive: return "Primitive";
    case DrawKind::GroundPolyline: return "GroundPolyline";
    case DrawKind::Area: return "Area";
    default: break;  // a kind added to the host after this table: still listed
  }
  return "Item";
}

std::string idText(const PickId& id) {
  return std::visit(
      [](const auto& value) -> std::string {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return "(no id)";
        } else if constexpr (std::is_same_v<T, std::weak_ptr<Entity>>) {
          const std::shared_ptr<Entity> entity = value.lock();
          const std::shared_ptr<Feature::Feature> feature = entity ? entity->_getFeature() : nullptr;
          if (!feature) return "entity";
          const auto featureId = feature->getId();
          return featureId ? "feature " + std::to_string(*featureId) : "feature";
        } else if constexpr (std::is_same_v<T, std::string>) {
          return "\"" + value + "\"";
        } else {
          return value.toString();
        }
      },
      id);
}

void removeListener(const std::weak_ptr<FunctionWrapper>& handle) {
  if (const std::shared_ptr<FunctionWrapper> remove = handle.lock()) (*remove)();
}

}  // namespace

std::shared_ptr<PickerKeys> PickerKeys::install(EditorCommands& commands, ScenePicker& picker) {
  std::shared_ptr<PickerKeys> keys(new PickerKeys(commands, picker));
  const std::weak_ptr<PickerKeys> weak = keys;
  commands.bindKey(Key::F6, "F6", "click picking", [weak] {
    if (auto self = weak.lock()) {
      self->picker_.startPicking(false);
      self->setMode("click");
    }
  });
  commands.bindKey(Key::F7, "F7", "rectangle picking (left drag)", [weak] {
    if (auto self = weak.lock()) {
      self->picker_.startPicking(true);
      self->setMode("rectangle");
    }
  });
  commands.bindKey(Key::F8, "F8", "picking off", [weak] {
    if (auto self = weak.lock()) {
      self->picker_.stopPicking();
      self->setMode("");
    }
  });
  keys->pickedListener_ = picker.getPickedEvent().addEventListener([weak](std::weak_ptr<PickObject> found) {
    auto self = weak.lock();
    if (!self) return;
    Pick pick;
    if (const std::shared_ptr<PickObject> object = found.lock()) pick.objects.push_back(describe(*object));
    self->record(std::move(pick));
  });
  keys->rectangleListener_ =
      picker.getRectanglePickingEvent().addEventListener([weak](const std::vector<std::shared_ptr<PickObject>>& found) {
        auto self = weak.lock();
        if (!self) return;
        Pick pick;
        pick.rectangle = true;
        for (const std::shared_ptr<PickObject>& object : found) {
          if (object) pick.objects.push_back(describe(*object));
        }
        self->record(std::move(pick));
      });
  keys->commands_.setStatus(kStatusName, keys->statusLine());
  return keys;
}

PickerKeys::PickerKeys(EditorCommands& commands, ScenePicker& picker) : commands_(commands), picker_(picker) {}

PickerKeys::~PickerKeys() {
  removeListener(pickedListener_);
  removeListener(rectangleListener_);
}

std::string PickerKeys::describe(const PickObject& object) {
  return kindName(object.getKind()) + " " + idText(object.getId());
}

void PickerKeys::setMode(std::string mode) {
  mode_ = std::move(mode);
  commands_.setStatus(kStatusName, statusLine());
}

void PickerKeys::record(Pick pick) {
  picks_.push_back(std::move(pick));
  commands_.setStatus(kStatusName, statusLine());
}

std::string PickerKeys::statusLine() const {
  std::string line = "Picking: ";
  line += mode_.empty() ? "off (F6 click, F7 rectangle)" : mode_ + " (F8 off)";
  if (picks_.empty()) return line;
  const Pick& last = picks_.back();
  if (!last.rectangle) return line + "\nClick pick: " + (last.objects.empty() ? "nothing" : last.objects.front());
  // One object a line keeps the display narrow enough to leave the view in sight.
  const std::size_t count = last.objects.size();
  line += "\nRectangle pick: " + std::to_string(count) + (count == 1 ? " object" : " objects");
  for (std::size_t i = 0; i < count && i < kObjectsShown; ++i) line += "\n  " + last.objects[i];
  if (count > kObjectsShown) line += "\n  and " + std::to_string(count - kObjectsShown) + " more";
  return line;
}

}  // namespace qel::demo
