#include "EventConversion.h"

#include <osgGA/GUIEventAdapter>

#include "Viewer/KeyCodes.h"

namespace qel::demo {

namespace {

using ToolkitEvent = osgGA::GUIEventAdapter;

// Control characters the toolkit reports for Control+letter when it has no unmodified
// key: 1 is Control+A, 26 Control+Z.
constexpr int kFirstControlLetter = 1;
constexpr int kLastControlLetter = 26;
// Control characters that are real keys on their own (backspace, tab, return) and must
// not be read as Control+letter.
constexpr int kBackspace = 8;
constexpr int kTab = 9;
constexpr int kReturn = 13;

std::optional<GUIEventAdapter::EventType> convertKind(ToolkitEvent::EventType type) noexcept {
  switch (type) {
    case ToolkitEvent::PUSH: return GUIEventAdapter::PUSH;
    case ToolkitEvent::RELEASE: return GUIEventAdapter::RELEASE;
    case ToolkitEvent::DOUBLECLICK: return GUIEventAdapter::DOUBLECLICK;
    case ToolkitEvent::DRAG: return GUIEventAdapter::DRAG;
    case ToolkitEvent::MOVE: return GUIEventAdapter::MOVE;
    case ToolkitEvent::KEYDOWN: return GUIEventAdapter::KEYDOWN;
    case ToolkitEvent::KEYUP: return GUIEventAdapter::KEYUP;
    case ToolkitEvent::SCROLL: return GUIEventAdapter::SCROLL;
    default: return std::nullopt;
  }
}

// Only the three buttons the host knows; a fourth button or a wheel "button" is dropped.
std::uint32_t convertButtons(unsigned int toolkitButtons) noexcept {
  std::uint32_t mask = 0;
  if (toolkitButtons & ToolkitEvent::LEFT_MOUSE_BUTTON) mask |= GUIEventAdapter::LEFT_MOUSE_BUTTON;
  if (toolkitButtons & ToolkitEvent::MIDDLE_MOUSE_BUTTON) mask |= GUIEventAdapter::MIDDLE_MOUSE_BUTTON;
  if (toolkitButtons & ToolkitEvent::RIGHT_MOUSE_BUTTON) mask |= GUIEventAdapter::RIGHT_MOUSE_BUTTON;
  return mask;
}

// One axis from the toolkit's input range to window pixels. With no usable range the
// coordinate is taken as pixels already.
float toPixels(float value, float min, float max, int windowSize, bool flip) noexcept {
  const float range = max - min;
  if (!(range > 0.0f)) {
    return value;
  }
  const float size = windowSize > 0 ? static_cast<float>(windowSize) : range;
  const float t = flip ? (max - value) / range : (value - min) / range;
  return t * size;
}

std::optional<float> convertScroll(const ToolkitEvent& event) noexcept {
  switch (event.getScrollingMotion()) {
    case ToolkitEvent::SCROLL_UP: return kWheelUnitsPerNotch;
    case ToolkitEvent::SCROLL_DOWN: return -kWheelUnitsPerNotch;
    case ToolkitEvent::SCROLL_2D: {
      // Touch pads report fractions of a notch, positive upwards like the wheel.
      const float dy = event.getScrollingDeltaY();
      if (dy == 0.0f) return std::nullopt;
      return dy * kWheelUnitsPerNotch;
    }
    default: return std::nullopt;
  }
}

}  // namespace

std::int32_t convertModifiers(unsigned int toolkitMask) noexcept {
  std::int32_t mods = 0;
  if (toolkitMask & ToolkitEvent::MODKEY_SHIFT) mods |= ModKey::Shift;
  if (toolkitMask & ToolkitEvent::MODKEY_CTRL) mods |= ModKey::Control;
  if (toolkitMask & ToolkitEvent::MODKEY_ALT) mods |= ModKey::Alt;
  return mods;
}

std::int32_t convertKey(int key, int unmodifiedKey) noexcept {
  int code = unmodifiedKey > 0 ? unmodifiedKey : key;
  if (code >= 'A' && code <= 'Z') {
    code += 'a' - 'A';
  } else if (code >= kFirstControlLetter && code <= kLastControlLetter && code != kBackspace && code != kTab &&
             code != kReturn) {
    code = 'a' + (code - kFirstControlLetter);
  }
  return static_cast<std::int32_t>(code);
}

std::optional<GUIEventAdapter> convertEvent(const ToolkitEvent& event) {
  const auto kind = convertKind(event.getEventType());
  if (!kind) {
    return std::nullopt;
  }
  GUIEventAdapter out;
  out.setEventType(*kind);
  out.setModKeyMask(convertModifiers(event.getModKeyMask()));

  if (*kind == GUIEventAdapter::KEYDOWN || *kind == GUIEventAdapter::KEYUP) {
    const std::int32_t key = convertKey(event.getKey(), event.getUnmodifiedKey());
    if (key <= 0) {
      return std::nullopt;
    }
    out.setKey(key);
    return out;
  }

  const bool yUp = event.getMouseYOrientation() == ToolkitEvent::Y_INCREASING_UPWARDS;
  out.setPosition(toPixels(event.getX(), event.getXmin(), event.getXmax(), event.getWindowWidth(), false),
                  toPixels(event.getY(), event.getYmin(), event.getYmax(), event.getWindowHeight(), yUp));

  switch (*kind) {
    case GUIEventAdapter::PUSH:
    case GUIEventAdapter::DOUBLECLICK: {
      const std::uint32_t button = convertButtons(static_cast<unsigned int>(event.getButton()));
      if (button == 0) return std::nullopt;
      out.setButton(button);
      // The buttons held after the change, the pressed one included.
      out.setButtonMask(convertButtons(event.getButtonMask()) | button);
      break;
    }
    case GUIEventAdapter::RELEASE: {
      const std::uint32_t button = convertButtons(static_cast<unsigned int>(event.getButton()));
      if (button == 0) return std::nullopt;
      out.setButton(button);
      out.setButtonMask(convertButtons(event.getButtonMask()) & ~button);
      break;
    }
    case GUIEventAdapter::DRAG: {
      const std::uint32_t mask = convertButtons(event.getButtonMask());
      if (mask == 0) return std::nullopt;
      out.setButtonMask(mask);
      break;
    }
    case GUIEventAdapter::SCROLL: {
      const auto delta = convertScroll(event);
      if (!delta) return std::nullopt;
      out.setScrollDelta(*delta);
      break;
    }
    default: break;
  }
  return out;
}

}  // namespace qel::demo
