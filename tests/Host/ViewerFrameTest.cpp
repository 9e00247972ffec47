// A viewer frame as tools and the camera see it: the order of its work, the handled
// flag passed along the handlers, a failing step that neither stops the frame nor the
// next one, and a stop that ends queries still waiting for the main thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <thread>

#include "Common/AsyncSystem.h"
#include "Common/WorkTask.h"
#include "ViewerTestDoubles.h"

namespace qel::test {
namespace {

class ViewerFrameTest : public ViewerFixture {
 protected:
  // Waits until another thread's request is queued for the main thread.
  static void awaitMainThreadTask(AsyncSystem& async) {
    while (async.mainThreadTasks.size() == 0) std::this_thread::yield();
  }
};

TEST_F(ViewerFrameTest, FrameRunsItsWorkInOrder) {
  viewer->registerMainThread();
  addHandler("tool");
  viewer->getScene().getPrimitives().add(std::make_shared<RecordingPrimitive>(log));
  viewer->getScene().getPostCull().addEventListener(
      [this](SceneImpl&, const std::chrono::steady_clock::time_point&) { log.push_back("postCull"); });
  viewer->setRenderCallback([this](ViewerImpl&) { log.push_back("render"); });
  viewer->getScene().getFrameState().taskQueue.push(makeWorkTask([this] { log.push_back("frameTask"); }));
  // Work posted from an application thread waits for the frame's drain.
  std::thread([this] {
    (void)AsyncSystem::instance(false).runInMainThread([this] { log.push_back("drain"); });
  }).join();
  viewer->queueEvent(GUIEventAdapter::makePush(10, 20, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  viewer->queueEvent(GUIEventAdapter::makeRelease(10, 20, GUIEventAdapter::LEFT_MOUSE_BUTTON));

  frame();

  const CallLog expected{"drain",
                         "tool:press",
                         "manipulator:press",
                         "tool:release",
                         "manipulator:release",
                         "tool:frame",
                         "manipulator:frame",
                         "keystep",
                         "primitive:update",
                         "frameTask",
                         "postCull",
                         "updateCamera",
                         "render"};
  EXPECT_EQ(log, expected);
}

struct HandledCase {
  const char* name;
  bool firstConsumes;
  bool secondConsumes;
  // What the second handler and the manipulator find in the handled flag.
  bool secondSeesHandled;
  bool manipulatorSeesHandled;
};

class ViewerHandledFlagTest : public ViewerFrameTest, public ::testing::WithParamInterface<HandledCase> {};

TEST_P(ViewerHandledFlagTest, UsedEventReachesLaterHandlersMarkedHandled) {
  const HandledCase& c = GetParam();
  auto first = addHandler("first");
  auto second = addHandler("second");
  first->consumes = c.firstConsumes;
  second->consumes = c.secondConsumes;
  viewer->queueEvent(GUIEventAdapter::makeDrag(5, 5, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  frame();

  // Every handler is called for the drag and for the frame event.
  ASSERT_EQ(second->seen.size(), 2u);
  ASSERT_EQ(manipulator->seen.size(), 2u);
  EXPECT_EQ(second->seen[0].handled, c.secondSeesHandled);
  EXPECT_EQ(manipulator->seen[0].handled, c.manipulatorSeesHandled);
  // The frame event is never marked handled, whatever the input handlers returned.
  EXPECT_FALSE(manipulator->seen[1].handled);
}

INSTANTIATE_TEST_SUITE_P(Cases, ViewerHandledFlagTest,
                         ::testing::Values(HandledCase{"NobodyUsesIt", false, false, false, false},
                                           HandledCase{"FirstUsesIt", true, false, true, true},
                                           HandledCase{"SecondUsesIt", false, true, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
  const char* name;
  std::function<void(RecordingHandler&, RecordingManipulator&, ViewerImpl&)> arm;
};

class ViewerFailureTest : public ViewerFrameTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ViewerFailureTest, FailingStepIsLoggedAndTheFramesGoOn) {
  LogCapture capture;
  auto faulty = addHandler("faulty");
  auto after = addHandler("after");
  GetParam().arm(*faulty, *manipulator, *viewer);
  viewer->queueEvent(GUIEventAdapter::makeMove(3, 4));
  frame();

  const auto records = capture.records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].level, Log::kRefused);
  EXPECT_NE(records[0].text.find("threw"), std::string::npos) << records[0].text;
  // The rest of the frame still ran: the handler after the faulty one and the camera.
  EXPECT_EQ(after->seen.size(), 2u);
  EXPECT_EQ(std::count(log.begin(), log.end(), "updateCamera"), 1);

  // And the next frame runs normally.
  bool rendered = false;
  viewer->setRenderCallback([&](ViewerImpl&) { rendered = true; });
  faulty->throwOn = GUIEventAdapter::NONE;
  manipulator->throwInKeyStep = manipulator->throwInUpdateCamera = false;
  frame();
  EXPECT_TRUE(rendered);
  EXPECT_EQ(after->seen.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ViewerFailureTest,
    ::testing::Values(FailureCase{"HandlerOnInput", [](RecordingHandler& h, RecordingManipulator&,
                                                       ViewerImpl&) { h.throwOn = GUIEventAdapter::MOVE; }},
                      FailureCase{"HandlerOnFrame", [](RecordingHandler& h, RecordingManipulator&,
                                                       ViewerImpl&) { h.throwOn = GUIEventAdapter::FRAME; }},
                      FailureCase{"KeyStep", [](RecordingHandler&, RecordingManipulator& m,
                                                ViewerImpl&) { m.throwInKeyStep = true; }},
                      FailureCase{"UpdateCamera", [](RecordingHandler&, RecordingManipulator& m,
                                                     ViewerImpl&) { m.throwInUpdateCamera = true; }},
                      FailureCase{"RenderCallbackThrowingANonException",
                                  [](RecordingHandler&, RecordingManipulator&, ViewerImpl& v) {
                                    v.setRenderCallback([](ViewerImpl&) { throw 42; });
                                  }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewerFrameTest, StopEndsWaitingQueriesWithBrokenPromise) {
  viewer->registerMainThread();
  AsyncSystem& async = AsyncSystem::instance(false);

  // A query from another thread is answered in the next frame.
  auto answered = std::async(std::launch::async, [&] { return async.runInMainThread([] { return 7; }).get(); });
  awaitMainThreadTask(async);
  frame();
  EXPECT_EQ(answered.get(), 7);

  // One still waiting when the viewer stops is broken, not left hanging.
  std::atomic<bool> broken{false};
  std::thread waiter([&] {
    try {
      async.runInMainThread([] { return 1; }).get();
    } catch (const boost::broken_promise&) {
      broken = true;
    }
  });
  awaitMainThreadTask(async);
  viewer->stop();
  waiter.join();
  EXPECT_TRUE(broken);
  // From now on calls run on their callers.
  EXPECT_EQ(std::async(std::launch::async, [&] { return async.runInMainThread([] { return 3; }).get(); }).get(), 3);
}

}  // namespace
}  // namespace qel::test
