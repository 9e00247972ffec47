#include "Viewer/GUIEventAdapter.h"

#include <cstddef>
#include <mutex>
#include <utility>

#include "Viewer/KeyCodes.h"

namespace qel {

namespace {

// Navigation bits the manipulator understands (what each one moves is the manipulator's
// business; the table only says which key drives which bit).
constexpr std::int32_t kPanForward = 0x1;
constexpr std::int32_t kPanBackward = 0x2;
constexpr std::int32_t kPanLeft = 0x4;
constexpr std::int32_t kPanRight = 0x8;
// The turn bits turn the camera about a vertical axis by a positive angle about the
// downward direction: 0x10 and 0x100 turn the view clockwise seen from above (to the
// right), 0x20 and 0x200 to the left.
constexpr std::int32_t kTurnAboutCentreRight = 0x10;
constexpr std::int32_t kTurnAboutCentreLeft = 0x20;
constexpr std::int32_t kTiltAboutCentreUp = 0x40;
constexpr std::int32_t kTiltAboutCentreDown = 0x80;
constexpr std::int32_t kTurnInPlaceRight = 0x100;
constexpr std::int32_t kTurnInPlaceLeft = 0x200;
constexpr std::int32_t kTiltInPlaceUp = 0x400;
constexpr std::int32_t kTiltInPlaceDown = 0x800;
constexpr std::int32_t kMoveEyeForward = 0x1000;
constexpr std::int32_t kMoveEyeBackward = 0x2000;
constexpr std::int32_t kMoveEyeLeft = 0x4000;
constexpr std::int32_t kMoveEyeRight = 0x8000;
constexpr std::int32_t kMoveEyeUp = 0x10000;
constexpr std::int32_t kMoveEyeDown = 0x20000;

// Row masks. A plain row only matches events that carry ModKey::None (the viewer adds it
// when no modifier is held), a Shift row only Shift events, and a row with mask 0 any
// event of its key. Giving every key either one "any" row or at most one plain and one
// Shift row means no modifier combination can set two bits at once.
constexpr std::int32_t kPlain = ModKey::None;
constexpr std::int32_t kShift = ModKey::Shift;
constexpr std::int32_t kAnyModifiers = 0;

std::vector<GUIEventAdapter::KeyNaviItem> makeDefaultTable() {
  using Item = GUIEventAdapter::KeyNaviItem;
  return {
      // Arrows: pan over the globe; with Shift, turn and tilt about the navigation centre.
      Item{kPanForward, Key::Up, kPlain},
      Item{kTiltAboutCentreUp, Key::Up, kShift},
      Item{kPanBackward, Key::Down, kPlain},
      Item{kTiltAboutCentreDown, Key::Down, kShift},
      Item{kPanLeft, Key::Left, kPlain},
      Item{kTurnAboutCentreLeft, Key::Left, kShift},
      Item{kPanRight, Key::Right, kPlain},
      Item{kTurnAboutCentreRight, Key::Right, kShift},
      // w/a/s/d: move the eye; with Shift, turn and tilt in place.
      Item{kMoveEyeForward, 'w', kPlain},
      Item{kTiltInPlaceUp, 'w', kShift},
      Item{kMoveEyeBackward, 's', kPlain},
      Item{kTiltInPlaceDown, 's', kShift},
      Item{kMoveEyeLeft, 'a', kPlain},
      Item{kTurnInPlaceLeft, 'a', kShift},
      Item{kMoveEyeRight, 'd', kPlain},
      Item{kTurnInPlaceRight, 'd', kShift},
      // q/e turn about the centre and PageUp/PageDown lift the eye, whatever is held.
      Item{kTurnAboutCentreLeft, 'q', kAnyModifiers},
      Item{kTurnAboutCentreRight, 'e', kAnyModifiers},
      Item{kMoveEyeUp, Key::PageUp, kAnyModifiers},
      Item{kMoveEyeDown, Key::PageDown, kAnyModifiers},
  };
}

// The process-wide table: read by the manipulator on the main thread for every key event,
// replaced by applications from any thread.
struct KeyNaviTable {
  std::mutex mutex;
  std::vector<GUIEventAdapter::KeyNaviItem> items = makeDefaultTable();
};

KeyNaviTable& keyNaviTable() {
  static KeyNaviTable table;
  return table;
}

GUIEventAdapter makePointerEvent(GUIEventAdapter::EventType type, float x, float y, std::uint32_t button,
                                 std::uint32_t mask) {
  GUIEventAdapter event;
  event.setEventType(type);
  event.setPosition(x, y);
  event.setButton(button);
  event.setButtonMask(mask);
  return event;
}

GUIEventAdapter makeKeyEvent(GUIEventAdapter::EventType type, std::int32_t key, std::int32_t modKeyMask) {
  GUIEventAdapter event;
  event.setEventType(type);
  event.setKey(key);
  event.setModKeyMask(modKeyMask);
  return event;
}

}  // namespace

GUIEventAdapter GUIEventAdapter::makeFrame() {
  GUIEventAdapter event;
  event.setEventType(FRAME);
  return event;
}

GUIEventAdapter GUIEventAdapter::makePush(float x, float y, std::uint32_t button) {
  // The mask holds the buttons down after the change: the pressed one.
  return makePointerEvent(PUSH, x, y, button, button);
}

GUIEventAdapter GUIEventAdapter::makeRelease(float x, float y, std::uint32_t button) {
  // After a release no button is held (the host tracks one gesture at a time).
  return makePointerEvent(RELEASE, x, y, button, 0);
}

GUIEventAdapter GUIEventAdapter::makeDoubleClick(float x, float y, std::uint32_t button) {
  return makePointerEvent(DOUBLECLICK, x, y, button, button);
}

GUIEventAdapter GUIEventAdapter::makeDrag(float x, float y, std::uint32_t buttonMask) {
  return makePointerEvent(DRAG, x, y, 0, buttonMask);
}

GUIEventAdapter GUIEventAdapter::makeMove(float x, float y) { return makePointerEvent(MOVE, x, y, 0, 0); }

GUIEventAdapter GUIEventAdapter::makeScroll(float x, float y, float delta) {
  GUIEventAdapter event = makePointerEvent(SCROLL, x, y, 0, 0);
  event.setScrollDelta(delta);
  return event;
}

GUIEventAdapter GUIEventAdapter::makeKeyDown(std::int32_t key, std::int32_t modKeyMask) {
  return makeKeyEvent(KEYDOWN, key, modKeyMask);
}

GUIEventAdapter GUIEventAdapter::makeKeyUp(std::int32_t key, std::int32_t modKeyMask) {
  return makeKeyEvent(KEYUP, key, modKeyMask);
}

int GUIEventAdapter::GetKeyNaviItemNum() {
  KeyNaviTable& table = keyNaviTable();
  std::lock_guard lock(table.mutex);
  return static_cast<int>(table.items.size());
}

GUIEventAdapter::KeyNaviItem GUIEventAdapter::GetKeyNaviItem(int index) {
  KeyNaviTable& table = keyNaviTable();
  std::lock_guard lock(table.mutex);
  // The table may have been replaced between the caller's count and this read: an
  // index past the end gets an empty row (bit 0), which moves nothing.
  if (index < 0 || static_cast<std::size_t>(index) >= table.items.size()) {
    return KeyNaviItem{};
  }
  return table.items[static_cast<std::size_t>(index)];
}

void GUIEventAdapter::SetKeyNaviTable(std::vector<KeyNaviItem> items) {
  KeyNaviTable& table = keyNaviTable();
  std::lock_guard lock(table.mutex);
  table.items = std::move(items);
}

void GUIEventAdapter::ResetKeyNaviTable() { SetKeyNaviTable(makeDefaultTable()); }

std::vector<GUIEventAdapter::KeyNaviItem> GUIEventAdapter::DefaultKeyNaviTable() { return makeDefaultTable(); }

}  // namespace qel
