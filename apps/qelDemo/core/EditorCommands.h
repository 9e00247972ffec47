#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Common/Vector2.h"
#include "Viewer/GUIEventHandler.h"

namespace qel::demo {

/// The demo's keys for the editing tools (the picker and the editors), registered as an
/// event handler after the app's command keys and before the tools themselves, so that
/// a tool key reaches its tool's facade and never the tool's gesture handler or the
/// camera.
///
/// It is only a table of key → action: each tool adds its own keys from a small file of
/// its own (`PickerKeys` for F6–F8), together with a status line for the heads-up
/// display. A new tool's keys: a `...Keys` class like `PickerKeys` whose `install` binds
/// them and listens to the tool's events, installed in `DemoHost::create` after the
/// tool is bound; the help panel lists every row. Main thread only, like every event
/// handler.
class EditorCommands : public GUIEventHandler {
 public:
  using Action = std::function<void()>;

  /// One row of the table, as the key help lists it.
  struct Binding {
    std::int32_t key = 0;
    std::string keyName;  ///< as the help shows it ("F6")
    std::string help;     ///< what the key does, a few words
    Action action;
    /// Modifier bits (`ModKey`) that must be held for the row to fire (0: any, so
    /// Shift+F6 is F6). Without them the key is left to later handlers.
    std::int32_t modifiers = 0;
    /// Keys several tools share (Return): the action of each tool, run for the active
    /// tool only. Empty for a key of one tool (`action`).
    std::map<std::string, Action> toolActions;
  };

  /// Adds a key, or replaces the row of a key already bound (a later tool wins). A key
  /// without an action is ignored. Modifiers are not part of a key: Shift+F6 is F6.
  void bindKey(std::int32_t key, std::string keyName, std::string help, Action action, std::int32_t modifiers = 0);
  /// Adds `tool`'s action to a key several tools share: the key runs the action of the
  /// active tool (`setActiveTool`) and nothing while no tool with an action for it is
  /// active (the key is still used). Replaces a single-tool row of the same key; the help
  /// text and `modifiers` (as for `bindKey`) are the last ones given. An empty action is
  /// ignored.
  void bindToolKey(std::int32_t key, std::string keyName, std::string help, const std::string& tool, Action action,
                   std::int32_t modifiers = 0);

  /// The tool the shared keys act on ("" none): the one whose key last started it.
  /// Tells every tool listener, so that a tool switched away from can say so.
  void setActiveTool(std::string tool);
  /// Called after each `setActiveTool`.
  void addToolListener(Action listener);
  const std::string& activeTool() const noexcept { return activeTool_; }

  /// The pointer's last window position (pixels, origin top left) seen in a pointer
  /// event, for keys that act on what lies under the pointer; (0, 0) before any.
  Vector2<int> pointer() const noexcept { return pointer_; }
  /// Takes a key out of the table; false when it was not bound.
  bool unbindKey(std::int32_t key);
  bool isBound(std::int32_t key) const noexcept { return bindings_.count(key) != 0; }
  /// The rows in key order.
  std::vector<Binding> bindings() const;

  /// The key help lines ("  F6  click picking"), one per row, in key order.
  std::string helpText() const;

  /// A tool's line for the heads-up display (empty: the tool shows none). One line per
  /// tool name; a new line for the same tool replaces the old one.
  void setStatus(const std::string& tool, std::string line);
  /// The tools' non-empty lines, in tool-name order, joined by newlines.
  std::string statusText() const;

  using GUIEventHandler::handle;
  /// Runs the action of a bound key when it goes down and uses both halves of the key
  /// (down and up), so no later handler sees a tool key. Every other event, and any
  /// event already handled, is left alone (pointer events only update `pointer`).
  bool handle(const GUIEventAdapter& ea, const Viewer& viewer) override;

 private:
  std::map<std::int32_t, Binding> bindings_;
  std::map<std::string, std::string> status_;
  std::string activeTool_;
  std::vector<Action> toolListeners_;
  Vector2<int> pointer_{0, 0};
};

}  // namespace qel::demo
