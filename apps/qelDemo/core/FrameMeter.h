#pragma once

#include <chrono>
#include <functional>

#include "FrameTimes.h"

namespace qel::demo {

struct DemoHost;

/// Times the demo's frames and splits them (see FrameTimes): installs the host viewer's
/// render callback around the drawing code, reads the library's share from the timing
/// stand-in, and leaves out work that is neither (screenshots, the pose file).
class FrameMeter {
 public:
  explicit FrameMeter(DemoHost& host);
  ~FrameMeter();
  FrameMeter(const FrameMeter&) = delete;
  FrameMeter& operator=(const FrameMeter&) = delete;

  /// The drawing code, run as the viewer's render callback (after `updateCamera`).
  void setRenderer(std::function<void()> render);

  /// Runs `frame` (which runs at most one viewer frame and returns whether it did) and
  /// records its timings when it did.
  bool measure(const std::function<bool()>& frame);
  /// Runs `work` inside a measured frame without counting it.
  void exclude(const std::function<void()>& work);

  const FrameTimes& times() const noexcept { return times_; }

 private:
  using Clock = std::chrono::steady_clock;
  DemoHost& host_;
  FrameTimes times_;
  Clock::duration render_{0};
  Clock::duration excluded_{0};
};

}  // namespace qel::demo
