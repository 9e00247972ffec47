#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace qel {
class FunctionWrapper;
class PickObject;
class ScenePicker;
}  // namespace qel

namespace qel::demo {

class EditorCommands;

/// The picker's keys and what the demo shows of its picks:
///
/// | key | command |
/// |---|---|
/// | F6 | click picking (`startPicking (false)`) |
/// | F7 | rectangle picking (`startPicking (true)`) |
/// | F8 | picking off (`stopPicking`) |
///
/// It listens to both pick events and keeps every pick in order, each object described
/// by its kind and the id it was drawn with (a feature's id, a string, a `Uuid`), and
/// puts the mode and the last pick on the heads-up display through the commands' status
/// lines. Main thread only; it stops listening when destroyed.
class PickerKeys : public std::enable_shared_from_this<PickerKeys> {
 public:
  /// What one pick found.
  struct Pick {
    bool rectangle = false;
    /// "Point feature 3", "Billboard \"moveUp\"", ...: one per object, in the order the
    /// picker reported them (a click pick: none or one).
    std::vector<std::string> objects;
  };

  /// Binds F6, F7 and F8 in `commands` and listens to `picker`'s events. The keys hold
  /// the returned object weakly: once it is gone they do nothing.
  static std::shared_ptr<PickerKeys> install(EditorCommands& commands, ScenePicker& picker);
  ~PickerKeys();
  PickerKeys(const PickerKeys&) = delete;
  PickerKeys& operator=(const PickerKeys&) = delete;

  const std::vector<Pick>& picks() const noexcept { return picks_; }
  /// "click", "rectangle" or "" (off): the mode the keys last chose.
  const std::string& mode() const noexcept { return mode_; }

  /// "Point feature 3": the object's kind and the id its drawing carried.
  static std::string describe(const PickObject& object);
  /// The heads-up display's line: the mode and the last pick.
  std::string statusLine() const;

 private:
  PickerKeys(EditorCommands& commands, ScenePicker& picker);
  void setMode(std::string mode);
  void record(Pick pick);

  EditorCommands& commands_;
  ScenePicker& picker_;
  std::string mode_;
  std::vector<Pick> picks_;
  std::weak_ptr<FunctionWrapper> pickedListener_;
  std::weak_ptr<FunctionWrapper> rectangleListener_;
};

}  // namespace qel::demo
