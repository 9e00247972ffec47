#include "Common/CapturingLogSink.h"
#include "Common/ConsoleLogSink.h"
#include "Common/Log.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace qel {
namespace {

const SourceLocation kWhere{"Components/src/Manipulator/GlobeManipulator.cpp", 128,
                            "qel::GlobeManipulator::flyTo"};

struct ThrowingSink final : LogSink {
    void write(const LogRecord&) override { throw std::runtime_error("disk full"); }
};

class LogTest : public ::testing::Test {
protected:
    void SetUp() override { Log::getInstance().addSink(captured); }
    void TearDown() override { Log::getInstance().removeSink(captured); }
    std::shared_ptr<CapturingLogSink> captured = std::make_shared<CapturingLogSink>();
};

TEST_F(LogTest, SinkReceivesLocationLevelAndUtf8Text)
{
    Log::getInstance().log(kWhere, Log::kRefused, "飞行目标点的经纬高为无效值。");
    ASSERT_EQ(captured->size(), 1u);
    const LogRecord record = captured->records().front();
    EXPECT_EQ(record.location, kWhere);
    EXPECT_EQ(record.level, 4);
    EXPECT_EQ(record.text, "飞行目标点的经纬高为无效值。");

    captured->clear();
    EXPECT_EQ(captured->size(), 0u);
    EXPECT_FALSE(captured->last().has_value());
}

TEST_F(LogTest, RemovedSinkHearsNothingAndDuplicatesAreIgnored)
{
    auto other = std::make_shared<CapturingLogSink>();
    Log::getInstance().addSink(other);
    Log::getInstance().addSink(other);
    Log::getInstance().addSink(nullptr);
    Log::getInstance().log(kWhere, Log::kCorrected, "once");
    Log::getInstance().removeSink(other);
    Log::getInstance().removeSink(other);
    Log::getInstance().log(kWhere, Log::kCorrected, "after removal");

    EXPECT_EQ(other->size(), 1u);
    EXPECT_EQ(captured->size(), 2u);
}

TEST_F(LogTest, FailingSinkDoesNotStopTheOthersOrTheCaller)
{
    auto broken = std::make_shared<ThrowingSink>();
    auto after = std::make_shared<CapturingLogSink>();
    Log::getInstance().addSink(broken);
    Log::getInstance().addSink(after);
    EXPECT_NO_THROW(Log::getInstance().log(kWhere, Log::kRefused, "still delivered"));
    Log::getInstance().removeSink(broken);
    Log::getInstance().removeSink(after);

    EXPECT_EQ(captured->size(), 1u);
    EXPECT_EQ(after->size(), 1u);
}

TEST_F(LogTest, ConsoleLineNamesLevelPlaceFunctionAndText)
{
    std::ostringstream out;
    auto console = std::make_shared<ConsoleLogSink>(out);
    Log::getInstance().addSink(console);
    Log::getInstance().log(kWhere, Log::kCorrected, "pitch clamped");
    Log::getInstance().log({"a.cpp", 7, ""}, 42, "free level");
    Log::getInstance().removeSink(console);

    EXPECT_EQ(out.str(),
              "[corrected] Components/src/Manipulator/GlobeManipulator.cpp:128 "
              "qel::GlobeManipulator::flyTo: pitch clamped\n"
              "[level 42] a.cpp:7: free level\n");
}

TEST_F(LogTest, ConcurrentMessagesAreAllKept)
{
    constexpr int kThreads = 4;
    constexpr int kMessages = 500;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([] {
            for (int i = 0; i < kMessages; ++i) {
                Log::getInstance().log(kWhere, Log::kInfo, "tick");
            }
        });
    }
    // Sinks come and go while others log.
    for (int i = 0; i < kMessages; ++i) {
        auto transient = std::make_shared<CapturingLogSink>();
        Log::getInstance().addSink(transient);
        Log::getInstance().removeSink(transient);
    }
    for (auto& writer : writers) {
        writer.join();
    }
    EXPECT_EQ(captured->size(), static_cast<std::size_t>(kThreads * kMessages));
}

} // namespace
} // namespace qel
