#pragma once

#include "Common/TaskQueue.h"
#include "Common/WorkTask.h"

#include <boost/thread/future.hpp>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

namespace qel {

namespace detail {
/// Rethrows the exception being handled in a form that a boost::future hands back
/// unchanged. Must be called inside a catch block.
[[noreturn]] void rethrowForFuture();
}  // namespace detail

/// Carries work to the main (render) thread.
///
/// The host registers its main thread once (`registerMainThread`) and drains
/// `mainThreadTasks` every frame. Until a main thread is registered, every call runs at
/// once on the calling thread (tests use both modes).
///
/// When the main thread will not drain again (its viewer ended, or the thread itself
/// ended while still registered), the host closes it (`closeMainThread`): calls from
/// other threads then fail at once with boost::broken_promise instead of waiting for ever
/// or running on their callers beside a main thread that may still be using what they
/// touch.
class AsyncSystem {
 public:
  /// The process-wide instance. `reset` true is for tests and shutdown: it clears the
  /// main-thread registration, destroys the pending tasks (their waiting queries end
  /// with boost::broken_promise) and opens a closed queue again. The library always
  /// passes false.
  static AsyncSystem& instance(bool reset);

  AsyncSystem(const AsyncSystem&) = delete;
  AsyncSystem& operator=(const AsyncSystem&) = delete;

  /// Run `f` on the main thread and hand back its result (or what it threw) through the
  /// future. Called on the main thread, or while none is registered, `f` runs before
  /// this returns and the future is ready; otherwise `f` is queued behind everything
  /// posted before it and runs at the main thread's next drain. Throws only if memory or
  /// a lock cannot be had.
  template <class F>
  auto runInMainThread(F&& f) -> boost::future<std::invoke_result_t<F>> {
    using Result = std::invoke_result_t<F>;
    using Task = boost::packaged_task<Result()>;
    // Boost stores an exception derived from one of the standard exceptions as that
    // standard base, so a query would lose the type its work threw. Routing every
    // exception through detail::rethrowForFuture keeps it whole.
    Task task([work = std::forward<F>(f)]() mutable -> Result {
      try {
        return work();
      } catch (...) {
        detail::rethrowForFuture();
      }
    });
    boost::future<Result> future = task.get_future();
    if (hasMainThreadId.load(std::memory_order_acquire) &&
        currentThreadId() != mainThreadId.load(std::memory_order_acquire)) {
      mainThreadTasks.push(std::make_unique<WorkTaskImpl<Task>>(std::move(task)));
      return future;
    }
    task();
    return future;
  }

  /// The operating system's id of the calling thread (gettid).
  static std::uint32_t currentThreadId();

  /// Make the calling thread the main thread (replacing any earlier registration) and
  /// open the queue if it was closed. Should that thread end while still registered,
  /// the queue is closed as by `closeMainThread`: nobody is left to drain it.
  void registerMainThread();
  /// Forget the main thread: from now on calls run inline on their caller. Tasks already
  /// queued stay queued; drain or discard them.
  void unregisterMainThread();
  bool isMainThread() const;

  /// The main thread with the operating-system id `threadId` will not drain again.
  /// Does nothing (returns false) unless it is the registered one. The registration
  /// stays, so calls on that thread still run inline; the tasks queued now are destroyed
  /// (their queries end with boost::broken_promise) and every later call from another
  /// thread fails the same way at once, before this returns to nobody. Safe from any
  /// thread; a later `registerMainThread` or `instance(true)` opens the queue again.
  bool closeMainThread(std::uint32_t threadId);
  /// The registered main thread has been closed.
  bool isMainThreadClosed() const { return mainThreadTasks.isClosed(); }

  /// Run the tasks queued now (on the main thread; see TaskQueue::runAll) and return how
  /// many were taken. Refused (logged, nothing runs) on any thread other than the
  /// registered main thread, since the work may touch main-thread-only objects.
  std::size_t drainMainThreadTasks();
  /// Wait up to `timeout` for work, then drain. For a main thread that has nothing else
  /// to do between frames.
  std::size_t waitAndDrainMainThreadTasks(std::chrono::milliseconds timeout);
  /// Destroy the pending tasks without running them: queries waiting on them end with
  /// boost::broken_promise instead of hanging.
  void discardMainThreadTasks();

  TaskQueue mainThreadTasks;
  std::atomic<std::uint32_t> mainThreadId{0};
  std::atomic<bool> hasMainThreadId{false};

 private:
  AsyncSystem() = default;
  bool mayDrain(const char* function) const;

  // Serialises registering and closing, which may come from different threads (a
  // viewer's application dropping it on one, the main thread registering on another).
  std::mutex registration;
};

}  // namespace qel
