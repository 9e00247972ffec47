#pragma once

#include <memory>
#include <type_traits>
#include <utility>

#include "Common/AsyncSystem.h"
#include "Common/FacadeCall.h"
#include "Viewer/Viewer.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

/// What the editors and the picker share as public facades: the two references (`viewer`
/// weakly, empty until `bind`; `impl` strongly, made with the facade in one allocation),
/// binding to one viewer, detaching when destroyed, and the calls carried to the main
/// thread.
///
/// `ImplT` is the tool's implementation. It lives on the main thread and provides:
///  - `void attachTo(ViewerImpl& viewer, const std::shared_ptr<ImplT>& self)`: register
///    with a viewer that is alive (handler, and primitive for the feature editors);
///  - `void detachFrom(ViewerImpl* viewer)`: undo that on rebinding; `viewer` is null
///    when the old viewer is gone by the time the closure runs (the tool still forgets
///    its scene);
///  - `void releaseFrom(ViewerImpl& viewer)`: the final detach of a destroyed facade.
/// The closures hold the viewer weakly and `impl` strongly, so a viewer destroyed first
/// is skipped and the implementation outlives its facade until they have run.
template <class ImplT>
class ToolFacade {
 public:
  /// Detaches from the current viewer, then attaches to `viewer` (null: only detach).
  /// Neither step is waited for; the detach is posted first and therefore runs first.
  /// Binding twice to the same viewer detaches and attaches again: the tool stays
  /// registered once.
  void bind(Viewer* viewer) {
    if (std::shared_ptr<ViewerImpl> old = viewer_.lock()) {
      post([weakViewer = std::weak_ptr<ViewerImpl>(old), impl = impl_] {
        std::shared_ptr<ViewerImpl> alive = weakViewer.lock();
        impl->detachFrom(alive.get());
      });
    }
    viewer_.reset();
    if (viewer == nullptr) return;
    std::shared_ptr<ViewerImpl> target = viewer->_getImplShared();
    if (!target) return;
    post([weakViewer = std::weak_ptr<ViewerImpl>(target), impl = impl_] {
      if (std::shared_ptr<ViewerImpl> alive = weakViewer.lock()) impl->attachTo(*alive, impl);
    });
    viewer_ = target;
  }

  /// The implementation, for the SDK's own modules and tests (main thread only).
  ImplT& _getImplHandle() const noexcept { return *impl_; }

 protected:
  ToolFacade() : impl_(std::make_shared<ImplT>()) {}
  /// Copies share the implementation and the viewer (the model editor's copies).
  ToolFacade(const ToolFacade&) = default;
  ToolFacade& operator=(const ToolFacade&) = default;

  /// Posts the final detach when bound; the implementation stays alive until it has run.
  ~ToolFacade() {
    if (std::shared_ptr<ViewerImpl> bound = viewer_.lock()) {
      post([weakViewer = std::weak_ptr<ViewerImpl>(bound), impl = impl_] {
        if (std::shared_ptr<ViewerImpl> alive = weakViewer.lock()) impl->releaseFrom(*alive);
      });
    }
  }

  /// Posts `work(ImplT&, ViewerImpl&)` and returns at once; dropped when unbound.
  template <class Work>
  void command(Work&& work) const {
    FacadeCall::command(viewer_, impl_, std::forward<Work>(work));
  }
  /// Posts `work(ImplT&, ViewerImpl&)` and waits for its result; the result type's
  /// default when unbound.
  template <class Work>
  auto query(Work&& work) const {
    return FacadeCall::query(viewer_, impl_, std::forward<Work>(work));
  }

  ImplT& impl() const noexcept { return *impl_; }
  /// The bound viewer, if it still exists: for the checks a call makes on its caller's
  /// thread before it posts anything.
  std::shared_ptr<ViewerImpl> lockViewer() const noexcept { return viewer_.lock(); }

 private:
  template <class F>
  static void post(F&& f) {
    auto future = AsyncSystem::instance(false).runInMainThread(std::forward<F>(f));
    (void)future;  // bind and the destructor never wait
  }

  std::weak_ptr<ViewerImpl> viewer_;
  std::shared_ptr<ImplT> impl_;
};

}  // namespace qel
