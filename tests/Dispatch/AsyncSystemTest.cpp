#include "MainThreadFixture.h"

#include <boost/thread/exceptions.hpp>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace qel {
namespace {

using testing::MainThreadFixture;

struct WorkFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The two situations in which a call runs on its caller's thread at once.
enum class InlineMode { NoMainThread, CalledOnMainThread };

class InlineDispatchTest : public MainThreadFixture, public ::testing::WithParamInterface<InlineMode> {
protected:
    void SetUp() override
    {
        MainThreadFixture::SetUp();
        if (GetParam() == InlineMode::CalledOnMainThread) {
            system().registerMainThread();
        }
    }
};

TEST_P(InlineDispatchTest, CommandHasRunBeforeTheCallReturns)
{
    int value = 0;
    auto done = system().runInMainThread([&value] { value = 7; });
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(done.is_ready());
    EXPECT_EQ(system().mainThreadTasks.size(), 0u);
}

TEST_P(InlineDispatchTest, QueryReturnsTheCurrentValue)
{
    int state = 3;
    EXPECT_EQ(system().runInMainThread([&state] { return state; }).get(), 3);
    state = 5;
    EXPECT_EQ(system().runInMainThread([&state] { return state; }).get(), 5);
}

TEST_P(InlineDispatchTest, CommandFailureDoesNotReachTheCaller)
{
    EXPECT_NO_THROW(system().runInMainThread([] { throw WorkFailed("lost"); }));
    EXPECT_EQ(logged->size(), 0u);
}

TEST_P(InlineDispatchTest, QueryRethrowsWhatTheWorkThrew)
{
    auto answer = system().runInMainThread([]() -> int { throw WorkFailed("no answer"); });
    EXPECT_THROW(answer.get(), WorkFailed);
}

INSTANTIATE_TEST_SUITE_P(Modes, InlineDispatchTest,
                         ::testing::Values(InlineMode::NoMainThread, InlineMode::CalledOnMainThread),
                         [](const auto& info) {
                             return info.param == InlineMode::NoMainThread ? std::string("NoMainThread")
                                                                           : std::string("OnMainThread");
                         });

class MainThreadDispatchTest : public MainThreadFixture {
protected:
    void SetUp() override
    {
        MainThreadFixture::SetUp();
        system().registerMainThread();
    }
};

TEST_F(MainThreadDispatchTest, CommandFromAnotherThreadWaitsForTheNextDrain)
{
    bool ran = false;
    std::thread poster([&ran] { system().runInMainThread([&ran] { ran = true; }); });
    poster.join();

    EXPECT_FALSE(ran);
    EXPECT_EQ(system().mainThreadTasks.size(), 1u);
    EXPECT_EQ(system().drainMainThreadTasks(), 1u);
    EXPECT_TRUE(ran);
    EXPECT_EQ(system().mainThreadTasks.size(), 0u);
}

TEST_F(MainThreadDispatchTest, TasksRunInPostingOrderAfterEverythingPostedEarlier)
{
    std::vector<std::string> order;
    auto post = [&order](std::vector<std::string> names) {
        std::thread poster([&order, names] {
            for (const auto& name : names) {
                system().runInMainThread([&order, name] { order.push_back(name); });
            }
        });
        poster.join();
    };
    post({"a1", "a2", "a3"});
    post({"b1", "b2"});

    EXPECT_EQ(system().drainMainThreadTasks(), 5u);
    EXPECT_EQ(order, (std::vector<std::string>{"a1", "a2", "a3", "b1", "b2"}));
}

TEST_F(MainThreadDispatchTest, QueryFromAnotherThreadIsAnsweredOnTheMainThread)
{
    const std::uint32_t mainId = AsyncSystem::currentThreadId();
    std::atomic<bool> answered{false};
    std::uint32_t ranOn = 0;
    std::thread asker([&] {
        ranOn = system().runInMainThread([] { return AsyncSystem::currentThreadId(); }).get();
        answered = true;
    });
    EXPECT_TRUE(drainUntil([&] { return answered.load(); }));
    asker.join();
    EXPECT_EQ(ranOn, mainId);
}

TEST_F(MainThreadDispatchTest, QueryFailureIsRethrownInTheAskingThread)
{
    std::atomic<bool> finished{false};
    std::string caught;
    std::thread asker([&] {
        try {
            system().runInMainThread([]() -> bool { throw WorkFailed("viewer busy"); }).get();
        } catch (const WorkFailed& error) {
            caught = error.what();
        } catch (const std::exception& error) {
            caught = std::string("another type: ") + error.what();
        }
        finished = true;
    });
    EXPECT_TRUE(drainUntil([&] { return finished.load(); }));
    asker.join();
    EXPECT_EQ(caught, "viewer busy");
}

TEST_F(MainThreadDispatchTest, CommandFailureIsLostAndLaterTasksStillRun)
{
    bool laterRan = false;
    std::thread poster([&laterRan] {
        system().runInMainThread([] { throw WorkFailed("lost"); });
        system().runInMainThread([&laterRan] { laterRan = true; });
    });
    poster.join();

    EXPECT_NO_THROW(EXPECT_EQ(system().drainMainThreadTasks(), 2u));
    EXPECT_TRUE(laterRan);
}

TEST_F(MainThreadDispatchTest, CancelledQueryNeverRunsAndItsCallerGetsBrokenPromise)
{
    bool ran = false;
    std::atomic<bool> broken{false};
    std::thread asker([&] {
        try {
            system().runInMainThread([&ran] { ran = true; return 1; }).get();
        } catch (const boost::broken_promise&) {
            broken = true;
        }
    });
    ASSERT_TRUE(waitForQueued(1));
    std::unique_ptr<WorkTask> task = system().mainThreadTasks.tryPop();
    ASSERT_NE(task, nullptr);
    task->cancel();
    task->run();
    task.reset();
    asker.join();

    EXPECT_FALSE(ran);
    EXPECT_TRUE(broken);
}

TEST_F(MainThreadDispatchTest, DiscardingPendingTasksReleasesWaitingQueries)
{
    constexpr int kAskers = 3;
    bool ran = false;
    std::atomic<int> broken{0};
    std::vector<std::thread> askers;
    for (int i = 0; i < kAskers; ++i) {
        askers.emplace_back([&] {
            try {
                system().runInMainThread([&ran] { ran = true; return 1; }).get();
            } catch (const boost::broken_promise&) {
                ++broken;
            }
        });
    }
    ASSERT_TRUE(waitForQueued(kAskers));
    system().discardMainThreadTasks();
    for (auto& asker : askers) {
        asker.join();
    }
    EXPECT_FALSE(ran);
    EXPECT_EQ(broken, kAskers);
    EXPECT_EQ(system().mainThreadTasks.size(), 0u);
}

TEST_F(MainThreadDispatchTest, DrainingFromAnotherThreadIsRefused)
{
    bool ran = false;
    std::size_t takenElsewhere = 1;
    std::thread intruder([&] {
        system().runInMainThread([&ran] { ran = true; });
        takenElsewhere = system().drainMainThreadTasks();
    });
    intruder.join();

    EXPECT_EQ(takenElsewhere, 0u);
    EXPECT_FALSE(ran);
    ASSERT_EQ(logged->size(), 1u);
    EXPECT_EQ(logged->last()->level, Log::kRefused);
    EXPECT_EQ(logged->last()->location.function, "qel::AsyncSystem::drainMainThreadTasks");

    EXPECT_EQ(system().drainMainThreadTasks(), 1u);
    EXPECT_TRUE(ran);
}

TEST_F(MainThreadDispatchTest, ResetForgetsTheMainThreadAndDropsPendingWork)
{
    bool ran = false;
    std::thread poster([&ran] { system().runInMainThread([&ran] { ran = true; }); });
    poster.join();
    ASSERT_EQ(system().mainThreadTasks.size(), 1u);

    AsyncSystem& same = AsyncSystem::instance(true);
    EXPECT_EQ(&same, &system());
    EXPECT_FALSE(system().hasMainThreadId.load());
    EXPECT_EQ(system().mainThreadTasks.size(), 0u);
    EXPECT_FALSE(ran);

    // With no main thread, calls from any thread run at once again.
    std::thread later([&ran] { system().runInMainThread([&ran] { ran = true; }); });
    later.join();
    EXPECT_TRUE(ran);
}

TEST_F(MainThreadDispatchTest, UnregisteredMainThreadMakesCallsRunInline)
{
    system().unregisterMainThread();
    std::uint32_t ranOn = 0;
    std::uint32_t askerId = 0;
    std::thread asker([&] {
        askerId = AsyncSystem::currentThreadId();
        ranOn = system().runInMainThread([] { return AsyncSystem::currentThreadId(); }).get();
    });
    asker.join();
    EXPECT_EQ(ranOn, askerId);
    EXPECT_NE(ranOn, AsyncSystem::currentThreadId());
}

} // namespace
} // namespace qel
