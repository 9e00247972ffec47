#pragma once

namespace qel {

/// A linear RGBA colour, each channel in [0, 1].
struct Color {
  float red = 1.0f;
  float green = 1.0f;
  float blue = 1.0f;
  float alpha = 1.0f;
  constexpr bool operator==(const Color&) const noexcept = default;

  static const Color WHITE;
  static const Color RED;
  static const Color GREEN;
  static const Color BLUE;
  static const Color YELLOW;
  /// Black with alpha 0: draws nothing.
  static const Color TRANSPARENT;
};

inline constexpr Color Color::WHITE{1.0f, 1.0f, 1.0f, 1.0f};
inline constexpr Color Color::RED{1.0f, 0.0f, 0.0f, 1.0f};
inline constexpr Color Color::GREEN{0.0f, 1.0f, 0.0f, 1.0f};
inline constexpr Color Color::BLUE{0.0f, 0.0f, 1.0f, 1.0f};
inline constexpr Color Color::YELLOW{1.0f, 1.0f, 0.0f, 1.0f};
inline constexpr Color Color::TRANSPARENT{0.0f, 0.0f, 0.0f, 0.0f};

}  // namespace qel
