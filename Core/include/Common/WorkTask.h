#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <tuple>
#include <type_traits>
#include <utility>

namespace qel {

/// A unit of work handed to a TaskQueue. Destroying a task that never ran is how work is
/// dropped: a packaged task inside then breaks its promise, so whoever waits on its
/// future gets boost::broken_promise instead of waiting forever.
class WorkTask {
 public:
  virtual ~WorkTask();
  /// Execute the work unless the task has been cancelled.
  virtual void run() = 0;
  /// Mark the task cancelled. A cancel that arrives while the task runs waits for the
  /// run to end; one that arrives first keeps the task from ever running.
  virtual void cancel() = 0;
};

/// The concrete task: a callable (a boost::packaged_task for work whose result or
/// completion somebody waits on, a plain closure for fire-and-forget work) and its
/// arguments (always an empty tuple in practice).
///
/// The cancelled flag lives inside the task: nothing outside it ever shares the flag, and
/// a separate reference-counted flag would cost every posted call one more allocation.
template <class F, class Tuple = std::tuple<>>
class WorkTaskImpl final : public WorkTask {
 public:
  explicit WorkTaskImpl(F&& f, Tuple&& args = Tuple{}) : function(std::move(f)), arguments(std::move(args)) {}

  void run() override {
    std::lock_guard lock(mutex);
    if (cancelled.load(std::memory_order_relaxed)) {
      return;
    }
    std::apply(function, arguments);
  }

  void cancel() override {
    std::lock_guard lock(mutex);
    cancelled.store(true, std::memory_order_relaxed);
  }

  bool isCancelled() const { return cancelled.load(std::memory_order_relaxed); }

 private:
  std::recursive_mutex mutex;
  // Written and read under `mutex`; atomic so that isCancelled may look without it.
  std::atomic<bool> cancelled{false};
  F function;
  Tuple arguments;
};

/// Wraps any no-argument callable (moved in) in a WorkTaskImpl.
template <class F>
std::unique_ptr<WorkTask> makeWorkTask(F&& f) {
  using Callable = std::decay_t<F>;
  Callable callable(std::forward<F>(f));
  return std::make_unique<WorkTaskImpl<Callable>>(std::move(callable));
}

}  // namespace qel
