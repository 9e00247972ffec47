// The render camera as a user of pick rays and window positions sees it: a pixel's ray
// and a point's window position are exact inverses, the GL matrices the demo draws with
// agree with them, and bad input leaves the last good pose in place.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include <glm/vec4.hpp>

#include "Common/Ellipsoid.h"
#include "Common/HeadingPitchRoll.h"
#include "Common/Transforms.h"
#include "Renderer/Camera.h"
#include "Renderer/Context.h"

namespace qel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// A projected pixel must come back to the pixel it was cast through this closely.
constexpr double kPixelTolerance = 1.0e-6;

struct Pose {
  std::string name;
  Cartographic eye;  // degrees, metres
  HeadingPitchRoll attitude;  // degrees
  Viewport viewport;
  double fovDegrees;
};

void apply(Camera& camera, const Pose& pose) {
  const Cartographic eye = Cartographic::fromDegrees(pose.eye.longitude, pose.eye.latitude, pose.eye.height);
  const Vector3<double> position = Ellipsoid::WGS84.cartographicToCartesian(eye);
  const HeadingPitchRoll hpr{Math::toRadians(pose.attitude.heading), Math::toRadians(pose.attitude.pitch),
                             Math::toRadians(pose.attitude.roll)};
  camera.setPosition(position);
  camera.setOrientation(Transforms::viewHeadingPitchRollToViewQuaternion(position, hpr));
  camera.setViewport(pose.viewport);
  camera.getFrustum().setFov(Radian(Degree(pose.fovDegrees)));
}

// Window positions over the viewport: corners, edges, the centre and fractional ones.
std::vector<Vector2<float>> windowGrid(const Viewport& v) {
  std::vector<Vector2<float>> grid;
  constexpr int kSteps = 6;
  for (int i = 0; i <= kSteps; ++i) {
    for (int j = 0; j <= kSteps; ++j) {
      grid.emplace_back(static_cast<float>(v.x0 + v.width() * i / kSteps) + (i % 2 ? 0.25f : 0.0f),
                        static_cast<float>(v.y0 + v.height() * j / kSteps) + (j % 3 ? 0.5f : 0.0f));
    }
  }
  return grid;
}

double angleBetween(const Vector3<double>& a, const Vector3<double>& b) {
  return std::atan2(a.cross(b).length(), a.dot(b));
}

class CameraPoseTest : public ::testing::TestWithParam<Pose> {
 protected:
  void SetUp() override { apply(camera, GetParam()); }
  Camera camera;
};

TEST_P(CameraPoseTest, PickRayThroughAPixelProjectsBackOntoThatPixel) {
  for (const Vector2<float>& pixel : windowGrid(camera.getViewport())) {
    const Ray ray = camera.getPickRay(pixel);
    EXPECT_NEAR(ray.direction.length(), 1.0, 1e-12);
    EXPECT_EQ(ray.origin, camera.getPosition());
    for (double distance : {1.0, 1.0e3, 1.0e6, 3.0e7}) {
      const std::optional<Vector2<double>> window = camera.worldToWindow(ray.getPoint(distance));
      ASSERT_TRUE(window) << "distance " << distance;
      EXPECT_NEAR(window->x, pixel.x, kPixelTolerance) << "distance " << distance;
      EXPECT_NEAR(window->y, pixel.y, kPixelTolerance) << "distance " << distance;
    }
  }
}

TEST_P(CameraPoseTest, ViewportCentreLooksAlongTheViewDirection) {
  const Viewport& v = camera.getViewport();
  const Ray ray = camera.getPickRay({0.5f * static_cast<float>(v.x0 + v.x1), 0.5f * static_cast<float>(v.y0 + v.y1)});
  EXPECT_LT(angleBetween(ray.direction, camera.getDirection()), 1e-9);
  // Right and up in the image are right and up of the camera.
  const Ray right = camera.getPickRay({static_cast<float>(v.x1), 0.5f * static_cast<float>(v.y0 + v.y1)});
  const Ray top = camera.getPickRay({0.5f * static_cast<float>(v.x0 + v.x1), static_cast<float>(v.y0)});
  EXPECT_GT(right.direction.dot(camera.getRight()), 0.1);
  EXPECT_GT(top.direction.dot(camera.getUp()), 0.1);
}

TEST_P(CameraPoseTest, PointsBehindTheEyeHaveNoWindowPosition) {
  for (const Vector2<float>& pixel : windowGrid(camera.getViewport())) {
    const Ray ray = camera.getPickRay(pixel);
    EXPECT_FALSE(camera.worldToWindow(ray.origin - ray.direction * 10.0));
  }
  EXPECT_FALSE(camera.worldToWindow(camera.getPosition()));
  EXPECT_FALSE(camera.worldToWindow(camera.getPosition() + camera.getRight() * 5.0 - camera.getDirection() * 1e-3));
}

TEST_P(CameraPoseTest, GlMatricesPlacePointsWhereTheWindowProjectionDoes) {
  const glm::dmat4 clipFromWorld = camera.getProjectionMatrix().glm() * camera.getViewMatrix().glm();
  const Viewport& v = camera.getViewport();
  for (const Vector2<float>& pixel : windowGrid(v)) {
    const Ray ray = camera.getPickRay(pixel);
    for (double distance : {10.0, 5.0e4, 2.0e7}) {
      const Vector3<double> p = ray.getPoint(distance);
      const glm::dvec4 clip = clipFromWorld * glm::dvec4(p.x, p.y, p.z, 1.0);
      ASSERT_GT(clip.w, 0.0);
      const double windowX = v.x0 + 0.5 * (clip.x / clip.w + 1.0) * v.width();
      const double windowY = v.y0 + 0.5 * (1.0 - clip.y / clip.w) * v.height();
      EXPECT_NEAR(windowX, pixel.x, 1e-4);
      EXPECT_NEAR(windowY, pixel.y, 1e-4);
      // Between the near and far planes the depth is inside the clip volume.
      EXPECT_GT(clip.z / clip.w, -1.0);
      EXPECT_LT(clip.z / clip.w, 1.0);
    }
  }
  const glm::dmat4 roundTrip = camera.getViewMatrix().glm() * camera.getInverseViewMatrix().glm();
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) EXPECT_NEAR(roundTrip[c][r], c == r ? 1.0 : 0.0, 1e-6) << c << "," << r;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Poses, CameraPoseTest,
    ::testing::Values(Pose{"FromOrbit", {0.0, 0.0, 20000000.0 - 6378137.0}, {0.0, -90.0, 0.0}, {0, 0, 800, 600}, 60.0},
                      Pose{"LowOblique", {10.0, 45.0, 500.0}, {30.0, -20.0, 0.0}, {0, 0, 800, 600}, 60.0},
                      Pose{"RolledWide", {-120.0, -30.0, 2.0e6}, {200.0, -60.0, 15.0}, {0, 0, 1920, 1080}, 45.0},
                      Pose{"PortraitNearPole", {170.0, 89.5, 5.0e4}, {0.0, -90.0, 0.0}, {0, 0, 480, 900}, 70.0},
                      Pose{"OffsetViewport", {-179.9, -10.0, 3000.0}, {90.0, -5.0, -30.0}, {100, 50, 740, 530}, 60.0}),
    [](const ::testing::TestParamInfo<Pose>& info) { return info.param.name; });

struct FovCase {
  int width;
  int height;
};

class CameraFovTest : public ::testing::TestWithParam<FovCase> {};

TEST_P(CameraFovTest, FieldOfViewSpansTheLargerWindowDimension) {
  Camera camera;
  camera.setViewport({0, 0, GetParam().width, GetParam().height});
  const double fov = camera.getFrustum().getFov().value();
  const float w = static_cast<float>(GetParam().width);
  const float h = static_cast<float>(GetParam().height);
  const double across = angleBetween(camera.getPickRay({0.0f, 0.5f * h}).direction,
                                     camera.getPickRay({w, 0.5f * h}).direction);
  const double down = angleBetween(camera.getPickRay({0.5f * w, 0.0f}).direction,
                                   camera.getPickRay({0.5f * w, h}).direction);
  EXPECT_NEAR(std::max(across, down), fov, 1e-12);
  // Pixels are square: the two spans relate as the window sides do.
  EXPECT_NEAR(std::tan(across / 2) / std::tan(down / 2), static_cast<double>(GetParam().width) / GetParam().height, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Windows, CameraFovTest,
                         ::testing::Values(FovCase{800, 600}, FovCase{600, 800}, FovCase{512, 512},
                                           FovCase{1920, 200}));

TEST(CameraInputTest, NonFinitePositionsAndOrientationsKeepTheLastPose) {
  Camera camera;
  const Vector3<double> position(7.0e6, 1.0e5, -2.0e5);
  const Quaternion orientation = Quaternion::fromAxisAngle({1.0, 2.0, 3.0}, Radian(0.7));
  camera.setPosition(position);
  camera.setOrientation(orientation);
  camera.resetSetterCounts();

  for (const Vector3<double>& bad : {Vector3<double>(kNaN, 0.0, 0.0), Vector3<double>(0.0, kInf, 0.0),
                                     Vector3<double>(0.0, 0.0, -kInf)}) {
    camera.setPosition(bad);
  }
  for (const Quaternion& bad : {Quaternion(0.0, 0.0, 0.0, 0.0), Quaternion(kNaN, 0.0, 0.0, 1.0),
                                Quaternion(0.0, kInf, 0.0, 1.0), Quaternion(1e-300, 0.0, 0.0, 0.0)}) {
    camera.setOrientation(bad);
  }
  EXPECT_EQ(camera.getPosition(), position);
  const Quaternion kept = camera.getOrientation();
  EXPECT_NEAR(std::abs(kept.dot(orientation)), 1.0, 1e-15);
  EXPECT_EQ(camera.getSetPositionCount(), 3u);
  EXPECT_EQ(camera.getSetOrientationCount(), 4u);

  const Ray ray = camera.getPickRay({400.0f, 300.0f});
  EXPECT_TRUE(ray.origin.isFinite());
  EXPECT_TRUE(ray.direction.isFinite());
  EXPECT_FALSE(camera.worldToWindow({kNaN, 0.0, 0.0}));
}

TEST(CameraInputTest, OrientationIsStoredAsAUnitRotation) {
  Camera camera;
  const Quaternion unit = Quaternion::fromAxisAngle({0.0, 1.0, 1.0}, Radian(1.1));
  camera.setOrientation(Quaternion(unit.x * 3.0, unit.y * 3.0, unit.z * 3.0, unit.w * 3.0));
  const Quaternion stored = camera.getOrientation();
  EXPECT_NEAR(stored.length(), 1.0, 1e-15);
  const Vector3<double> expected = unit * Vector3<double>(0.0, 0.0, -1.0);
  EXPECT_LT(angleBetween(camera.getDirection(), expected), 1e-12);
}

TEST(CameraInputTest, EmptyViewportLooksStraightAheadAndProjectsNothing) {
  Camera camera;
  const double aspect = camera.getFrustum().getAspectRatio();
  camera.setViewport({10, 10, 10, 300});
  EXPECT_EQ(camera.getViewport().width(), 0);
  EXPECT_EQ(camera.getFrustum().getAspectRatio(), aspect);
  EXPECT_LT(angleBetween(camera.getPickRay({123.0f, 45.0f}).direction, camera.getDirection()), 1e-15);
  EXPECT_FALSE(camera.worldToWindow(Vector3<double>::zero()));
}

TEST(CameraInputTest, FrustumRefusesUnusableValues) {
  PerspectiveFrustum frustum;
  frustum.setFov(Radian(1.0));
  frustum.setAspectRatio(2.0);
  for (double fov : {0.0, -1.0, Math::PI, 4.0, kNaN, kInf}) frustum.setFov(Radian(fov));
  for (double aspect : {0.0, -1.0, kNaN, kInf}) frustum.setAspectRatio(aspect);
  EXPECT_EQ(frustum.getFov().value(), 1.0);
  EXPECT_EQ(frustum.getAspectRatio(), 2.0);
}

TEST(CameraInputTest, ContextRefusesUnusableScalesAndSizes) {
  Context context;
  context.setDpiScale(2.0f);
  context.setDrawingBufferSize(1024, 768);
  for (float scale : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    context.setDpiScale(scale);
  }
  context.setDrawingBufferSize(-1, 10);
  EXPECT_EQ(context.getDpiScale(), 2.0f);
  EXPECT_EQ(context.getDrawingBufferWidth(), 1024);
  EXPECT_EQ(context.getDrawingBufferHeight(), 768);
}

// Queries of the public facades read the pose off the main thread while the main thread
// moves the camera: every read sees a position that was actually set.
TEST(CameraThreadTest, ConcurrentReadersSeeOnlyPositionsThatWereSet) {
  Camera camera;
  const Vector3<double> a(7.0e6, 1.0, 2.0);
  const Vector3<double> b(-3.0, 8.0e6, 4.0e6);
  camera.setPosition(a);
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) {
      camera.setPosition(i % 2 ? a : b);
      camera.setOrientation(Quaternion::fromAxisAngle({0.0, 0.0, 1.0}, Radian(0.001 * i)));
    }
    stop = true;
  });
  std::size_t torn = 0;
  while (!stop) {
    const Vector3<double> p = camera.getPosition();
    if (!(p == a) && !(p == b)) ++torn;
    const Quaternion q = camera.getOrientation();
    if (std::abs(q.length() - 1.0) > 1e-12) ++torn;
    (void)camera.getPickRay({1.0f, 2.0f});
  }
  writer.join();
  EXPECT_EQ(torn, 0u);
}

}  // namespace
}  // namespace qel
