// Features added to the scene's data source are drawn as their entities, can be picked
// as such, and follow changes of their geometry in the next frame.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <variant>

#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"
#include "Data/DataSource.h"
#include "Data/DataSourceDisplay.h"
#include "Data/Entity.h"
#include "Feature/Feature.h"
#include "Feature/FeatureGroup.h"
#include "Feature/PointGeometry.h"
#include "Scene/SceneImpl.h"

namespace qel {
namespace {

constexpr int kPickSize = 10;  // the picker's window

class EntityPickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const Vector3<double> eye = Ellipsoid::WGS84.cartographicToCartesian(Cartographic::fromDegrees(10.0, 20.0, 5000.0));
    scene.getCamera().setPosition(eye);
    scene.getCamera().setOrientation(
        Transforms::viewHeadingPitchRollToViewQuaternion(eye, {0.0, Math::toRadians(-90.0), 0.0}));
    feature->setGeometry(geometry);
  }

  // The window pixel a geographic position is seen at (from the camera, independently of
  // the draw list).
  Vector2<int> pixelOf(const Cartographic& position) const {
    const std::optional<Vector2<double>> w =
        scene.getCamera().worldToWindow(Ellipsoid::WGS84.cartographicToCartesian(position));
    return {static_cast<int>(w->x), static_cast<int>(w->y)};
  }

  std::shared_ptr<Entity> pickedEntity(const Cartographic& at) {
    const std::shared_ptr<PickObject> picked = scene.pick(pixelOf(at), kPickSize, kPickSize).lock();
    return picked ? picked->getEntity() : nullptr;
  }

  void frame() { scene.render(std::chrono::steady_clock::now()); }

  SceneImpl scene;
  const Cartographic here = Cartographic::fromDegrees(10.0, 20.0, 0.0);
  const Cartographic there = Cartographic::fromDegrees(10.01, 20.0, 0.0);
  std::shared_ptr<Feature::PointGeometry> geometry = std::make_shared<Feature::PointGeometry>(here);
  std::shared_ptr<Feature::Feature> feature = std::make_shared<Feature::Feature>();
};

TEST_F(EntityPickTest, AnAddedFeatureIsPickedAsItsEntityAndFollowsItsGeometryNextFrame) {
  scene._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->add(feature);
  EXPECT_EQ(pickedEntity(here), nullptr) << "nothing drawn before the frame";
  frame();
  const std::shared_ptr<Entity> entity = pickedEntity(here);
  ASSERT_TRUE(entity);
  EXPECT_EQ(entity, feature->_getImplHandle());
  EXPECT_EQ(entity->_getFeature(), feature);
  const std::shared_ptr<PickObject> picked = scene.pick(pixelOf(here), kPickSize, kPickSize).lock();
  ASSERT_TRUE(std::holds_alternative<std::weak_ptr<Entity>>(picked->getId()));
  EXPECT_EQ(std::get<std::weak_ptr<Entity>>(picked->getId()).lock(), entity);

  geometry->setPosition(there);
  EXPECT_EQ(pickedEntity(here), entity) << "the last frame still shows the old place";
  EXPECT_EQ(pickedEntity(there), nullptr);
  frame();
  EXPECT_EQ(pickedEntity(here), nullptr);
  EXPECT_EQ(pickedEntity(there), entity);
  EXPECT_EQ(scene.rectanglePick({0, 0}, 800, 600).size(), 1u);
}

TEST_F(EntityPickTest, AFeatureTakenOutOfTheSceneIsNoLongerDrawn) {
  const std::shared_ptr<Feature::FeatureGroup> root =
      scene._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup();
  root->add(feature);
  frame();
  ASSERT_TRUE(pickedEntity(here));
  root->removeFromMemory(*feature);
  frame();
  EXPECT_EQ(pickedEntity(here), nullptr);
}

}  // namespace
}  // namespace qel
