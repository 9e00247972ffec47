// A frame of the whole host (input delivery, the manipulator, the scene's frame work, the
// camera hand-over, the render callback) allocates nothing once warmed up, idle or
// dragging: a viewer runs sixty of them a second for as long as the application lives.
//
// This program replaces the global allocation functions to count them, which is why it is
// a test program of its own.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

#include "Scene/PrimitiveBase.h"
#include "Support/TestHost.h"
#include "Viewer/GUIEventHandler.h"

namespace {

std::atomic<std::uint64_t> gAllocations{0};

void* countedAllocate(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return countedAllocate(size); }
void* operator new[](std::size_t size) { return countedAllocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace qel::test {
namespace {

// Frames run before counting: the queues and lists reach their working size.
constexpr int kWarmUpFrames = 64;
// Frames counted.
constexpr int kCountedFrames = 256;
// The drag sweeps this many pixels left and back, so the view stays over the same ground.
constexpr int kSweep = 40;
constexpr float kCentreX = 400.0f;
constexpr float kCentreY = 300.0f;

/// A tool that looks at every event and uses none, as the editors do when idle.
class WatchingTool : public GUIEventHandler {
 public:
  using GUIEventHandler::handle;
  bool handle(const GUIEventAdapter&, const Viewer&) override {
    ++seen;
    return false;
  }
  int seen = 0;
};

/// A primitive that counts its updates, standing in for an editor's handles.
class CountingPrimitive : public PrimitiveBase {
 public:
  void update(FrameState&) override { ++updates; }
  int updates = 0;
};

class FrameAllocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.setPose(Cartographic::fromDegrees(8.0, 46.0, 5000.0), 30.0, -45.0);
    host.viewer().addEventHandler(tool);
    host.scene().getPrimitives().add(primitive);
    // A callback too large for std::function's inline buffer, as a real renderer's is.
    std::array<double, 8> state{};
    host.viewer().setRenderCallback([this, state](ViewerImpl&) { rendered += state.size(); });
    host.scene().getPostCull().addEventListener(
        [this](SceneImpl&, const std::chrono::steady_clock::time_point&) { ++postCulls; });
  }

  /// Allocations made by `frames` frames, each preceded by `beforeFrame(i)`.
  template <class BeforeFrame>
  std::uint64_t allocationsOver(int first, int frames, BeforeFrame beforeFrame) {
    const std::uint64_t start = gAllocations.load();
    for (int i = first; i < first + frames; ++i) {
      beforeFrame(i);
      host.frame();
    }
    return gAllocations.load() - start;
  }

  static GUIEventAdapter dragAt(int step) {
    const int phase = step % (2 * kSweep);
    const float x = kCentreX + static_cast<float>(phase < kSweep ? phase : 2 * kSweep - phase);
    return GUIEventAdapter::makeDrag(x, kCentreY, GUIEventAdapter::LEFT_MOUSE_BUTTON);
  }

  TestHost host{Terrain::createProcedural()};
  std::shared_ptr<WatchingTool> tool = std::make_shared<WatchingTool>();
  std::shared_ptr<CountingPrimitive> primitive = std::make_shared<CountingPrimitive>();
  std::size_t rendered = 0;
  int postCulls = 0;
};

TEST_F(FrameAllocationTest, IdleFrameAllocatesNothing) {
  auto idle = [](int) {};
  allocationsOver(0, kWarmUpFrames, idle);
  EXPECT_EQ(allocationsOver(0, kCountedFrames, idle), 0u);
  EXPECT_GE(postCulls, kCountedFrames) << "the frames did run";
  EXPECT_GE(primitive->updates, kCountedFrames);
}

TEST_F(FrameAllocationTest, DragFrameAllocatesNothing) {
  host.viewer().queueEvent(GUIEventAdapter::makePush(kCentreX, kCentreY, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  auto drag = [this](int step) { host.viewer().queueEvent(dragAt(step)); };
  allocationsOver(0, kWarmUpFrames, drag);
  const int seenBefore = tool->seen;
  EXPECT_EQ(allocationsOver(kWarmUpFrames, kCountedFrames, drag), 0u);
  EXPECT_EQ(tool->seen - seenBefore, 2 * kCountedFrames) << "a drag and a frame event per frame";
}

}  // namespace
}  // namespace qel::test
