#pragma once

#include <chrono>
#include <cstdint>

#include "Common/TaskQueue.h"
#include "Scene/CullingVolume.h"
#include "Renderer/WindowProjector.h"
#include "Scene/DrawList.h"

namespace qel {

class Camera;

/// What the scene knows about the frame being built.
class FrameState {
 public:
  /// Projection mode: 0 morphing, 1 columbus view, 2 2D, 3 3D.
  std::uint8_t mode = 3;
  std::uint64_t frameNumber = 0;
  std::chrono::steady_clock::time_point time{};
  /// What the camera sees as the scene builds this frame: computed from the camera at
  /// the start of the scene's frame work, before the primitives' updates. Between frames
  /// it is the volume of the last frame built (the camera's pose before that frame's
  /// `updateCamera`); before the first frame, the scene's initial camera.
  CullingVolume cullingVolume;
  /// The camera the frame is drawn from; set by the scene before the primitives' updates.
  const Camera* camera = nullptr;
  /// That camera's view, frozen when the scene sets `camera`: what every item drawn this
  /// frame is projected with.
  WindowProjector projector;
  /// What the frame draws: each primitive's update submits its shown and hidden items
  /// here, in update order. When the frame ends it becomes the scene's last frame.
  DrawList drawList;
  /// Work the scene runs during the frame, after the primitives' updates.
  TaskQueue taskQueue;
};

}  // namespace qel
