#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "Viewer/GUIEventAdapter.h"
#include "Viewer/InputScriptError.h"

namespace qel {

/// A recorded or hand-written input session: input events, frame advances and screenshot
/// marks, in order. Tests, the demo and benchmarks replay it through a `ScriptPlayer`.
///
/// The JSON form (see docs/input-scripts.md):
///
///     {"frameStep": 0.016,
///      "steps": [
///        {"event": "press", "x": 400, "y": 300, "button": "left"},
///        {"frames": 1},
///        {"repeat": 10, "steps": [{"event": "drag", "x": 410, "y": 300, "mask": ["left"]},
///                                 {"frames": 1}]},
///        {"dragLine": {"from": [400, 300], "to": [500, 300], "button": "right", "steps": 20}},
///        {"click": {"at": [400, 300]}},
///        {"doubleClick": {"at": [400, 300], "button": "left"}},
///        {"event": "keydown", "key": "w", "modifiers": ["shift"]},
///        {"frames": 30, "dt": 0.02},
///        {"mark": "after-tilt"}]}
///
/// Events accumulate until the next frame advance, which delivers them all in that frame.
/// `repeat`, `dragLine`, `click` and `doubleClick` are expanded when the script is read, so `steps()` holds only
/// events, frame advances and marks.
class InputScript {
 public:
  /// Seconds per frame when the script gives no `frameStep`: about one frame at 60 Hz,
  /// rounded so that recorded frame stamps are easy to read.
  static constexpr double kDefaultFrameStep = 0.016;
  /// Longest frame advance accepted (seconds): far beyond any real frame, and small enough
  /// that the clock's nanosecond arithmetic cannot overflow.
  static constexpr double kMaxFrameDt = 3600.0;
  /// Most steps a script may expand to (repeats and drag lines included): a typo in a
  /// repeat count must not exhaust memory.
  static constexpr std::size_t kMaxSteps = 1'000'000;

  struct Step {
    enum class Kind { Event, Frames, Mark };
    Kind kind = Kind::Frames;
    /// Kind::Event: the event to queue (key events without modifiers carry none: the
    /// viewer adds its "no modifier" bit when it queues them).
    GUIEventAdapter event;
    /// Kind::Frames: how many frames to run, each advancing the clock by `dt` seconds.
    std::uint32_t frames = 1;
    double dt = kDefaultFrameStep;
    /// Kind::Mark: the name handed to the player's mark callback.
    std::string mark;
  };

  InputScript() = default;

  /// Reads a script from JSON text. `sourceName` (usually the file name) starts every
  /// error message. Throws InputScriptError.
  static InputScript parse(std::string_view text, std::string_view sourceName = "<script>");
  /// Reads a script file. Throws InputScriptError (also when the file cannot be read).
  static InputScript load(const std::filesystem::path& path);

  /// Builders, for scripts made in code; all of them end in `addStep`. A frame advance
  /// with a non-finite, negative or too long `dt` uses `frameStep()` instead.
  InputScript& addStep(Step step);
  InputScript& addEvent(const GUIEventAdapter& event);
  InputScript& addFrames(std::uint32_t frames = 1);
  InputScript& addFrames(std::uint32_t frames, double dt);
  InputScript& addMark(std::string name);

  /// Seconds per frame for advances that give no `dt`.
  double frameStep() const noexcept { return frameStep_; }
  /// Ignores values that are not finite, positive and at most kMaxFrameDt.
  void setFrameStep(double seconds) noexcept;

  const std::vector<Step>& steps() const noexcept { return steps_; }
  /// Frames the whole script runs.
  std::uint64_t frameCount() const noexcept;

 private:
  double frameStep_ = kDefaultFrameStep;
  std::vector<Step> steps_;
};

}  // namespace qel
