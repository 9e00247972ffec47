#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "Common/Vector2.h"
#include "Scene/DrawItem.h"

namespace qel {

/// What one frame drew, in submission order, and the window queries over it.
///
/// A pixel is covered by an item when the pixel's centre lies inside the item's
/// footprint (a box [x0, x1) × [y0, y1), within half the width of a line's window
/// path, or inside an area's window ring and outside its holes). An area's box must
/// hold its ring: the grid files items by their boxes. A window of pixels [left, left + width) × [top, top + height)
/// meets an item when one of its pixels is covered.
///
/// The queries use a grid over the viewport built at the first query after the list
/// changed, so that a pick costs about the items near the pointer rather than all of
/// them. Main thread only (the grid is built lazily inside const queries).
class DrawList {
 public:
  /// Empties the list and sets the viewport (pixels, ≥ 0) that the grid covers.
  void reset(int viewportWidth, int viewportHeight);
  void add(DrawItem item);
  /// A fresh item at the end of the list for the caller to fill in. Its strings and
  /// path reuse the storage of the item that held the slot in an earlier frame, so
  /// submitting a frame like the last one allocates nothing. Valid until the next
  /// `next`, `add` or `reset`.
  DrawItem& next();
  std::span<const DrawItem> items() const noexcept { return {items_.data(), count_}; }
  std::size_t size() const noexcept { return count_; }

  /// The item a pick of the window [x − ⌊w/2⌋, x − ⌊w/2⌋ + w) × (same in y) finds among
  /// the shown items (select-disabled ones included): the one nearest the window's
  /// centre, then nearest the eye, then the last submitted. Empty when nothing shown
  /// meets the window or w or h is not positive.
  std::optional<std::size_t> pick(const Vector2<int>& position, int width, int height) const;
  /// Every shown, selectable item meeting the window [left, left + width) × [top, top +
  /// height), in submission order. Empty when width or height is not positive.
  std::vector<std::size_t> rectangle(const Vector2<int>& topLeft, int width, int height) const;

  /// Exact tests shared with anyone who walks the items without the grid.
  /// Whether a pixel of the window box (pixel bounds) is covered by `item`.
  static bool meets(const DrawItem& item, const WindowBox& window) noexcept;
  /// Window distance (pixels, ≥ 0) from `point` to the item's footprint; 0 inside.
  static double distanceTo(const DrawItem& item, const Vector2<double>& point) noexcept;
  /// Whether `candidate` beats `best` for a pick centred at `centre`: nearer the centre,
  /// then nearer the eye, then submitted later (`candidateIndex` > `bestIndex`).
  static bool beats(const DrawItem& candidate, std::size_t candidateIndex, double candidateDistance,
                    const DrawItem& best, std::size_t bestIndex, double bestDistance) noexcept;

  /// Forgets the grid, so that the next query builds it again (measuring the build).
  void dropIndex() noexcept { indexed_ = false; }
  /// Test hook: how many times the grid has been built.
  std::size_t getIndexBuildCount() const noexcept { return indexBuilds_; }

 private:
  void buildIndex() const;
  // Calls `visit` (item index) once per item whose footprint may meet the window box.
  template <typename Visit>
  void forCandidates(const WindowBox& window, Visit&& visit) const;

  // Slots [0, count_) hold this frame's items; the rest are kept for their storage.
  std::vector<DrawItem> items_;
  std::size_t count_ = 0;
  int viewportWidth_ = 0;
  int viewportHeight_ = 0;

  // The grid: cells of kCellSize pixels; cellStart_[c]..cellStart_[c + 1] index into
  // cellItems_. Items reaching outside the viewport are also in outside_, checked by
  // every query whose window leaves the viewport.
  mutable bool indexed_ = false;
  mutable int columns_ = 0;
  mutable int rows_ = 0;
  mutable std::vector<std::uint32_t> cellStart_;
  mutable std::vector<std::uint32_t> cellItems_;
  mutable std::vector<std::uint32_t> outside_;
  // An item's cell range, kept between the two passes of the build.
  struct CellSpan {
    std::uint32_t item;
    int cx0, cy0, cx1, cy1;
  };
  mutable std::vector<CellSpan> spans_;
  mutable std::vector<std::uint32_t> seen_;
  mutable std::uint32_t stamp_ = 0;
  mutable std::size_t indexBuilds_ = 0;
};

}  // namespace qel
