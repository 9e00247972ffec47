#pragma once

namespace qel {

/// A linear RGBA colour, each channel in [0, 1].
struct Color {
  float red = 1.0f;
  float green = 1.0f;
  float blue = 1.0f;
  float alpha = 1.0f;
  constexpr bool operator==(const Color&) const noexcept = default;
};

}  // namespace qel
