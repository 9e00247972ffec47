#pragma once

namespace qel {

/// A closed range of ray parameters [start, stop].
struct Interval {
  double start = 0.0;
  double stop = 0.0;
  constexpr bool operator==(const Interval&) const noexcept = default;
};

}  // namespace qel
