// Point features that place a model: a model entity under the feature's entity, ready
// the frame after the feature is added and loaded the frame after that, drawn as a box
// turned and scaled in the east-north-up frame at its position, and picked as the model
// entity.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"
#include "Data/DataSourceDisplay.h"
#include "Data/ModelGraphics.h"
#include "Feature/Feature.h"
#include "Feature/FeatureGroup.h"
#include "Feature/PointGeometry.h"
#include "Feature/PointStyle.h"
#include "Support/TestHost.h"

namespace qel::test {
namespace {

using V3 = Vector3<double>;

// 30 m up, so that the whole box stands clear of the ground.
const Cartographic kSite = Cartographic::fromDegrees(10.0, 20.0, 30.0);
V3 site() { return Ellipsoid::WGS84.cartographicToCartesian(kSite); }

std::shared_ptr<Feature::Feature> modelFeature(const std::string& url, const Vector3<Radian>& rotation = {},
                                               const V3& scale = {1, 1, 1}) {
  auto symbol = std::make_shared<Feature::ModelSymbol>();
  symbol->setUrl(url);
  symbol->setRotation(rotation);
  symbol->setScale(scale);
  auto style = std::make_shared<Feature::PointStyle>();
  style->setModelSymbol(symbol);
  auto feature = std::make_shared<Feature::Feature>();
  feature->setGeometry(std::make_shared<Feature::PointGeometry>(kSite));
  feature->setStyle(style);
  return feature;
}

// The model entity as an editor finds it: depth first, the first with graphics kind 7.
std::shared_ptr<Entity> modelEntityOf(const std::shared_ptr<Entity>& entity) {
  if (!entity) return nullptr;
  const auto& graphics = entity->getGeometryGraphics();
  if (graphics && static_cast<std::uint32_t>(graphics->getKind()) == 7u) return entity;
  for (const std::shared_ptr<Entity>& child : entity->getChildren()) {
    if (auto found = modelEntityOf(child)) return found;
  }
  return nullptr;
}

class ModelFeatureTest : public ::testing::Test {
 protected:
  void SetUp() override { host.setPose(Cartographic::fromDegrees(10.0, 20.0, 400.0), 0.0, -90.0); }
  DataSourceDisplay& display() { return host.scene()._getDataSourceDisplay(); }
  void add(const std::shared_ptr<Feature::Feature>& feature) {
    display().getDefaultDataSource()->getRootFeatureGroup()->add(feature);
  }
  BoundingSphereState extentOf(const Entity& entity, BoundingSphere& sphere) {
    return display().getBoundingSphere(entity, false, sphere);
  }
  std::shared_ptr<Entity> pickedAt(const V3& point) {
    const auto at = host.windowOf(point);
    if (!at) return nullptr;
    const auto picked =
        host.scene().pick({static_cast<int>(std::floor(at->x)), static_cast<int>(std::floor(at->y))}, 1, 1).lock();
    return picked ? picked->getEntity() : nullptr;
  }

  TestHost host;
};

TEST_F(ModelFeatureTest, IsReadyTheFrameAfterAddAndItsExtentKnownTheFrameAfterThat) {
  const auto feature = modelFeature("");
  add(feature);
  EXPECT_FALSE(feature->_isEntityReady());
  EXPECT_EQ(modelEntityOf(feature->_getImplHandle()), nullptr);

  host.frame();
  ASSERT_TRUE(feature->_isEntityReady());
  const std::shared_ptr<Entity> model = modelEntityOf(feature->_getImplHandle());
  ASSERT_NE(model, nullptr);
  EXPECT_NE(model, feature->_getImplHandle());
  BoundingSphere sphere;
  EXPECT_EQ(extentOf(*model, sphere), BoundingSphereState::Pending);
  EXPECT_EQ(sphere.radius, 0.0);
  EXPECT_EQ(pickedAt(site()), nullptr);  // not drawn before it has loaded

  host.frame();
  ASSERT_EQ(extentOf(*model, sphere), BoundingSphereState::Done);
  // The default box, 10 m on a side: its sphere reaches its corners.
  EXPECT_NEAR(sphere.radius, ModelGraphics::kDefaultHalfSize.length(), 1e-9);
  EXPECT_LT(V3::distance(sphere.center, site()), 1e-6);
  ASSERT_TRUE(model->getPosition().has_value());
  EXPECT_LT(V3::distance(*model->getPosition(), site()), 1e-6);
  EXPECT_EQ(pickedAt(site()), model);

  // Turning it draws it anew: pending for one frame, the same model entity, no reload.
  feature->getStyle()->asPointStyle()->getModelSymbol()->setRotation({Radian(0), Radian(0), Radian(0.5)});
  EXPECT_EQ(extentOf(*model, sphere), BoundingSphereState::Pending);
  host.frame();
  EXPECT_EQ(modelEntityOf(feature->_getImplHandle()), model);
  EXPECT_EQ(extentOf(*model, sphere), BoundingSphereState::Done);
}

struct PlacementCase {
  const char* name;
  Vector3<double> rotation;  // radians about local x, y, z
  V3 scale;
};

class ModelPlacementTest : public ModelFeatureTest, public ::testing::WithParamInterface<PlacementCase> {};

// The model matrix turns the box by the negated rotation, x first, then y, then z, in the
// east-north-up frame at the position, after scaling it: a corner lands where that
// composition, built here from axis-angle turns, puts it.
TEST_P(ModelPlacementTest, TheModelMatrixTurnsByTheNegatedRotationAfterScaling) {
  const PlacementCase& c = GetParam();
  const Vector3<Radian> rotation{Radian(c.rotation.x), Radian(c.rotation.y), Radian(c.rotation.z)};
  const auto feature = modelFeature("", rotation, c.scale);
  add(feature);
  host.frame(2);
  const std::shared_ptr<Entity> model = modelEntityOf(feature->_getImplHandle());
  ASSERT_NE(model, nullptr);
  const Matrix4 m = model->computeModelMatrix();

  const Quaternion turn = Quaternion::fromAxisAngle(V3::unitZ(), Radian(-c.rotation.z)) *
                          Quaternion::fromAxisAngle(V3::unitY(), Radian(-c.rotation.y)) *
                          Quaternion::fromAxisAngle(V3::unitX(), Radian(-c.rotation.x));
  const Matrix4 enu = Transforms::eastNorthUpToFixedFrame(site());
  const V3 corner{5, -5, 5};
  const V3 expected = enu.multiplyByPoint(turn * V3{corner.x * c.scale.x, corner.y * c.scale.y, corner.z * c.scale.z});
  EXPECT_LT(V3::distance(m.multiplyByPoint(corner), expected), 1e-6);

  const auto* graphics = dynamic_cast<const ModelGraphics*>(model->getGeometryGraphics().get());
  ASSERT_NE(graphics, nullptr);
  EXPECT_EQ(graphics->_getBoundingBox().getHalfSize(), ModelGraphics::kDefaultHalfSize);
  // The drawn box covers the centre and the placed corner (pulled a little inwards),
  // and not a point well outside it.
  EXPECT_EQ(pickedAt(site()), model);
  EXPECT_EQ(pickedAt(enu.multiplyByPoint(
                turn * V3{corner.x * c.scale.x * 0.9, corner.y * c.scale.y * 0.9, corner.z * c.scale.z * 0.9})),
            model);
  EXPECT_EQ(pickedAt(enu.multiplyByPoint({40, 40, 0})), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Placements, ModelPlacementTest,
                         ::testing::Values(PlacementCase{"upright", {0, 0, 0}, {1, 1, 1}},
                                           PlacementCase{"headingOnly", {0, 0, 0.7}, {1, 1, 1}},
                                           PlacementCase{"allThreeAxes", {0.3, -0.2, 1.1}, {2, 1, 0.5}},
                                           PlacementCase{"stretched", {0, 0, -0.4}, {3, 0.5, 1}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModelFeatureTest, AModelFileGivesTheBoxItsSizeAndColour) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "qelModelFeatureTest.json";
  std::ofstream(file) << R"({"halfSize": [8, 3, 2], "color": [1, 0.5, 0, 1]})";
  const auto feature = modelFeature(file.string());
  add(feature);
  host.frame(2);
  const std::shared_ptr<Entity> model = modelEntityOf(feature->_getImplHandle());
  ASSERT_NE(model, nullptr);
  const auto* graphics = dynamic_cast<const ModelGraphics*>(model->getGeometryGraphics().get());
  ASSERT_NE(graphics, nullptr);
  EXPECT_EQ(graphics->_getBoundingBox().getHalfSize(), V3(8, 3, 2));
  bool drawn = false;
  for (const DrawItem& item : host.scene().getLastFrame().items()) {
    if (item.entity().lock() == model) drawn = item.shown && item.color == (Color{1.0f, 0.5f, 0.0f, 1.0f});
  }
  EXPECT_TRUE(drawn);
  std::filesystem::remove(file);
}

// Hidden, disabled or scaled by a NaN: nothing to see or pick, nothing crashes.
TEST_F(ModelFeatureTest, HiddenDisabledOrBrokenModelsAreNeitherDrawnNorPicked) {
  const auto hidden = modelFeature("");
  hidden->setShow(false);
  add(hidden);
  host.frame(2);
  EXPECT_EQ(pickedAt(site()), nullptr);
  hidden->setShow(true);
  host.frame();
  EXPECT_EQ(pickedAt(site()), modelEntityOf(hidden->_getImplHandle()));

  hidden->getStyle()->asPointStyle()->getModelSymbol()->setEnabled(false);
  host.frame(2);
  EXPECT_EQ(modelEntityOf(hidden->_getImplHandle()), nullptr);
  EXPECT_EQ(pickedAt(site()), nullptr);
}

}  // namespace
}  // namespace qel::test
