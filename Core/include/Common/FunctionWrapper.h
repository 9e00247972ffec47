#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace qel {

/// A move-only, type-erased callable taking no arguments. Unlike std::function it can hold
/// move-only closures (a closure owning a packaged task, a unique_ptr, ...).
/// Calling an empty wrapper does nothing.
class FunctionWrapper {
 public:
  struct impl_base {
    virtual void call() = 0;
    virtual ~impl_base();
  };

  template <class F>
  struct impl_type final : impl_base {
    explicit impl_type(F&& f) : function(std::move(f)) {}
    explicit impl_type(const F& f) : function(f) {}
    void call() override { function(); }
    F function;
  };

  FunctionWrapper() = default;

  template <class F>
  requires(!std::is_same_v<std::remove_cvref_t<F>, FunctionWrapper> && std::is_invocable_v<std::decay_t<F>&>)
      FunctionWrapper(F&& f)  // NOLINT(google-explicit-constructor): wraps like std::function
      : impl(std::make_unique<impl_type<std::decay_t<F>>>(std::forward<F>(f))) {}

  FunctionWrapper(FunctionWrapper&&) noexcept = default;
  FunctionWrapper& operator=(FunctionWrapper&&) noexcept = default;
  FunctionWrapper(const FunctionWrapper&) = delete;
  FunctionWrapper& operator=(const FunctionWrapper&) = delete;
  ~FunctionWrapper() = default;

  void operator()() {
    if (impl) {
      impl->call();
    }
  }

  explicit operator bool() const noexcept { return impl != nullptr; }

 private:
  std::unique_ptr<impl_base> impl;
};

}  // namespace qel
