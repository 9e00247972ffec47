// Wheel zoom toward the pointer with its easing and its bounds.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Common/Ellipsoid.h"
#include "Support/NavigationAssertions.h"
#include "Support/TestHost.h"

namespace qel::test {
namespace {

using Access = GlobeManipulatorTestAccess;

/// A zoom keeps the point under the pointer there to within this many pixels.
constexpr double kZoomPointerTolerancePixels = 2.0;
/// Distance ratios of a zoom step along the pointer ray are exact but for rounding.
constexpr double kRatioTolerance = 1e-9;
/// Wheel units per notch.
constexpr float kNotch = 120.0f;
constexpr int kInertiaFrames = InertiaSchedule::kSteps;

double distanceTo(const TestHost& host, const Vector3<double>& point) {
  return Vector3<double>::distance(host.impl().getPosition(), point);
}

// On the window's vertical centre line the eye moves straight along the pointer ray, so
// each frame changes the distance to the target by exactly the share that frame applies.
struct ZoomCase {
  const char* name;
  double height, pitchDegrees;
  Vector2<float> pointer;
  float firstWheel;
  float secondWheel;  // ten frames after the first; 0: none
};

class WheelZoom : public ::testing::TestWithParam<ZoomCase> {};

TEST_P(WheelZoom, PointUnderThePointerStaysThereAsTheEasingRuns) {
  const ZoomCase& c = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(135.0, 35.0, c.height), 300.0, c.pitchDegrees);
  const auto target = host.globeUnder(c.pointer);
  ASSERT_TRUE(target);
  const bool onCentreLine = c.pointer.x == 400.0f;

  constexpr int kSecondInputFrame = 11;
  InertiaSchedule schedule;
  const auto wheel = [&](float delta) {
    host.viewer().queueEvent(GUIEventAdapter::makeScroll(c.pointer.x, c.pointer.y, delta));
    schedule.input(static_cast<double>(delta) / 600.0);
  };
  const int lastFrame = (c.secondWheel != 0.0f ? kSecondInputFrame : 1) + kInertiaFrames;
  for (int frame = 1; frame <= lastFrame; ++frame) {
    const double before = distanceTo(host, *target);
    if (frame == 1) wheel(c.firstWheel);
    if (frame == kSecondInputFrame && c.secondWheel != 0.0f) wheel(c.secondWheel);
    host.frame();
    const double share = schedule.step();
    if (onCentreLine) {
      EXPECT_NEAR(distanceTo(host, *target) / before, 1.0 - share, kRatioTolerance) << "frame " << frame;
    }
    EXPECT_LE(pixelDistance(host.windowOf(*target), c.pointer), kZoomPointerTolerancePixels) << "frame " << frame;
    ASSERT_TRUE(poseIsUsable(host.impl()));
  }
  EXPECT_NEAR(Access::zoomInertiaAmount(host.impl()), schedule.remainder(), 1e-12)
      << "what the 30 frames did not apply is kept";
  const CameraPose settled = poseOf(host.impl());
  host.frame(3);
  EXPECT_EQ(poseOf(host.impl()), settled) << "the 31st frame and later move nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Navigation, WheelZoom,
    ::testing::Values(ZoomCase{"OneNotchIn", 10000.0, -40.0, {400.0f, 420.0f}, kNotch, 0.0f},
                      ZoomCase{"SameSignAdds", 10000.0, -40.0, {400.0f, 420.0f}, kNotch, kNotch},
                      ZoomCase{"OutThenInReplaces", 10000.0, -40.0, {400.0f, 420.0f}, -kNotch, 2.0f * kNotch},
                      ZoomCase{"InThenOutReplaces", 10000.0, -40.0, {400.0f, 420.0f}, 2.0f * kNotch, -kNotch},
                      ZoomCase{"InRightOfCentre", 10000.0, -40.0, {600.0f, 420.0f}, kNotch, 0.0f},
                      ZoomCase{"OutBottomLeft", 10000.0, -40.0, {250.0f, 450.0f}, -kNotch, 0.0f},
                      ZoomCase{"InFrom2kmTopLeft", 2000.0, -25.0, {150.0f, 200.0f}, 3.0f * kNotch, 0.0f},
                      ZoomCase{"InFrom3000kmLookingDown", 3.0e6, -90.0, {650.0f, 150.0f}, 2.0f * kNotch, 0.0f}),
    [](const auto& info) { return std::string(info.param.name); });

// However large the wheel input, the easing holds at most 0.1 × 900 / 59 of the distance,
// so that its first frame, the largest, covers a tenth. Looking straight down with the
// pointer in the middle, the target is the point below and a zoom moves straight along
// the view. Zooming out, a step starts only while (1 − step) × distance + Rmax ≤ 6 Rmax.
struct HugeWheelCase {
  const char* name;
  double heightInRadii;  // eye height above the target, in largest Earth radii
  float delta;
  int events;         // wheel events in the same frame
  double finalRatio;  // final distance / start distance; 0: follow the eased schedule
};

class HugeWheel : public ::testing::TestWithParam<HugeWheelCase> {};

TEST_P(HugeWheel, NoFrameZoomsByMoreThanATenth) {
  const HugeWheelCase& c = GetParam();
  const double rMax = Ellipsoid::WGS84.getMaximumRadius();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(20.0, 0.0, c.heightInRadii * rMax), 0.0, -90.0);
  const Vector2<float> middle(400.0f, 300.0f);
  const auto target = host.globeUnder(middle);
  ASSERT_TRUE(target);
  const double start = distanceTo(host, *target);

  constexpr double kLargestStep = 0.1;
  InertiaSchedule schedule;
  schedule.input(std::copysign(kLargestStep * 900.0 / 59.0, static_cast<double>(c.delta)));
  for (int i = 0; i < c.events; ++i) host.viewer().queueEvent(GUIEventAdapter::makeScroll(middle.x, middle.y, c.delta));
  for (int frame = 1; frame <= kInertiaFrames + 3; ++frame) {
    const double before = distanceTo(host, *target);
    host.frame();
    const double share = schedule.step();
    const double ratio = distanceTo(host, *target) / before;
    EXPECT_LE(std::abs(ratio - 1.0), kLargestStep + 1e-12) << "frame " << frame;
    if (c.finalRatio == 0.0) {
      EXPECT_NEAR(ratio, 1.0 - share, kRatioTolerance) << "frame " << frame;
    }
  }
  if (c.finalRatio != 0.0) {
    EXPECT_NEAR(distanceTo(host, *target) / start, c.finalRatio, kRatioTolerance);
  }
}

INSTANTIATE_TEST_SUITE_P(Navigation, HugeWheel,
                         ::testing::Values(HugeWheelCase{"InByABillion", 0.1, 1e9f, 1, 0.0},
                                           HugeWheelCase{"InByTwentyNotchesAtOnce", 0.1, kNotch, 20, 0.0},
                                           // 0.9 × 5.5 + 1 = 5.95 Rmax: the first step runs (to 6.05 Rmax), and
                                           // from there every later one is refused.
                                           HugeWheelCase{"OutFrom5_5RadiiOneStep", 5.5, -1e9f, 1, 1.1},
                                           // 0.9 × 5.8 + 1 = 6.22 Rmax: refused from the start.
                                           HugeWheelCase{"OutFrom5_8RadiiNone", 5.8, -1e9f, 1, 1.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WheelZoomBounds, ZoomInNeverComesCloserThanTheNearDistance) {
  TestHost host;
  constexpr double kNear = 25.0;
  host.camera().getFrustum().near = kNear;
  host.setPose(Cartographic::fromDegrees(5.0, 45.0, 120.0), 0.0, -90.0);
  const Vector2<float> pointer(400.0f, 300.0f);
  const auto target = host.globeUnder(pointer);
  ASSERT_TRUE(target);

  for (int frame = 0; frame < 20 * kInertiaFrames; ++frame) {
    if (frame % kInertiaFrames == 0) host.send(GUIEventAdapter::makeScroll(pointer.x, pointer.y, kNotch));
    host.frame();
    ASSERT_GE(distanceTo(host, *target), kNear) << "frame " << frame;
  }
  EXPECT_LT(distanceTo(host, *target), 1.2 * kNear) << "the zoom should have come close to the near distance";
}

}  // namespace
}  // namespace qel::test
