#include "Common/Log.h"

#include <algorithm>
#include <string>
#include <utility>

namespace qel {

LogSink::~LogSink() = default;

Log& Log::getInstance() {
  static Log instance;
  return instance;
}

void Log::log(const SourceLocation& location, int level, std::string_view utf8Text) {
  std::shared_ptr<const SinkList> snapshot;
  {
    std::lock_guard lock(mutex);
    snapshot = sinks;
  }
  if (snapshot->empty()) {
    return;
  }
  try {
    const LogRecord record{location, level, std::string(utf8Text)};
    for (const auto& sink : *snapshot) {
      try {
        sink->write(record);
      } catch (...) {
        // A broken sink must not turn a log message into a failure of the call
        // that logged it; the other sinks still get the record.
      }
    }
  } catch (...) {
    // Out of memory while copying the record: the message is lost, the caller is not.
  }
}

void Log::addSink(std::shared_ptr<LogSink> sink) {
  if (!sink) {
    return;
  }
  std::lock_guard lock(mutex);
  if (std::find(sinks->begin(), sinks->end(), sink) != sinks->end()) {
    return;
  }
  auto updated = std::make_shared<SinkList>(*sinks);
  updated->push_back(std::move(sink));
  sinks = std::move(updated);
}

void Log::removeSink(const std::shared_ptr<LogSink>& sink) {
  std::lock_guard lock(mutex);
  auto updated = std::make_shared<SinkList>(*sinks);
  const auto removed = std::remove(updated->begin(), updated->end(), sink);
  if (removed == updated->end()) {
    return;
  }
  updated->erase(removed, updated->end());
  sinks = std::move(updated);
}

std::string Log::levelName(int level) {
  switch (level) {
    case kTrace: return "trace";
    case kDebug: return "debug";
    case kInfo: return "info";
    case kCorrected: return "corrected";
    case kRefused: return "refused";
    case kFatal: return "fatal";
    default: return "level " + std::to_string(level);
  }
}

}  // namespace qel
