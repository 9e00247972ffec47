// When a tween's clock starts: a flight posted between frames must begin exactly at the
// current pose in the next frame (its first value is its start value), while a leg
// chained from another tween's callable continues from the frame that leg ended in.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "Scene/TweenCollection.h"

namespace qel {
namespace {

using Clock = std::chrono::steady_clock;

const Clock::time_point kT0 = Clock::time_point(std::chrono::seconds(5000));

Clock::time_point at(double seconds) {
  return kT0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// A linear tween from 0 to 10 over 10 s: its value is the seconds since its start, plus
// any part-way offset.
TweenOptions secondsTween(std::vector<double>& values, double delay) {
  TweenOptions options;
  options.startValue = 0.0;
  options.stopValue = 10.0;
  options.duration = 10.0;
  options.delay = delay;
  options.update = [&values](double v) { values.push_back(v); };
  return options;
}

// How the tween under test is added.
enum class AddedFrom {
  BetweenFrames,        // after the update at `addTime`, before the next one
  BeforeAnyFrame,       // to a collection never updated; `addTime` is not read
  CompletionOfAnother,  // by the completion of a tween that ends in the update at `addTime`
  UpdateOfAnother,      // by the update callable of a tween running in the update at `addTime`
};

struct StartCase {
  std::string name;
  AddedFrom from;
  double addTime;
  double delay;
  std::vector<double> updateTimes;  // the updates after the tween was added
  std::vector<double> expected;     // the values the tween reports in them
};

class TweenStartTest : public ::testing::TestWithParam<StartCase> {};

TEST_P(TweenStartTest, FirstValueDependsOnWhereTheTweenWasAdded) {
  const StartCase& c = GetParam();
  TweenCollection tweens;
  std::vector<double> values;
  switch (c.from) {
    case AddedFrom::BetweenFrames:
      tweens.update(at(0.0));
      tweens.update(at(c.addTime));
      tweens.add(secondsTween(values, c.delay));
      break;
    case AddedFrom::BeforeAnyFrame: tweens.add(secondsTween(values, c.delay)); break;
    case AddedFrom::CompletionOfAnother: {
      TweenOptions leg;
      leg.duration = c.addTime;
      leg.complete = [&] { tweens.add(secondsTween(values, c.delay)); };
      tweens.add(leg);
      tweens.update(at(0.0));
      tweens.update(at(c.addTime));
      break;
    }
    case AddedFrom::UpdateOfAnother: {
      TweenOptions other;
      other.duration = 100.0;
      bool added = false;
      other.update = [&](double) {
        if (!added) tweens.add(secondsTween(values, c.delay));
        added = true;
      };
      tweens.update(at(0.0));
      tweens.update(at(c.addTime - 1.0));
      // Starts its own clock at `addTime`, and adds the tween in that same update.
      tweens.add(other);
      tweens.update(at(c.addTime));
      break;
    }
  }
  EXPECT_TRUE(values.empty()) << "advanced in the update it was added in";
  for (double t : c.updateTimes) tweens.update(at(t));
  ASSERT_EQ(values.size(), c.expected.size());
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_NEAR(values[i], c.expected[i], 1e-9) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Starts, TweenStartTest,
    ::testing::Values(
        // A flight posted between frames: t = 0 in the first frame that runs it.
        StartCase{"BetweenFramesStartsAtTheNextUpdate", AddedFrom::BetweenFrames, 1.0, 0.0, {1.5, 2.5}, {0.0, 1.0}},
        StartCase{"BetweenFramesPartWay", AddedFrom::BetweenFrames, 1.0, -4.0, {1.5, 2.5}, {4.0, 5.0}},
        StartCase{"BetweenFramesDelayed", AddedFrom::BetweenFrames, 1.0, 0.5, {1.25, 1.5, 2.0, 2.5}, {0.25, 0.75}},
        StartCase{"BeforeAnyUpdate", AddedFrom::BeforeAnyFrame, 0.0, 0.0, {3.0, 3.5}, {0.0, 0.5}},
        // A chained leg: its clock runs from the frame the previous leg ended in.
        StartCase{"ChainedFromACompletion", AddedFrom::CompletionOfAnother, 2.0, 0.0, {2.25, 3.0}, {0.25, 1.0}},
        StartCase{"ChainedPartWay", AddedFrom::CompletionOfAnother, 2.0, -1.0, {2.25}, {1.25}},
        StartCase{"AddedByAnUpdateCallable", AddedFrom::UpdateOfAnother, 4.0, 0.0, {4.5}, {0.5}}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return info.param.name; });

TEST(TweenCollectionTest, RemoveAllDuringAnUpdateStopsThePassWithoutCallbacks) {
  TweenCollection tweens;
  std::vector<double> second;
  int completions = 0;
  TweenOptions first;
  first.duration = 1.0;
  first.update = [&](double) { tweens.removeAll(); };
  first.complete = [&] { ++completions; };
  TweenOptions other = secondsTween(second, 0.0);
  other.complete = [&] { ++completions; };
  tweens.add(first);
  tweens.add(other);
  tweens.update(at(0.0));
  tweens.update(at(20.0));
  EXPECT_TRUE(second.empty());
  EXPECT_EQ(completions, 0);
  EXPECT_EQ(tweens.size(), 0u);
}

}  // namespace
}  // namespace qel
