#pragma once

#include "Common/AsyncSystem.h"
#include "Common/CapturingLogSink.h"
#include "Common/Log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace qel::testing {

/// Gives each test a clean AsyncSystem (no main thread, nothing queued) and captures what
/// is logged while it runs.
class MainThreadFixture : public ::testing::Test {
protected:
    // How long the test's main thread sleeps waiting for work in one round.
    static constexpr std::chrono::milliseconds kIdleWait{1};
    // Idle rounds in a row before a waiting helper gives up (about ten seconds without
    // progress): a broken dispatch then fails the test instead of hanging the suite.
    static constexpr int kMaxRounds = 10000;

    void SetUp() override
    {
        AsyncSystem::instance(true);
        Log::getInstance().addSink(logged);
    }

    void TearDown() override
    {
        AsyncSystem::instance(true);
        Log::getInstance().removeSink(logged);
    }

    static AsyncSystem& system() { return AsyncSystem::instance(false); }

    /// Act as the main thread (drain what arrives) until `done` holds; false if it stopped
    /// making progress first.
    template<class Predicate>
    static bool drainUntil(Predicate done)
    {
        for (int idle = 0; idle < kMaxRounds && !done();) {
            idle = system().waitAndDrainMainThreadTasks(kIdleWait) > 0 ? 0 : idle + 1;
        }
        return done();
    }

    /// Wait, without running anything, until `n` tasks are queued; false if they never were.
    static bool waitForQueued(std::size_t n)
    {
        for (int round = 0; round < kMaxRounds && system().mainThreadTasks.size() < n; ++round) {
            std::this_thread::sleep_for(kIdleWait);
        }
        return system().mainThreadTasks.size() >= n;
    }

    std::shared_ptr<CapturingLogSink> logged = std::make_shared<CapturingLogSink>();
};

} // namespace qel::testing
