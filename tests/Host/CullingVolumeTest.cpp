// What the frame state says the camera sees: a point is inside exactly when it shows in
// the window between the near and far distances, a sphere across an edge intersects,
// and the volume follows the camera once the scene has built a frame.
#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <string>

#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"
#include "Scene/SceneImpl.h"

namespace qel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A camera 3 km above the land looking 30° down towards the east, in an 800 × 600 window.
class CullingVolumeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    eye = Ellipsoid::WGS84.cartographicToCartesian(Cartographic::fromDegrees(-70.0, -30.0, 3000.0));
    scene.getCamera().setPosition(eye);
    scene.getCamera().setOrientation(
        Transforms::viewHeadingPitchRollToViewQuaternion(eye, {Math::toRadians(90.0), Math::toRadians(-30.0), 0.0}));
    scene.render(std::chrono::steady_clock::time_point(std::chrono::seconds(1)));
  }

  // The point at `distance` metres along the pick ray through a window pixel.
  Vector3<double> along(double x, double y, double distance) const {
    const Ray ray = scene.getCamera().getPickRay(Vector2<float>(static_cast<float>(x), static_cast<float>(y)));
    return ray.origin + ray.direction * distance;
  }

  SceneImpl scene;
  Vector3<double> eye;
};

struct VisibilityCase {
  std::string name;
  double x;  // window pixel the sphere's centre lies behind
  double y;
  double distance;  // metres along that pixel's ray (negative: behind the eye)
  double radius;
  Intersect expected;
};

class CullingVolumeVisibilityTest : public CullingVolumeTest, public ::testing::WithParamInterface<VisibilityCase> {};

TEST_P(CullingVolumeVisibilityTest, MatchesWhatTheWindowShows) {
  const VisibilityCase& c = GetParam();
  const BoundingSphere sphere{along(c.x, c.y, c.distance), c.radius};
  EXPECT_EQ(scene.getFrameState().cullingVolume.computeVisibility(sphere), c.expected);
}

// At 1000 m a pixel is about 1.44 m wide (60° across 800 pixels).
INSTANTIATE_TEST_SUITE_P(
    Spheres, CullingVolumeVisibilityTest,
    ::testing::Values(VisibilityCase{"CentrePoint", 400, 300, 1000, 0, Intersect::Inside},
                      VisibilityCase{"NearTopLeftCorner", 1, 1, 1000, 0, Intersect::Inside},
                      VisibilityCase{"NearBottomRightCorner", 799, 599, 1000, 0, Intersect::Inside},
                      VisibilityCase{"LeftOfTheWindow", -10, 300, 1000, 0, Intersect::Outside},
                      VisibilityCase{"RightOfTheWindow", 810, 300, 1000, 0, Intersect::Outside},
                      VisibilityCase{"AboveTheWindow", 400, -10, 1000, 0, Intersect::Outside},
                      VisibilityCase{"BelowTheWindow", 400, 610, 1000, 0, Intersect::Outside},
                      VisibilityCase{"BehindTheEye", 400, 300, -100, 0, Intersect::Outside},
                      VisibilityCase{"CloserThanNear", 400, 300, 0.5, 0, Intersect::Outside},
                      VisibilityCase{"BeyondFar", 400, 300, 6e8, 0, Intersect::Outside},
                      VisibilityCase{"AcrossTheLeftEdge", 0, 300, 1000, 50, Intersect::Intersecting},
                      VisibilityCase{"JustOutsideButReaching", -50, 300, 1000, 200, Intersect::Intersecting},
                      VisibilityCase{"JustOutsideNotReaching", -50, 300, 1000, 10, Intersect::Outside},
                      VisibilityCase{"AroundTheEye", 400, 300, 0, 10, Intersect::Intersecting},
                      VisibilityCase{"WellInside", 400, 300, 100000, 1000, Intersect::Inside}),
    [](const ::testing::TestParamInfo<VisibilityCase>& info) { return info.param.name; });

TEST_F(CullingVolumeTest, ASphereThatIsNotFiniteIsNotSeen) {
  const CullingVolume& volume = scene.getFrameState().cullingVolume;
  EXPECT_EQ(volume.computeVisibility({along(400, 300, 1000), kNaN}), Intersect::Outside);
  EXPECT_EQ(volume.computeVisibility({Vector3<double>(kNaN, 0.0, 0.0), 1.0}), Intersect::Outside);
  EXPECT_EQ(volume.computeVisibility({along(400, 300, 1000), -1.0}), Intersect::Outside);
}

TEST_F(CullingVolumeTest, FollowsTheCameraWhenTheSceneBuildsAFrame) {
  const BoundingSphere ahead{along(400, 300, 5000), 0.0};
  ASSERT_EQ(scene.getFrameState().cullingVolume.computeVisibility(ahead), Intersect::Inside);
  // Turned to look west: until the scene builds a frame, the frame state keeps the view
  // it was built with.
  scene.getCamera().setOrientation(
      Transforms::viewHeadingPitchRollToViewQuaternion(eye, {Math::toRadians(270.0), Math::toRadians(-30.0), 0.0}));
  EXPECT_EQ(scene.getFrameState().cullingVolume.computeVisibility(ahead), Intersect::Inside);
  scene.render(std::chrono::steady_clock::time_point(std::chrono::seconds(2)));
  EXPECT_EQ(scene.getFrameState().cullingVolume.computeVisibility(ahead), Intersect::Outside);
}

TEST(CullingVolumeStart, AFreshSceneSeesWhatItsCameraSees) {
  // Before any frame: the initial camera looks at the Earth from 20 000 km.
  SceneImpl scene;
  const CullingVolume& volume = scene.getFrameState().cullingVolume;
  EXPECT_EQ(volume.computeVisibility({Vector3<double>(0.0, 0.0, 0.0), 0.0}), Intersect::Inside);
  EXPECT_EQ(volume.computeVisibility({Vector3<double>(4.0e7, 0.0, 0.0), 0.0}), Intersect::Outside);
}

}  // namespace
}  // namespace qel
