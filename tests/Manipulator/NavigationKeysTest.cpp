// Keyboard navigation through the viewer: held keys move at their configured speeds
// whatever the frame rate, opposite keys cancel, and nothing moves without a key.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <string>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Support/NavigationAssertions.h"
#include "Support/TestHost.h"
#include "Viewer/KeyCodes.h"

namespace qel::test {
namespace {

using Access = GlobeManipulatorTestAccess;
using std::chrono::nanoseconds;

/// The first step after the keys were all up is this long (seconds), whatever the frame.
constexpr double kFirstStepSeconds = 0.05;
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
using MotionMeasure = std::function<double(const TestHost&, const CameraPose& from, const CameraPose& to)>;

double headingOf(const CameraPose& pose) {
  return Transforms::viewQuaternionToViewHeadingPitchRoll(pose.position, pose.orientation, Ellipsoid::WGS84).heading;
}
double pitchOf(const CameraPose& pose) {
  return Transforms::viewQuaternionToViewHeadingPitchRoll(pose.position, pose.orientation, Ellipsoid::WGS84).pitch;
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
     [](const TestHost&, const CameraPose& a, const CameraPose& b) {
       return Vector3<double>::distance(a.position, b.position);
     }},
    {"TurnInPlace", 'd', ModKey::Shift, Math::toRadians(kRotateSpeed),
     [](const TestHost&, const CameraPose& a, const CameraPose& b) {
       return std::abs(Math::negativePiToPi(headingOf(b) - headingOf(a)));
     }},
    {"PanForward", Key::Up, 0, kPanSpeed / kEarthRadius,
     [](const TestHost&, const CameraPose& a, const CameraPose& b) {
       // atan2 of the cross and dot products: accurate for the tiny angle of one step.
       return std::atan2(a.position.cross(b.position).length(), a.position.dot(b.position));
     }},
    {"TiltInPlace", 'w', ModKey::Shift, Math::toRadians(kPitchSpeed),
     [](const TestHost&, const CameraPose& a, const CameraPose& b) { return pitchOf(b) - pitchOf(a); }},
};

struct HeldRun {
  double firstStep = 0.0;  // motion of the fixed first step
  double perSecond = 0.0;  // motion per second of measured steps after it
};

HeldRun holdKey(const HeldKeyCase& c, double hz) {
  TestHost host;
  host.impl().setKeyOperaterSpeed(kPanSpeed, kPitchSpeed, kRotateSpeed, kMoveSpeed);
  placeForKeys(host);
  const auto frameTime = nanoseconds(static_cast<std::int64_t>(std::llround(1e9 / hz)));
  const CameraPose start = poseOf(host.impl());

  host.send(GUIEventAdapter::makeKeyDown(c.key, c.modifiers), frameTime);
  const CameraPose afterFirst = poseOf(host.impl());
  const auto firstStepTime = host.impl().lastKeyStepTime;

  // Accumulate frame by frame: some measures (heading) wrap.
  double motion = 0.0;
  CameraPose previous = afterFirst;
  const int frames = static_cast<int>(std::llround(kHoldSeconds * hz));
  for (int i = 0; i < frames; ++i) {
    host.frame(1, frameTime);
    const CameraPose current = poseOf(host.impl());
    motion += c.measure(host, previous, current);
    previous = current;
  }
  const double seconds = std::chrono::duration<double>(host.impl().lastKeyStepTime - firstStepTime).count();
  host.send(GUIEventAdapter::makeKeyUp(c.key, c.modifiers), frameTime);
  return HeldRun{c.measure(host, start, afterFirst), motion / seconds};
}

class HeldKey : public ::testing::TestWithParam<HeldKeyCase> {};

TEST_P(HeldKey, MovesAtTheConfiguredSpeedWhateverTheFrameRate) {
  const HeldKeyCase& c = GetParam();
  const HeldRun slow = holdKey(c, 30.0);
  const HeldRun fast = holdKey(c, 144.0);  // frames closer than 10 ms: steps every other frame

  EXPECT_NEAR(slow.firstStep, c.expectedPerSecond * kFirstStepSeconds, 0.01 * c.expectedPerSecond * kFirstStepSeconds);
  EXPECT_NEAR(fast.firstStep, slow.firstStep, 1e-6 * slow.firstStep) << "the first step ignores the frame rate";
  EXPECT_NEAR(slow.perSecond, c.expectedPerSecond, kRateTolerance * c.expectedPerSecond);
  EXPECT_NEAR(fast.perSecond, c.expectedPerSecond, kRateTolerance * c.expectedPerSecond);
  EXPECT_NEAR(fast.perSecond, slow.perSecond, kRateTolerance * slow.perSecond);
}

INSTANTIATE_TEST_SUITE_P(Navigation, HeldKey, ::testing::ValuesIn(kHeldKeys),
                         [](const ::testing::TestParamInfo<HeldKeyCase>& info) {
                           return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------------------

TEST(Keys, PanForwardAndBackwardTogetherCancel) {
  TestHost host;
  placeForKeys(host);
  const CameraPose start = poseOf(host.impl());
  host.viewer().queueEvent(GUIEventAdapter::makeKeyDown(Key::Up, 0));
  host.viewer().queueEvent(GUIEventAdapter::makeKeyDown(Key::Down, 0));
  host.frame(30);
  EXPECT_EQ(Access::keyNaviMask(host.impl()), 0x3u) << "both pan bits held";
  EXPECT_LT(Vector3<double>::distance(host.impl().getPosition(), start.position), 1e-6);
  EXPECT_LT(rotationAngleBetween(start.orientation, host.impl().getOrientation()), 1e-12);
}

TEST(Keys, TiltInPlaceStepOfAFixedFirstStep) {
  // keyPitchSpeed 6 and the fixed first step of 0.05 s: 0.3°, the eye staying put.
  TestHost host;
  placeForKeys(host);
  const CameraPose start = poseOf(host.impl());
  host.send(GUIEventAdapter::makeKeyDown('w', ModKey::Shift));
  host.send(GUIEventAdapter::makeKeyUp('w', ModKey::Shift));
  const CameraPose end = poseOf(host.impl());
  EXPECT_NEAR(Math::toDegrees(pitchOf(end) - pitchOf(start)), 0.3, 1e-5);
  EXPECT_NEAR(Math::toDegrees(rotationAngleBetween(start.orientation, end.orientation)), 0.3, 1e-5);
  EXPECT_EQ(end.position, start.position);
}

TEST(Keys, TiltInPlaceDoesNothingWithTheTopViewFixed) {
  TestHost host;
  placeForKeys(host);
  host.impl().setTopViewFixed(true);
  host.frame();
  const CameraPose start = poseOf(host.impl());
  host.send(GUIEventAdapter::makeKeyDown('w', ModKey::Shift));
  host.frame(10);
  host.send(GUIEventAdapter::makeKeyUp('w', ModKey::Shift));
  EXPECT_EQ(poseOf(host.impl()), start);
}

TEST(Keys, NothingMovesWithoutAHeldKey) {
  TestHost host;
  placeForKeys(host);
  const CameraPose start = poseOf(host.impl());
  const auto stepTime = host.impl().lastKeyStepTime;
  host.frame(20);
  EXPECT_EQ(poseOf(host.impl()), start);
  EXPECT_EQ(host.impl().lastKeyStepTime, stepTime) << "no step was taken";

  // Once every key is up again, the camera stays where the keys left it.
  host.send(GUIEventAdapter::makeKeyDown('a', 0));
  host.frame(5);
  host.send(GUIEventAdapter::makeKeyUp('a', 0));
  const CameraPose released = poseOf(host.impl());
  ASSERT_NE(released, start);
  host.frame(20);
  EXPECT_EQ(poseOf(host.impl()), released);
}

TEST(Keys, ReleasingOneOfTwoHeldKeysKeepsMeasuredSteps) {
  TestHost host;
  placeForKeys(host);
  host.send(GUIEventAdapter::makeKeyDown('w', 0));
  host.send(GUIEventAdapter::makeKeyDown('a', 0));
  host.frame(3);
  host.send(GUIEventAdapter::makeKeyUp('w', 0));
  EXPECT_FALSE(Access::keyStepRestart(host.impl())) << "another key is still held";
  EXPECT_EQ(Access::keyNaviMask(host.impl()), 0x4000u);

  // The held key goes on at the measured pace: a 40 ms frame moves it 40 ms worth.
  const CameraPose before = poseOf(host.impl());
  host.frame(1, std::chrono::milliseconds(40));
  EXPECT_NEAR(Vector3<double>::distance(before.position, host.impl().getPosition()), 400.0 * 0.04, 1e-3);

  host.send(GUIEventAdapter::makeKeyUp('a', 0));
  EXPECT_TRUE(Access::keyStepRestart(host.impl())) << "the last key up restarts the step timing";
  EXPECT_EQ(Access::keyNaviMask(host.impl()), 0u);
}

}  // namespace
}  // namespace qel::test

namespace qel::test {
namespace {

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

INSTANTIATE_TEST_SUITE_P(
    Layout, DefaultTurnKeys,
    ::testing::Values(TurnKeyCase{"q", 'q', 0, -1.0}, TurnKeyCase{"e", 'e', 0, 1.0},
                      TurnKeyCase{"shift_left", Key::Left, ModKey::Shift, -1.0},
                      TurnKeyCase{"shift_right", Key::Right, ModKey::Shift, 1.0},
                      TurnKeyCase{"shift_a", 'a', ModKey::Shift, -1.0},
                      TurnKeyCase{"shift_d", 'd', ModKey::Shift, 1.0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qel::test
