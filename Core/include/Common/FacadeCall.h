#pragma once

#include <boost/thread/exceptions.hpp>

#include <memory>
#include <type_traits>
#include <utility>

#include "Common/AsyncSystem.h"

namespace qel {

namespace detail {

/// What the facade's viewer reference (a std::weak_ptr or anything else with a `lock()`
/// giving a std::shared_ptr) points to.
template <class ViewerRef>
using LockedViewer = typename decltype(std::declval<const ViewerRef&>().lock())::element_type;

/// The work's result: `work(impl)` when it can be called so, else `work(impl, viewer)`.
template <class Work, class ImplT, class ViewerT>
struct WorkResult {
  using type = std::invoke_result_t<Work&, ImplT&, ViewerT&>;
};
template <class Work, class ImplT, class ViewerT>
requires std::is_invocable_v<Work&, ImplT&>
struct WorkResult<Work, ImplT, ViewerT> {
  using type = std::invoke_result_t<Work&, ImplT&>;
};

}  // namespace detail

/// How every public facade carries a call to the main thread.
///
/// A facade holds its implementation strongly and its viewer weakly. A call locks the
/// viewer (gone or ended: commands do nothing, queries return the type's default), builds
/// a closure that holds its own strong reference to the implementation and copies of the
/// arguments, posts it through `AsyncSystem::runInMainThread` and, for queries only,
/// waits. The locked viewer stays alive for the whole call, a query's wait included.
/// A command never waits, so an exception thrown by its work is lost; a query rethrows
/// it on the caller's thread.
///
/// The work is `work(impl)` or, where it needs the viewer, `work(impl, viewer)`. Only the
/// second form's closure holds the viewer: a queued call that does not need the viewer
/// must not keep it (and its scene) alive.
///
/// The viewer type must say whether it has ended (`bool hasEnded() const`, see
/// `ViewerImpl`; it must be a complete type where a call is made). One that has ended is
/// treated as gone, and a query
/// that was still waiting when it ended returns the default as well: the viewer's end
/// drops the queued work, and the broken promise that leaves is the ending, not a fault.
/// The same holds when the main thread is closed (`AsyncSystem::closeMainThread`, e.g.
/// the thread itself ended). A broken promise for any other reason (the queue reset by
/// hand, a cancelled task) reaches the caller as boost::broken_promise.
struct FacadeCall {
  /// Posts the work and returns at once.
  template <class ViewerRef, class ImplT, class Work>
  static void command(const ViewerRef& viewer, const std::shared_ptr<ImplT>& impl, Work&& work) {
    using ViewerT = detail::LockedViewer<ViewerRef>;
    using W = std::decay_t<Work>;
    const std::shared_ptr<ViewerT> locked = viewer.lock();
    if (!locked || !impl || locked->hasEnded()) return;
    AsyncSystem& async = AsyncSystem::instance(false);
    if constexpr (std::is_invocable_v<W&, ImplT&>) {
      (void)async.runInMainThread([impl, work = W(std::forward<Work>(work))]() mutable { work(*impl); });
    } else {
      static_assert(std::is_invocable_v<W&, ImplT&, ViewerT&>, "the work takes (impl) or (impl, viewer)");
      (void)async.runInMainThread(
          [impl, locked, work = W(std::forward<Work>(work))]() mutable { work(*impl, *locked); });
    }
    // The future is dropped at once: a command never waits.
  }

  /// Posts the work and waits for its result; the default value when the viewer is gone
  /// or ends meanwhile.
  template <class ViewerRef, class ImplT, class Work>
  static auto query(const ViewerRef& viewer, const std::shared_ptr<ImplT>& impl, Work&& work) ->
      typename detail::WorkResult<std::decay_t<Work>, ImplT, detail::LockedViewer<ViewerRef>>::type {
    using ViewerT = detail::LockedViewer<ViewerRef>;
    using W = std::decay_t<Work>;
    using Result = typename detail::WorkResult<W, ImplT, ViewerT>::type;
    const std::shared_ptr<ViewerT> locked = viewer.lock();
    if (!locked || !impl || locked->hasEnded()) return Result{};
    AsyncSystem& async = AsyncSystem::instance(false);
    auto post = [&] {
      if constexpr (std::is_invocable_v<W&, ImplT&>) {
        return async.runInMainThread(
            [impl, work = W(std::forward<Work>(work))]() mutable -> Result { return work(*impl); });
      } else {
        static_assert(std::is_invocable_v<W&, ImplT&, ViewerT&>, "the work takes (impl) or (impl, viewer)");
        return async.runInMainThread(
            [impl, locked, work = W(std::forward<Work>(work))]() mutable -> Result { return work(*impl, *locked); });
      }
    };
    auto future = post();
    try {
      return future.get();
    } catch (const boost::broken_promise&) {
      if (locked->hasEnded() || async.isMainThreadClosed()) return Result{};
      throw;
    }
  }
};

}  // namespace qel
