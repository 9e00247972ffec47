#pragma once

#include "Common/LogSink.h"
#include "Common/SourceLocation.h"

#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace qel {

/// The process-wide message log. Messages go to every registered sink; with no sink they
/// are dropped (the demo installs a ConsoleLogSink, tests a CapturingLogSink).
///
/// Thread-safe: any thread may log, add or remove sinks at any time. A sink removed while
/// another thread is logging may still receive that one message.
class Log {
 public:
  /// Levels with a fixed meaning across the system; other values are free to use.
  static constexpr int kTrace = 0;
  static constexpr int kDebug = 1;
  static constexpr int kInfo = 2;
  /// The call went on with a corrected value.
  static constexpr int kCorrected = 3;
  /// The call was refused and had no effect.
  static constexpr int kRefused = 4;
  static constexpr int kFatal = 5;

  static Log& getInstance();

  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;

  /// Hands one record to every sink. Never throws: a sink that throws loses that record.
  void log(const SourceLocation& location, int level, std::string_view utf8Text);

  /// Adding a null sink or one already registered does nothing.
  void addSink(std::shared_ptr<LogSink> sink);
  /// Removing a sink that is not registered does nothing.
  void removeSink(const std::shared_ptr<LogSink>& sink);

  /// A short name for a level ("corrected", "refused", ...); "level <n>" for free values.
  static std::string levelName(int level);

 private:
  Log() = default;

  using SinkList = std::vector<std::shared_ptr<LogSink>>;

  std::mutex mutex;
  // Replaced, never modified in place, so that `log` can write outside the lock from
  // a snapshot and a slow sink does not hold up sink registration.
  std::shared_ptr<const SinkList> sinks = std::make_shared<const SinkList>();
};

}  // namespace qel
