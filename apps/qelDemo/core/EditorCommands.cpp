#include "EditorCommands.h"

#include <algorithm>
#include <utility>

namespace qel::demo {

void EditorCommands::bindKey(std::int32_t key, std::string keyName, std::string help, Action action,
                             std::int32_t modifiers) {
  if (!action) return;
  bindings_[key] = Binding{key, std::move(keyName), std::move(help), std::move(action), modifiers, {}};
}

void EditorCommands::bindToolKey(std::int32_t key, std::string keyName, std::string help, const std::string& tool,
                                 Action action, std::int32_t modifiers) {
  if (!action) return;
  Binding& row = bindings_[key];
  if (!row.toolActions.empty() || !row.action) {
    row.toolActions[tool] = std::move(action);
  } else {
    row.toolActions = {{tool, std::move(action)}};
  }
  row.key = key;
  row.keyName = std::move(keyName);
  row.help = std::move(help);
  row.modifiers = modifiers;
  // A shared row runs through its tools' actions; this one only marks it as bound.
  row.action = [] {};
}

bool EditorCommands::unbindKey(std::int32_t key) { return bindings_.erase(key) != 0; }

void EditorCommands::setActiveTool(std::string tool) {
  activeTool_ = std::move(tool);
  // A copy: a listener may add another.
  const std::vector<Action> listeners = toolListeners_;
  for (const Action& listener : listeners) listener();
}

void EditorCommands::addToolListener(Action listener) {
  if (listener) toolListeners_.push_back(std::move(listener));
}

std::vector<EditorCommands::Binding> EditorCommands::bindings() const {
  std::vector<Binding> rows;
  rows.reserve(bindings_.size());
  for (const auto& [key, binding] : bindings_) rows.push_back(binding);
  return rows;
}

std::string EditorCommands::helpText() const {
  // The key names are padded to one column, as in the rest of the help; a longer name
  // ("Ctrl+Z") widens the column for every row, keeping a space after it.
  constexpr std::size_t kKeyColumn = 5;
  std::size_t column = kKeyColumn;
  for (const auto& [key, binding] : bindings_) column = std::max(column, binding.keyName.size() + 1);
  std::string text;
  for (const auto& [key, binding] : bindings_) {
    if (!text.empty()) text += '\n';
    std::string name = binding.keyName;
    name.resize(column, ' ');
    text += "  " + name + binding.help;
  }
  return text;
}

void EditorCommands::setStatus(const std::string& tool, std::string line) {
  if (line.empty()) {
    status_.erase(tool);
  } else {
    status_[tool] = std::move(line);
  }
}

std::string EditorCommands::statusText() const {
  std::string text;
  for (const auto& [tool, line] : status_) {
    if (!text.empty()) text += '\n';
    text += line;
  }
  return text;
}

bool EditorCommands::handle(const GUIEventAdapter& ea, const Viewer& viewer) {
  (void)viewer;
  if (ea.getHandled()) return false;
  const auto type = ea.getEventType();
  if (type != GUIEventAdapter::KEYDOWN && type != GUIEventAdapter::KEYUP) {
    if (type == GUIEventAdapter::PUSH || type == GUIEventAdapter::RELEASE || type == GUIEventAdapter::DRAG ||
        type == GUIEventAdapter::MOVE || type == GUIEventAdapter::DOUBLECLICK || type == GUIEventAdapter::SCROLL) {
      pointer_ = {static_cast<int>(ea.getX()), static_cast<int>(ea.getY())};
    }
    return false;
  }
  const auto row = bindings_.find(ea.getKey());
  if (row == bindings_.end()) return false;
  const std::int32_t needed = row->second.modifiers;
  if (needed != 0 && (ea.getModKeyMask() & needed) != needed) return false;
  if (type == GUIEventAdapter::KEYDOWN) {
    // A copy: the action may rebind its own key.
    Action action = row->second.action;
    if (!row->second.toolActions.empty()) {
      const auto tool = row->second.toolActions.find(activeTool_);
      action = tool == row->second.toolActions.end() ? Action{} : tool->second;
    }
    if (action) action();
  }
  return true;
}

}  // namespace qel::demo
