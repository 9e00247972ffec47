#include "Common/CapturingLogSink.h"
#include "Common/ConsoleLogSink.h"
#include "Common/Log.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <stdexcept>

namespace qel {
namespace {

const SourceLocation kWhere{"Components/src/Manipulator/GlobeManipulator.cpp", 128, "qel::GlobeManipulator::flyTo"};

struct ThrowingSink final : LogSink {
  void write(const LogRecord&) override { throw std::runtime_error("disk full"); }
};

TEST(LogTest, SinksCaptureRecordsAndAFailingSinkStopsNoOne) {
  auto broken = std::make_shared<ThrowingSink>();
  auto captured = std::make_shared<CapturingLogSink>();
  std::ostringstream out;
  auto console = std::make_shared<ConsoleLogSink>(out);
  for (const std::shared_ptr<LogSink>& sink :
       {std::shared_ptr<LogSink>(broken), std::shared_ptr<LogSink>(captured), std::shared_ptr<LogSink>(console)}) {
    Log::getInstance().addSink(sink);
  }
  EXPECT_NO_THROW(Log::getInstance().log(kWhere, Log::kCorrected, "飞行目标点 pitch clamped"));
  Log::getInstance().removeSink(console);
  Log::getInstance().removeSink(broken);
  Log::getInstance().log(kWhere, Log::kRefused, "second");
  Log::getInstance().removeSink(captured);
  Log::getInstance().log(kWhere, Log::kRefused, "unheard");

  ASSERT_EQ(captured->size(), 2u);
  const LogRecord first = captured->records().front();
  EXPECT_EQ(first.location, kWhere);
  EXPECT_EQ(first.level, Log::kCorrected);
  EXPECT_EQ(first.text, "飞行目标点 pitch clamped");
  EXPECT_EQ(captured->last()->level, Log::kRefused);
  EXPECT_EQ(out.str(),
            "[corrected] Components/src/Manipulator/GlobeManipulator.cpp:128 "
            "qel::GlobeManipulator::flyTo: 飞行目标点 pitch clamped\n");
}

}  // namespace
}  // namespace qel
