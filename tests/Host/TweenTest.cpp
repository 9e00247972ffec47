// Tweens as flights use them: values eased over the duration, a start delayed (or
// advanced) from the frame the tween was added in, one completion, cancellation without
// completion, and callbacks that change the collection while it runs.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Scene/TweenCollection.h"

namespace qel {
namespace {

using Clock = std::chrono::steady_clock;

const Clock::time_point kT0 = Clock::time_point(std::chrono::seconds(1000));

Clock::time_point at(double seconds) {
  return kT0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// What a tween did.
struct Record {
  std::vector<double> values;
  int completed = 0;
  int cancelled = 0;
};

TweenOptions recording(Record& record, double start, double stop, double duration, double delay = 0.0) {
  TweenOptions options;
  options.startValue = start;
  options.stopValue = stop;
  options.duration = duration;
  options.delay = delay;
  options.update = [&record](double v) { record.values.push_back(v); };
  options.complete = [&record] { ++record.completed; };
  options.cancel = [&record] { ++record.cancelled; };
  return options;
}

struct EaseCase {
  std::string name;
  double start;
  double stop;
  double duration;
  std::function<double(double)> easing;
};

class TweenEaseTest : public ::testing::TestWithParam<EaseCase> {};

TEST_P(TweenEaseTest, ValuesFollowTheEasedFractionAndCompleteOnce) {
  const EaseCase& c = GetParam();
  TweenCollection tweens;
  tweens.update(kT0);
  Record record;
  TweenOptions options = recording(record, c.start, c.stop, c.duration);
  options.easingFunction = c.easing;
  tweens.add(options);

  const std::vector<double> fractions{0.0, 0.25, 0.9, 1.0, 1.5};
  for (double f : fractions) tweens.update(at(f * c.duration));

  ASSERT_EQ(record.values.size(), 4u);  // the update after the end has nothing left to do
  for (std::size_t i = 0; i < record.values.size(); ++i) {
    const double eased = c.easing ? c.easing(fractions[i]) : fractions[i];
    EXPECT_NEAR(record.values[i], c.start + (c.stop - c.start) * eased, 1e-9) << fractions[i];
  }
  EXPECT_EQ(record.values.back(), c.stop);
  EXPECT_EQ(record.completed, 1);
  EXPECT_EQ(record.cancelled, 0);
  EXPECT_EQ(tweens.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Easings, TweenEaseTest,
                         ::testing::Values(EaseCase{"LinearDownward", 500.0, -250.0, 0.75, {}},
                                           EaseCase{"CubicOut", -1.0, 1.0, 1.0,
                                                    [](double f) { return 1.0 - std::pow(1.0 - f, 3.0); }}),
                         [](const ::testing::TestParamInfo<EaseCase>& info) { return info.param.name; });

// In a timeline's update times: cancel the tween (twice) instead of updating.
constexpr double kCancel = -1.0;

struct TimelineCase {
  std::string name;
  double delay;
  std::vector<double> updateTimes;
  std::vector<double> expectedValues;  // linear 0 → 100 over 2 s
  bool completes;
  bool cancelled;
};

class TweenTimelineTest : public ::testing::TestWithParam<TimelineCase> {};

TEST_P(TweenTimelineTest, StartIsShiftedByTheDelayAndCancelEndsWithoutCompletion) {
  const TimelineCase& c = GetParam();
  TweenCollection tweens;
  Record record;
  // Added between frames: its clock starts with the first update, at kT0.
  const std::shared_ptr<Tween> tween = tweens.add(recording(record, 0.0, 100.0, 2.0, c.delay));
  tweens.update(kT0);
  for (double t : c.updateTimes) {
    if (t == kCancel) {
      tween->cancelTween();
      tween->cancelTween();
    } else {
      tweens.update(at(t));
    }
  }
  ASSERT_EQ(record.values.size(), c.expectedValues.size());
  for (std::size_t i = 0; i < record.values.size(); ++i) EXPECT_NEAR(record.values[i], c.expectedValues[i], 1e-9);
  EXPECT_EQ(record.completed, c.completes ? 1 : 0);
  EXPECT_EQ(record.cancelled, c.cancelled ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Timelines, TweenTimelineTest,
    ::testing::Values(TimelineCase{"Delayed", 1.0, {0.5, 0.99, 1.0, 2.0, 3.0}, {0.0, 50.0, 100.0}, true, false},
                      TimelineCase{"Advanced", -1.0, {0.5, 1.0}, {50.0, 75.0, 100.0}, true, false},
                      TimelineCase{"NotYetDue", 10.0, {1.0, 5.0, 9.9}, {}, false, false},
                      TimelineCase{"CancelledHalfway", 0.0, {1.0, kCancel, 1.5, 3.0}, {0.0, 50.0}, false, true},
                      TimelineCase{"CancelledAfterCompletion", 0.0, {2.0, kCancel}, {0.0, 100.0}, true, false}),
    [](const ::testing::TestParamInfo<TimelineCase>& info) { return info.param.name; });

TEST(TweenTest, CallbacksMayAddAndCancelTweensDuringAnUpdate) {
  TweenCollection tweens;
  Record first;
  Record chained;
  Record victim;
  std::shared_ptr<Tween> victimTween;
  // The first leg's completion starts the next leg, as a chained flight does; its update
  // cancels another tween further down the list.
  TweenOptions firstOptions = recording(first, 0.0, 1.0, 1.0);
  firstOptions.complete = [&] { tweens.add(recording(chained, 0.0, 1.0, 1.0)); };
  firstOptions.update = [&](double) { victimTween->cancelTween(); };
  tweens.add(firstOptions);
  victimTween = tweens.add(recording(victim, 0.0, 1.0, 1.0));

  tweens.update(kT0);  // both start here
  tweens.update(at(1.0));
  EXPECT_TRUE(victim.values.empty());
  EXPECT_EQ(victim.cancelled, 1);
  EXPECT_TRUE(chained.values.empty());  // runs from the next update
  tweens.update(at(1.5));
  tweens.update(at(2.0));
  EXPECT_EQ(chained.values, (std::vector<double>{0.5, 1.0}));
  EXPECT_EQ(chained.completed, 1);
  EXPECT_EQ(tweens.size(), 0u);
}

}  // namespace
}  // namespace qel
