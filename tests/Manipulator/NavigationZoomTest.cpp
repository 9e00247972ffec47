// Wheel zoom toward the pointer with its easing and bounds, and the terrain clearance
// the camera keeps every frame.

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
/// Wheel units per notch, and the zoom amount of one notch at the default speed (1/600).
constexpr float kNotch = 120.0f;
constexpr double kNotchAmount = 0.2;
constexpr int kInertiaFrames = InertiaSchedule::kSteps;
/// The zoom-out bound: the eye's distance to its target plus the largest radius stays
/// within this many largest radii (when the step starts).
constexpr double kZoomOutBoundRadii = 6.0;

double distanceTo(const TestHost& host, const Vector3<double>& point) {
  return Vector3<double>::distance(host.impl().getPosition(), point);
}

// ---------------------------------------------------------------------------------------

struct PointerZoomCase {
  const char* name;
  double height;
  double pitchDegrees;
  Vector2<float> pointer;
  float wheel;
};

class WheelZoom : public ::testing::TestWithParam<PointerZoomCase> {};

TEST_P(WheelZoom, PointUnderThePointerStaysThere) {
  const PointerZoomCase& c = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(-70.0, -33.0, c.height), 140.0, c.pitchDegrees);
  const auto target = host.globeUnder(c.pointer);
  ASSERT_TRUE(target);
  const double startDistance = distanceTo(host, *target);

  host.send(GUIEventAdapter::makeScroll(c.pointer.x, c.pointer.y, c.wheel));
  for (int frame = 1; frame <= kInertiaFrames; ++frame) {
    EXPECT_LE(pixelDistance(host.windowOf(*target), c.pointer), kZoomPointerTolerancePixels) << "frame " << frame;
    ASSERT_TRUE(poseIsUsable(host.impl()));
    host.frame();
  }
  const double endDistance = distanceTo(host, *target);
  if (c.wheel > 0.0f) {
    EXPECT_LT(endDistance, 0.9 * startDistance);
  } else {
    EXPECT_GT(endDistance, 1.1 * startDistance);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Navigation, WheelZoom,
    ::testing::Values(PointerZoomCase{"InFrom10kmRightOfCentre", 10000.0, -40.0, {600.0f, 420.0f}, kNotch},
                      PointerZoomCase{"InFrom2kmTopLeft", 2000.0, -25.0, {150.0f, 200.0f}, 3.0f * kNotch},
                      PointerZoomCase{"OutFrom10kmBottomLeft", 10000.0, -40.0, {250.0f, 450.0f}, -kNotch},
                      PointerZoomCase{"InFrom3000kmLookingDown", 3.0e6, -90.0, {650.0f, 150.0f}, 2.0f * kNotch}),
    [](const ::testing::TestParamInfo<PointerZoomCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// On the window's vertical centre line the eye moves straight along the pointer ray, so
// each frame shortens (or lengthens) the distance to the target by exactly the share of
// the zoom that frame applies.

struct EasingCase {
  const char* name;
  float firstWheel;
  float secondWheel;  // 0: none
};

class WheelEasing : public ::testing::TestWithParam<EasingCase> {};

TEST_P(WheelEasing, DistanceShrinksStepByStepAsPublished) {
  const EasingCase& c = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(135.0, 35.0, 10000.0), 300.0, -40.0);
  const Vector2<float> pointer(400.0f, 420.0f);
  const auto target = host.globeUnder(pointer);
  ASSERT_TRUE(target);

  constexpr int kSecondInputFrame = 11;  // ten frames after the first
  InertiaSchedule schedule;
  int lastInputFrame = 1;
  for (int frame = 1; frame <= lastInputFrame + kInertiaFrames; ++frame) {
    const double before = distanceTo(host, *target);
    if (frame == 1) {
      host.viewer().queueEvent(GUIEventAdapter::makeScroll(pointer.x, pointer.y, c.firstWheel));
      schedule.input(static_cast<double>(c.firstWheel) / 600.0);
    } else if (frame == kSecondInputFrame && c.secondWheel != 0.0f) {
      host.viewer().queueEvent(GUIEventAdapter::makeScroll(pointer.x, pointer.y, c.secondWheel));
      schedule.input(static_cast<double>(c.secondWheel) / 600.0);
      lastInputFrame = frame;
    }
    host.frame();
    const double share = schedule.step();
    EXPECT_NEAR(distanceTo(host, *target) / before, 1.0 - share, kRatioTolerance) << "frame " << frame;
    EXPECT_LE(pixelDistance(host.windowOf(*target), pointer), kZoomPointerTolerancePixels) << "frame " << frame;
  }
  EXPECT_NEAR(Access::zoomInertiaAmount(host.impl()), schedule.remainder(), 1e-12)
      << "what the 30 frames did not apply is kept";

  const CameraPose settled = poseOf(host.impl());
  host.frame(3);
  EXPECT_EQ(poseOf(host.impl()), settled) << "the 31st frame and later move nothing";
}

INSTANTIATE_TEST_SUITE_P(Navigation, WheelEasing,
                         ::testing::Values(EasingCase{"OneNotchIn", kNotch, 0.0f},
                                           EasingCase{"OneNotchOut", -kNotch, 0.0f},
                                           EasingCase{"FiveNotchesIn", 5.0f * kNotch, 0.0f},
                                           EasingCase{"SameSignAdds", kNotch, kNotch},
                                           EasingCase{"OutThenInReplaces", -kNotch, 2.0f * kNotch},
                                           EasingCase{"InThenOutReplaces", 2.0f * kNotch, -kNotch}),
                         [](const ::testing::TestParamInfo<EasingCase>& info) { return std::string(info.param.name); });

TEST(WheelEasing, FirstStepsApplyTheirPublishedFractions) {
  // Independent of the schedule model: 59/900 of the amount, then 57/900 of what is left.
  TestHost host;
  host.setPose(Cartographic::fromDegrees(135.0, 35.0, 10000.0), 300.0, -40.0);
  const Vector2<float> pointer(400.0f, 420.0f);
  const auto target = host.globeUnder(pointer);
  ASSERT_TRUE(target);
  const double d0 = distanceTo(host, *target);
  host.send(GUIEventAdapter::makeScroll(pointer.x, pointer.y, kNotch));
  const double d1 = distanceTo(host, *target);
  host.frame();
  const double d2 = distanceTo(host, *target);
  const double first = 59.0 / 900.0 * kNotchAmount;
  const double second = 57.0 / 900.0 * (kNotchAmount - first);
  EXPECT_NEAR(d1, d0 * (1.0 - first), 1e-6);
  EXPECT_NEAR(d2, d1 * (1.0 - second), 1e-6);
}

// ---------------------------------------------------------------------------------------

TEST(WheelZoomBounds, ZoomOutStopsAtTheBound) {
  TestHost host;
  host.frame();  // the start pose: 20 000 km from the centre, looking at it
  const double rMax = Ellipsoid::WGS84.getMaximumRadius();
  const Vector2<float> pointer(400.0f, 300.0f);
  const auto target = host.globeUnder(pointer);
  ASSERT_TRUE(target);

  constexpr int kNotches = 30;
  constexpr int kFramesPerNotch = 40;
  InertiaSchedule schedule;
  int refusedSteps = 0;
  for (int frame = 0; frame < kNotches * kFramesPerNotch; ++frame) {
    const double before = distanceTo(host, *target);
    if (frame % kFramesPerNotch == 0) {
      host.viewer().queueEvent(GUIEventAdapter::makeScroll(pointer.x, pointer.y, -kNotch));
      schedule.input(-kNotchAmount);
    }
    const CameraPose poseBefore = poseOf(host.impl());
    host.frame();
    const double share = schedule.step();
    if (share == 0.0) continue;
    // A zoom-out step is refused when its distance (times 1 + amount) plus the largest
    // radius passes the bound; any other step is applied.
    const bool beyondBound = before * (1.0 + share) + rMax > kZoomOutBoundRadii * rMax;
    if (beyondBound) {
      ++refusedSteps;
      EXPECT_EQ(poseOf(host.impl()), poseBefore) << "frame " << frame;
    } else {
      EXPECT_NEAR(distanceTo(host, *target) / before, 1.0 - share, kRatioTolerance) << "frame " << frame;
    }
  }
  EXPECT_GT(refusedSteps, 0) << "the zoom never reached the bound";
  const double distance = distanceTo(host, *target);
  EXPECT_GT(distance + rMax, 0.95 * kZoomOutBoundRadii * rMax);
  EXPECT_LT(distance + rMax, 1.05 * kZoomOutBoundRadii * rMax);
}

TEST(WheelZoomBounds, ZoomInNeverComesCloserThanTheNearDistance) {
  TestHost host;
  constexpr double kNear = 25.0;
  host.camera().getFrustum().near = kNear;
  host.setPose(Cartographic::fromDegrees(5.0, 45.0, 120.0), 0.0, -90.0);
  const Vector2<float> pointer(400.0f, 300.0f);
  const auto target = host.globeUnder(pointer);
  ASSERT_TRUE(target);

  constexpr int kNotches = 20;
  for (int notch = 0; notch < kNotches; ++notch) {
    host.send(GUIEventAdapter::makeScroll(pointer.x, pointer.y, kNotch));
    for (int frame = 0; frame < kInertiaFrames; ++frame) {
      ASSERT_GE(distanceTo(host, *target), kNear) << "notch " << notch << ", frame " << frame;
      host.frame();
    }
  }
  EXPECT_GE(distanceTo(host, *target), kNear);
  EXPECT_LT(distanceTo(host, *target), 1.2 * kNear) << "the zoom should have come close to the near distance";
}

// ---------------------------------------------------------------------------------------
// Terrain clearance.

struct ClearanceCase {
  const char* name;
  double flatHeight;  // NaN: the procedural relief
  double longitudeDegrees;
  double latitudeDegrees;
};

class TerrainClearance : public ::testing::TestWithParam<ClearanceCase> {
 protected:
  static std::shared_ptr<const Terrain> terrainOf(const ClearanceCase& c) {
    if (std::isnan(c.flatHeight)) return Terrain::createProcedural();
    return Terrain::createFlat(c.flatHeight);
  }
  /// Puts the eye `clearance` metres above the terrain without running a frame.
  static void placeEye(TestHost& host, const ClearanceCase& c, double clearance) {
    const Cartographic ground = Cartographic::fromDegrees(c.longitudeDegrees, c.latitudeDegrees);
    const double terrain = host.scene().getGlobe().getHeight(ground).value_or(0.0);
    const Viewpose pose =
        TestHost::poseAt(Cartographic(ground.longitude, ground.latitude, terrain + clearance), 45.0, -20.0);
    host.impl().setPosition(pose.position);
    host.impl().setOrientation(pose.orientation);
    ASSERT_NEAR(host.eyeHeightAboveTerrain(), clearance, 1e-6);
  }
};

constexpr double kLowClearance = 0.4;
constexpr double kMinimumClearance = 1.0;
constexpr double kClearanceTolerance = 1e-3;

TEST_P(TerrainClearance, EyeTooCloseToTheGroundIsLiftedAfterAFrame) {
  TestHost host(terrainOf(GetParam()));
  placeEye(host, GetParam(), kLowClearance);
  host.frame();
  EXPECT_NEAR(host.eyeHeightAboveTerrain(), kMinimumClearance, kClearanceTolerance);
  host.frame(5);
  EXPECT_NEAR(host.eyeHeightAboveTerrain(), kMinimumClearance, kClearanceTolerance) << "and stays there";
}

TEST_P(TerrainClearance, NotDuringAFlightNorWhenUndergroundIsAllowed) {
  TestHost host(terrainOf(GetParam()));
  placeEye(host, GetParam(), kLowClearance);
  Access::setFlying(host.impl(), true);
  host.frame(3);
  EXPECT_NEAR(host.eyeHeightAboveTerrain(), kLowClearance, 1e-6) << "a flight owns the eye";
  Access::setFlying(host.impl(), false);

  host.impl().setUndergroundAllowed(true);
  host.frame(3);
  EXPECT_NEAR(host.eyeHeightAboveTerrain(), kLowClearance, 1e-6) << "underground allowed: no clearance";

  host.impl().setUndergroundAllowed(false);
  host.frame();
  EXPECT_NEAR(host.eyeHeightAboveTerrain(), kMinimumClearance, kClearanceTolerance);
}

INSTANTIATE_TEST_SUITE_P(Navigation, TerrainClearance,
                         ::testing::Values(ClearanceCase{"SeaLevel", 0.0, 0.0, 0.0},
                                           ClearanceCase{"HighPlateau", 1500.0, -100.0, 40.0},
                                           ClearanceCase{"ProceduralRelief", std::nan(""), 20.0, 10.0},
                                           ClearanceCase{"ProceduralNearPole", std::nan(""), -30.0, 85.0}),
                         [](const ::testing::TestParamInfo<ClearanceCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(TerrainClearance, UndergroundOnlyBelowTheSurface) {
  TestHost host;
  host.impl().setUndergroundAllowed(true);  // so that nothing lifts the eye
  const Viewpose level = TestHost::poseAt(Cartographic(0.0, 0.0, 0.0), 0.0, 0.0);
  host.impl().setOrientation(level.orientation);

  const double radius = Ellipsoid::WGS84.getMaximumRadius();
  host.impl().setPosition(Vector3<double>(radius, 0.0, 0.0));
  host.frame();
  ASSERT_EQ(Access::heightAboveTerrain(host.impl()), 0.0) << "the eye should sit exactly on the surface";
  EXPECT_FALSE(host.impl().isCameraUnderground());

  host.impl().setPosition(Vector3<double>(radius - 0.01, 0.0, 0.0));
  host.frame();
  EXPECT_TRUE(host.impl().isCameraUnderground());

  host.impl().setPosition(Vector3<double>(radius + 0.01, 0.0, 0.0));
  host.frame();
  EXPECT_FALSE(host.impl().isCameraUnderground());
}

}  // namespace
}  // namespace qel::test
