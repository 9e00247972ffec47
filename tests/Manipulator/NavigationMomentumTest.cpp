// A quick left-button flick leaves the globe spinning until the user touches it again;
// a wheel event stops the spin (and a turn's easing) but never the zoom it starts.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "Support/NavigationAssertions.h"
#include "Support/TestHost.h"

namespace qel::test {
namespace {

using Access = GlobeManipulatorTestAccess;
using Button = GUIEventAdapter::MouseButton;
using std::chrono::milliseconds;

constexpr int kInertiaFrames = InertiaSchedule::kSteps;
constexpr double kRatioTolerance = 1e-9;

/// Drags `pixels` right from the window centre in four steps, one per frame of
/// `frameTime`; the release comes 5 × frameTime after the press.
void flick(TestHost& host, float pixels, milliseconds frameTime) {
  host.send(GUIEventAdapter::makePush(400.0f, 300.0f, Button::LEFT_MOUSE_BUTTON), frameTime);
  for (int i = 1; i <= 4; ++i) {
    host.send(GUIEventAdapter::makeDrag(400.0f + pixels * i / 4, 300.0f, Button::LEFT_MOUSE_BUTTON), frameTime);
  }
  host.send(GUIEventAdapter::makeRelease(400.0f + pixels, 300.0f, Button::LEFT_MOUSE_BUTTON), frameTime);
}

void placeForFlicks(TestHost& host) { host.setPose(Cartographic::fromDegrees(-60.0, 30.0, 1.0e6), 0.0, -90.0); }

struct FlickCase {
  const char* name;
  float dpiScale;
  float pixels;
  milliseconds frameTime;  // the release comes five frames after the press
  bool spins;
};

class Flick : public ::testing::TestWithParam<FlickCase> {};

TEST_P(Flick, SpinsOnlyWhenQuickAndFarEnough) {
  const FlickCase& c = GetParam();
  TestHost host;
  host.scene().getContext().setDpiScale(c.dpiScale);
  placeForFlicks(host);
  flick(host, c.pixels, c.frameTime);

  const CameraPose released = poseOf(host.impl());
  host.frame(5);
  if (c.spins) {
    EXPECT_GT(rotationAngleBetween(released.orientation, host.impl().getOrientation()), 0.0);
    EXPECT_TRUE(Access::momentumActive(host.impl()));
  } else {
    EXPECT_EQ(poseOf(host.impl()), released) << "no spin after the release";
  }
}

INSTANTIATE_TEST_SUITE_P(Navigation, Flick,
                         ::testing::Values(
                             // 40 px in 0.1 s: beyond 15 px × 2 = 30 px, quick enough.
                             FlickCase{"Dpi2Quick", 2.0f, 40.0f, milliseconds(20), true},
                             // The same flick at DPI 3 needs more than 45 px.
                             FlickCase{"Dpi3TooShort", 3.0f, 40.0f, milliseconds(20), false},
                             // 0.25 s is too slow whatever the distance.
                             FlickCase{"Dpi2TooSlow", 2.0f, 40.0f, milliseconds(50), false},
                             FlickCase{"Dpi1JustInTime", 1.0f, 16.0f, milliseconds(39), true},
                             FlickCase{"Dpi1NotBeyondThreshold", 1.0f, 15.0f, milliseconds(20), false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A wheel turned during a flick: the spin and the zoom run together. Each frame spins
// first and zooms after, and the zoom keeps its point under the wheel's pointer, so that
// point stays put while the zoom eases out; only then does the spin carry it away.
TEST(Flick, WithAWheelDuringTheDragTheZoomedPointStaysUntilTheZoomEnds) {
  TestHost host;
  placeForFlicks(host);
  const Vector2<float> wheelAt(420.0f, 300.0f);
  host.send(GUIEventAdapter::makePush(400.0f, 300.0f, Button::LEFT_MOUSE_BUTTON));
  host.send(GUIEventAdapter::makeDrag(wheelAt.x, wheelAt.y, Button::LEFT_MOUSE_BUTTON));
  const auto target = host.globeUnder(wheelAt);
  ASSERT_TRUE(target);
  host.send(GUIEventAdapter::makeScroll(wheelAt.x, wheelAt.y, 120.0f));
  host.send(GUIEventAdapter::makeDrag(440.0f, 300.0f, Button::LEFT_MOUSE_BUTTON));
  host.send(GUIEventAdapter::makeRelease(440.0f, 300.0f, Button::LEFT_MOUSE_BUTTON));
  ASSERT_TRUE(Access::momentumActive(host.impl()));

  // The zoom aims at its point with the view the camera had when the frame began, before
  // the spin: the point stays within a pixel (spinning after the zoom, it would drift by
  // a whole frame's spin, 4 px here).
  constexpr double kZoomedPointTolerancePixels = 1.0;
  constexpr int kZoomFramesLeft = kInertiaFrames - 3;  // the wheel's frame and two more have run
  for (int frame = 1; frame <= kZoomFramesLeft; ++frame) {
    const Quaternion before = host.impl().getOrientation();
    host.frame();
    EXPECT_GT(rotationAngleBetween(before, host.impl().getOrientation()), 0.0) << "frame " << frame;
    EXPECT_LE(pixelDistance(host.windowOf(*target), wheelAt), kZoomedPointTolerancePixels) << "frame " << frame;
  }
  host.frame(5);
  EXPECT_GT(pixelDistance(host.windowOf(*target), wheelAt), 5.0) << "the spin goes on after the zoom";
}

enum class Motion { Spin, TurnEasing };

class WheelDuringMotion : public ::testing::TestWithParam<Motion> {};

TEST_P(WheelDuringMotion, WheelStopsTheMotionButItsZoomRuns) {
  TestHost host;
  placeForFlicks(host);
  if (GetParam() == Motion::Spin) {
    flick(host, 40.0f, milliseconds(20));
  } else {
    host.send(GUIEventAdapter::makePush(400.0f, 300.0f, Button::MIDDLE_MOUSE_BUTTON));
    host.send(GUIEventAdapter::makeDrag(480.0f, 300.0f, Button::MIDDLE_MOUSE_BUTTON));
  }
  const CameraPose moving = poseOf(host.impl());
  host.frame();
  ASSERT_NE(poseOf(host.impl()), moving) << "the camera should be moving before the wheel";

  // On the window's vertical centre line a pure zoom keeps the target exactly under the
  // pointer and scales the distance by the published share: any leftover turn breaks both.
  const Vector2<float> pointer(400.0f, 420.0f);
  const auto target = host.globeUnder(pointer);
  ASSERT_TRUE(target);
  InertiaSchedule schedule;
  for (int frame = 1; frame <= kInertiaFrames; ++frame) {
    const double before = Vector3<double>::distance(host.impl().getPosition(), *target);
    if (frame == 1) {
      host.viewer().queueEvent(GUIEventAdapter::makeScroll(pointer.x, pointer.y, 120.0f));
      schedule.input(0.2);
    }
    host.frame();
    const double after = Vector3<double>::distance(host.impl().getPosition(), *target);
    EXPECT_NEAR(after / before, 1.0 - schedule.step(), kRatioTolerance) << "frame " << frame;
    EXPECT_LE(pixelDistance(host.windowOf(*target), pointer), 0.5) << "frame " << frame;
  }
  const CameraPose settled = poseOf(host.impl());
  host.frame(5);
  EXPECT_EQ(poseOf(host.impl()), settled) << "nothing of the earlier motion is left";
}

INSTANTIATE_TEST_SUITE_P(Navigation, WheelDuringMotion, ::testing::Values(Motion::Spin, Motion::TurnEasing),
                         [](const auto& info) { return std::string(info.param == Motion::Spin ? "Spin" : "Turn"); });

}  // namespace
}  // namespace qel::test
