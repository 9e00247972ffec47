#include "Common/CapturingLogSink.h"
#include "Common/Clock.h"
#include "Common/Log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace qel {
namespace {

using namespace std::chrono_literals;

const Clock::time_point kStart = Clock::time_point{} + 5h;

TEST(ClockTest, ManualTimeMovesOnlyWhenToldAndRefusesToGoBack) {
  auto logged = std::make_shared<CapturingLogSink>();
  Log::getInstance().addSink(logged);
  Clock::useManualTime(kStart);
  EXPECT_EQ(Clock::now(), kStart);
  Clock::advance(16ms);
  Clock::advance(16ms);
  EXPECT_EQ(Clock::now(), kStart + 32ms);
  Clock::set(kStart + 1s);
  EXPECT_EQ(Clock::now(), kStart + 1s);
  EXPECT_EQ(logged->size(), 0u);

  Clock::advance(-1ms);
  EXPECT_EQ(Clock::now(), kStart + 1s);
  EXPECT_EQ(logged->size(), 1u);

  Clock::useRealTime();
  Log::getInstance().removeSink(logged);
  EXPECT_FALSE(Clock::isManual());
}

}  // namespace
}  // namespace qel
