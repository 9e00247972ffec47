#pragma once

#include <chrono>
#include <iosfwd>
#include <vector>

namespace qel::demo {

/// Per-frame timings of the demo, split by who spends the time:
/// - library: inside the globe manipulator's calls (input and frame events, keyboard
///   step, camera update), host picks it asks for included (see TimingManipulator);
/// - host frame: the whole `ViewerImpl::frame()` except its render callback, that is the
///   library plus the viewer loop and the scene's frame work;
/// - render: the render callback, i.e. the OpenSceneGraph update and draw traversals,
///   mesh refinement and the heads-up display (screenshots are taken outside frames and
///   are not counted);
/// - frame: host frame + render.
class FrameTimes {
 public:
  using Duration = std::chrono::nanoseconds;

  void add(Duration library, Duration hostFrame, Duration render);
  std::size_t size() const noexcept { return library_.size(); }

  struct Summary {
    double median = 0.0;  // milliseconds
    double p99 = 0.0;     // milliseconds
    double total = 0.0;   // milliseconds
  };
  Summary library() const { return summarize(library_); }
  Summary hostFrame() const { return summarize(host_); }
  Summary render() const { return summarize(render_); }
  Summary frame() const { return summarize(frame_); }
  /// The library's time over the whole frames' time (0 with no frames).
  double libraryShare() const;

  /// A small table: median and p99 of each figure, and the library's share.
  void print(std::ostream& out) const;

  /// Median and 99th percentile (nearest rank) of samples in milliseconds.
  static Summary summarize(std::vector<double> samplesMs);

 private:
  std::vector<double> library_;
  std::vector<double> host_;
  std::vector<double> render_;
  std::vector<double> frame_;
};

}  // namespace qel::demo
