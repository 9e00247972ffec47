#pragma once

#include <memory>
#include <mutex>
#include <utility>

namespace qel {

/// A weak pointer that one thread may replace while others lock it: what a facade keeps
/// of its viewer, set on the main thread when a viewer takes it and read by calls from any
/// thread. A plain std::weak_ptr written on one thread and copied on another is a data
/// race; a short lock around the pointer is far cheaper than the call it guards.
template <class T>
class GuardedWeakPtr {
 public:
  GuardedWeakPtr() = default;
  GuardedWeakPtr(std::weak_ptr<T> pointer) : pointer_(std::move(pointer)) {}  // NOLINT: reads like a weak_ptr
  GuardedWeakPtr(const GuardedWeakPtr&) = delete;
  GuardedWeakPtr& operator=(const GuardedWeakPtr&) = delete;

  /// The object if it still exists, else null (as std::weak_ptr::lock).
  std::shared_ptr<T> lock() const {
    std::lock_guard guard(mutex_);
    return pointer_.lock();
  }
  std::weak_ptr<T> load() const {
    std::lock_guard guard(mutex_);
    return pointer_;
  }
  bool expired() const {
    std::lock_guard guard(mutex_);
    return pointer_.expired();
  }
  void store(std::weak_ptr<T> pointer) {
    std::lock_guard guard(mutex_);
    // The old pointer is swapped out and released after the lock: dropping the last
    // weak reference frees a control block, which need not happen under the lock.
    pointer_.swap(pointer);
  }
  GuardedWeakPtr& operator=(std::weak_ptr<T> pointer) {
    store(std::move(pointer));
    return *this;
  }
  operator std::weak_ptr<T>() const { return load(); }  // NOLINT: reads like a weak_ptr

 private:
  mutable std::mutex mutex_;
  std::weak_ptr<T> pointer_;
};

}  // namespace qel
