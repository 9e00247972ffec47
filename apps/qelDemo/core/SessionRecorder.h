#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "Common/Clock.h"
#include "DemoHost.h"
#include "Viewer/GUIEventAdapter.h"

namespace osgGA {
class GUIEventAdapter;
}

namespace qel {
class ViewerImpl;
}

namespace qel::demo {

/// Records a live session as an input script (docs/input-scripts.md) that `qelDemo
/// --script FILE --out DIR` plays back to the same camera poses: every event the window
/// hands to the host, in order, and after each frame a frame advance by the time the
/// clock moved. The script also carries the window size (`"_window": [w, h]`) and the
/// exact start pose (`"_start"`: eye position in fixed-frame metres and orientation
/// quaternion), fields a script reader ignores and the demo applies before playing.
///
/// Each event goes through the script's own reader before it is queued, so the live
/// host sees exactly what a replay will queue (nothing a script cannot express, such as
/// the button of a drag, can make the two differ).
class SessionRecorder {
 public:
  /// Starts recording the viewer's session now: its window size (pixels) and camera pose.
  SessionRecorder(ViewerImpl& viewer, int windowWidth, int windowHeight);

  /// Queues a host event into the viewer and records it.
  void queue(const GUIEventAdapter& event);
  /// Converts a window event (convertEvent), queues and records it. False when the event
  /// has no host record (frames, resizes, ...).
  bool queue(const osgGA::GUIEventAdapter& event);
  /// Records the frame the viewer just ran, with the clock's step since the previous
  /// frame (since the recording began, for the first).
  void frameDone();

  /// The script so far, as JSON text.
  std::string toJson() const;
  /// Writes it. Throws std::runtime_error when the file cannot be written.
  void save(const std::filesystem::path& file) const;

  /// The JSON text of one event step, as a script holds it.
  static std::string eventJson(const GUIEventAdapter& event);

 private:
  void flushFrames();

  ViewerImpl& viewer_;
  int width_;
  int height_;
  EyePose start_;
  std::string steps_;
  Clock::time_point last_;
  // Frames with the same step are written as one advance.
  std::uint32_t pendingFrames_ = 0;
  Clock::duration pendingStep_{0};
};

/// What a recorded script says about the session it came from.
struct SessionHeader {
  std::optional<std::pair<int, int>> window;
  std::optional<EyePose> start;
};

/// Reads the `_window` and `_start` fields of a script file; empty fields when the file
/// has none (a hand-written tour) or they are malformed.
SessionHeader readSessionHeader(const std::filesystem::path& file);

}  // namespace qel::demo
