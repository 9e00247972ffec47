// What a facade call keeps alive while it waits in the queue, and how calls behave once
// their viewer has ended or the main thread is gone.
#include "Common/FacadeCall.h"
#include "Common/GuardedWeakPtr.h"
#include "MainThreadFixture.h"

#include <boost/thread/exceptions.hpp>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace qel {
namespace {

using testing::MainThreadFixture;
using testing::onOtherThread;

// Far longer than a query that is not posted takes to return.
constexpr std::chrono::seconds kAnswerWithin{1};

/// Stands in for the host's viewer: something a facade reaches weakly that can end.
struct FakeViewer {
  bool hasEnded() const { return ended.load(); }
  std::atomic<bool> ended{false};
  int touched = 0;  // main thread only
};

struct FakeImpl {
  int value = 0;  // main thread only
};

class FacadeCallTest : public MainThreadFixture {
 protected:
  // True when a post from another thread is refused at once rather than queued.
  static bool otherThreadPostFailsAtOnce() {
    bool failed = false;
    onOtherThread([&failed] {
      auto future = system().runInMainThread([] { return 1; });
      failed = future.is_ready() && future.has_exception();
    });
    return failed;
  }

  void SetUp() override {
    MainThreadFixture::SetUp();
    system().registerMainThread();
  }

  std::shared_ptr<FakeViewer> viewer = std::make_shared<FakeViewer>();
  GuardedWeakPtr<FakeViewer> viewerRef{viewer};
  std::shared_ptr<FakeImpl> impl = std::make_shared<FakeImpl>();
};

// A queued call keeps the viewer (and with it the scene) alive only when its work takes
// the viewer; either way the work runs once the main thread drains.
class FacadeCallClosureTest : public FacadeCallTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FacadeCallClosureTest, HoldsTheViewerOnlyWhenTheWorkTakesIt) {
  const bool takesViewer = GetParam();
  onOtherThread([&] {
    if (takesViewer) {
      FacadeCall::command(viewerRef, impl, [](FakeImpl& i, FakeViewer& v) {
        i.value = 5;
        ++v.touched;
      });
    } else {
      FacadeCall::command(viewerRef, impl, [](FakeImpl& i) { i.value = 5; });
    }
  });
  ASSERT_EQ(system().mainThreadTasks.size(), 1u);
  const std::weak_ptr<FakeViewer> watch = viewer;
  std::shared_ptr<FakeViewer> keep = takesViewer ? viewer : nullptr;
  viewer.reset();
  keep.reset();
  EXPECT_EQ(watch.expired(), !takesViewer);

  system().drainMainThreadTasks();
  EXPECT_EQ(impl->value, 5);
  EXPECT_TRUE(watch.expired()) << "the drained closure let go of the viewer";
}

INSTANTIATE_TEST_SUITE_P(Forms, FacadeCallClosureTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "ImplAndViewer" : "ImplOnly"; });

TEST_F(FacadeCallTest, EndedViewerPostsNothingAndAnswersTheDefault) {
  viewer->ended = true;
  onOtherThread([&] { FacadeCall::command(viewerRef, impl, [](FakeImpl& i) { i.value = 5; }); });
  EXPECT_EQ(system().mainThreadTasks.size(), 0u);
  auto answer =
      std::async(std::launch::async, [&] { return FacadeCall::query(viewerRef, impl, [](FakeImpl&) { return 7; }); });
  const bool answered = answer.wait_for(kAnswerWithin) == std::future_status::ready;
  if (!answered) system().discardMainThreadTasks();  // lets the test end
  ASSERT_TRUE(answered) << "the query was posted instead of answered";
  EXPECT_EQ(answer.get(), 0);
  EXPECT_EQ(impl->value, 0);
}

// A query waiting when its work is dropped: the default if that is the viewer ending (or
// the main thread closing), the broken promise if the work was dropped for another reason.
struct DroppedCase {
  const char* name;
  bool viewerEnds;
  bool closeMainThread;
  bool expectBrokenPromise;
};

class FacadeCallDroppedTest : public FacadeCallTest, public ::testing::WithParamInterface<DroppedCase> {};

TEST_P(FacadeCallDroppedTest, WaitingQueryIsReleased) {
  const DroppedCase& c = GetParam();
  std::atomic<int> answer{-1};
  std::atomic<bool> broken{false};
  std::thread asker([&] {
    try {
      answer = FacadeCall::query(viewerRef, impl, [](FakeImpl&) { return 7; });
    } catch (const boost::broken_promise&) {
      broken = true;
    }
  });
  ASSERT_TRUE(waitForQueued(1));
  if (c.viewerEnds) viewer->ended = true;
  if (c.closeMainThread) {
    system().closeMainThread(AsyncSystem::currentThreadId());
  } else {
    system().discardMainThreadTasks();
  }
  asker.join();
  EXPECT_EQ(broken.load(), c.expectBrokenPromise);
  EXPECT_EQ(answer.load(), c.expectBrokenPromise ? -1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, FacadeCallDroppedTest,
                         ::testing::Values(DroppedCase{"ViewerEnded", true, false, false},
                                           DroppedCase{"MainThreadClosed", false, true, false},
                                           DroppedCase{"DiscardedByHand", false, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Once the main thread is closed, a call from another thread neither waits nor runs on
// its caller: the work never runs, and a raw post fails at once.
TEST_F(FacadeCallTest, ClosedMainThreadRunsNothingOnOtherThreads) {
  ASSERT_TRUE(system().closeMainThread(AsyncSystem::currentThreadId()));
  int answer = -1;
  onOtherThread([&] {
    FacadeCall::command(viewerRef, impl, [](FakeImpl& i) { i.value = 5; });
    answer = FacadeCall::query(viewerRef, impl, [](FakeImpl& i) { return i.value + 7; });
  });
  EXPECT_EQ(answer, 0);
  EXPECT_TRUE(otherThreadPostFailsAtOnce());
  EXPECT_EQ(impl->value, 0);
  // The main thread itself still runs its own calls.
  EXPECT_EQ(FacadeCall::query(viewerRef, impl, [](FakeImpl&) { return 3; }), 3);
}

// A main thread that ends while still registered leaves nobody to drain: the queue closes.
TEST_F(FacadeCallTest, MainThreadEndingClosesTheQueue) {
  onOtherThread([] { system().registerMainThread(); });
  EXPECT_TRUE(system().isMainThreadClosed());
  EXPECT_TRUE(otherThreadPostFailsAtOnce());
  // A new registration opens it again.
  system().registerMainThread();
  EXPECT_FALSE(system().isMainThreadClosed());
}

TEST(TaskQueueCloseTest, CloseFromAnotherThreadWakesAWaitingConsumer) {
  TaskQueue queue;
  std::atomic<bool> woke{false};
  // Far longer than the test may take: only the close can end the wait in time.
  constexpr std::chrono::hours kLongWait{1};
  std::thread consumer([&] {
    queue.waitForTask(std::chrono::duration_cast<std::chrono::milliseconds>(kLongWait));
    woke = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  queue.close();
  consumer.join();
  EXPECT_TRUE(woke);
}

}  // namespace
}  // namespace qel
