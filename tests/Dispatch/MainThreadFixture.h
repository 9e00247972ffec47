#pragma once

#include "Common/AsyncSystem.h"
#include "Common/CapturingLogSink.h"
#include "Common/Log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace qel::testing {

/// Runs `body` on a thread of its own and waits for it.
template <class Body>
void onOtherThread(Body body) {
  std::thread(body).join();
}

/// A clean AsyncSystem per test (no main thread, nothing queued) and a capture of the log.
class MainThreadFixture : public ::testing::Test {
 protected:
  static constexpr std::chrono::milliseconds kIdleWait{1};
  // About ten seconds without progress: a broken dispatch fails instead of hanging.
  static constexpr int kMaxRounds = 10000;

  void SetUp() override {
    AsyncSystem::instance(true);
    Log::getInstance().addSink(logged);
  }
  void TearDown() override {
    AsyncSystem::instance(true);
    Log::getInstance().removeSink(logged);
  }

  static AsyncSystem& system() { return AsyncSystem::instance(false); }

  /// Act as the main thread until `done` holds; false if progress stopped first.
  template <class Predicate>
  static bool drainUntil(Predicate done) {
    for (int idle = 0; idle < kMaxRounds && !done();) {
      idle = system().waitAndDrainMainThreadTasks(kIdleWait) > 0 ? 0 : idle + 1;
    }
    return done();
  }

  /// Wait, running nothing, until `n` tasks are queued.
  static bool waitForQueued(std::size_t n) {
    for (int round = 0; round < kMaxRounds && system().mainThreadTasks.size() < n; ++round) {
      std::this_thread::sleep_for(kIdleWait);
    }
    return system().mainThreadTasks.size() >= n;
  }

  std::shared_ptr<CapturingLogSink> logged = std::make_shared<CapturingLogSink>();
};

}  // namespace qel::testing
