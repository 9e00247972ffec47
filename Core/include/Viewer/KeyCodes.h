#pragma once

#include <cstdint>

namespace qel {

/// Key codes of key events: printable keys are their lower-case character codes, other
/// keys use the X11 keysym numbers (what the demo's windowing layer reports).
namespace Key {
inline constexpr std::int32_t BackSpace = 0xFF08;
inline constexpr std::int32_t Return = 0xFF0D;
inline constexpr std::int32_t Escape = 0xFF1B;
inline constexpr std::int32_t Home = 0xFF50;
inline constexpr std::int32_t Left = 0xFF51;
inline constexpr std::int32_t Up = 0xFF52;
inline constexpr std::int32_t Right = 0xFF53;
inline constexpr std::int32_t Down = 0xFF54;
inline constexpr std::int32_t PageUp = 0xFF55;
inline constexpr std::int32_t PageDown = 0xFF56;
inline constexpr std::int32_t Insert = 0xFF63;
inline constexpr std::int32_t F1 = 0xFFBE;
inline constexpr std::int32_t F2 = 0xFFBF;
inline constexpr std::int32_t F3 = 0xFFC0;
inline constexpr std::int32_t F4 = 0xFFC1;
inline constexpr std::int32_t F5 = 0xFFC2;
inline constexpr std::int32_t F6 = 0xFFC3;
inline constexpr std::int32_t F7 = 0xFFC4;
inline constexpr std::int32_t F8 = 0xFFC5;
inline constexpr std::int32_t F9 = 0xFFC6;
inline constexpr std::int32_t F10 = 0xFFC7;
inline constexpr std::int32_t F11 = 0xFFC8;
inline constexpr std::int32_t F12 = 0xFFC9;
inline constexpr std::int32_t ShiftL = 0xFFE1;
inline constexpr std::int32_t ShiftR = 0xFFE2;
inline constexpr std::int32_t ControlL = 0xFFE3;
inline constexpr std::int32_t ControlR = 0xFFE4;
inline constexpr std::int32_t AltL = 0xFFE9;
inline constexpr std::int32_t AltR = 0xFFEA;
inline constexpr std::int32_t Delete = 0xFFFF;
}  // namespace Key

/// Modifier bits of the event's modifier mask.
namespace ModKey {
inline constexpr std::int32_t Shift = 0x1;
inline constexpr std::int32_t Control = 0x2;
inline constexpr std::int32_t Alt = 0x4;
/// Set by the viewer on key events when none of Shift, Control and Alt is held, so that
/// the navigation table can tell a plain key from a modified one (a table row with
/// modifier mask 0 matches any modifiers).
inline constexpr std::int32_t None = 0x100;
}  // namespace ModKey

}  // namespace qel
