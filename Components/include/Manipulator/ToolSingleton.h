#pragma once

#include <atomic>
#include <cstdlib>

#include "Common/AsyncSystem.h"

namespace qel {

/// The process-wide instance of one tool facade (`T`), shared by the editors and the
/// picker.
///
/// The first call of any kind creates the facade with `create` (a callable returning a
/// new `T*`; it runs once per process, under the thread-safe initialisation of a local
/// static). `destroy` true takes the instance, clears the pointer, deletes the facade
/// (which posts its detach from the viewer) and returns null; from then on every call
/// returns null for the rest of the process: a tool destroyed for good is never created
/// again, so callers must test the result.
///
/// At process exit the instance still held is deleted before `AsyncSystem` goes, because
/// the facade's destructor posts through it: the exit handler is registered after
/// `AsyncSystem`'s own static has been made, and exit handlers run in reverse order.
template <class T, class Create>
T* toolInstance(bool destroy, Create&& create) {
  static std::atomic<T*> pointer{nullptr};
  static const bool created = [&create] {
    (void)AsyncSystem::instance(false);
    pointer.store(create());
    std::atexit([] { delete pointer.exchange(nullptr); });
    return true;
  }();
  (void)created;
  if (destroy) {
    delete pointer.exchange(nullptr);
    return nullptr;
  }
  return pointer.load();
}

}  // namespace qel
