#pragma once

#include "Common/LogSink.h"

#include <iosfwd>
#include <mutex>
#include <string>

namespace qel {

/// Writes each record as one line to a stream (stderr unless another is given):
/// "[<level>] <file>:<line> <function>: <text>". Lines of concurrent writers never interleave.
class ConsoleLogSink final : public LogSink {
 public:
  ConsoleLogSink();
  /// The stream must outlive the sink.
  explicit ConsoleLogSink(std::ostream& stream);

  void write(const LogRecord& record) override;

  /// The line `write` prints for a record, without the trailing newline.
  static std::string format(const LogRecord& record);

 private:
  std::mutex mutex;
  std::ostream* stream;
};

}  // namespace qel
