#pragma once

#include <chrono>
#include <vector>

#include "Common/Quaternion.h"
#include "Common/Vector3.h"
#include "Manipulator/FlightPath.h"

namespace qel {

/// Flies the camera through a list of poses, one leg per pair of neighbours, with
/// progress linear in time and heights interpolated linearly. Starting places the camera
/// on the first pose at once; the last leg's end raises `getFlightCompleted` and the
/// path is back at its start. Progress is the time flown over the sum of the legs'
/// durations. Main thread only.
class KeyframeFlightPath : public FlightPath {
 public:
  struct Keyframe {
    /// Eye position, Earth-fixed cartesian (metres).
    Vector3<double> position;
    /// Eye orientation (x, y, z, w; camera looks along its −Z).
    Quaternion orientation;
    /// Seconds of the leg that ends at this keyframe (the first keyframe's is not used).
    /// 0 or less places the camera at once.
    double duration = 0.0;
  };

  KeyframeFlightPath();
  ~KeyframeFlightPath() override;

  /// Replaces the keyframes; a running leg keeps flying toward its old target.
  void setKeyframes(std::vector<Keyframe>&& frames);
  const std::vector<Keyframe>& getKeyframes() const noexcept { return keyframes; }

  /// Not paused: flies from keyframe `legIndex` + 1 on (from the start when stopped).
  /// Paused: flies the interrupted leg again from the current pose over its remaining time.
  /// With no keyframes, or one, it completes at once.
  void startFlight(ViewerImpl& viewer) override;
  /// Records the frame time of the pause; a second pause keeps the first time.
  void pauseFlight(const ViewerImpl& viewer) override;
  void stopFlight() override;

  /// Index of the keyframe the current leg starts from; −1 before the first leg.
  int getLegIndex() const noexcept { return legIndex; }
  bool isPaused() const noexcept { return paused; }

 private:
  void flyToKeyframe(ViewerImpl& viewer, int index, double elapsed);
  void updateProgress(const std::chrono::steady_clock::time_point& now);

  std::vector<Keyframe> keyframes;
  int legIndex = -1;
  std::chrono::steady_clock::time_point legStart{};
  std::chrono::steady_clock::time_point pauseTime{};
  bool paused = false;
};

}  // namespace qel
