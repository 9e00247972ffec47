#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "Common/AsyncSystem.h"
#include "Common/Clock.h"
#include "Viewer/KeyCodes.h"
#include "Viewer/ViewerImpl.h"
#include "ViewerTestDoubles.h"

namespace qel::test {
namespace {

using namespace std::chrono_literals;

class ViewerKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AsyncSystem::instance(true);
    Clock::useManualTime();
    GUIEventAdapter::ResetKeyNaviTable();
    viewer = ViewerImpl::create();
    manipulator = std::make_shared<RecordingManipulator>(log);
    viewer->setCameraManipulatorImpl(manipulator);
  }
  void TearDown() override {
    viewer.reset();
    GUIEventAdapter::ResetKeyNaviTable();
    Clock::useRealTime();
  }

  void send(const GUIEventAdapter& event) {
    viewer->queueEvent(event);
    frame();
  }
  void frame() {
    Clock::advance(16ms);
    viewer->frame();
  }

  CallLog log;
  std::shared_ptr<ViewerImpl> viewer;
  std::shared_ptr<RecordingManipulator> manipulator;
};

// Every combination of the three real modifiers, as a window system reports them.
std::vector<std::int32_t> allModifierCombinations() {
  std::vector<std::int32_t> masks;
  for (std::int32_t m = 0; m <= (ModKey::Shift | ModKey::Control | ModKey::Alt); ++m) {
    masks.push_back(m);
  }
  return masks;
}

TEST_F(ViewerKeysTest, NoKeyAndModifierCombinationOfTheDefaultLayoutSetsTwoBits) {
  std::set<std::int32_t> keys{'x', Key::Home};  // plus two keys the layout does not use
  for (const auto& item : GUIEventAdapter::DefaultKeyNaviTable()) {
    keys.insert(item.key);
  }
  for (const std::int32_t key : keys) {
    for (const std::int32_t mods : allModifierCombinations()) {
      send(GUIEventAdapter::makeKeyDown(key, mods));
      EXPECT_LE(std::popcount(manipulator->keyNaviMask), 1) << "key " << key << " modifiers " << mods;
      send(GUIEventAdapter::makeKeyUp(key, mods));
      EXPECT_EQ(manipulator->keyNaviMask, 0u) << "key " << key << " modifiers " << mods;
    }
  }
}

struct LayoutCase {
  std::int32_t key;
  std::int32_t modifiers;
  std::uint32_t bit;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
  *os << "key " << c.key << " modifiers " << c.modifiers << " -> bit " << c.bit;
}

class ViewerKeyLayoutTest : public ViewerKeysTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(ViewerKeyLayoutTest, KeyDrivesItsNavigationBit) {
  send(GUIEventAdapter::makeKeyDown(GetParam().key, GetParam().modifiers));
  EXPECT_EQ(manipulator->keyNaviMask, GetParam().bit);
}

INSTANTIATE_TEST_SUITE_P(
    DefaultLayout, ViewerKeyLayoutTest,
    ::testing::Values(
        // Arrows pan; Shift turns and tilts about the centre.
        LayoutCase{Key::Up, 0, 0x1}, LayoutCase{Key::Down, 0, 0x2}, LayoutCase{Key::Left, 0, 0x4},
        LayoutCase{Key::Right, 0, 0x8}, LayoutCase{Key::Up, ModKey::Shift, 0x40},
        LayoutCase{Key::Down, ModKey::Shift, 0x80}, LayoutCase{Key::Left, ModKey::Shift, 0x20},
        LayoutCase{Key::Right, ModKey::Shift, 0x10},
        // w/a/s/d move the eye; Shift turns and tilts in place.
        LayoutCase{'w', 0, 0x1000}, LayoutCase{'s', 0, 0x2000}, LayoutCase{'a', 0, 0x4000},
        LayoutCase{'d', 0, 0x8000}, LayoutCase{'w', ModKey::Shift, 0x400}, LayoutCase{'s', ModKey::Shift, 0x800},
        LayoutCase{'a', ModKey::Shift, 0x200}, LayoutCase{'d', ModKey::Shift, 0x100},
        // q/e and the page keys whatever is held; Control alone on an arrow does nothing.
        LayoutCase{'q', ModKey::Control, 0x20}, LayoutCase{'e', 0, 0x10},
        LayoutCase{Key::PageUp, ModKey::Alt, 0x10000}, LayoutCase{Key::PageDown, 0, 0x20000},
        LayoutCase{Key::Up, ModKey::Control, 0x0}, LayoutCase{Key::Up, ModKey::Shift | ModKey::Control, 0x40}));

struct ReleaseCase {
  const char* name;
  std::vector<GUIEventAdapter> events;
};

void PrintTo(const ReleaseCase& c, std::ostream* os) { *os << c.name; }

class ViewerKeyReleaseTest : public ViewerKeysTest, public ::testing::WithParamInterface<ReleaseCase> {};

TEST_P(ViewerKeyReleaseTest, ReleasingEveryKeyLeavesNoBitSet) {
  for (const GUIEventAdapter& event : GetParam().events) {
    send(event);
  }
  EXPECT_EQ(manipulator->keyNaviMask, 0u);
  EXPECT_TRUE(manipulator->keyStepRestart);
}

using GEA = GUIEventAdapter;
INSTANTIATE_TEST_SUITE_P(
    Orders, ViewerKeyReleaseTest,
    ::testing::Values(
        // Shift goes up first: the window reports the arrow's release without Shift.
        ReleaseCase{"ShiftReleasedFirst",
                    {GEA::makeKeyDown(Key::ShiftL, ModKey::Shift), GEA::makeKeyDown(Key::Up, ModKey::Shift),
                     GEA::makeKeyUp(Key::ShiftL, 0), GEA::makeKeyUp(Key::Up, 0)}},
        // Shift goes down while the key is held: the key repeats with Shift, comes up with it.
        ReleaseCase{"ShiftPressedDuringRepeat",
                    {GEA::makeKeyDown('w', 0), GEA::makeKeyDown(Key::ShiftL, ModKey::Shift),
                     GEA::makeKeyDown('w', ModKey::Shift), GEA::makeKeyUp('w', ModKey::Shift),
                     GEA::makeKeyUp(Key::ShiftL, ModKey::Shift)}},
        // Two keys with different modifiers, released in the other order.
        ReleaseCase{"TwoKeysInterleaved",
                    {GEA::makeKeyDown('a', 0), GEA::makeKeyDown(Key::ShiftL, ModKey::Shift),
                     GEA::makeKeyDown(Key::Left, ModKey::Shift), GEA::makeKeyUp(Key::ShiftL, 0),
                     GEA::makeKeyUp('a', 0), GEA::makeKeyUp(Key::Left, 0)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewerKeysTest, FocusLossReleasesHeldKeys) {
  send(GEA::makeKeyDown('w', 0));
  send(GEA::makeKeyDown(Key::Down, ModKey::Shift));
  ASSERT_EQ(manipulator->keyNaviMask, 0x1000u | 0x80u);
  viewer->releaseAllKeys();
  EXPECT_EQ(viewer->getQueuedEventCount(), 2u);
  frame();
  EXPECT_EQ(manipulator->keyNaviMask, 0u);
  // Nothing is held any more: a second call queues nothing.
  viewer->releaseAllKeys();
  EXPECT_EQ(viewer->getQueuedEventCount(), 0u);
}

TEST_F(ViewerKeysTest, OnlyTheFirstStepOfAPressUsesTheRestartTime) {
  send(GEA::makeKeyDown('w', 0));  // steps in the same frame: the restart step
  frame();
  frame();
  send(GEA::makeKeyUp('w', 0));  // the manipulator asks for a restart again
  frame();                       // nothing held: no step, the request stays
  EXPECT_TRUE(manipulator->keyStepRestart);
  send(GEA::makeKeyDown('w', 0));
  frame();

  EXPECT_EQ(manipulator->restartSeenBySteps, (std::vector<bool>{true, false, false, true, false}));
}

TEST_F(ViewerKeysTest, ReplacedTableDrivesTheBitsUntilReset) {
  GUIEventAdapter::SetKeyNaviTable({{0x1, 'z', 0}});
  ASSERT_EQ(GUIEventAdapter::GetKeyNaviItemNum(), 1);
  send(GEA::makeKeyDown('w', 0));
  send(GEA::makeKeyDown('z', ModKey::Alt));
  EXPECT_EQ(manipulator->keyNaviMask, 0x1u);
  // Out-of-range rows read as empty rows rather than failing.
  EXPECT_EQ(GUIEventAdapter::GetKeyNaviItem(5).naviBit, 0);
  EXPECT_EQ(GUIEventAdapter::GetKeyNaviItem(-1).naviBit, 0);

  GUIEventAdapter::ResetKeyNaviTable();
  EXPECT_EQ(GUIEventAdapter::GetKeyNaviItemNum(),
            static_cast<int>(GUIEventAdapter::DefaultKeyNaviTable().size()));
}

TEST_F(ViewerKeysTest, KeyEventsCarryThePlainBitOnlyWithoutRealModifiers) {
  auto tool = std::make_shared<RecordingHandler>("tool", log);
  viewer->addEventHandler(tool);
  viewer->queueEvent(GEA::makeKeyDown('x', 0));
  viewer->queueEvent(GEA::makeKeyDown('y', ModKey::Control));
  viewer->queueEvent(GEA::makeKeyDown('z', 0x40));  // a bit the table does not know
  viewer->queueEvent(GEA::makePush(0, 0, GEA::LEFT_MOUSE_BUTTON));
  frame();
  ASSERT_EQ(tool->seen.size(), 5u);
  EXPECT_EQ(tool->seen[0].event.getModKeyMask(), ModKey::None);
  EXPECT_EQ(tool->seen[1].event.getModKeyMask(), ModKey::Control);
  EXPECT_EQ(tool->seen[2].event.getModKeyMask(), 0x40 | ModKey::None);
  EXPECT_EQ(tool->seen[3].event.getModKeyMask(), 0);  // pointer events are left alone
}

}  // namespace
}  // namespace qel::test
