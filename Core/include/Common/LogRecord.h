#pragma once

#include "Common/SourceLocation.h"

#include <string>

namespace qel {

/// One message as it reaches the sinks: where it was raised, its level and its UTF-8 text.
struct LogRecord {
  SourceLocation location;
  int level = 0;
  std::string text;

  bool operator==(const LogRecord&) const = default;
};

}  // namespace qel
