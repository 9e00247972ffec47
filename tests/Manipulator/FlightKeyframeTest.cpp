// Keyframe flight paths driven through the manipulator facade: legs, progress,
// completion, pause and resume.

#include <gtest/gtest.h>

#include <vector>

#include "Manipulator/KeyframeFlightPath.h"
#include "Support/FlightFixtures.h"

namespace qel::test {
namespace {

using Keyframe = KeyframeFlightPath::Keyframe;

Keyframe keyframe(double lonDeg, double latDeg, double height, double headingDeg, double duration) {
  const Viewpose pose =
      TestHost::poseAt(Cartographic(Math::toRadians(lonDeg), Math::toRadians(latDeg), height), headingDeg, -60.0);
  return Keyframe{pose.position, pose.orientation, duration};
}

class FlightKeyframes : public ::testing::Test {
 protected:
  TestHost host;
  std::shared_ptr<KeyframeFlightPath> path = std::make_shared<KeyframeFlightPath>();
  int completions = 0;
  double progress = -1.0;

  void SetUp() override {
    host.setPose(Cartographic(0.0, 0.0, 1e6), 0.0, -90.0);
    path->getFlightCompleted()->addEventListener([this] { ++completions; });
    path->getFlightProgress()->addEventListener([this](double p) { progress = p; });
    host.manipulator().setFlightPath(path);
  }

  /// Three keyframes: legs of 4 s and 6 s (the first keyframe's own duration is ignored).
  const std::vector<Keyframe> kept{keyframe(10, 40, 5000, 0, 99.0), keyframe(10.2, 40.1, 3000, 30, 4.0),
                                   keyframe(10.5, 40.0, 8000, 90, 6.0)};

  bool at(const Keyframe& k) const { return Vector3<double>::distance(host.impl().getPosition(), k.position) < 1e-3; }
};

TEST_F(FlightKeyframes, LegsFollowEachOtherWithProgressOverTheWholePath) {
  path->setKeyframes(std::vector<Keyframe>(kept));
  host.manipulator().startFlight();
  EXPECT_TRUE(at(kept[0]));  // placed on the first keyframe at once
  EXPECT_EQ(path->getLegIndex(), 0);

  int legOneFrames = 0;
  while (path->getLegIndex() == 0 && legOneFrames < 1000) {
    host.frame();
    ++legOneFrames;
  }
  EXPECT_EQ(legOneFrames, 251);  // 4 s of 16 ms frames, from the frame after the start
  EXPECT_TRUE(at(kept[1]));
  // Two seconds into the second leg: (2 + 4) / (4 + 6).
  host.frame(125);
  EXPECT_NEAR(progress, 0.6, 1e-9);
  EXPECT_EQ(completions, 0);

  host.frame(249);  // the second leg's 6 s end on its 376th frame
  EXPECT_EQ(completions, 0);
  host.frame();
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(path->getLegIndex(), -1);
  EXPECT_TRUE(at(kept[2]));
  EXPECT_FALSE(host.impl().isFlying());
  EXPECT_NEAR(progress, 1.0, 1e-9);
}

TEST_F(FlightKeyframes, PausedLegResumesWithItsRemainingTime) {
  path->setKeyframes(std::vector<Keyframe>(kept));
  host.manipulator().startFlight();
  host.frame(50, 20ms);  // 1 s into the first leg
  host.manipulator().pauseFlight();
  EXPECT_TRUE(path->isPaused());
  EXPECT_FALSE(host.impl().isFlying());
  const Vector3<double> paused = host.impl().getPosition();
  host.frame(25, 20ms);
  path->pauseFlight(host.viewer());  // a second pause keeps the first time
  host.frame(25, 20ms);
  EXPECT_EQ(host.impl().getPosition(), paused);

  host.manipulator().startFlight();
  EXPECT_FALSE(path->isPaused());
  int resumed = 0;
  while (path->getLegIndex() == 0 && resumed < 1000) {
    host.frame(1, 20ms);
    ++resumed;
  }
  EXPECT_EQ(resumed, 151);  // the remaining 3 s
  EXPECT_TRUE(at(kept[1]));
}

TEST_F(FlightKeyframes, StopDuringALegEndsItAndResetsThePath) {
  path->setKeyframes(std::vector<Keyframe>(kept));
  host.manipulator().startFlight();
  host.frame(30);
  host.manipulator().pauseFlight();
  host.manipulator().stopFlight();
  EXPECT_FALSE(path->isPaused());
  EXPECT_EQ(path->getLegIndex(), -1);
  const Vector3<double> stopped = host.impl().getPosition();
  host.frame(300);
  EXPECT_EQ(host.impl().getPosition(), stopped);
  EXPECT_EQ(completions, 0);
}

TEST_F(FlightKeyframes, ShortPathsCompleteAtOnce) {
  host.manipulator().startFlight();  // no keyframes
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(path->getLegIndex(), -1);

  const Keyframe only = keyframe(20, -10, 2000, 45, 3.0);
  path->setKeyframes({only});
  host.manipulator().startFlight();
  EXPECT_EQ(completions, 2);
  EXPECT_EQ(path->getLegIndex(), -1);
  host.manipulator().startFlight();  // and again from the start
  EXPECT_EQ(completions, 3);
}

}  // namespace
}  // namespace qel::test
