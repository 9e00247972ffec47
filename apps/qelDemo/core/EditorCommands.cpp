#include "EditorCommands.h"

#include <utility>

namespace qel::demo {

void EditorCommands::bindKey(std::int32_t key, std::string keyName, std::string help, Action action) {
  if (!action) return;
  bindings_[key] = Binding{key, std::move(keyName), std::move(help), std::move(action)};
}

bool EditorCommands::unbindKey(std::int32_t key) { return bindings_.erase(key) != 0; }

std::vector<EditorCommands::Binding> EditorCommands::bindings() const {
  std::vector<Binding> rows;
  rows.reserve(bindings_.size());
  for (const auto& [key, binding] : bindings_) rows.push_back(binding);
  return rows;
}

std::string EditorCommands::helpText() const {
  // The key names are padded to one column, as in the rest of the help.
  constexpr std::size_t kKeyColumn = 5;
  std::string text;
  for (const auto& [key, binding] : bindings_) {
    if (!text.empty()) text += '\n';
    std::string name = binding.keyName;
    if (name.size() < kKeyColumn) name.resize(kKeyColumn, ' ');
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
  if (type != GUIEventAdapter::KEYDOWN && type != GUIEventAdapter::KEYUP) return false;
  const auto row = bindings_.find(ea.getKey());
  if (row == bindings_.end()) return false;
  if (type == GUIEventAdapter::KEYDOWN) {
    // A copy: the action may rebind its own key.
    const Action action = row->second.action;
    action();
  }
  return true;
}

}  // namespace qel::demo
