#include "Common/CapturingLogSink.h"
#include "Common/Log.h"
#include "Common/TaskQueue.h"

#include <boost/thread/future.hpp>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace qel {
namespace {

// Long enough to notice that a cancel did not wait for a running task, short enough to
// keep the suite quick. It only ever delays a passing run; it cannot make one fail.
constexpr std::chrono::milliseconds kObserveWindow{50};
// Enough tasks that freeing the queue recursively would overflow an 8 MiB stack.
constexpr int kDeepQueue = 300000;

std::unique_ptr<WorkTask> recorder(std::vector<int>& log, int value)
{
    return makeWorkTask([&log, value] { log.push_back(value); });
}

class TaskQueueTest : public ::testing::Test {
protected:
    void SetUp() override { Log::getInstance().addSink(logged); }
    void TearDown() override { Log::getInstance().removeSink(logged); }

    TaskQueue queue;
    std::shared_ptr<CapturingLogSink> logged = std::make_shared<CapturingLogSink>();
};

TEST_F(TaskQueueTest, PopsInPushOrderAndCountsWhatIsQueued)
{
    std::vector<int> ran;
    EXPECT_EQ(queue.tryPop(), nullptr);
    for (int i = 1; i <= 3; ++i) {
        queue.push(recorder(ran, i));
    }
    queue.push(nullptr);
    EXPECT_EQ(queue.size(), 3u);

    while (auto task = queue.tryPop()) {
        task->run();
    }
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(queue.empty());
}

TEST_F(TaskQueueTest, WaitPopGivesUpOnAnEmptyQueueAndWakesForAPush)
{
    EXPECT_EQ(queue.waitPop(std::chrono::milliseconds(1)), nullptr);

    std::vector<int> ran;
    std::thread producer([&] { queue.push(recorder(ran, 9)); });
    auto task = queue.waitPop(std::chrono::seconds(10));
    producer.join();
    ASSERT_NE(task, nullptr);
    task->run();
    EXPECT_EQ(ran, std::vector<int>{9});
}

TEST_F(TaskQueueTest, RunAllLeavesWorkPostedByTasksForTheNextRound)
{
    std::vector<int> ran;
    queue.push(makeWorkTask([&] {
        ran.push_back(1);
        queue.push(recorder(ran, 2));
    }));
    EXPECT_EQ(queue.runAll(), 1u);
    EXPECT_EQ(ran, std::vector<int>{1});
    EXPECT_EQ(queue.size(), 1u);

    EXPECT_EQ(queue.runAll(), 1u);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_EQ(queue.runAll(), 0u);
}

TEST_F(TaskQueueTest, FailingTaskIsLoggedAndTheRestStillRun)
{
    std::vector<int> ran;
    queue.push(recorder(ran, 1));
    queue.push(makeWorkTask([] { throw std::runtime_error("model gone"); }));
    queue.push(recorder(ran, 3));

    EXPECT_EQ(queue.runAll(), 3u);
    EXPECT_EQ(ran, (std::vector<int>{1, 3}));
    ASSERT_EQ(logged->size(), 1u);
    EXPECT_EQ(logged->last()->level, Log::kRefused);
    EXPECT_NE(logged->last()->text.find("model gone"), std::string::npos);
}

TEST_F(TaskQueueTest, ClearDropsTasksWithoutRunningThemAndBreaksTheirPromises)
{
    bool ran = false;
    boost::packaged_task<int()> work([&ran] { ran = true; return 1; });
    boost::future<int> answer = work.get_future();
    queue.push(std::make_unique<WorkTaskImpl<boost::packaged_task<int()>>>(std::move(work)));
    queue.push(makeWorkTask([&ran] { ran = true; }));

    queue.clear();
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(queue.runAll(), 0u);
    EXPECT_FALSE(ran);
    EXPECT_THROW(answer.get(), boost::broken_promise);

    // The queue is still usable afterwards.
    std::vector<int> later;
    queue.push(recorder(later, 4));
    EXPECT_EQ(queue.runAll(), 1u);
    EXPECT_EQ(later, std::vector<int>{4});
}

TEST_F(TaskQueueTest, DestroyingALongQueueDoesNotExhaustTheStack)
{
    auto deep = std::make_unique<TaskQueue>();
    for (int i = 0; i < kDeepQueue; ++i) {
        deep->push(makeWorkTask([] {}));
    }
    EXPECT_EQ(deep->size(), static_cast<std::size_t>(kDeepQueue));
    deep.reset();
    SUCCEED();
}

TEST(WorkTaskTest, CancelledTaskNeverRuns)
{
    bool ran = false;
    auto task = makeWorkTask([&ran] { ran = true; });
    task->cancel();
    task->run();
    EXPECT_FALSE(ran);
}

TEST(WorkTaskTest, CancelWaitsForARunThatHasStarted)
{
    std::atomic<bool> started{false};
    std::atomic<bool> release{false};
    std::atomic<bool> cancelReturned{false};
    auto task = makeWorkTask([&] {
        started = true;
        while (!release) {
            std::this_thread::yield();
        }
    });
    std::thread runner([&] { task->run(); });
    while (!started) {
        std::this_thread::yield();
    }
    std::thread canceller([&] {
        task->cancel();
        cancelReturned = true;
    });
    std::this_thread::sleep_for(kObserveWindow);
    EXPECT_FALSE(cancelReturned);
    release = true;
    runner.join();
    canceller.join();
    EXPECT_TRUE(cancelReturned);
}

TEST(WorkTaskTest, PackagedTaskDeliversItsResultThroughTheFuture)
{
    boost::packaged_task<std::string()> work([] { return std::string("ready"); });
    boost::future<std::string> answer = work.get_future();
    WorkTaskImpl<boost::packaged_task<std::string()>> task(std::move(work));
    task.run();
    ASSERT_TRUE(answer.is_ready());
    EXPECT_EQ(answer.get(), "ready");
}

} // namespace
} // namespace qel
