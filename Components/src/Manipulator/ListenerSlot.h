#pragma once

#include <memory>
#include <mutex>

#include "Common/FunctionWrapper.h"

namespace qel {

/// A one-shot per-frame listener's own handle, filled in once the publisher has handed
/// it out. The listener may run (and remove itself) on the main thread while the caller
/// that registered it is still storing the handle, so both sides go through the mutex.
struct ListenerSlot {
  std::mutex mutex;
  std::weak_ptr<FunctionWrapper> handle;

  /// Removes the listener if it is still registered; does nothing otherwise.
  void remove() {
    std::weak_ptr<FunctionWrapper> h;
    {
      std::lock_guard lock(mutex);
      h = handle;
    }
    if (const auto strong = h.lock()) (*strong)();
  }
};

}  // namespace qel
