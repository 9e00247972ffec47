#pragma once

#include <cstdint>
#include <vector>

#include "Viewer/Event.h"

namespace qel {

/// One input or frame event as the viewer delivers it to its handlers.
class GUIEventAdapter : public Event {
 public:
  /// Event kinds (one per event).
  enum EventType : std::uint32_t {
    NONE = 0,
    PUSH = 1,
    RELEASE = 2,
    DOUBLECLICK = 4,
    DRAG = 8,
    MOVE = 16,
    KEYDOWN = 32,
    KEYUP = 64,
    FRAME = 128,
    SCROLL = 512,
  };
  /// Mouse buttons: the button that changed, and the bits of the mask held during a drag.
  enum MouseButton : std::uint32_t {
    LEFT_MOUSE_BUTTON = 1,
    MIDDLE_MOUSE_BUTTON = 2,
    RIGHT_MOUSE_BUTTON = 4,
  };

  /// One row of the navigation key table: a navigation bit, the key code, and the
  /// modifier mask (0 or less: any modifiers; otherwise the event's modifiers must
  /// share a bit with it).
  struct KeyNaviItem {
    std::int32_t naviBit = 0;
    std::int32_t key = 0;
    std::int32_t modMask = 0;
  };

  GUIEventAdapter() = default;

  static GUIEventAdapter makeFrame();
  static GUIEventAdapter makePush(float x, float y, std::uint32_t button);
  static GUIEventAdapter makeRelease(float x, float y, std::uint32_t button);
  static GUIEventAdapter makeDoubleClick(float x, float y, std::uint32_t button);
  static GUIEventAdapter makeDrag(float x, float y, std::uint32_t buttonMask);
  static GUIEventAdapter makeMove(float x, float y);
  static GUIEventAdapter makeScroll(float x, float y, float delta);
  static GUIEventAdapter makeKeyDown(std::int32_t key, std::int32_t modKeyMask);
  static GUIEventAdapter makeKeyUp(std::int32_t key, std::int32_t modKeyMask);

  std::uint32_t getEventType() const noexcept { return eventType_; }
  void setEventType(std::uint32_t type) noexcept { eventType_ = type; }
  std::uint32_t getButton() const noexcept { return button_; }
  void setButton(std::uint32_t button) noexcept { button_ = button; }
  std::uint32_t getButtonMask() const noexcept { return buttonMask_; }
  void setButtonMask(std::uint32_t mask) noexcept { buttonMask_ = mask; }
  std::int32_t getKey() const noexcept { return key_; }
  void setKey(std::int32_t key) noexcept { key_ = key; }
  std::int32_t getModKeyMask() const noexcept { return modKeyMask_; }
  void setModKeyMask(std::int32_t mask) noexcept { modKeyMask_ = mask; }
  float getX() const noexcept { return x_; }
  float getY() const noexcept { return y_; }
  void setPosition(float x, float y) noexcept {
    x_ = x;
    y_ = y;
  }
  /// Wheel delta (positive: away from the user, zooming in).
  float getScrollDelta() const noexcept { return scrollDelta_; }
  void setScrollDelta(float delta) noexcept { scrollDelta_ = delta; }

  /// Set by the viewer once a handler has used the event; later handlers ignore it.
  bool getHandled() const noexcept { return handled_; }
  void setHandled(bool handled) const noexcept { handled_ = handled; }

  /// The host's navigation key table.
  static int GetKeyNaviItemNum();
  static KeyNaviItem GetKeyNaviItem(int index);
  /// Replaces the table (the default layout is restored by `ResetKeyNaviTable`).
  static void SetKeyNaviTable(std::vector<KeyNaviItem> table);
  static void ResetKeyNaviTable();
  static std::vector<KeyNaviItem> DefaultKeyNaviTable();

 private:
  std::uint32_t eventType_ = NONE;
  std::uint32_t button_ = 0;
  std::uint32_t buttonMask_ = 0;
  std::int32_t key_ = 0;
  std::int32_t modKeyMask_ = 0;
  float x_ = 0.0f;
  float y_ = 0.0f;
  float scrollDelta_ = 0.0f;
  mutable bool handled_ = false;
};

}  // namespace qel
