#pragma once

#include <string>

namespace qel {

/// Where a log message comes from: the source file (as the caller chooses to shorten it),
/// the line and the qualified function name, e.g. "qel::GlobeManipulator::flyTo".
struct SourceLocation {
  std::string file;
  int line = 0;
  std::string function;

  bool operator==(const SourceLocation&) const = default;
};

}  // namespace qel
