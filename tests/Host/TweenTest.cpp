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
using Seconds = std::chrono::duration<double>;

const Clock::time_point kT0 = Clock::time_point(std::chrono::seconds(1000));

Clock::time_point at(double seconds) {
  return kT0 + std::chrono::duration_cast<Clock::duration>(Seconds(seconds));
}

// What a tween did, in order.
struct Record {
  std::vector<double> values;
  std::vector<Clock::time_point> times;
  int completed = 0;
  int cancelled = 0;
};

TweenOptions recording(Record& record, TweenOptions options = {}) {
  options.update = [&record](double v) { record.values.push_back(v); };
  options.onUpdate = [&record](const Clock::time_point& t) { record.times.push_back(t); };
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
  TweenOptions options;
  options.startValue = c.start;
  options.stopValue = c.stop;
  options.duration = c.duration;
  options.easingFunction = c.easing;
  tweens.add(recording(record, options));

  const std::vector<double> fractions{0.0, 0.25, 0.5, 0.9, 1.0, 1.5};
  for (double f : fractions) tweens.update(at(f * c.duration));

  const auto ease = [&](double f) { return c.easing ? c.easing(f) : f; };
  ASSERT_EQ(record.values.size(), 5u);  // the update after the end has nothing left to do
  for (std::size_t i = 0; i < record.values.size(); ++i) {
    EXPECT_NEAR(record.values[i], c.start + (c.stop - c.start) * ease(fractions[i]), 1e-9) << fractions[i];
    EXPECT_EQ(record.times[i], at(fractions[i] * c.duration));
  }
  EXPECT_EQ(record.values.back(), c.stop);
  EXPECT_EQ(record.completed, 1);
  EXPECT_EQ(record.cancelled, 0);
  EXPECT_EQ(tweens.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Easings, TweenEaseTest,
    ::testing::Values(EaseCase{"Linear", 0.0, 1.0, 2.0, {}},
                      EaseCase{"LinearDownward", 500.0, -250.0, 0.75, {}},
                      EaseCase{"QuadraticIn", 10.0, 20.0, 3.0, [](double f) { return f * f; }},
                      EaseCase{"CubicOut", -1.0, 1.0, 1.0, [](double f) { return 1.0 - std::pow(1.0 - f, 3.0); }}),
    [](const ::testing::TestParamInfo<EaseCase>& info) { return info.param.name; });

struct DelayCase {
  std::string name;
  double delay;
  std::vector<double> updateTimes;
  std::vector<double> expectedValues;  // linear 0 → 100 over 2 s
  bool completes;
};

class TweenDelayTest : public ::testing::TestWithParam<DelayCase> {};

TEST_P(TweenDelayTest, StartIsShiftedByTheDelayFromTheFrameOfAdding) {
  TweenCollection tweens;
  tweens.update(kT0);
  Record record;
  TweenOptions options;
  options.startValue = 0.0;
  options.stopValue = 100.0;
  options.duration = 2.0;
  options.delay = GetParam().delay;
  tweens.add(recording(record, options));
  for (double t : GetParam().updateTimes) tweens.update(at(t));
  ASSERT_EQ(record.values.size(), GetParam().expectedValues.size());
  for (std::size_t i = 0; i < record.values.size(); ++i) {
    EXPECT_NEAR(record.values[i], GetParam().expectedValues[i], 1e-9);
  }
  EXPECT_EQ(record.completed, GetParam().completes ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Delays, TweenDelayTest,
    ::testing::Values(DelayCase{"Positive", 1.0, {0.5, 0.99, 1.0, 2.0, 3.0}, {0.0, 50.0, 100.0}, true},
                      DelayCase{"Negative", -1.0, {0.0, 0.5, 1.0}, {50.0, 75.0, 100.0}, true},
                      DelayCase{"LongerThanTheDuration", -5.0, {0.0}, {100.0}, true},
                      DelayCase{"NotYetDue", 10.0, {1.0, 5.0, 9.9}, {}, false}),
    [](const ::testing::TestParamInfo<DelayCase>& info) { return info.param.name; });

TEST(TweenTest, MissingValuesCountAsZeroAndNoDurationEndsAtTheStart) {
  TweenCollection tweens;
  tweens.update(kT0);
  Record bare;
  Record delayed;
  tweens.add(recording(bare));
  TweenOptions later;
  later.stopValue = 7.0;
  later.delay = 0.5;
  tweens.add(recording(delayed, later));

  tweens.update(at(0.2));
  EXPECT_EQ(bare.values, std::vector<double>{0.0});
  EXPECT_EQ(bare.completed, 1);
  EXPECT_TRUE(delayed.values.empty());
  tweens.update(at(0.5));
  EXPECT_EQ(delayed.values, std::vector<double>{7.0});
  EXPECT_EQ(delayed.completed, 1);
  EXPECT_EQ(tweens.size(), 0u);
}

TEST(TweenTest, TweenAddedBeforeTheFirstUpdateStartsThere) {
  TweenCollection tweens;
  Record record;
  TweenOptions options;
  options.startValue = 1.0;
  options.stopValue = 3.0;
  options.duration = 1.0;
  tweens.add(recording(record, options));
  tweens.update(at(0.0));
  tweens.update(at(0.5));
  EXPECT_EQ(record.values, (std::vector<double>{1.0, 2.0}));
  EXPECT_EQ(record.completed, 0);
}

TEST(TweenTest, CancelStopsWithoutCompletion) {
  TweenCollection tweens;
  tweens.update(kT0);
  Record record;
  TweenOptions options;
  options.stopValue = 1.0;
  options.duration = 1.0;
  const std::shared_ptr<Tween> tween = tweens.add(recording(record, options));
  tweens.update(at(0.5));
  tween->cancelTween();
  tween->cancelTween();
  tweens.update(at(0.75));
  tweens.update(at(2.0));
  EXPECT_EQ(record.values, std::vector<double>{0.5});
  EXPECT_EQ(record.cancelled, 1);
  EXPECT_EQ(record.completed, 0);
  EXPECT_TRUE(tween->isCancelled());
  EXPECT_EQ(tweens.size(), 0u);
  // The completion is still there for whoever wants to run it by hand.
  ASSERT_TRUE(tween->complete());
  tween->complete()();
  EXPECT_EQ(record.completed, 1);
}

TEST(TweenTest, CancelAfterCompletionDoesNothing) {
  TweenCollection tweens;
  tweens.update(kT0);
  Record record;
  const std::shared_ptr<Tween> tween = tweens.add(recording(record));
  tweens.update(at(0.1));
  tween->cancelTween();
  EXPECT_EQ(record.completed, 1);
  EXPECT_EQ(record.cancelled, 0);
  EXPECT_TRUE(tween->isDone());
}

TEST(TweenTest, CallbacksMayAddAndCancelTweensDuringAnUpdate) {
  TweenCollection tweens;
  tweens.update(kT0);
  Record first;
  Record chained;
  Record victim;
  Record selfCancelling;
  std::shared_ptr<Tween> victimTween;
  std::shared_ptr<Tween> selfTween;

  TweenOptions leg;
  leg.duration = 1.0;
  leg.stopValue = 1.0;
  TweenOptions firstOptions = recording(first, leg);
  // The first leg's completion starts the next leg, as a chained flight does; its
  // update cancels another tween further down the list.
  firstOptions.complete = [&] {
    ++first.completed;
    TweenOptions next = leg;
    tweens.add(recording(chained, next));
  };
  firstOptions.update = [&](double v) {
    first.values.push_back(v);
    victimTween->cancelTween();
  };
  tweens.add(firstOptions);
  victimTween = tweens.add(recording(victim, leg));
  TweenOptions selfOptions = recording(selfCancelling, leg);
  selfOptions.update = [&](double v) {
    selfCancelling.values.push_back(v);
    selfTween->cancelTween();
  };
  selfTween = tweens.add(selfOptions);

  tweens.update(at(1.0));
  EXPECT_EQ(first.completed, 1);
  EXPECT_TRUE(victim.values.empty());
  EXPECT_EQ(victim.cancelled, 1);
  EXPECT_EQ(selfCancelling.values.size(), 1u);
  EXPECT_EQ(selfCancelling.cancelled, 1);
  EXPECT_EQ(selfCancelling.completed, 0);
  EXPECT_TRUE(chained.values.empty());  // runs from the next update
  EXPECT_EQ(tweens.size(), 1u);

  tweens.update(at(1.5));
  EXPECT_EQ(chained.values, std::vector<double>{0.5});
  tweens.update(at(2.0));
  EXPECT_EQ(chained.completed, 1);
  EXPECT_EQ(tweens.size(), 0u);
}

TEST(TweenTest, RemoveAllDropsTweensWithoutCallingThem) {
  TweenCollection tweens;
  tweens.update(kT0);
  Record record;
  TweenOptions options;
  options.duration = 1.0;
  const std::shared_ptr<Tween> tween = tweens.add(recording(record, options));
  tweens.removeAll();
  tweens.update(at(0.5));
  tweens.update(at(2.0));
  EXPECT_TRUE(record.values.empty());
  EXPECT_EQ(record.completed + record.cancelled, 0);
  EXPECT_EQ(tweens.size(), 0u);
  EXPECT_FALSE(tween->update(at(3.0)));
}

}  // namespace
}  // namespace qel
