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

using Tk = osgGA::GUIEventAdapter;
using qel::GUIEventAdapter;
namespace Key = qel::Key;
namespace ModKey = qel::ModKey;

// The window of every case: 640 × 400 pixels, the toolkit's default orientation (y grows
// upwards), so toolkit y 50 is pixel row 350.
constexpr int kWidth = 640;
constexpr int kHeight = 400;

struct Case {
  std::string name;
  osg::ref_ptr<Tk> event;
  std::optional<GUIEventAdapter> expected;  // none: the event is not passed on
};

osg::ref_ptr<Tk> toolkitEvent(Tk::EventType type, float x = 0, float y = 0, unsigned mods = 0) {
  osg::ref_ptr<Tk> e = new Tk;
  e->setEventType(type);
  e->setInputRange(0.0f, 0.0f, float(kWidth), float(kHeight));
  e->setWindowWidth(kWidth);
  e->setWindowHeight(kHeight);
  e->setMouseYOrientation(Tk::Y_INCREASING_UPWARDS);
  e->setX(x);
  e->setY(y);
  e->setModKeyMask(mods);
  return e;
}

Case pointer(std::string name, Tk::EventType type, float x, float y, int button, unsigned mask, unsigned mods,
             GUIEventAdapter expected, std::int32_t expectedMods = 0) {
  auto e = toolkitEvent(type, x, y, mods);
  e->setButton(button);
  e->setButtonMask(mask);
  expected.setModKeyMask(expectedMods);
  return {std::move(name), e, expected};
}

Case key(std::string name, Tk::EventType type, unsigned mods, int key, int unmodified, GUIEventAdapter expected) {
  auto e = toolkitEvent(type, 0, 0, mods);
  e->setKey(key);
  e->setUnmodifiedKey(unmodified);
  return {std::move(name), e, expected};
}

Case wheel(std::string name, Tk::ScrollingMotion motion, float deltaY, std::optional<GUIEventAdapter> expected) {
  auto e = toolkitEvent(Tk::SCROLL, 320, 100);
  if (motion == Tk::SCROLL_2D)
    e->setScrollingMotionDelta(0.0f, deltaY);
  else
    e->setScrollingMotion(motion);
  return {std::move(name), e, expected};
}

class EventConversion : public ::testing::TestWithParam<Case> {};

TEST_P(EventConversion, GivesTheRecordTheLibraryExpects) {
  const Case& c = GetParam();
  const auto got = qel::demo::convertEvent(*c.event);
  ASSERT_EQ(got.has_value(), c.expected.has_value());
  if (!got) return;
  const GUIEventAdapter& want = *c.expected;
  EXPECT_EQ(got->getEventType(), want.getEventType());
  EXPECT_EQ(got->getButton(), want.getButton());
  EXPECT_EQ(got->getButtonMask(), want.getButtonMask());
  EXPECT_EQ(got->getKey(), want.getKey());
  EXPECT_EQ(got->getModKeyMask(), want.getModKeyMask());
  EXPECT_FLOAT_EQ(got->getX(), want.getX());
  EXPECT_FLOAT_EQ(got->getY(), want.getY());
  EXPECT_FLOAT_EQ(got->getScrollDelta(), want.getScrollDelta());
}

constexpr unsigned kLeft = Tk::LEFT_MOUSE_BUTTON;
constexpr unsigned kMiddle = Tk::MIDDLE_MOUSE_BUTTON;
constexpr unsigned kRight = Tk::RIGHT_MOUSE_BUTTON;
constexpr auto L = GUIEventAdapter::LEFT_MOUSE_BUTTON;
constexpr auto M = GUIEventAdapter::MIDDLE_MOUSE_BUTTON;
constexpr auto R = GUIEventAdapter::RIGHT_MOUSE_BUTTON;

INSTANTIATE_TEST_SUITE_P(
    WindowEvents, EventConversion,
    ::testing::Values(
        pointer("PushLeft", Tk::PUSH, 100, 50, kLeft, kLeft, 0, GUIEventAdapter::makePush(100, 350, L)),
        pointer("PushMiddle", Tk::PUSH, 320, 200, kMiddle, kMiddle, 0, GUIEventAdapter::makePush(320, 200, M)),
        pointer("PushRightWithShift", Tk::PUSH, 0, 400, kRight, kRight, Tk::MODKEY_LEFT_SHIFT,
                GUIEventAdapter::makePush(0, 0, R), ModKey::Shift),
        pointer("ReleaseLeft", Tk::RELEASE, 10, 390, kLeft, 0, 0, GUIEventAdapter::makeRelease(10, 10, L)),
        pointer("DoubleClickLeft", Tk::DOUBLECLICK, 5, 5, kLeft, kLeft, 0, GUIEventAdapter::makeDoubleClick(5, 395, L)),
        pointer("DragTwoButtons", Tk::DRAG, 200, 100, 0, kLeft | kRight, 0, GUIEventAdapter::makeDrag(200, 300, L | R)),
        pointer("DragWithControl", Tk::DRAG, 1, 1, 0, kMiddle, Tk::MODKEY_RIGHT_CTRL,
                GUIEventAdapter::makeDrag(1, 399, M), ModKey::Control),
        pointer("Move", Tk::MOVE, 639, 1, 0, 0, 0, GUIEventAdapter::makeMove(639, 399)),
        // Wheel: one notch is 120 units, up (away from the user) zooms in.
        wheel("ScrollUp", Tk::SCROLL_UP, 0, GUIEventAdapter::makeScroll(320, 300, 120)),
        wheel("ScrollDown", Tk::SCROLL_DOWN, 0, GUIEventAdapter::makeScroll(320, 300, -120)),
        wheel("ScrollHalfNotchOnTouchPad", Tk::SCROLL_2D, 0.5f, GUIEventAdapter::makeScroll(320, 300, 60)),
        wheel("ScrollSidewaysIsDropped", Tk::SCROLL_LEFT, 0, std::nullopt),
        // Keys: letters lower-cased, the key without its modifiers, modifiers as bits.
        key("ShiftedLetterIsLowerCase", Tk::KEYDOWN, Tk::MODKEY_LEFT_SHIFT, 'W', 'w',
            GUIEventAdapter::makeKeyDown('w', ModKey::Shift)),
        key("ControlLetterFromControlCharacter", Tk::KEYDOWN, Tk::MODKEY_LEFT_CTRL, 1, 0,
            GUIEventAdapter::makeKeyDown('a', ModKey::Control)),
        key("ShiftedDigitIsTheDigit", Tk::KEYDOWN, Tk::MODKEY_RIGHT_SHIFT, '!', '1',
            GUIEventAdapter::makeKeyDown('1', ModKey::Shift)),
        key("ArrowUpWithAltAndShift", Tk::KEYUP, Tk::MODKEY_LEFT_ALT | Tk::MODKEY_LEFT_SHIFT, Tk::KEY_Up, Tk::KEY_Up,
            GUIEventAdapter::makeKeyUp(Key::Up, ModKey::Alt | ModKey::Shift)),
        key("PageDownAndNumLockOnly", Tk::KEYDOWN, Tk::MODKEY_NUM_LOCK, Tk::KEY_Page_Down, Tk::KEY_Page_Down,
            GUIEventAdapter::makeKeyDown(Key::PageDown, 0)),
        key("F1Up", Tk::KEYUP, 0, Tk::KEY_F1, Tk::KEY_F1, GUIEventAdapter::makeKeyUp(Key::F1, 0)),
        // The host makes its own frame events; window events are the window's business.
        Case{"FrameIsDropped", toolkitEvent(Tk::FRAME), std::nullopt},
        Case{"ResizeIsDropped", toolkitEvent(Tk::RESIZE), std::nullopt},
        Case{"CloseIsDropped", toolkitEvent(Tk::CLOSE_WINDOW), std::nullopt}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
