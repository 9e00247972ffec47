#include "Common/CapturingLogSink.h"
#include "Common/Clock.h"
#include "Common/Log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qel {
namespace {

using namespace std::chrono_literals;

const Clock::time_point kStart = Clock::time_point{} + 5h;

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override { Log::getInstance().addSink(logged); }
    void TearDown() override
    {
        Clock::useRealTime();
        Log::getInstance().removeSink(logged);
    }
    std::shared_ptr<CapturingLogSink> logged = std::make_shared<CapturingLogSink>();
};

TEST_F(ClockTest, ManualTimeMovesOnlyWhenTold)
{
    Clock::useManualTime(kStart);
    EXPECT_TRUE(Clock::isManual());
    EXPECT_EQ(Clock::now(), kStart);
    EXPECT_EQ(Clock::now(), kStart);

    Clock::advance(16ms);
    Clock::advance(16ms);
    EXPECT_EQ(Clock::now(), kStart + 32ms);

    Clock::set(kStart + 1s);
    EXPECT_EQ(Clock::now(), kStart + 1s);
    EXPECT_EQ(logged->size(), 0u);
}

TEST_F(ClockTest, DefaultManualStartLeavesRoomBeforeIt)
{
    Clock::useManualTime();
    EXPECT_GE(Clock::now().time_since_epoch(), std::chrono::hours(1));
}

TEST_F(ClockTest, RealTimeNeverRunsBackwards)
{
    Clock::useManualTime(kStart);
    Clock::useRealTime();
    EXPECT_FALSE(Clock::isManual());
    Clock::time_point previous = Clock::now();
    for (int i = 0; i < 1000; ++i) {
        const Clock::time_point current = Clock::now();
        EXPECT_GE(current, previous);
        previous = current;
    }
}

struct RefusedChange {
    std::string name;
    bool manual;
    std::function<void()> change;
};

class ClockRefusalTest : public ClockTest, public ::testing::WithParamInterface<RefusedChange> {};

TEST_P(ClockRefusalTest, IsLoggedAndLeavesManualTimeUnchanged)
{
    const RefusedChange& c = GetParam();
    if (c.manual) {
        Clock::useManualTime(kStart);
    }
    c.change();

    ASSERT_EQ(logged->size(), 1u);
    EXPECT_EQ(logged->last()->level, Log::kRefused);
    if (c.manual) {
        EXPECT_EQ(Clock::now(), kStart);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ClockRefusalTest,
    ::testing::Values(
        RefusedChange{"NegativeStep", true, [] { Clock::advance(-1ms); }},
        RefusedChange{"OverflowingStep", true,
                      [] { Clock::advance(std::chrono::nanoseconds(std::numeric_limits<std::int64_t>::max())); }},
        RefusedChange{"StepInRealTime", false, [] { Clock::advance(16ms); }},
        RefusedChange{"SetInRealTime", false, [] { Clock::set(kStart); }}),
    [](const auto& info) { return info.param.name; });

TEST_F(ClockTest, ConcurrentStepsAllCount)
{
    constexpr int kThreads = 4;
    constexpr int kSteps = 1000;
    Clock::useManualTime(kStart);
    std::vector<std::thread> stepping;
    for (int t = 0; t < kThreads; ++t) {
        stepping.emplace_back([] {
            for (int i = 0; i < kSteps; ++i) {
                Clock::advance(1us);
            }
        });
    }
    for (auto& thread : stepping) {
        thread.join();
    }
    EXPECT_EQ(Clock::now(), kStart + std::chrono::microseconds(kThreads * kSteps));
}

} // namespace
} // namespace qel
