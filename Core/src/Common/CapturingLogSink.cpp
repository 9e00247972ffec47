#include "Common/CapturingLogSink.h"

namespace qel {

void CapturingLogSink::write(const LogRecord& record) {
  std::lock_guard lock(mutex);
  kept.push_back(record);
}

std::vector<LogRecord> CapturingLogSink::records() const {
  std::lock_guard lock(mutex);
  return kept;
}

std::optional<LogRecord> CapturingLogSink::last() const {
  std::lock_guard lock(mutex);
  if (kept.empty()) {
    return std::nullopt;
  }
  return kept.back();
}

std::size_t CapturingLogSink::size() const {
  std::lock_guard lock(mutex);
  return kept.size();
}

void CapturingLogSink::clear() {
  std::lock_guard lock(mutex);
  kept.clear();
}

}  // namespace qel
