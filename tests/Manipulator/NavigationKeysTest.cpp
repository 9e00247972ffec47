// Keyboard navigation through the viewer: held keys move at their configured speeds
// whatever the frame rate, opposite keys cancel, and turn keys turn the way they say.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Support/NavigationAssertions.h"
#include "Support/TestHost.h"
#include "Viewer/KeyCodes.h"

namespace qel::test {
namespace {

using std::chrono::nanoseconds;

/// How long a key is held, and the agreement asked of two frame rates.
constexpr double kHoldSeconds = 2.0;
constexpr double kRateTolerance = 0.01;

/// Speeds set for these tests (pan and move in metres per second at resolution 1, tilt and
/// turn in degrees per second), different from the defaults so that a test sees them used.
constexpr double kPanSpeed = 300.0;
constexpr double kPitchSpeed = 6.0;
constexpr double kRotateSpeed = 24.0;
constexpr double kMoveSpeed = 250.0;
constexpr double kEarthRadius = 6378137.0;

void placeForKeys(TestHost& host) { host.setPose(Cartographic::fromDegrees(0.0, 0.0, 5000.0), 60.0, -40.0); }

/// One measure of keyboard motion between two poses: metres, radians.
using MotionMeasure = double (*)(const CameraPose& from, const CameraPose& to);

HeadingPitchRoll attitudeOf(const CameraPose& pose) {
  return Transforms::viewQuaternionToViewHeadingPitchRoll(pose.position, pose.orientation, Ellipsoid::WGS84);
}

struct HeldKeyCase {
  const char* name;
  std::int32_t key;
  std::int32_t modifiers;
  double expectedPerSecond;  // in the unit of `measure`
  MotionMeasure measure;
};

const HeldKeyCase kHeldKeys[] = {
    {"MoveForward", 'w', 0, kMoveSpeed,
     [](const CameraPose& a, const CameraPose& b) { return Vector3<double>::distance(a.position, b.position); }},
    {"TurnInPlace", 'd', ModKey::Shift, Math::toRadians(kRotateSpeed),
     [](const CameraPose& a, const CameraPose& b) {
       return std::abs(Math::negativePiToPi(attitudeOf(b).heading - attitudeOf(a).heading));
     }},
    {"PanForward", Key::Up, 0, kPanSpeed / kEarthRadius,
     [](const CameraPose& a, const CameraPose& b) {
       // atan2 of the cross and dot products: accurate for the tiny angle of one step.
       return std::atan2(a.position.cross(b.position).length(), a.position.dot(b.position));
     }},
    {"TiltInPlace", 'w', ModKey::Shift, Math::toRadians(kPitchSpeed),
     [](const CameraPose& a, const CameraPose& b) { return attitudeOf(b).pitch - attitudeOf(a).pitch; }},
};

/// Motion per second of the measured steps after the fixed first one.
double holdKey(const HeldKeyCase& c, double hz) {
  TestHost host;
  host.impl().setKeyOperaterSpeed(kPanSpeed, kPitchSpeed, kRotateSpeed, kMoveSpeed);
  placeForKeys(host);
  const auto frameTime = nanoseconds(static_cast<std::int64_t>(std::llround(1e9 / hz)));
  host.send(GUIEventAdapter::makeKeyDown(c.key, c.modifiers), frameTime);
  const auto firstStepTime = host.impl().lastKeyStepTime;

  // Accumulate frame by frame: some measures (heading) wrap.
  double motion = 0.0;
  CameraPose previous = poseOf(host.impl());
  for (int i = 0; i < std::llround(kHoldSeconds * hz); ++i) {
    host.frame(1, frameTime);
    const CameraPose current = poseOf(host.impl());
    motion += c.measure(previous, current);
    previous = current;
  }
  const double seconds = std::chrono::duration<double>(host.impl().lastKeyStepTime - firstStepTime).count();
  return motion / seconds;
}

class HeldKey : public ::testing::TestWithParam<HeldKeyCase> {};

TEST_P(HeldKey, MovesAtTheConfiguredSpeedWhateverTheFrameRate) {
  const HeldKeyCase& c = GetParam();
  const double slow = holdKey(c, 30.0);
  const double fast = holdKey(c, 144.0);  // frames closer than 10 ms: steps every other frame
  EXPECT_NEAR(slow, c.expectedPerSecond, kRateTolerance * c.expectedPerSecond);
  EXPECT_NEAR(fast, slow, kRateTolerance * slow);
}

INSTANTIATE_TEST_SUITE_P(Navigation, HeldKey, ::testing::ValuesIn(kHeldKeys),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Keys, PanForwardAndBackwardTogetherCancel) {
  TestHost host;
  placeForKeys(host);
  const CameraPose start = poseOf(host.impl());
  host.viewer().queueEvent(GUIEventAdapter::makeKeyDown(Key::Up, 0));
  host.viewer().queueEvent(GUIEventAdapter::makeKeyDown(Key::Down, 0));
  host.frame(30);
  EXPECT_LT(Vector3<double>::distance(host.impl().getPosition(), start.position), 1e-6);
  EXPECT_LT(rotationAngleBetween(start.orientation, host.impl().getOrientation()), 1e-12);
}

struct TurnKeyCase {
  const char* name;
  std::int32_t key;
  std::int32_t modifiers;
  double expectedSign;  // +1: the view turns right (heading grows), −1: left
};

class DefaultTurnKeys : public ::testing::TestWithParam<TurnKeyCase> {};

// The default table names its turn keys after what the user sees: "left" keys turn the
// view to the left.
TEST_P(DefaultTurnKeys, TurnTheViewTheWayTheirNameSays) {
  const TurnKeyCase& c = GetParam();
  TestHost host;
  host.setPose(Cartographic::fromDegrees(0.0, 0.0, 5000.0), 0.0, -40.0);
  const double before = host.impl().getHeading().value();
  host.send(GUIEventAdapter::makeKeyDown(c.key, c.modifiers));
  host.frame(10);
  host.send(GUIEventAdapter::makeKeyUp(c.key, c.modifiers));
  const double turned = std::remainder(host.impl().getHeading().value() - before, Math::TWO_PI);
  EXPECT_GT(turned * c.expectedSign, Math::toRadians(1.0));
}

INSTANTIATE_TEST_SUITE_P(Layout, DefaultTurnKeys,
                         ::testing::Values(TurnKeyCase{"q", 'q', 0, -1.0}, TurnKeyCase{"e", 'e', 0, 1.0},
                                           TurnKeyCase{"shift_left", Key::Left, ModKey::Shift, -1.0},
                                           TurnKeyCase{"shift_right", Key::Right, ModKey::Shift, 1.0},
                                           TurnKeyCase{"shift_a", 'a', ModKey::Shift, -1.0},
                                           TurnKeyCase{"shift_d", 'd', ModKey::Shift, 1.0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qel::test
