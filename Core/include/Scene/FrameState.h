#pragma once

#include <chrono>
#include <cstdint>

#include "Common/TaskQueue.h"

namespace qel {

/// What the scene knows about the frame being built.
class FrameState {
 public:
  /// Projection mode: 0 morphing, 1 columbus view, 2 2D, 3 3D.
  std::uint8_t mode = 3;
  std::uint64_t frameNumber = 0;
  std::chrono::steady_clock::time_point time{};
  /// Work the scene runs during the frame, after the primitives' updates.
  TaskQueue taskQueue;
};

}  // namespace qel
