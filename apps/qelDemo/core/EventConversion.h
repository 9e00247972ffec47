#pragma once

#include <cstdint>
#include <optional>

#include "Viewer/GUIEventAdapter.h"

namespace osgGA {
class GUIEventAdapter;
}

namespace qel::demo {

/// Wheel units of one notch of a mouse wheel: the common Windows-era convention the
/// manipulator's zoom speed is tuned for.
inline constexpr float kWheelUnitsPerNotch = 120.0f;

/// Converts one event of the windowing toolkit into the host's input record, the way the
/// library expects it:
/// - the same kinds (push, release, double click, drag, move, key down, key up, scroll);
///   frames, resizes, window closing and pen events give no record (the host makes its
///   own frame events, the window code handles the rest);
/// - the same button numbers (1 left, 2 middle, 4 right) and button masks;
/// - pointer positions in window pixels with the origin at the top left, whatever
///   orientation and input range the toolkit reports them in;
/// - one wheel notch is 120 units, positive when the wheel turns away from the user
///   (scroll up, zoom in); sideways scrolling gives no record;
/// - keys: letters lower-cased, special keys as their X11 key symbols, the key as typed
///   without modifiers (Control+A is 'a', Shift+1 is '1');
/// - modifiers as ModKey bits (left and right keys alike). The "no modifier" bit is the
///   host viewer's to add when it queues a key event.
std::optional<GUIEventAdapter> convertEvent(const osgGA::GUIEventAdapter& event);

/// The toolkit's modifier mask as ModKey bits (Shift, Control, Alt; others dropped).
std::int32_t convertModifiers(unsigned int toolkitMask) noexcept;

/// The host key code of a toolkit key (`key`, and `unmodifiedKey` when the toolkit knows
/// the key without its modifiers, 0 otherwise).
std::int32_t convertKey(int key, int unmodifiedKey) noexcept;

}  // namespace qel::demo
