#pragma once

#include <cstddef>
#include <vector>

#include "Common/Cartographic.h"
#include "Common/Ellipsoid.h"
#include "Common/Vector3.h"

namespace qel {

/// The fixed-frame points of a list of geographic positions, remembered by index.
///
/// Handles are rewritten from their positions every frame of a drag, yet a drag moves
/// one vertex and its two middle points: remembering the last conversion per index
/// leaves three conversions per frame instead of one per handle. A position that
/// differs in any bit from the remembered one is converted again, so the result is
/// always exactly `Ellipsoid::WGS84.cartographicToCartesian` of the position given.
class CartesianMemo {
 public:
  /// Keeps the first `count` entries; new ones convert on first use.
  void resize(std::size_t count) { entries_.resize(count); }

  /// The WGS84 point of `position`, held as entry `index` (< the size set by `resize`).
  const Vector3<double>& at(std::size_t index, const Cartographic& position) {
    update(index, position);
    return entries_[index].point;
  }

  /// Makes entry `index` the point of `position`; true when it was converted (the
  /// entry was new or held another position), so that a caller keeping copies of the
  /// points knows which to rewrite.
  bool update(std::size_t index, const Cartographic& position) {
    Entry& entry = entries_[index];
    if (entry.valid && entry.source == position) return false;
    entry.source = position;
    entry.point = Ellipsoid::WGS84.cartographicToCartesian(position);
    entry.valid = true;
    return true;
  }

  /// The point held as entry `index`, as the last `at` or `update` of it left it.
  const Vector3<double>& operator[](std::size_t index) const noexcept { return entries_[index].point; }

 private:
  struct Entry {
    Cartographic source;
    Vector3<double> point;
    bool valid = false;
  };
  std::vector<Entry> entries_;
};

}  // namespace qel
