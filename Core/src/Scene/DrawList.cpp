#include "Scene/DrawList.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qel {
namespace {

// Side of a grid cell (pixels): about the size of a handle or a short label, so that a
// 10 × 10 pick meets one to four cells and a cell holds few items of a crowded view.
constexpr double kCellSize = 32.0;

// The grid cell (column or row) holding window coordinate `v`, clamped to [0, last].
// Clamping before the conversion keeps huge or infinite coordinates defined, and on the
// clamped, non-negative value truncation is the floor.
int cellOf(double v, int last) noexcept {
  return static_cast<int>(std::clamp(v / kCellSize, 0.0, static_cast<double>(last)));
}

// Where the pixel centres of a window of pixels lie: the first and last centre.
WindowBox centresOf(const WindowBox& window) noexcept {
  return {window.x0 + 0.5, window.y0 + 0.5, window.x1 - 0.5, window.y1 - 0.5};
}

double distanceToBox(const Vector2<double>& p, const WindowBox& b) noexcept {
  const double dx = std::max({b.x0 - p.x, 0.0, p.x - b.x1});
  const double dy = std::max({b.y0 - p.y, 0.0, p.y - b.y1});
  return std::hypot(dx, dy);
}

double distanceToSegment(const Vector2<double>& p, const Vector2<double>& a, const Vector2<double>& b) noexcept {
  const double ex = b.x - a.x;
  const double ey = b.y - a.y;
  const double lengthSquared = ex * ex + ey * ey;
  double t = lengthSquared > 0.0 ? ((p.x - a.x) * ex + (p.y - a.y) * ey) / lengthSquared : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * ex), p.y - (a.y + t * ey));
}

// Whether the segment a–b passes through the closed box c (Liang–Barsky clipping).
bool segmentCrossesBox(const Vector2<double>& a, const Vector2<double>& b, const WindowBox& c) noexcept {
  double t0 = 0.0;
  double t1 = 1.0;
  const double d[2] = {b.x - a.x, b.y - a.y};
  const double lo[2] = {c.x0 - a.x, c.y0 - a.y};
  const double hi[2] = {c.x1 - a.x, c.y1 - a.y};
  for (int axis = 0; axis < 2; ++axis) {
    if (d[axis] == 0.0) {
      if (lo[axis] > 0.0 || hi[axis] < 0.0) return false;
      continue;
    }
    double ta = lo[axis] / d[axis];
    double tb = hi[axis] / d[axis];
    if (ta > tb) std::swap(ta, tb);
    t0 = std::max(t0, ta);
    t1 = std::min(t1, tb);
    if (t0 > t1) return false;
  }
  return true;
}

double segmentToBox(const Vector2<double>& a, const Vector2<double>& b, const WindowBox& c) noexcept {
  if (segmentCrossesBox(a, b, c)) return 0.0;
  double best = std::min(distanceToBox(a, c), distanceToBox(b, c));
  const Vector2<double> corners[4] = {{c.x0, c.y0}, {c.x1, c.y0}, {c.x0, c.y1}, {c.x1, c.y1}};
  for (const Vector2<double>& corner : corners) best = std::min(best, distanceToSegment(corner, a, b));
  return best;
}

// Each edge of a ring closed from its last vertex back to its first.
template <typename Visit>
void forRingEdges(const std::vector<Vector2<double>>& ring, Visit&& visit) {
  if (ring.size() < 2) return;
  for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) visit(ring[j], ring[i]);
}

// Even-odd rule over the outer ring and the holes: a point inside a hole is outside.
bool insideArea(const DrawItem& item, const Vector2<double>& p) noexcept {
  bool inside = false;
  const auto cross = [&](const Vector2<double>& a, const Vector2<double>& b) {
    if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) inside = !inside;
  };
  if (item.path.size() < 3) return false;
  forRingEdges(item.path, cross);
  for (const std::vector<Vector2<double>>& hole : item.holes()) forRingEdges(hole, cross);
  return inside;
}

bool areaMeets(const DrawItem& item, const WindowBox& c) noexcept {
  if (item.path.size() < 3) return false;
  // A boundary through the box has inside points on one of its sides within the box;
  // otherwise the box lies wholly on one side and its centre tells which.
  bool crossing = false;
  const auto test = [&](const Vector2<double>& a, const Vector2<double>& b) {
    crossing = crossing || segmentCrossesBox(a, b, c);
  };
  forRingEdges(item.path, test);
  for (const std::vector<Vector2<double>>& hole : item.holes()) forRingEdges(hole, test);
  return crossing || insideArea(item, {0.5 * (c.x0 + c.x1), 0.5 * (c.y0 + c.y1)});
}

double distanceToArea(const DrawItem& item, const Vector2<double>& point) noexcept {
  if (insideArea(item, point)) return 0.0;
  double best = std::numeric_limits<double>::infinity();
  const auto edge = [&](const Vector2<double>& a, const Vector2<double>& b) {
    best = std::min(best, distanceToSegment(point, a, b));
  };
  forRingEdges(item.path, edge);
  for (const std::vector<Vector2<double>>& hole : item.holes()) forRingEdges(hole, edge);
  return best;
}

WindowBox pickWindow(const Vector2<int>& position, int width, int height) noexcept {
  const double left = static_cast<double>(position.x) - std::floor(width / 2.0);
  const double top = static_cast<double>(position.y) - std::floor(height / 2.0);
  return {left, top, left + width, top + height};
}

}  // namespace

void DrawList::reset(int viewportWidth, int viewportHeight) {
  // The items stay allocated: the next frame rewrites them in place (see `next`).
  count_ = 0;
  viewportWidth_ = std::max(viewportWidth, 0);
  viewportHeight_ = std::max(viewportHeight, 0);
  indexed_ = false;
}

void DrawList::add(DrawItem item) { next() = std::move(item); }

DrawItem& DrawList::next() {
  indexed_ = false;
  if (count_ == items_.size()) {
    ++count_;
    return items_.emplace_back();
  }
  DrawItem& item = items_[count_++];
  // A frame submits about what the last one did, so after the first frames the
  // recycled buffers suffice and nothing allocates.
  item.clear();
  return item;
}

bool DrawList::meets(const DrawItem& item, const WindowBox& window) noexcept {
  if (!(window.x1 > window.x0) || !(window.y1 > window.y0)) return false;
  const WindowBox c = centresOf(window);
  if (item.kind == DrawKind::Area) return areaMeets(item, c);
  if (item.path.empty()) {
    return item.box.x1 > c.x0 && item.box.x0 <= c.x1 && item.box.y1 > c.y0 && item.box.y0 <= c.y1;
  }
  if (item.path.size() == 1) return distanceToBox(item.path.front(), c) < item.halfWidth;
  for (std::size_t i = 1; i < item.path.size(); ++i) {
    if (segmentToBox(item.path[i - 1], item.path[i], c) < item.halfWidth) return true;
  }
  return false;
}

double DrawList::distanceTo(const DrawItem& item, const Vector2<double>& point) noexcept {
  if (item.kind == DrawKind::Area) return distanceToArea(item, point);
  if (item.path.empty()) return distanceToBox(point, item.box);
  double best = std::numeric_limits<double>::infinity();
  if (item.path.size() == 1) best = std::hypot(point.x - item.path[0].x, point.y - item.path[0].y);
  for (std::size_t i = 1; i < item.path.size(); ++i) {
    best = std::min(best, distanceToSegment(point, item.path[i - 1], item.path[i]));
  }
  return std::max(best - item.halfWidth, 0.0);
}

bool DrawList::beats(const DrawItem& candidate, std::size_t candidateIndex, double candidateDistance,
                     const DrawItem& best, std::size_t bestIndex, double bestDistance) noexcept {
  if (candidateDistance != bestDistance) return candidateDistance < bestDistance;
  if (candidate.depth != best.depth) return candidate.depth < best.depth;
  return candidateIndex > bestIndex;
}

void DrawList::buildIndex() const {
  ++indexBuilds_;
  columns_ = std::max(1, static_cast<int>(std::ceil(viewportWidth_ / kCellSize)));
  rows_ = std::max(1, static_cast<int>(std::ceil(viewportHeight_ / kCellSize)));
  const std::size_t cells = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
  cellStart_.assign(cells + 1, 0);
  outside_.clear();
  seen_.assign(count_, 0);
  stamp_ = 0;

  // Counting sort. The first pass reads each item once, counts its cells and keeps its
  // cell range in a small record; the second places the items from those records alone.
  // A frame of many handles lists more items than the cache holds: reading them twice
  // would cost twice the memory traffic.
  spans_.clear();
  for (std::size_t i = 0; i < count_; ++i) {
    const DrawItem& item = items_[i];
    if (!item.shown) continue;
    const WindowBox& b = item.box;
    if (!(b.x0 >= 0.0 && b.y0 >= 0.0 && b.x1 <= viewportWidth_ && b.y1 <= viewportHeight_)) {
      outside_.push_back(static_cast<std::uint32_t>(i));
    }
    if (!(b.x1 > 0.0) || !(b.y1 > 0.0) || !(b.x0 < viewportWidth_) || !(b.y0 < viewportHeight_)) continue;
    const CellSpan span{static_cast<std::uint32_t>(i), cellOf(b.x0, columns_ - 1), cellOf(b.y0, rows_ - 1),
                        cellOf(b.x1, columns_ - 1), cellOf(b.y1, rows_ - 1)};
    for (int cy = span.cy0; cy <= span.cy1; ++cy) {
      for (int cx = span.cx0; cx <= span.cx1; ++cx) ++cellStart_[static_cast<std::size_t>(cy) * columns_ + cx + 1];
    }
    spans_.push_back(span);
  }
  for (std::size_t c = 0; c < cells; ++c) cellStart_[c + 1] += cellStart_[c];
  cellItems_.resize(cellStart_[cells]);
  for (const CellSpan& span : spans_) {
    for (int cy = span.cy0; cy <= span.cy1; ++cy) {
      for (int cx = span.cx0; cx <= span.cx1; ++cx) {
        cellItems_[cellStart_[static_cast<std::size_t>(cy) * columns_ + cx]++] = span.item;
      }
    }
  }
  // Placing advanced each start to the next cell's start: shift them back.
  for (std::size_t c = cells; c > 0; --c) cellStart_[c] = cellStart_[c - 1];
  cellStart_[0] = 0;
  indexed_ = true;
}

template <typename Visit>
void DrawList::forCandidates(const WindowBox& window, Visit&& visit) const {
  if (!indexed_) buildIndex();
  if (++stamp_ == 0) {
    std::fill(seen_.begin(), seen_.end(), 0);
    stamp_ = 1;
  }
  const auto once = [&](std::uint32_t i) {
    if (seen_[i] == stamp_) return;
    seen_[i] = stamp_;
    visit(static_cast<std::size_t>(i));
  };
  const bool leaves =
      !(window.x0 >= 0.0 && window.y0 >= 0.0 && window.x1 <= viewportWidth_ && window.y1 <= viewportHeight_);
  if (leaves) {
    for (std::uint32_t i : outside_) once(i);
  }
  if (window.x1 > 0.0 && window.y1 > 0.0 && window.x0 < viewportWidth_ && window.y0 < viewportHeight_) {
    const int cx0 = cellOf(window.x0, columns_ - 1);
    const int cy0 = cellOf(window.y0, rows_ - 1);
    const int cx1 = cellOf(window.x1, columns_ - 1);
    const int cy1 = cellOf(window.y1, rows_ - 1);
    for (int cy = cy0; cy <= cy1; ++cy) {
      for (int cx = cx0; cx <= cx1; ++cx) {
        const std::size_t cell = static_cast<std::size_t>(cy) * columns_ + cx;
        for (std::uint32_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k) once(cellItems_[k]);
      }
    }
  }
}

std::optional<std::size_t> DrawList::pick(const Vector2<int>& position, int width, int height) const {
  if (width <= 0 || height <= 0 || count_ == 0) return std::nullopt;
  const WindowBox window = pickWindow(position, width, height);
  const Vector2<double> centre{0.5 * (window.x0 + window.x1), 0.5 * (window.y0 + window.y1)};
  std::optional<std::size_t> best;
  double bestDistance = 0.0;
  forCandidates(window, [&](std::size_t i) {
    const DrawItem& item = items_[i];
    if (!item.shown || !meets(item, window)) return;
    const double distance = distanceTo(item, centre);
    if (!best || beats(item, i, distance, items_[*best], *best, bestDistance)) {
      best = i;
      bestDistance = distance;
    }
  });
  return best;
}

std::vector<std::size_t> DrawList::rectangle(const Vector2<int>& topLeft, int width, int height) const {
  std::vector<std::size_t> found;
  if (width <= 0 || height <= 0 || count_ == 0) return found;
  const WindowBox window{static_cast<double>(topLeft.x), static_cast<double>(topLeft.y),
                         static_cast<double>(topLeft.x) + width, static_cast<double>(topLeft.y) + height};
  forCandidates(window, [&](std::size_t i) {
    const DrawItem& item = items_[i];
    if (item.shown && item.selectable && meets(item, window)) found.push_back(i);
  });
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace qel
