#pragma once

namespace qel {

/// A window rectangle in pixels, origin top left: corners (x0, y0) and (x1, y1).
struct Viewport {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;
  constexpr int width() const noexcept { return x1 - x0; }
  constexpr int height() const noexcept { return y1 - y0; }
  constexpr bool isEmpty() const noexcept { return width() <= 0 || height() <= 0; }
  constexpr bool operator==(const Viewport&) const noexcept = default;
};

}  // namespace qel
