#pragma once

#include "Common/LogSink.h"

#include <cstddef>
#include <mutex>
#include <optional>
#include <vector>

namespace qel {

/// Keeps every record it is given, so that a test can check what was logged, with which
/// level and from where. Safe to use from several threads.
class CapturingLogSink final : public LogSink {
 public:
  void write(const LogRecord& record) override;

  /// A copy of the records kept so far, oldest first.
  std::vector<LogRecord> records() const;
  /// The newest record, if any.
  std::optional<LogRecord> last() const;
  std::size_t size() const;
  void clear();

 private:
  mutable std::mutex mutex;
  std::vector<LogRecord> kept;
};

}  // namespace qel
