#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ostream>
#include <cmath>
#include <future>
#include <limits>
#include <thread>

#include "Common/AsyncSystem.h"
#include "Common/Clock.h"
#include "Common/WorkTask.h"
#include "Viewer/CameraManipulator.h"
#include "Viewer/Viewer.h"
#include "Viewer/ViewerImpl.h"
#include "ViewerTestDoubles.h"

namespace qel::test {
namespace {

using namespace std::chrono_literals;

class ViewerFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AsyncSystem::instance(true);
    Clock::useManualTime();
    viewer = ViewerImpl::create();
    manipulator = std::make_shared<RecordingManipulator>(log);
    viewer->setCameraManipulatorImpl(manipulator);
  }
  void TearDown() override {
    viewer.reset();
    AsyncSystem::instance(true);
    Clock::useRealTime();
  }

  std::shared_ptr<RecordingHandler> addHandler(const std::string& name) {
    auto handler = std::make_shared<RecordingHandler>(name, log);
    viewer->addEventHandler(handler);
    return handler;
  }

  void frame() {
    Clock::advance(16ms);
    viewer->frame();
  }

  CallLog log;
  std::shared_ptr<ViewerImpl> viewer;
  std::shared_ptr<RecordingManipulator> manipulator;
};

TEST_F(ViewerFrameTest, FrameRunsItsWorkInTheDocumentedOrder) {
  viewer->registerMainThread();
  addHandler("tool");
  viewer->getScene().getPrimitives().add(std::make_shared<RecordingPrimitive>(log));
  viewer->getScene().getPostCull().addEventListener(
      [this](SceneImpl&, const std::chrono::steady_clock::time_point&) { log.push_back("postCull"); });
  viewer->setRenderCallback([this](ViewerImpl&) { log.push_back("render"); });
  viewer->getScene().getFrameState().taskQueue.push(makeWorkTask([this] { log.push_back("frameTask"); }));
  // Work posted from an application thread waits for the frame's drain.
  std::thread([this] { (void)AsyncSystem::instance(false).runInMainThread([this] { log.push_back("drain"); }); })
      .join();
  viewer->queueEvent(GUIEventAdapter::makePush(10, 20, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  viewer->queueEvent(GUIEventAdapter::makeRelease(10, 20, GUIEventAdapter::LEFT_MOUSE_BUTTON));

  frame();

  const CallLog expected{"drain",          "tool:press",      "manipulator:press", "tool:release",
                         "manipulator:release", "tool:frame", "manipulator:frame", "keystep",
                         "primitive:update", "frameTask", "postCull",       "updateCamera",      "render"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(viewer->getQueuedEventCount(), 0u);
}

TEST_F(ViewerFrameTest, FrameStampIsReadOnceAtTheStartOfTheFrame) {
  auto tool = addHandler("tool");
  std::vector<ViewerImpl::TimePoint> stampsSeen;
  tool->onEvent = [&](const GUIEventAdapter&, const Viewer& v) {
    stampsSeen.push_back(v._getImplHandle().getFrameStamp());
    Clock::advance(5ms);  // time moving on inside the frame must not change its stamp
  };
  viewer->queueEvent(GUIEventAdapter::makeMove(1, 1));
  Clock::advance(16ms);
  const auto start = Clock::now();
  viewer->frame();

  ASSERT_EQ(stampsSeen.size(), 2u);
  EXPECT_EQ(stampsSeen[0], start);
  EXPECT_EQ(stampsSeen[1], start);
  EXPECT_EQ(viewer->getFrameStamp(), start);
  EXPECT_EQ(viewer->getFrameNumber(), 1u);
}

struct HandledCase {
  const char* name;
  bool firstConsumes;
  bool secondConsumes;
  // What the second handler and the manipulator find in the handled flag.
  bool secondSeesHandled;
  bool manipulatorSeesHandled;
};

void PrintTo(const HandledCase& c, std::ostream* os) { *os << c.name; }

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
  ASSERT_EQ(first->seen.size(), 2u);
  ASSERT_EQ(second->seen.size(), 2u);
  ASSERT_EQ(manipulator->seen.size(), 2u);
  EXPECT_FALSE(first->seen[0].handled);
  EXPECT_EQ(second->seen[0].handled, c.secondSeesHandled);
  EXPECT_EQ(manipulator->seen[0].handled, c.manipulatorSeesHandled);
  // The frame event is never marked handled, whatever the input handlers returned.
  EXPECT_FALSE(second->seen[1].handled);
  EXPECT_FALSE(manipulator->seen[1].handled);
  EXPECT_EQ(manipulator->seen[1].event.getEventType(), GUIEventAdapter::FRAME);
}

INSTANTIATE_TEST_SUITE_P(Cases, ViewerHandledFlagTest,
                         ::testing::Values(HandledCase{"NobodyUsesIt", false, false, false, false},
                                           HandledCase{"FirstUsesIt", true, false, true, true},
                                           HandledCase{"SecondUsesIt", false, true, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
  const char* name;
  std::function<void(RecordingHandler&, RecordingManipulator&, ViewerImpl&)> arm;
  const char* function;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class ViewerFailureTest : public ViewerFrameTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ViewerFailureTest, FailingStepIsLoggedAndTheFrameGoesOn) {
  LogCapture capture;
  auto faulty = addHandler("faulty");
  auto after = addHandler("after");
  bool rendered = false;
  viewer->setRenderCallback([&](ViewerImpl&) { rendered = true; });
  GetParam().arm(*faulty, *manipulator, *viewer);
  viewer->queueEvent(GUIEventAdapter::makeMove(3, 4));
  frame();

  const auto records = capture.records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].level, Log::kRefused);
  EXPECT_EQ(records[0].location.file, "Core/src/Viewer/ViewerImpl.cpp");
  EXPECT_GT(records[0].location.line, 0);
  EXPECT_EQ(records[0].location.function, GetParam().function);
  EXPECT_NE(records[0].text.find("threw"), std::string::npos) << records[0].text;
  // The rest of the frame still ran: the handler after the faulty one and the camera.
  EXPECT_EQ(after->seen.size(), 2u);
  EXPECT_EQ(std::count(log.begin(), log.end(), "updateCamera"), 1);

  // And the next frame runs normally.
  viewer->setRenderCallback([&](ViewerImpl&) { rendered = true; });
  rendered = false;
  faulty->throwOn = GUIEventAdapter::NONE;
  manipulator->throwInKeyStep = manipulator->throwInUpdateCamera = false;
  frame();
  EXPECT_TRUE(rendered);
  EXPECT_EQ(after->seen.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ViewerFailureTest,
    ::testing::Values(
        FailureCase{"HandlerOnInput", [](RecordingHandler& h, RecordingManipulator&, ViewerImpl&) { h.throwOn = GUIEventAdapter::MOVE; },
                    "qel::ViewerImpl::deliverInput"},
        FailureCase{"HandlerOnFrame", [](RecordingHandler& h, RecordingManipulator&, ViewerImpl&) { h.throwOn = GUIEventAdapter::FRAME; },
                    "qel::ViewerImpl::deliverFrameEvent"},
        FailureCase{"KeyStep", [](RecordingHandler&, RecordingManipulator& m, ViewerImpl&) { m.throwInKeyStep = true; },
                    "qel::ViewerImpl::runKeyboardStep"},
        FailureCase{"UpdateCamera", [](RecordingHandler&, RecordingManipulator& m, ViewerImpl&) { m.throwInUpdateCamera = true; },
                    "qel::ViewerImpl::frame"},
        FailureCase{"RenderCallback",
                    [](RecordingHandler&, RecordingManipulator&, ViewerImpl& v) {
                      v.setRenderCallback([](ViewerImpl&) { throw 42; });  // not even a std::exception
                    },
                    "qel::ViewerImpl::frame"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewerFrameTest, HandlersChangedDuringDeliveryTakeEffectFromTheNextEvent) {
  auto remover = addHandler("remover");
  auto removed = addHandler("removed");
  std::shared_ptr<RecordingHandler> added;
  remover->onEvent = [&](const GUIEventAdapter& ea, const Viewer& v) {
    if (ea.getEventType() == GUIEventAdapter::PUSH) {
      v._getImplHandle().removeEventHandler(*removed);
      removed.reset();  // the viewer's delivery must not depend on our reference
      added = std::make_shared<RecordingHandler>("added", log);
      v._getImplHandle().addEventHandler(added);
      v._getImplHandle().addEventHandler(added);  // a second add does nothing
    }
  };
  viewer->queueEvent(GUIEventAdapter::makePush(1, 1, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  viewer->queueEvent(GUIEventAdapter::makeRelease(1, 1, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  frame();

  const CallLog expected{"remover:press", "manipulator:press",     "remover:release", "added:release",
                         "manipulator:release", "remover:frame", "added:frame",     "manipulator:frame",
                         "keystep",       "updateCamera"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(viewer->getEventHandlerCount(), 2u);
}

TEST_F(ViewerFrameTest, FrameCalledFromInsideAFrameIsRefused) {
  LogCapture capture;
  auto tool = addHandler("tool");
  tool->onEvent = [](const GUIEventAdapter&, const Viewer& v) { v.frame(); };
  frame();
  EXPECT_EQ(viewer->getFrameNumber(), 1u);
  EXPECT_EQ(std::count(log.begin(), log.end(), "tool:frame"), 1);
  ASSERT_EQ(capture.records().size(), 1u);
  EXPECT_EQ(capture.records()[0].location.function, "qel::ViewerImpl::frame");
}

TEST_F(ViewerFrameTest, StopEndsWaitingQueriesWithBrokenPromise) {
  viewer->registerMainThread();
  AsyncSystem& async = AsyncSystem::instance(false);
  ASSERT_TRUE(async.isMainThread());

  // A query from another thread runs in the next frame.
  auto answered = std::async(std::launch::async, [&] { return async.runInMainThread([] { return 7; }).get(); });
  while (async.mainThreadTasks.size() == 0) {
    std::this_thread::yield();
  }
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
  while (async.mainThreadTasks.size() == 0) {
    std::this_thread::yield();
  }
  viewer->stop();
  waiter.join();
  EXPECT_TRUE(broken);
  EXPECT_FALSE(async.hasMainThreadId.load());
  // From now on calls run on their callers.
  EXPECT_EQ(std::async(std::launch::async, [&] { return async.runInMainThread([] { return 3; }).get(); }).get(), 3);
}

TEST_F(ViewerFrameTest, DestroyingTheViewerStopsIt) {
  viewer->registerMainThread();
  viewer.reset();
  EXPECT_FALSE(AsyncSystem::instance(false).hasMainThreadId.load());
}

TEST_F(ViewerFrameTest, StopLeavesAnotherViewersRegistrationAlone) {
  viewer->registerMainThread();
  auto other = ViewerImpl::create();
  std::thread([&] { other->registerMainThread(); }).join();
  viewer->stop();
  EXPECT_TRUE(AsyncSystem::instance(false).hasMainThreadId.load());
}

TEST_F(ViewerFrameTest, HandlersGetANonOwningFaceThatHandsOutOwningPointers) {
  auto tool = addHandler("tool");
  std::shared_ptr<ViewerImpl> fromFace;
  tool->onEvent = [&](const GUIEventAdapter&, const Viewer& v) {
    fromFace = v._getImplShared();
    v.setSceneCursor(CursorAction::Pan);
    v.setSceneCursor(CursorAction::TurnTilt);
  };
  frame();
  EXPECT_EQ(fromFace, viewer);
  EXPECT_EQ(&viewer->getViewer().getScene()._getImplHandle(), &viewer->getScene());
  EXPECT_EQ(viewer->getSceneCursor(), CursorAction::TurnTilt);
  EXPECT_EQ(viewer->getCursorHistory(), (std::vector<CursorAction>{CursorAction::Pan, CursorAction::TurnTilt}));

  // The face the viewer keeps does not keep the viewer alive.
  const std::weak_ptr<ViewerImpl> weak = viewer;
  fromFace.reset();
  viewer.reset();
  EXPECT_TRUE(weak.expired());
}

TEST_F(ViewerFrameTest, ApplicationFaceOwnsItsViewerAndInstallsManipulators) {
  std::weak_ptr<ViewerImpl> weak;
  {
    const Viewer face;
    weak = face._getImplShared();
    auto facade = std::make_shared<CameraManipulator>(manipulator);
    face.setCameraManipulator(facade);
    EXPECT_EQ(face._getImplHandle().getCameraManipulator(), manipulator);
    EXPECT_EQ(facade->_getViewer().lock(), face._getImplShared());
    face.frame();
    EXPECT_EQ(face._getImplHandle().getFrameNumber(), 1u);
    face.setCameraManipulator(nullptr);
    EXPECT_EQ(face._getImplHandle().getCameraManipulator(), nullptr);
  }
  EXPECT_TRUE(weak.expired());
  EXPECT_THROW(Viewer(std::shared_ptr<ViewerImpl>()), std::invalid_argument);
}

TEST_F(ViewerFrameTest, EventsWithNonFiniteValuesAreDeliveredAsGiven) {
  auto tool = addHandler("tool");
  constexpr float nan = std::numeric_limits<float>::quiet_NaN();
  constexpr float inf = std::numeric_limits<float>::infinity();
  viewer->queueEvent(GUIEventAdapter::makePush(nan, inf, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  viewer->queueEvent(GUIEventAdapter::makeScroll(1, 1, -inf));
  GUIEventAdapter odd;
  odd.setEventType(0xFFFF);  // a kind nobody knows
  viewer->queueEvent(odd);
  frame();

  ASSERT_EQ(tool->seen.size(), 4u);
  EXPECT_TRUE(std::isnan(tool->seen[0].event.getX()));
  EXPECT_TRUE(std::isinf(tool->seen[0].event.getY()));
  EXPECT_EQ(tool->seen[1].event.getScrollDelta(), -inf);
  EXPECT_EQ(tool->seen[2].event.getEventType(), 0xFFFFu);
  EXPECT_EQ(manipulator->seen.size(), 4u);
}

}  // namespace
}  // namespace qel::test
