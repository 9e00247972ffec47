#pragma once

namespace qel {

/// Base of every event the viewer delivers to its handlers.
class Event {
 public:
  virtual ~Event() = default;
};

}  // namespace qel
