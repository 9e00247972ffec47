#include "Common/AsyncSystem.h"

#include "Common/Log.h"

#include <boost/exception/exception.hpp>

#include <exception>

#include <unistd.h>

namespace qel {

namespace detail {

void rethrowForFuture() {
#ifndef BOOST_NO_CXX11_HDR_EXCEPTION
  // Boost's own exception capture recognises this wrapper and carries the
  // std::exception_ptr inside untouched; the future's get() rethrows the original object.
  throw boost::enable_current_exception(boost::exception_detail::std_exception_ptr_wrapper(std::current_exception()));
#else
  throw;
#endif
}

}  // namespace detail

namespace {

/// Closes the main thread's queue when that thread ends while still registered: tasks
/// posted to it afterwards would otherwise wait for ever.
struct MainThreadExitGuard {
  bool armed = false;
  ~MainThreadExitGuard() {
    if (armed) {
      AsyncSystem::instance(false).closeMainThread(AsyncSystem::currentThreadId());
    }
  }
};

}  // namespace

AsyncSystem& AsyncSystem::instance(bool reset) {
  static AsyncSystem system;
  if (reset) {
    std::lock_guard lock(system.registration);
    system.unregisterMainThread();
    system.discardMainThreadTasks();
    system.mainThreadTasks.reopen();
  }
  return system;
}

std::uint32_t AsyncSystem::currentThreadId() {
  // Asked on every post; the system call is made once per thread.
  thread_local const std::uint32_t id = static_cast<std::uint32_t>(gettid());
  return id;
}

void AsyncSystem::registerMainThread() {
  thread_local MainThreadExitGuard exitGuard;
  exitGuard.armed = true;
  std::lock_guard lock(registration);
  // The id is published before the flag, so a poster that sees the flag sees the id.
  mainThreadId.store(currentThreadId(), std::memory_order_release);
  hasMainThreadId.store(true, std::memory_order_release);
  mainThreadTasks.reopen();
}

bool AsyncSystem::closeMainThread(std::uint32_t threadId) {
  std::lock_guard lock(registration);
  if (!hasMainThreadId.load(std::memory_order_acquire) || mainThreadId.load(std::memory_order_acquire) != threadId) {
    return false;
  }
  mainThreadTasks.close();
  return true;
}

void AsyncSystem::unregisterMainThread() { hasMainThreadId.store(false, std::memory_order_release); }

bool AsyncSystem::isMainThread() const {
  return hasMainThreadId.load(std::memory_order_acquire) &&
         mainThreadId.load(std::memory_order_acquire) == currentThreadId();
}

bool AsyncSystem::mayDrain(const char* function) const {
  if (!hasMainThreadId.load(std::memory_order_acquire) || isMainThread()) {
    return true;
  }
  Log::getInstance().log(SourceLocation{"Core/src/Common/AsyncSystem.cpp", __LINE__, function}, Log::kRefused,
                         "Main-thread tasks can only be run on the registered main thread.");
  return false;
}

std::size_t AsyncSystem::drainMainThreadTasks() {
  if (!mayDrain("qel::AsyncSystem::drainMainThreadTasks")) {
    return 0;
  }
  return mainThreadTasks.runAll();
}

std::size_t AsyncSystem::waitAndDrainMainThreadTasks(std::chrono::milliseconds timeout) {
  if (!mayDrain("qel::AsyncSystem::waitAndDrainMainThreadTasks")) {
    return 0;
  }
  if (!mainThreadTasks.waitForTask(timeout)) {
    return 0;
  }
  return mainThreadTasks.runAll();
}

void AsyncSystem::discardMainThreadTasks() { mainThreadTasks.clear(); }

}  // namespace qel
