#pragma once

#include "Common/LogRecord.h"

namespace qel {

/// A destination for log records. `write` may be called from any thread at the same
/// time, so a sink guards its own state.
class LogSink {
 public:
  virtual ~LogSink();
  virtual void write(const LogRecord& record) = 0;
};

}  // namespace qel
