// The sample model and tileset the demo puts beside the valley: both drawn in their
// files' colours and sizes, standing on the ground, pickable, and out of the rectangle
// the editing tour drags over the other sample features.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Common/Ellipsoid.h"
#include "Data/DataSourceDisplay.h"
#include "Data/ModelGraphics.h"
#include "DemoHost.h"
#include "Feature/Feature.h"
#include "Feature/FeatureGroup.h"
#include "Layers/Qel3DTileset.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "SampleFeatures.h"
#include "Scene/SceneImpl.h"
#include "Viewer/ViewerImpl.h"

namespace {

using qel::Vector3;

// The editing tour's window and the rectangle it drags from the valley's view (pixels).
constexpr int kWidth = 640;
constexpr int kHeight = 400;
constexpr qel::WindowBox kTourRectangle{230.0, 150.0, 410.0, 275.0};
// The shipped files' sizes (Resource/Demo): the model's half size, the tile's height.
const Vector3<double> kModelHalfSize{60.0, 40.0, 50.0};
constexpr double kTileHeight = 100.0;
// Ground heights are compared to a centimetre: the terrain function is evaluated twice.
constexpr double kGround = 0.01;

bool overlaps(const qel::WindowBox& a, const qel::WindowBox& b) {
  return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

std::shared_ptr<qel::Feature::Feature> modelFeature(qel::SceneImpl& scene) {
  for (const auto& node : scene._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->getChildren()) {
    auto* feature = node->_asFeature();
    if (feature && feature->getId() == qel::demo::SampleFeatures::kModel)
      return std::static_pointer_cast<qel::Feature::Feature>(node);
  }
  return nullptr;
}

TEST(SampleModels, StandBesideTheValleyInTheirFilesLookAndOutOfTheTourRectangle) {
  qel::demo::DemoHostOptions options;
  options.windowWidth = kWidth;
  options.windowHeight = kHeight;
  qel::demo::DemoHost host = qel::demo::DemoHost::create(options);
  qel::SceneImpl& scene = host.viewer->getScene();
  const auto places = qel::demo::NamedPlaces::find(scene.getGlobe().getTerrain());
  const qel::demo::NamedPlace* valley = places.forKey(2);
  ASSERT_NE(valley, nullptr);
  host.globe().setPosition(valley->position);
  host.globe().setOrientation(valley->orientation);
  host.viewer->frame();
  host.viewer->frame();

  // The model: its file's box, centred half its height above the ground.
  const auto feature = modelFeature(scene);
  ASSERT_NE(feature, nullptr);
  ASSERT_EQ(feature->_getImplHandle()->getChildren().size(), 1u);
  const std::shared_ptr<qel::Entity> model = feature->_getImplHandle()->getChildren().front();
  const auto* graphics = dynamic_cast<const qel::ModelGraphics*>(model->getGeometryGraphics().get());
  ASSERT_NE(graphics, nullptr);
  EXPECT_EQ(graphics->_getBoundingBox().getHalfSize(), kModelHalfSize);
  const auto modelGround = qel::demo::SampleFeatures::modelGround(scene.getGlobe().getTerrain(), places);
  ASSERT_TRUE(modelGround.has_value());
  ASSERT_TRUE(model->getPosition().has_value());
  EXPECT_NEAR(qel::Ellipsoid::WGS84.cartesianToCartographic(*model->getPosition())->height,
              modelGround->height + kModelHalfSize.z, kGround);

  // The tileset: in the scene, its tile standing on the ground.
  ASSERT_NE(host.sampleTileset, nullptr);
  EXPECT_NE(host.sampleTileset->getLayer()->_getScene(), nullptr);
  const auto tilesetGround = qel::demo::SampleFeatures::tilesetGround(scene.getGlobe().getTerrain(), places);
  ASSERT_TRUE(tilesetGround.has_value());
  const auto centre =
      qel::Ellipsoid::WGS84.cartesianToCartographic(host.sampleTileset->getRoot()->getBoundingVolume().getCenter());
  ASSERT_TRUE(centre.has_value());
  EXPECT_NEAR(centre->height, tilesetGround->height + kTileHeight / 2, kGround);

  // Both drawn from the valley's view, beside the tour's rectangle, not in it.
  int drawn = 0;
  for (const qel::DrawItem& item : scene.getLastFrame().items()) {
    const bool isModel = item.entity().lock() == model;
    const bool isTile = item.tileFeature().lock() == host.sampleTileset->getRoot()->getContentFeature();
    if (!isModel && !isTile) continue;
    ++drawn;
    EXPECT_TRUE(item.shown);
    EXPECT_GE(item.box.x0, 0.0);
    EXPECT_LE(item.box.x1, kWidth);
    EXPECT_FALSE(overlaps(item.box, kTourRectangle)) << (isModel ? "model" : "tileset");
    // Each is picked at its own middle.
    const auto picked = scene
                            .pick({static_cast<int>((item.box.x0 + item.box.x1) / 2),
                                   static_cast<int>((item.box.y0 + item.box.y1) / 2)},
                                  1, 1)
                            .lock();
    ASSERT_NE(picked, nullptr);
    if (isModel) {
      EXPECT_EQ(picked->getEntity(), model);
    } else {
      ASSERT_NE(picked->getTileFeature(), nullptr);
      EXPECT_EQ(picked->getTileFeature()->getTileset(), host.sampleTileset);
    }
  }
  EXPECT_EQ(drawn, 2);
}

}  // namespace
