// The render camera as a user of pick rays and window positions sees it: a pixel's ray
// and a point's window position are exact inverses, and bad input keeps the last pose.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "Common/Ellipsoid.h"
#include "Common/HeadingPitchRoll.h"
#include "Common/Transforms.h"
#include "Renderer/Camera.h"

namespace qel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// A projected pixel must come back to the pixel it was cast through this closely.
constexpr double kPixelTolerance = 1.0e-6;

struct Pose {
  std::string name;
  Cartographic eye;           // degrees, metres
  HeadingPitchRoll attitude;  // degrees
  Viewport viewport;
  double fovDegrees;
};

class CameraPoseTest : public ::testing::TestWithParam<Pose> {
 protected:
  void SetUp() override {
    const Pose& p = GetParam();
    const Vector3<double> position = Ellipsoid::WGS84.cartographicToCartesian(
        Cartographic::fromDegrees(p.eye.longitude, p.eye.latitude, p.eye.height));
    camera.setPosition(position);
    camera.setOrientation(Transforms::viewHeadingPitchRollToViewQuaternion(
        position,
        {Math::toRadians(p.attitude.heading), Math::toRadians(p.attitude.pitch), Math::toRadians(p.attitude.roll)}));
    camera.setViewport(p.viewport);
    camera.getFrustum().setFov(Radian(Degree(p.fovDegrees)));
  }
  Camera camera;
};

TEST_P(CameraPoseTest, PickRayAndWindowPositionAreInverses) {
  const Viewport& v = camera.getViewport();
  constexpr int kSteps = 4;
  for (int i = 0; i <= kSteps; ++i) {
    for (int j = 0; j <= kSteps; ++j) {
      // Corners, edges, centre, and fractional positions in between.
      const Vector2<float> pixel(static_cast<float>(v.x0 + v.width() * i / kSteps) + (i % 2 ? 0.25f : 0.0f),
                                 static_cast<float>(v.y0 + v.height() * j / kSteps) + (j % 2 ? 0.5f : 0.0f));
      const Ray ray = camera.getPickRay(pixel);
      EXPECT_EQ(ray.origin, camera.getPosition());
      for (double distance : {100.0, 1.0e4, 3.0e7}) {
        const std::optional<Vector2<double>> window = camera.worldToWindow(ray.getPoint(distance));
        ASSERT_TRUE(window) << "distance " << distance;
        EXPECT_NEAR(window->x, pixel.x, kPixelTolerance) << "distance " << distance;
        EXPECT_NEAR(window->y, pixel.y, kPixelTolerance) << "distance " << distance;
      }
      // Behind the eye nothing lands in the window.
      EXPECT_FALSE(camera.worldToWindow(ray.getPoint(-10.0)));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Poses, CameraPoseTest,
    ::testing::Values(Pose{"FromOrbit", {0.0, 0.0, 1.36e7}, {0.0, -90.0, 0.0}, {0, 0, 800, 600}, 60.0},
                      Pose{"RolledWide", {-120.0, -30.0, 2.0e6}, {200.0, -60.0, 15.0}, {0, 0, 1920, 1080}, 45.0},
                      Pose{"OffsetViewport", {-179.9, -10.0, 3000.0}, {90.0, -5.0, -30.0}, {100, 50, 740, 530}, 60.0}),
    [](const ::testing::TestParamInfo<Pose>& info) { return info.param.name; });

TEST(CameraInputTest, NonFinitePositionsAndOrientationsKeepTheLastPose) {
  Camera camera;
  const Vector3<double> position(7.0e6, 1.0e5, -2.0e5);
  const Quaternion orientation = Quaternion::fromAxisAngle({1.0, 2.0, 3.0}, Radian(0.7));
  camera.setPosition(position);
  camera.setOrientation(orientation);
  for (const Vector3<double>& bad : {Vector3<double>(kNaN, 0.0, 0.0), Vector3<double>(0.0, 0.0, -kInf)}) {
    camera.setPosition(bad);
  }
  for (const Quaternion& bad : {Quaternion(0.0, 0.0, 0.0, 0.0), Quaternion(kNaN, 0.0, 0.0, 1.0),
                                Quaternion(0.0, kInf, 0.0, 1.0), Quaternion(1e-300, 0.0, 0.0, 0.0)}) {
    camera.setOrientation(bad);
  }
  EXPECT_EQ(camera.getPosition(), position);
  EXPECT_NEAR(std::abs(camera.getOrientation().dot(orientation)), 1.0, 1e-15);
  const Ray ray = camera.getPickRay({400.0f, 300.0f});
  EXPECT_TRUE(ray.origin.isFinite());
  EXPECT_TRUE(ray.direction.isFinite());
  EXPECT_FALSE(camera.worldToWindow({kNaN, 0.0, 0.0}));
}

}  // namespace
}  // namespace qel
