#pragma once

namespace qel {

/// Base of everything the viewer delivers events to.
class EventHandler {
 public:
  virtual ~EventHandler() = default;
};

}  // namespace qel
