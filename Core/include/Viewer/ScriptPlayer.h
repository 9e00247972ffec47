#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "Viewer/InputScript.h"

namespace qel {

class ViewerImpl;

/// Plays an `InputScript` into a viewer: queues its events, and for every frame advances
/// the process clock by the step's `dt` and runs `ViewerImpl::frame`.
///
/// The clock must be in manual mode (`Clock::useManualTime()`) while playing: a scripted
/// session is only reproducible when time moves by the script's steps and nothing else.
/// `step` and `playAll` throw std::logic_error when it is not.
///
/// Events that follow the script's last frame advance stay queued in the viewer for its
/// next frame. The viewer must outlive the player.
class ScriptPlayer {
 public:
  /// Called after each frame with the number of frames played so far (1 after the first).
  using FrameCallback = std::function<void(std::uint64_t frameIndex)>;
  /// Called when the script reaches a mark, with the number of frames played so far (so a
  /// screenshot taken there shows the state after that many frames).
  using MarkCallback = std::function<void(const std::string& name, std::uint64_t frameIndex)>;

  ScriptPlayer(ViewerImpl& viewer, InputScript script);

  void onFrame(FrameCallback callback) { onFrame_ = std::move(callback); }
  void onMark(MarkCallback callback) { onMark_ = std::move(callback); }

  /// Plays up to and including the next frame (queuing the events and reporting the
  /// marks before it). Returns false, having run no frame, once the script is over;
  /// marks and events after the last frame are handled by that call.
  bool step();
  /// Plays the rest of the script.
  void playAll();

  bool isFinished() const noexcept { return next_ >= script_.steps().size(); }
  std::uint64_t getFramesPlayed() const noexcept { return framesPlayed_; }
  const InputScript& getScript() const noexcept { return script_; }

 private:
  ViewerImpl& viewer_;
  InputScript script_;
  FrameCallback onFrame_;
  MarkCallback onMark_;
  std::size_t next_ = 0;
  // Frames still to run of the frame advance at `next_`, once it has started.
  std::optional<std::uint32_t> framesLeft_;
  std::uint64_t framesPlayed_ = 0;
};

}  // namespace qel
