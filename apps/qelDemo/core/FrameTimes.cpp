#include "FrameTimes.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <numeric>
#include <ostream>

namespace qel::demo {

namespace {

constexpr double kPercentile99 = 0.99;
constexpr double kNsPerMs = 1e6;

double toMs(FrameTimes::Duration d) { return static_cast<double>(d.count()) / kNsPerMs; }

}  // namespace

void FrameTimes::add(Duration library, Duration hostFrame, Duration render) {
  library_.push_back(toMs(library));
  host_.push_back(toMs(hostFrame));
  render_.push_back(toMs(render));
  frame_.push_back(toMs(hostFrame + render));
}

FrameTimes::Summary FrameTimes::summarize(std::vector<double> samples) {
  Summary s;
  if (samples.empty()) return s;
  s.total = std::accumulate(samples.begin(), samples.end(), 0.0);
  std::sort(samples.begin(), samples.end());
  const std::size_t n = samples.size();
  s.median = n % 2 == 1 ? samples[n / 2] : 0.5 * (samples[n / 2 - 1] + samples[n / 2]);
  const auto rank = static_cast<std::size_t>(std::ceil(kPercentile99 * static_cast<double>(n)));
  s.p99 = samples[std::min(n, std::max<std::size_t>(rank, 1)) - 1];
  return s;
}

double FrameTimes::libraryShare() const {
  const double frame = summarize(frame_).total;
  return frame > 0.0 ? summarize(library_).total / frame : 0.0;
}

void FrameTimes::print(std::ostream& out) const {
  const auto row = [&](const char* name, const Summary& s, const char* includes) {
    out << "  " << std::left << std::setw(12) << name << std::right << std::setw(10) << s.median << std::setw(10)
        << s.p99 << "   " << includes << '\n';
  };
  const auto flags = out.flags();
  const auto precision = out.precision();
  out << std::fixed << std::setprecision(3);
  out << "Frame times over " << size() << " frames (ms):\n";
  out << "  " << std::left << std::setw(12) << "figure" << std::right << std::setw(10) << "median" << std::setw(10)
      << "p99"
      << "   includes\n";
  row("library", library(), "globe manipulator calls (with the host picks they make)");
  row("host frame", hostFrame(), "ViewerImpl::frame() without drawing: library + viewer loop + scene");
  row("render", render(), "OpenSceneGraph update + draw (software GL here), mesh, HUD");
  row("frame", frame(), "host frame + render");
  out << std::setprecision(4) << "Library share of the frame: " << 100.0 * libraryShare() << " % (total time)\n";
  out.flags(flags);
  out.precision(precision);
}

}  // namespace qel::demo
