#pragma once

#include "Common/TaskQueue.h"
#include "Common/WorkTask.h"

#include <boost/thread/future.hpp>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
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
class AsyncSystem {
 public:
  /// The process-wide instance. `reset` true is for tests and shutdown: it clears the
  /// main-thread registration and destroys the pending tasks (their waiting queries end
  /// with boost::broken_promise). The object itself is never destroyed, so references
  /// handed out earlier stay valid. The library always passes false.
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

  /// Make the calling thread the main thread (replacing any earlier registration).
  void registerMainThread();
  /// Forget the main thread: from now on calls run inline on their caller. Tasks already
  /// queued stay queued; drain or discard them.
  void unregisterMainThread();
  bool isMainThread() const;

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
};

}  // namespace qel
