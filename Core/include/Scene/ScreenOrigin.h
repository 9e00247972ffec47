#pragma once

#include <cstdint>

namespace qel {

/// Which side of a billboard or label stands on its anchor, left to right.
enum class HorizontalOrigin : std::int8_t { Center = 0, Left = 1, Right = -1 };
/// Which side of a billboard or label stands on its anchor, top to bottom: a bottom
/// origin puts the image above the anchor (window y grows downwards).
enum class VerticalOrigin : std::int8_t { Center = 0, Bottom = 1, Baseline = 2, Top = -1 };

/// Left edge (pixels) of a box `width` wide whose `origin` side stands at `anchorX`.
double boxLeft(HorizontalOrigin origin, double anchorX, double width) noexcept;
/// Top edge (pixels) of a box `height` high whose `origin` side stands at `anchorY`.
double boxTop(VerticalOrigin origin, double anchorY, double height) noexcept;

}  // namespace qel
