// Cost of the globe manipulator's frame, beside the host's globe pick of the view ray:
// the pick is the one piece of work every frame needs anyway, so the difference is the
// manipulator's own overhead.
//
//   Manipulator_IdleFrame            derived state + frame event + camera hand-over, nothing moving
//   Navigation_Frame/<Mode>          one frame with its input: Idle, LeftDrag (one drag event per
//                                    frame), ZoomInertia (a wheel notch every 30 frames), Momentum
//   Navigation_HostFrame/<Mode>      the whole viewer frame (ViewerImpl::frame: queued input, the
//                                    frame event, the scene's frame work, the camera hand-over,
//                                    a render callback): Idle, LeftDrag
//   ..._Baseline                     GlobeImpl::pick of the view ray from the same pose
//
// `allocs` counts heap allocations per frame; every frame case is expected to make none.

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "AllocationCounter.h"
#include "GlobeRig.h"
#include "Common/Clock.h"
#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"
#include "Manipulator/GlobeManipulator.h"
#include "Scene/Terrain.h"
#include "Viewer/GUIEventAdapter.h"
#include "Viewer/Viewer.h"
#include "Viewer/ViewerImpl.h"

namespace {

using namespace qel;
using namespace std::chrono_literals;

constexpr auto kFrameStep = bench::GlobeRig::kFrameStep;
constexpr int kInertiaFrames = 30;

/// The shared start, with the manipulator's own share of a frame.
struct Rig : bench::GlobeRig {
  const Viewer& view() const { return viewer->getViewer(); }
  SceneImpl& scene() const { return viewer->getScene(); }

  /// The manipulator's share of a frame: the frame event, the keyboard step and the
  /// camera hand-over (what the viewer calls on it).
  void manipulatorFrame(const GUIEventAdapter* input = nullptr) {
    Clock::advance(kFrameStep);
    if (input) impl().handle(*input, view());
    impl().handle(frameEvent, view());
    impl().doKeyDownOperateSaved(view());
    impl().updateCamera(scene().getCamera());
  }
  void send(const GUIEventAdapter& e) {
    viewer->queueEvent(e);
    frame();
  }
  void baselinePick() {
    const Ray ray{impl().getPosition(), impl().getOrientation() * Vector3<double>(0.0, 0.0, -1.0)};
    benchmark::DoNotOptimize(scene().getGlobe().pick(ray, scene()));
  }

  GUIEventAdapter frameEvent = GUIEventAdapter::makeFrame();
};

void idleFrame(benchmark::State& state) {
  Rig rig;
  qel::bench::AllocationScope allocations(state);
  for (auto _ : state) rig.manipulatorFrame();
}

void idleFrameBaseline(benchmark::State& state) {
  Rig rig;
  for (auto _ : state) rig.baselinePick();
}

/// Sweeps 40 px left and back so the view stays over the same country.
GUIEventAdapter sweepDrag(int step) {
  const float x = 640.0f + static_cast<float>((step % 80) < 40 ? step % 40 : 40 - step % 40);
  return GUIEventAdapter::makeDrag(x, 500.0f, GUIEventAdapter::LEFT_MOUSE_BUTTON);
}

void leftDragFrame(benchmark::State& state) {
  Rig rig;
  rig.send(GUIEventAdapter::makePush(640.0f, 500.0f, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  int step = 0;
  qel::bench::AllocationScope allocations(state);
  for (auto _ : state) {
    const GUIEventAdapter drag = sweepDrag(step++);
    rig.manipulatorFrame(&drag);
  }
}

void zoomInertiaFrame(benchmark::State& state) {
  Rig rig;
  int frame = 0;
  float wheel = 120.0f;
  qel::bench::AllocationScope allocations(state);
  for (auto _ : state) {
    if (frame % kInertiaFrames == 0) {
      // Alternate in and out so the eye stays at about the same height.
      wheel = -wheel;
      const GUIEventAdapter scroll = GUIEventAdapter::makeScroll(700.0f + static_cast<float>(frame % 7), 420.0f, wheel);
      rig.manipulatorFrame(&scroll);
    } else {
      rig.manipulatorFrame();
    }
    ++frame;
  }
}

void momentumFrame(benchmark::State& state) {
  Rig rig;
  rig.send(GUIEventAdapter::makePush(640.0f, 500.0f, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  rig.send(GUIEventAdapter::makeDrag(620.0f, 500.0f, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  rig.send(GUIEventAdapter::makeDrag(600.0f, 500.0f, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  rig.viewer->queueEvent(GUIEventAdapter::makeRelease(600.0f, 500.0f, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  rig.viewer->frame();  // no time passes: the release is a flick
  qel::bench::AllocationScope allocations(state);
  for (auto _ : state) rig.manipulatorFrame();
}

/// The whole host frame, with a render callback as large as a real renderer's.
void hostFrame(benchmark::State& state, bool drag) {
  Rig rig;
  std::array<double, 8> renderState{};
  double rendered = 0.0;
  rig.viewer->setRenderCallback([&rendered, renderState](ViewerImpl&) { rendered += renderState[0]; });
  if (drag) rig.send(GUIEventAdapter::makePush(640.0f, 500.0f, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  int step = 0;
  qel::bench::AllocationScope allocations(state);
  for (auto _ : state) {
    if (drag) rig.viewer->queueEvent(sweepDrag(step++));
    rig.frame();
  }
  benchmark::DoNotOptimize(rendered);
}

void hostIdleFrame(benchmark::State& state) { hostFrame(state, false); }
void hostDragFrame(benchmark::State& state) { hostFrame(state, true); }

void pickBaseline(benchmark::State& state) { idleFrameBaseline(state); }

const bool registered = [] {
  benchmark::RegisterBenchmark("Manipulator_IdleFrame", idleFrame);
  benchmark::RegisterBenchmark("Manipulator_IdleFrame_Baseline", idleFrameBaseline);
  benchmark::RegisterBenchmark("Navigation_Frame/Idle", idleFrame);
  benchmark::RegisterBenchmark("Navigation_Frame_Baseline/Idle", pickBaseline);
  benchmark::RegisterBenchmark("Navigation_Frame/LeftDrag", leftDragFrame);
  benchmark::RegisterBenchmark("Navigation_Frame_Baseline/LeftDrag", pickBaseline);
  benchmark::RegisterBenchmark("Navigation_Frame/ZoomInertia", zoomInertiaFrame);
  benchmark::RegisterBenchmark("Navigation_Frame_Baseline/ZoomInertia", pickBaseline);
  benchmark::RegisterBenchmark("Navigation_Frame/Momentum", momentumFrame);
  benchmark::RegisterBenchmark("Navigation_Frame_Baseline/Momentum", pickBaseline);
  benchmark::RegisterBenchmark("Navigation_HostFrame/Idle", hostIdleFrame);
  benchmark::RegisterBenchmark("Navigation_HostFrame_Baseline/Idle", pickBaseline);
  benchmark::RegisterBenchmark("Navigation_HostFrame/LeftDrag", hostDragFrame);
  benchmark::RegisterBenchmark("Navigation_HostFrame_Baseline/LeftDrag", pickBaseline);
  return true;
}();

}  // namespace
