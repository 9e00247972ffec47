// The window's events must reach the library exactly as the host's own records would:
// same kinds, buttons, masks, pixel positions (origin top left), wheel units, keys and
// modifier bits.
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <osg/ref_ptr>
#include <osgGA/GUIEventAdapter>

#include "EventConversion.h"
#include "Viewer/GUIEventAdapter.h"
#include "Viewer/KeyCodes.h"

namespace {

using ToolkitEvent = osgGA::GUIEventAdapter;
using qel::GUIEventAdapter;
namespace Key = qel::Key;
namespace ModKey = qel::ModKey;

// The window of every case: 640 × 400 pixels, the toolkit's default input range and
// orientation (y grows upwards).
constexpr int kWidth = 640;
constexpr int kHeight = 400;

struct Case {
  std::string name;
  // The toolkit's event.
  ToolkitEvent::EventType type = ToolkitEvent::NONE;
  float x = 0.0f;
  float y = 0.0f;  // toolkit coordinates
  int button = 0;
  unsigned buttonMask = 0;
  unsigned modifiers = 0;
  int key = 0;
  int unmodifiedKey = 0;
  ToolkitEvent::ScrollingMotion scroll = ToolkitEvent::SCROLL_NONE;
  float scrollDeltaY = 0.0f;
  ToolkitEvent::MouseYOrientation orientation = ToolkitEvent::Y_INCREASING_UPWARDS;
  // The record the library expects, or none.
  std::optional<GUIEventAdapter> expected;
};

GUIEventAdapter withMods(GUIEventAdapter e, std::int32_t mods) {
  e.setModKeyMask(mods);
  return e;
}

osg::ref_ptr<ToolkitEvent> makeToolkitEvent(const Case& c) {
  osg::ref_ptr<ToolkitEvent> e = new ToolkitEvent;
  e->setEventType(c.type);
  e->setInputRange(0.0f, 0.0f, static_cast<float>(kWidth), static_cast<float>(kHeight));
  e->setWindowWidth(kWidth);
  e->setWindowHeight(kHeight);
  e->setMouseYOrientation(c.orientation);
  e->setX(c.x);
  e->setY(c.y);
  e->setButton(c.button);
  e->setButtonMask(c.buttonMask);
  e->setModKeyMask(c.modifiers);
  e->setKey(c.key);
  e->setUnmodifiedKey(c.unmodifiedKey);
  if (c.scroll == ToolkitEvent::SCROLL_2D) {
    e->setScrollingMotionDelta(0.0f, c.scrollDeltaY);
  } else {
    e->setScrollingMotion(c.scroll);
  }
  return e;
}

class EventConversion : public ::testing::TestWithParam<Case> {};

TEST_P(EventConversion, GivesTheRecordTheLibraryExpects) {
  const Case& c = GetParam();
  const auto converted = qel::demo::convertEvent(*makeToolkitEvent(c));
  ASSERT_EQ(converted.has_value(), c.expected.has_value());
  if (!converted) return;
  const GUIEventAdapter& got = *converted;
  const GUIEventAdapter& want = *c.expected;
  EXPECT_EQ(got.getEventType(), want.getEventType());
  EXPECT_EQ(got.getButton(), want.getButton());
  EXPECT_EQ(got.getButtonMask(), want.getButtonMask());
  EXPECT_EQ(got.getKey(), want.getKey());
  EXPECT_EQ(got.getModKeyMask(), want.getModKeyMask());
  EXPECT_FLOAT_EQ(got.getX(), want.getX());
  EXPECT_FLOAT_EQ(got.getY(), want.getY());
  EXPECT_FLOAT_EQ(got.getScrollDelta(), want.getScrollDelta());
  EXPECT_FALSE(got.getHandled());
}

constexpr unsigned kLeft = ToolkitEvent::LEFT_MOUSE_BUTTON;
constexpr unsigned kMiddle = ToolkitEvent::MIDDLE_MOUSE_BUTTON;
constexpr unsigned kRight = ToolkitEvent::RIGHT_MOUSE_BUTTON;

INSTANTIATE_TEST_SUITE_P(
    WindowEvents, EventConversion,
    ::testing::Values(
        // Pointer events: y flips to the top-left origin (toolkit y 50 of 400 is pixel row 350).
        Case{"PushLeft", ToolkitEvent::PUSH, 100, 50, kLeft, kLeft, 0, 0, 0, {}, 0, {},
             GUIEventAdapter::makePush(100, 350, GUIEventAdapter::LEFT_MOUSE_BUTTON)},
        Case{"PushMiddle", ToolkitEvent::PUSH, 320, 200, kMiddle, kMiddle, 0, 0, 0, {}, 0, {},
             GUIEventAdapter::makePush(320, 200, GUIEventAdapter::MIDDLE_MOUSE_BUTTON)},
        Case{"PushRightWithShift", ToolkitEvent::PUSH, 0, 400, kRight, kRight, ToolkitEvent::MODKEY_LEFT_SHIFT, 0, 0,
             {}, 0, {},
             withMods(GUIEventAdapter::makePush(0, 0, GUIEventAdapter::RIGHT_MOUSE_BUTTON), ModKey::Shift)},
        Case{"ReleaseLeft", ToolkitEvent::RELEASE, 10, 390, kLeft, 0, 0, 0, 0, {}, 0, {},
             GUIEventAdapter::makeRelease(10, 10, GUIEventAdapter::LEFT_MOUSE_BUTTON)},
        Case{"DoubleClickLeft", ToolkitEvent::DOUBLECLICK, 5, 5, kLeft, kLeft, 0, 0, 0, {}, 0, {},
             GUIEventAdapter::makeDoubleClick(5, 395, GUIEventAdapter::LEFT_MOUSE_BUTTON)},
        Case{"DragTwoButtons", ToolkitEvent::DRAG, 200, 100, 0, kLeft | kRight, 0, 0, 0, {}, 0, {},
             GUIEventAdapter::makeDrag(200, 300,
                                       GUIEventAdapter::LEFT_MOUSE_BUTTON | GUIEventAdapter::RIGHT_MOUSE_BUTTON)},
        Case{"DragWithControl", ToolkitEvent::DRAG, 1, 1, 0, kMiddle, ToolkitEvent::MODKEY_RIGHT_CTRL, 0, 0, {}, 0, {},
             withMods(GUIEventAdapter::makeDrag(1, 399, GUIEventAdapter::MIDDLE_MOUSE_BUTTON), ModKey::Control)},
        Case{"Move", ToolkitEvent::MOVE, 639, 1, 0, 0, 0, 0, 0, {}, 0, {}, GUIEventAdapter::makeMove(639, 399)},
        Case{"MoveInDownwardCoordinates", ToolkitEvent::MOVE, 30, 40, 0, 0, 0, 0, 0, {}, 0,
             ToolkitEvent::Y_INCREASING_DOWNWARDS, GUIEventAdapter::makeMove(30, 40)},
        // Wheel: one notch is 120 units, up (away from the user) zooms in.
        Case{"ScrollUp", ToolkitEvent::SCROLL, 320, 200, 0, 0, 0, 0, 0, ToolkitEvent::SCROLL_UP, 0, {},
             GUIEventAdapter::makeScroll(320, 200, 120)},
        Case{"ScrollDown", ToolkitEvent::SCROLL, 320, 100, 0, 0, 0, 0, 0, ToolkitEvent::SCROLL_DOWN, 0, {},
             GUIEventAdapter::makeScroll(320, 300, -120)},
        Case{"ScrollHalfNotchOnTouchPad", ToolkitEvent::SCROLL, 320, 200, 0, 0, 0, 0, 0, ToolkitEvent::SCROLL_2D, 0.5f,
             {}, GUIEventAdapter::makeScroll(320, 200, 60)},
        Case{"ScrollSidewaysIsDropped", ToolkitEvent::SCROLL, 320, 200, 0, 0, 0, 0, 0, ToolkitEvent::SCROLL_LEFT, 0, {},
             std::nullopt},
        // Keys: letters lower-cased, the key without its modifiers, modifiers as bits.
        Case{"ShiftedLetterIsLowerCase", ToolkitEvent::KEYDOWN, 0, 0, 0, 0, ToolkitEvent::MODKEY_LEFT_SHIFT, 'W', 'w',
             {}, 0, {}, GUIEventAdapter::makeKeyDown('w', ModKey::Shift)},
        Case{"CapitalWithoutUnmodifiedKey", ToolkitEvent::KEYDOWN, 0, 0, 0, 0, 0, 'H', 0, {}, 0, {},
             GUIEventAdapter::makeKeyDown('h', 0)},
        Case{"ControlLetterFromControlCharacter", ToolkitEvent::KEYDOWN, 0, 0, 0, 0, ToolkitEvent::MODKEY_LEFT_CTRL, 1,
             0, {}, 0, {}, GUIEventAdapter::makeKeyDown('a', ModKey::Control)},
        Case{"ShiftedDigitIsTheDigit", ToolkitEvent::KEYDOWN, 0, 0, 0, 0, ToolkitEvent::MODKEY_RIGHT_SHIFT, '!', '1', {},
             0, {}, GUIEventAdapter::makeKeyDown('1', ModKey::Shift)},
        Case{"EscapeIsItsKeySymbol", ToolkitEvent::KEYDOWN, 0, 0, 0, 0, 0, ToolkitEvent::KEY_Escape,
             ToolkitEvent::KEY_Escape, {}, 0, {}, GUIEventAdapter::makeKeyDown(Key::Escape, 0)},
        Case{"ArrowUpWithAltAndShift", ToolkitEvent::KEYUP, 0, 0, 0, 0,
             ToolkitEvent::MODKEY_LEFT_ALT | ToolkitEvent::MODKEY_LEFT_SHIFT, ToolkitEvent::KEY_Up, ToolkitEvent::KEY_Up,
             {}, 0, {}, GUIEventAdapter::makeKeyUp(Key::Up, ModKey::Alt | ModKey::Shift)},
        Case{"PageDownAndNumLockOnly", ToolkitEvent::KEYDOWN, 0, 0, 0, 0, ToolkitEvent::MODKEY_NUM_LOCK,
             ToolkitEvent::KEY_Page_Down, ToolkitEvent::KEY_Page_Down, {}, 0, {},
             GUIEventAdapter::makeKeyDown(Key::PageDown, 0)},
        Case{"F1Up", ToolkitEvent::KEYUP, 0, 0, 0, 0, 0, ToolkitEvent::KEY_F1, ToolkitEvent::KEY_F1, {}, 0, {},
             GUIEventAdapter::makeKeyUp(Key::F1, 0)},
        // The host makes its own frame events; window events are the window's business.
        Case{"FrameIsDropped", ToolkitEvent::FRAME, 0, 0, 0, 0, 0, 0, 0, {}, 0, {}, std::nullopt},
        Case{"ResizeIsDropped", ToolkitEvent::RESIZE, 0, 0, 0, 0, 0, 0, 0, {}, 0, {}, std::nullopt},
        Case{"CloseIsDropped", ToolkitEvent::CLOSE_WINDOW, 0, 0, 0, 0, 0, 0, 0, {}, 0, {}, std::nullopt}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(EventConversionScaling, PointerInANormalisedInputRangeBecomesWindowPixels) {
  // Some toolkit set-ups report the pointer in [-1, 1]; the host wants pixels.
  osg::ref_ptr<ToolkitEvent> e = new ToolkitEvent;
  e->setEventType(ToolkitEvent::MOVE);
  e->setInputRange(-1.0f, -1.0f, 1.0f, 1.0f);
  e->setWindowWidth(kWidth);
  e->setWindowHeight(kHeight);
  e->setMouseYOrientation(ToolkitEvent::Y_INCREASING_UPWARDS);
  e->setX(0.5f);
  e->setY(0.5f);
  const auto converted = qel::demo::convertEvent(*e);
  ASSERT_TRUE(converted);
  EXPECT_FLOAT_EQ(converted->getX(), 480.0f);
  EXPECT_FLOAT_EQ(converted->getY(), 100.0f);
}

}  // namespace
