// What a click picks in the scene (a model before the ground, never an unselectable or
// hidden one) and how long a pixel is at a given depth.
#include <gtest/gtest.h>

#include <string>

#include "Common/Ellipsoid.h"
#include "Common/HeadingPitchRoll.h"
#include "Common/Transforms.h"
#include "Scene/BoxPrimitive.h"
#include "Scene/SceneImpl.h"
#include "Scene/SceneTransforms.h"

namespace qel {
namespace {

const Vector2<int> kCentre{400, 300};
// Height of the eye over the land, metres.
constexpr double kEyeHeight = 2000.0;

// A view 2 km above rolling land, looking 45° down toward the north-east.
class SceneViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const Cartographic site = Cartographic::fromDegrees(10.0, 20.0);
    const double land = *scene.getGlobe().getHeight(site);
    eye = Ellipsoid::WGS84.cartographicToCartesian({site.longitude, site.latitude, land + kEyeHeight});
    scene.getCamera().setPosition(eye);
    scene.getCamera().setOrientation(
        Transforms::viewHeadingPitchRollToViewQuaternion(eye, {Math::toRadians(45.0), Math::toRadians(-45.0), 0.0}));
    const std::optional<Vector3<double>> hit = scene.pickGlobe(kCentre);
    ASSERT_TRUE(hit);
    ground = *hit;
  }

  SceneImpl scene;
  Vector3<double> eye;
  Vector3<double> ground;
};

struct BoxCase {
  std::string name;
  bool selectable;
  bool shown;
  bool picked;
};

class ScenePositionPickTest : public SceneViewTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(ScenePositionPickTest, ABuildingInFrontOfTheGroundIsPickedOnlyWhenSelectableAndShown) {
  // A 200 m tower standing on the ground point under the pointer: the view ray meets its
  // wall before the ground.
  const std::shared_ptr<BoxPrimitive> tower = BoxPrimitive::standingOn(ground, {30.0, 30.0, 100.0});
  tower->setSelectEnabled(GetParam().selectable);
  tower->setShow(GetParam().shown);
  scene.getPrimitives().add(tower);

  const std::optional<Vector3<double>> picked = scene.pickPositionWorldCoordinates(kCentre);
  ASSERT_TRUE(picked);
  if (GetParam().picked) {
    const Ray ray = scene.getCamera().getPickRay({400.0f, 300.0f});
    const std::optional<double> wall = tower->intersect(ray);
    ASSERT_TRUE(wall);
    EXPECT_LT((*picked - ray.getPoint(*wall)).length(), 1e-6);
    EXPECT_LT((*picked - eye).length(), (ground - eye).length() - 1.0);
  } else {
    EXPECT_EQ(*picked, ground);
  }
}

INSTANTIATE_TEST_SUITE_P(Boxes, ScenePositionPickTest,
                         ::testing::Values(BoxCase{"Selectable", true, true, true},
                                           BoxCase{"Unselectable", false, true, false},
                                           BoxCase{"Hidden", true, false, false}),
                         [](const ::testing::TestParamInfo<BoxCase>& info) { return info.param.name; });

class ScenePixelLengthTest : public SceneViewTest, public ::testing::WithParamInterface<double> {};

TEST_P(ScenePixelLengthTest, OnePixelSpansWhatNeighbouringPixelRaysSpanAndGrowsWithDepth) {
  const double depth = GetParam();
  const Camera& camera = scene.getCamera();
  // A point off the view axis: only the depth along the view counts.
  const auto atDepth = [&](float x, double d) {
    const Ray ray = camera.getPickRay({x, 420.0f});
    return ray.getPoint(d / ray.direction.dot(camera.getDirection()));
  };
  const Vector3<double> point = atDepth(250.0f, depth);
  const double length = SceneTransforms::computeRealLengthOfOnePixel(scene, point, {1.0, 0.0, 0.0});
  // Points rebuilt from Earth-sized coordinates carry about a nanometre of rounding.
  const double tolerance = 1e-9 * length + 1e-8;
  EXPECT_NEAR(length, (atDepth(251.0f, depth) - point).length(), tolerance);
  EXPECT_NEAR(SceneTransforms::computeRealLengthOfOnePixel(scene, atDepth(250.0f, 2.0 * depth), {1.0, 0.0, 0.0}),
              2.0 * length, 2.0 * tolerance);
  // Behind the eye a pixel has no length.
  EXPECT_EQ(SceneTransforms::computeRealLengthOfOnePixel(scene, eye - camera.getDirection() * depth, {1.0, 0.0, 0.0}),
            0.0);
}

INSTANTIATE_TEST_SUITE_P(Depths, ScenePixelLengthTest, ::testing::Values(2.0, 3000.0, 2.0e7));

}  // namespace
}  // namespace qel
