// What every tool shares, seen through the picker: the singleton, binding to a viewer and
// moving to another, the final detach of a destroyed facade, and the calls of an unbound
// facade. Binding is checked both inline (no main thread registered) and posted from an
// application thread and run by the viewer's next frame.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "Common/AsyncSystem.h"
#include "Manipulator/ScenePicker.h"
#include "Manipulator/ScenePickerImpl.h"
#include "Support/TestHost.h"
#include "Viewer/Viewer.h"

namespace qel::test {
namespace {

/// Runs `f` on an application thread and waits for it.
template <class F>
void onAppThread(F&& f) {
  std::thread thread(std::forward<F>(f));
  thread.join();
}

std::size_t queuedTasks() { return AsyncSystem::instance(false).mainThreadTasks.size(); }

/// Two hosts (A and B) and the picker, unbound at the end of each test. `posted` makes
/// the test thread A's main thread, so that calls from other threads are queued.
class EditorFrameBind : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    picker = ScenePicker::instance();
    ASSERT_NE(picker, nullptr);
    if (posted()) a.viewer().registerMainThread();
    baseA = a.viewer().getEventHandlerCount();
    baseB = b.viewer().getEventHandlerCount();
  }
  void TearDown() override {
    picker->bind(nullptr);
    a.frame();
  }
  bool posted() const { return GetParam(); }
  /// Calls `f` from an application thread when posting, else here; then runs a frame.
  template <class F>
  void call(F&& f) {
    if (posted()) {
      onAppThread(std::forward<F>(f));
    } else {
      f();
    }
  }
  std::size_t handlersOf(TestHost& host, std::size_t base) const { return host.viewer().getEventHandlerCount() - base; }

  TestHost a;
  TestHost b;
  Viewer faceA{a.viewer().shared_from_this()};
  Viewer faceB{b.viewer().shared_from_this()};
  ScenePicker* picker = nullptr;
  std::size_t baseA = 0;
  std::size_t baseB = 0;
};

TEST_P(EditorFrameBind, BindingNullWhileUnboundPostsNothing) {
  const std::size_t before = queuedTasks();
  call([this] { picker->bind(nullptr); });
  EXPECT_EQ(queuedTasks(), before);
  call([this] { picker->startPicking(true); });  // unbound: dropped
  EXPECT_EQ(queuedTasks(), before);
}

TEST_P(EditorFrameBind, RebindingMovesTheToolFromTheFirstViewerToTheSecond) {
  call([this] { picker->bind(&faceA); });
  a.frame();
  EXPECT_EQ(handlersOf(a, baseA), 1u);

  call([this] { picker->bind(&faceB); });
  if (posted()) {
    EXPECT_EQ(handlersOf(a, baseA), 1u);  // nothing runs before the frame
  }
  a.frame();
  EXPECT_EQ(handlersOf(a, baseA), 0u);
  EXPECT_EQ(handlersOf(b, baseB), 1u);
}

TEST_P(EditorFrameBind, BindingTheSameViewerAgainLeavesItRegisteredOnce) {
  // The detach of the first binding must run before the attach of the second, or the
  // second attach would be undone.
  HostChangeJournal& journal = a.scene().getChangeJournal();
  journal.setRecording(true);
  call([this] {
    picker->bind(&faceA);
    picker->bind(&faceA);
  });
  a.frame();
  EXPECT_EQ(handlersOf(a, baseA), 1u);
  using Kind = HostChangeJournal::Kind;
  const void* tool = static_cast<const EventHandler*>(&picker->_getImplHandle());
  const std::vector<HostChangeJournal::Entry> expected{
      {Kind::HandlerAdded, tool}, {Kind::HandlerRemoved, tool}, {Kind::HandlerAdded, tool}};
  EXPECT_EQ(journal.entries(), expected);
}

TEST_P(EditorFrameBind, UnboundCommandsAreDroppedAndUnbindingEndsTheMode) {
  call([this] { picker->startPicking(false); });
  call([this] { picker->bind(&faceA); });
  a.frame();
  EXPECT_FALSE(picker->_getImplHandle().isClickPicking());

  call([this] { picker->startPicking(true); });
  a.frame();
  a.send(GUIEventAdapter::makePush(300, 300, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  ASSERT_NE(picker->_getImplHandle().getOutline(), nullptr);
  const std::size_t primitives = a.scene().getPrimitives().size();

  call([this] { picker->bind(nullptr); });
  a.frame();
  EXPECT_FALSE(picker->_getImplHandle().isRectanglePicking());
  EXPECT_EQ(a.scene().getPrimitives().size(), primitives - 1);  // the outline left with it
  EXPECT_EQ(handlersOf(a, baseA), 0u);
}

TEST_P(EditorFrameBind, ViewerGoneBeforeTheDetachRunsIsSkipped) {
  auto doomed = std::make_unique<TestHost>();
  {
    Viewer face{doomed->viewer().shared_from_this()};
    call([&] { picker->bind(&face); });
    a.frame();
  }
  call([this] { picker->bind(&faceB); });  // queues a detach from the doomed viewer
  doomed.reset();
  a.frame();
  EXPECT_EQ(handlersOf(b, baseB), 1u);
}

INSTANTIATE_TEST_SUITE_P(Dispatch, EditorFrameBind, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "PostedFromAppThread" : "Inline");
                         });

// ---------------------------------------------------------------------------------------
// The singleton's end. Each runs in a child process of its own: once destroyed, the
// picker is gone for the rest of the process.

TEST(EditorFrameInstanceDeathTest, DestroyedForGoodAndNeverCreatedAgain) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ScenePicker* first = ScenePicker::instance(false);
        const bool same = first != nullptr && ScenePicker::instance(false) == first;
        const bool destroyedNull = ScenePicker::instance(true) == nullptr;
        const bool staysNull = ScenePicker::instance(false) == nullptr && ScenePicker::instance(true) == nullptr &&
                               ScenePicker::instance(false) == nullptr;
        std::exit(same && destroyedNull && staysNull ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(EditorFrameInstanceDeathTest, DestroyingABoundFacadeUnregistersItsTool) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TestHost host;
        const std::size_t base = host.viewer().getEventHandlerCount();
        Viewer face{host.viewer().shared_from_this()};
        host.viewer().registerMainThread();
        std::weak_ptr<ScenePickerImpl> tool;
        onAppThread([&] {
          ScenePicker* picker = ScenePicker::instance(false);
          picker->bind(&face);
          picker->startPicking(true);
        });
        host.frame();
        const bool bound = host.viewer().getEventHandlerCount() == base + 1;
        onAppThread([] { ScenePicker::instance(true); });
        // The facade is gone; its implementation waits in the queue for its last closure.
        const bool waiting = host.viewer().getEventHandlerCount() == base + 1;
        host.frame();
        const bool released = host.viewer().getEventHandlerCount() == base;
        std::exit(bound && waiting && released ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(EditorFrameInstanceDeathTest, BoundSingletonLeftAtExitGoesCleanly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        // Made before the picker, so destroyed after it: the picker's exit handler finds
        // its viewer alive and detaches from it.
        static TestHost host;
        static Viewer face{host.viewer().shared_from_this()};
        ScenePicker::instance(false)->bind(&face);
        ScenePicker::instance(false)->startPicking(false);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace qel::test
