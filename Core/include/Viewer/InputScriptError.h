#pragma once

#include <stdexcept>
#include <string>

namespace qel {

/// A script that cannot be read or understood. The message names the source and the
/// place: "tour.json:3:14: ..." for malformed JSON (line and column), or
/// "tour.json: steps[12].button: unknown button \"lft\"" for a step that makes no sense.
class InputScriptError : public std::runtime_error {
 public:
  explicit InputScriptError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace qel
