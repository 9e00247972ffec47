#pragma once

#include <memory>
#include <type_traits>
#include <utility>

#include "Common/AsyncSystem.h"

namespace qel {

/// How every public facade carries a call to the main thread.
///
/// A facade holds its implementation strongly and its viewer weakly. A call locks the
/// viewer (gone: commands do nothing, queries return the type's default), builds a
/// closure that holds its own strong reference to the implementation and copies of the
/// arguments, posts it through `AsyncSystem::runInMainThread` and, for queries only,
/// waits. The locked viewer stays alive for the whole call, a query's wait included.
/// A command never waits, so an exception thrown by its work is lost; a query rethrows
/// it on the caller's thread.
struct FacadeCall {
  /// Posts `work(impl, viewer)` and returns at once.
  template <class ViewerT, class ImplT, class Work>
  static void command(const std::weak_ptr<ViewerT>& viewer, const std::shared_ptr<ImplT>& impl, Work&& work) {
    std::shared_ptr<ViewerT> locked = viewer.lock();
    if (!locked || !impl) return;
    auto future = AsyncSystem::instance(false).runInMainThread(
        [impl, locked, work = std::forward<Work>(work)]() mutable { work(*impl, *locked); });
    (void)future;  // dropped at once: a command never waits
  }

  /// Posts `work(impl, viewer)` and waits for its result; a default value when the
  /// viewer is gone.
  template <class ViewerT, class ImplT, class Work>
  static auto query(const std::weak_ptr<ViewerT>& viewer, const std::shared_ptr<ImplT>& impl, Work&& work)
      -> std::invoke_result_t<Work&, ImplT&, ViewerT&> {
    using Result = std::invoke_result_t<Work&, ImplT&, ViewerT&>;
    std::shared_ptr<ViewerT> locked = viewer.lock();
    if (!locked || !impl) return Result{};
    auto future = AsyncSystem::instance(false).runInMainThread(
        [impl, locked, work = std::forward<Work>(work)]() mutable -> Result { return work(*impl, *locked); });
    return future.get();
  }
};

}  // namespace qel
