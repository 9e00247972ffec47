// A viewer frame as tools and the camera see it: the order of its work, the handled
// flag passed along the handlers, a failing step that neither stops the frame nor the
// next one, calls from application threads that run on the viewer's thread in order,
// and the viewer's end, which releases every query still waiting for the main thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "Common/AsyncSystem.h"
#include "Common/WorkTask.h"
#include "Viewer/CameraManipulator.h"
#include "Viewer/Viewer.h"
#include "ViewerTestDoubles.h"

namespace qel::test {
namespace {

class ViewerFrameTest : public ViewerFixture {
 protected:
  // Waits until another thread's request is queued for the main thread; false if none
  // comes within ten seconds (a call that ran elsewhere, or never came).
  static bool awaitMainThreadTask(AsyncSystem& async) {
    constexpr int kRounds = 10000;
    for (int i = 0; i < kRounds && async.mainThreadTasks.size() == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return async.mainThreadTasks.size() > 0;
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
    ::testing::Values(FailureCase{"HandlerOnInput", [](auto& h, auto&, auto&) { h.throwOn = GUIEventAdapter::MOVE; }},
                      FailureCase{"HandlerOnFrame", [](auto& h, auto&, auto&) { h.throwOn = GUIEventAdapter::FRAME; }},
                      FailureCase{"KeyStep", [](auto&, auto& m, auto&) { m.throwInKeyStep = true; }},
                      FailureCase{"UpdateCamera", [](auto&, auto& m, auto&) { m.throwInUpdateCamera = true; }},
                      FailureCase{"RenderCallbackThrowingANonException",
                                  [](auto&, auto&, auto& v) { v.setRenderCallback([](ViewerImpl&) { throw 42; }); }}),
    [](const auto& info) { return std::string(info.param.name); });

/// A manipulator whose zoom speed calls record the thread they ran on and the value.
class ThreadRecordingManipulator : public RecordingManipulator {
 public:
  using RecordingManipulator::RecordingManipulator;
  struct Call {
    std::uint32_t thread;
    double value;
    bool operator==(const Call&) const = default;
  };

  void setMouseZoomSpeed(double speed) override {
    std::lock_guard lock(mutex);
    calls.push_back({AsyncSystem::currentThreadId(), speed});
    this->speed = speed;
  }
  void getMouseZoomSpeed(double& out) override {
    std::lock_guard lock(mutex);
    calls.push_back({AsyncSystem::currentThreadId(), -1.0});
    out = speed;
  }
  std::vector<Call> recorded() const {
    std::lock_guard lock(mutex);
    return calls;
  }

 private:
  // Only so that a faulty dispatch shows up as wrong records rather than a data race.
  mutable std::mutex mutex;
  std::vector<Call> calls;
  double speed = 0.0;
};

/// The viewer with a facade over a recording manipulator, as an application holds it.
class ViewerFacadeTest : public ViewerFrameTest {
 protected:
  void SetUp() override {
    ViewerFrameTest::SetUp();
    recording = std::make_shared<ThreadRecordingManipulator>(log);
    facade = std::make_shared<CameraManipulator>(recording);
    viewer->setCameraManipulator(facade);
  }

  std::shared_ptr<ThreadRecordingManipulator> recording;
  std::shared_ptr<CameraManipulator> facade;
};

TEST_F(ViewerFacadeTest, CallsFromAnotherThreadRunOnTheViewersThreadInOrder) {
  viewer->registerMainThread();
  const std::uint32_t mainId = AsyncSystem::currentThreadId();
  constexpr double kSpeeds[] = {3.0, 1.0, 2.0};
  std::atomic<bool> posted{false};
  double answer = 0.0;
  std::thread app([&] {
    for (double speed : kSpeeds) facade->setMouseZoomSpeed(speed);  // each returns at once
    posted = true;
    facade->getMouseZoomSpeed(answer);  // waits for the frame below
  });
  while (!posted) std::this_thread::yield();
  const bool queued = awaitMainThreadTask(AsyncSystem::instance(false));
  EXPECT_TRUE(queued) << "the calls were queued for the viewer's thread";
  EXPECT_TRUE(recording->recorded().empty()) << "nothing runs before the viewer's thread drains";

  for (int i = 0; i < 1000 && recording->recorded().size() < 4; ++i) frame();
  app.join();
  using Call = ThreadRecordingManipulator::Call;
  EXPECT_EQ(recording->recorded(), (std::vector<Call>{{mainId, 3.0}, {mainId, 1.0}, {mainId, 2.0}, {mainId, -1.0}}));
  EXPECT_EQ(answer, 2.0);
}

// However the application ends the viewer, a query waiting for the main thread returns
// the default at once, and from then on no call runs anywhere: not on its caller, not
// queued for a main thread that may still be running frames.
enum class EndWay { Stop, ApplicationDropsIt, LastFaceReleasedOnAnotherThread, MainThreadEnds };

class ViewerEndTest : public ViewerFacadeTest, public ::testing::WithParamInterface<EndWay> {};

TEST_P(ViewerEndTest, ReleasesWaitingQueriesAndRunsNothingAfterwards) {
  // Longer than any healthy run takes to see a released query, short enough to fail fast.
  constexpr std::chrono::seconds kReleaseWithin{1};
  const EndWay way = GetParam();
  // The viewer's thread: this one, or (to end it) a thread of its own.
  std::promise<void> mainThreadMayEnd;
  std::thread ownMainThread;
  if (way == EndWay::MainThreadEnds) {
    std::promise<void> registered;
    ownMainThread = std::thread([&, mayEnd = mainThreadMayEnd.get_future()] {
      viewer->registerMainThread();
      registered.set_value();
      mayEnd.wait();
    });
    registered.get_future().wait();
  } else {
    viewer->registerMainThread();
  }
  std::unique_ptr<Viewer> face;
  if (way == EndWay::LastFaceReleasedOnAnotherThread) face = std::make_unique<Viewer>(viewer);

  auto waiting = std::async(std::launch::async, [this] {
    facade->setMouseTiltLessZeroEnable(false);
    return facade->isMouseTiltLessZeroEnable();  // the recording manipulator says true
  });
  ASSERT_TRUE(awaitMainThreadTask(AsyncSystem::instance(false)));

  switch (way) {
    case EndWay::Stop: viewer->stop(); break;
    case EndWay::ApplicationDropsIt: viewer.reset(); break;
    case EndWay::LastFaceReleasedOnAnotherThread:
      viewer.reset();
      EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout)
          << "the application still holds the viewer through its face";
      std::thread([&face] { face.reset(); }).join();
      break;
    case EndWay::MainThreadEnds:
      mainThreadMayEnd.set_value();
      ownMainThread.join();
      break;
  }
  const bool released = waiting.wait_for(kReleaseWithin) == std::future_status::ready;
  if (!released) AsyncSystem::instance(false).discardMainThreadTasks();  // lets the test end
  ASSERT_TRUE(released) << "a query still waits after the viewer ended";
  EXPECT_FALSE(waiting.get()) << "the default, not the manipulator's answer";

  // Later calls from an application thread: nothing queued, nothing run, defaults.
  double speed = -1.0;
  std::thread([&] {
    facade->setMouseZoomSpeed(5.0);
    facade->getMouseZoomSpeed(speed);
  }).join();
  EXPECT_EQ(speed, 0.0);
  EXPECT_EQ(AsyncSystem::instance(false).mainThreadTasks.size(), 0u);
  EXPECT_TRUE(recording->recorded().empty());
  if (viewer) {
    frame();  // the old main thread may go on with frames: still nothing runs
    EXPECT_TRUE(recording->recorded().empty());
  }
}

constexpr const char* kEndWayNames[] = {"Stop", "ApplicationDropsIt", "LastFaceReleasedOnAnotherThread",
                                        "MainThreadEnds"};
INSTANTIATE_TEST_SUITE_P(Ways, ViewerEndTest,
                         ::testing::Values(EndWay::Stop, EndWay::ApplicationDropsIt,
                                           EndWay::LastFaceReleasedOnAnotherThread, EndWay::MainThreadEnds),
                         [](const auto& info) { return std::string(kEndWayNames[static_cast<int>(info.param)]); });

}  // namespace
}  // namespace qel::test
