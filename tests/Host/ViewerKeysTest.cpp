// Keyboard navigation through a viewer: the default layout never drives two motions
// from one key press, no motion sticks however the keys come up, and only the first
// step of a press restarts the step timing.
#include <gtest/gtest.h>

#include <bit>
#include <set>

#include "Viewer/KeyCodes.h"
#include "ViewerTestDoubles.h"

namespace qel::test {
namespace {

using GEA = GUIEventAdapter;

using ViewerKeysTest = ViewerFixture;

TEST_F(ViewerKeysTest, NoKeyAndModifierCombinationOfTheDefaultLayoutSetsTwoBits) {
  std::set<std::int32_t> keys{'x', Key::Home};  // plus two keys the layout does not use
  for (const auto& item : GEA::DefaultKeyNaviTable()) keys.insert(item.key);
  // Every combination of the three real modifiers, as a window system reports them.
  for (const std::int32_t key : keys) {
    for (std::int32_t mods = 0; mods <= (ModKey::Shift | ModKey::Control | ModKey::Alt); ++mods) {
      send(GEA::makeKeyDown(key, mods));
      EXPECT_LE(std::popcount(manipulator->keyNaviMask), 1) << "key " << key << " modifiers " << mods;
      send(GEA::makeKeyUp(key, mods));
      EXPECT_EQ(manipulator->keyNaviMask, 0u) << "key " << key << " modifiers " << mods;
    }
  }
}

struct ReleaseCase {
  const char* name;
  std::vector<GEA> events;
};

class ViewerKeyReleaseTest : public ViewerKeysTest, public ::testing::WithParamInterface<ReleaseCase> {};

TEST_P(ViewerKeyReleaseTest, ReleasingEveryKeyLeavesNoBitSet) {
  for (const GEA& event : GetParam().events) send(event);
  EXPECT_EQ(manipulator->keyNaviMask, 0u);
  EXPECT_TRUE(manipulator->keyStepRestart);
}

INSTANTIATE_TEST_SUITE_P(Orders, ViewerKeyReleaseTest,
                         ::testing::Values(
                             // Shift goes up first: the window reports the arrow's release without Shift.
                             ReleaseCase{"ShiftReleasedFirst",
                                         {GEA::makeKeyDown(Key::ShiftL, ModKey::Shift),
                                          GEA::makeKeyDown(Key::Up, ModKey::Shift), GEA::makeKeyUp(Key::ShiftL, 0),
                                          GEA::makeKeyUp(Key::Up, 0)}},
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

}  // namespace
}  // namespace qel::test
