#include "MainThreadFixture.h"

#include <boost/thread/exceptions.hpp>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace qel {
namespace {

using testing::MainThreadFixture;
using testing::onOtherThread;

// Long enough to notice that a cancel did not wait for a running task; it only ever
// delays a passing run, it cannot make one fail.
constexpr std::chrono::milliseconds kObserveWindow{50};
// Enough tasks that freeing the queue recursively would overflow an 8 MiB stack.
constexpr int kDeepQueue = 300000;

struct WorkFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// With no main thread, or when called on it, work runs on the caller's thread at once.
class InlineDispatchTest : public MainThreadFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(InlineDispatchTest, RunsAtOnceQueryFailuresRethrownCommandFailuresLost) {
  if (GetParam()) {
    system().registerMainThread();
  }
  int value = 0;
  EXPECT_TRUE(system().runInMainThread([&value] { value = 7; }).is_ready());
  EXPECT_EQ(value, 7);
  EXPECT_EQ(system().runInMainThread([&value] { return value + 1; }).get(), 8);
  EXPECT_EQ(system().mainThreadTasks.size(), 0u);

  EXPECT_NO_THROW(system().runInMainThread([] { throw WorkFailed("lost"); }));
  auto answer = system().runInMainThread([]() -> int { throw WorkFailed("no answer"); });
  EXPECT_THROW(answer.get(), WorkFailed);
}

INSTANTIATE_TEST_SUITE_P(Modes, InlineDispatchTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "OnMainThread" : "NoMainThread"; });

class MainThreadDispatchTest : public MainThreadFixture {
 protected:
  void SetUp() override {
    MainThreadFixture::SetUp();
    system().registerMainThread();
  }
};

TEST_F(MainThreadDispatchTest, PostedWorkWaitsForTheDrainAndRunsInPostingOrderPastAFailure) {
  std::vector<std::string> order;
  auto post = [&order](std::vector<std::string> names) {
    onOtherThread([&order, names] {
      for (const auto& name : names) {
        system().runInMainThread([&order, name] { order.push_back(name); });
      }
    });
  };
  post({"a1", "a2", "a3"});
  // A failing command is lost; the tasks after it still run.
  onOtherThread([] { system().runInMainThread([] { throw WorkFailed("lost"); }); });
  post({"b1", "b2"});
  EXPECT_TRUE(order.empty());

  EXPECT_NO_THROW(EXPECT_EQ(system().drainMainThreadTasks(), 6u));
  EXPECT_EQ(order, (std::vector<std::string>{"a1", "a2", "a3", "b1", "b2"}));
}

TEST_F(MainThreadDispatchTest, QueryRunsOnTheMainThreadAndItsFailureReachesTheAsker) {
  const std::uint32_t mainId = AsyncSystem::currentThreadId();
  std::atomic<bool> finished{false};
  std::uint32_t ranOn = 0;
  std::string caught;
  std::thread asker([&] {
    ranOn = system().runInMainThread([] { return AsyncSystem::currentThreadId(); }).get();
    try {
      system().runInMainThread([]() -> bool { throw WorkFailed("viewer busy"); }).get();
    } catch (const WorkFailed& error) {
      caught = error.what();
    }
    finished = true;
  });
  EXPECT_TRUE(drainUntil([&] { return finished.load(); }));
  asker.join();
  EXPECT_EQ(ranOn, mainId);
  EXPECT_EQ(caught, "viewer busy");
}

// A query whose task is cancelled, or dropped with the pending queue, never runs and its
// asker is released with a broken promise instead of waiting for ever.
class AbandonedQueryTest : public MainThreadDispatchTest, public ::testing::WithParamInterface<bool> {};

TEST_P(AbandonedQueryTest, AskerGetsABrokenPromise) {
  constexpr int kAskers = 3;
  const bool discard = GetParam();
  std::atomic<bool> ran{false};
  std::atomic<int> broken{0};
  std::vector<std::thread> askers;
  for (int i = 0; i < kAskers; ++i) {
    askers.emplace_back([&] {
      try {
        system()
            .runInMainThread([&ran] {
              ran = true;
              return 1;
            })
            .get();
      } catch (const boost::broken_promise&) {
        ++broken;
      }
    });
  }
  ASSERT_TRUE(waitForQueued(kAskers));
  if (discard) {
    system().discardMainThreadTasks();
  } else {
    while (std::unique_ptr<WorkTask> task = system().mainThreadTasks.tryPop()) {
      task->cancel();
      task->run();
    }
  }
  for (auto& asker : askers) {
    asker.join();
  }
  EXPECT_FALSE(ran);
  EXPECT_EQ(broken, kAskers);
}

INSTANTIATE_TEST_SUITE_P(Ways, AbandonedQueryTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Discarded" : "Cancelled"; });

TEST(TaskQueueTest, DestroyingALongQueueDoesNotExhaustTheStack) {
  auto deep = std::make_unique<TaskQueue>();
  for (int i = 0; i < kDeepQueue; ++i) {
    deep->push(makeWorkTask([] {}));
  }
  deep.reset();
}

TEST(TaskQueueTest, CancelWaitsForARunThatHasStarted) {
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
}

}  // namespace
}  // namespace qel
