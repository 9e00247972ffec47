#include "Common/ConsoleLogSink.h"

#include "Common/Log.h"

#include <iostream>
#include <string>

namespace qel {

ConsoleLogSink::ConsoleLogSink() : stream(&std::cerr) {}

ConsoleLogSink::ConsoleLogSink(std::ostream& target) : stream(&target) {}

std::string ConsoleLogSink::format(const LogRecord& record) {
  std::string line;
  line.append("[").append(Log::levelName(record.level)).append("] ");
  line.append(record.location.file).append(":").append(std::to_string(record.location.line));
  if (!record.location.function.empty()) {
    line.append(" ").append(record.location.function);
  }
  line.append(": ").append(record.text);
  return line;
}

void ConsoleLogSink::write(const LogRecord& record) {
  // Format outside the lock; only the write itself needs to be exclusive.
  std::string line = format(record);
  line += '\n';
  std::lock_guard lock(mutex);
  *stream << line << std::flush;
}

}  // namespace qel
