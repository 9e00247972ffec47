// 3D tilesets read from a small description: where their root tile ends up under the
// tileset's model matrix, that bad descriptions are refused with a reason, and that a
// tileset added to a scene is drawn over its silhouette and picked as its tile feature.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"
#include "Data/DataSourceDisplay.h"
#include "Layers/Qel3DTileset.h"
#include "Support/TestHost.h"

namespace qel::test {
namespace {

using V3 = Vector3<double>;

const Cartographic kSite = Cartographic::fromDegrees(10.0, 20.0, 0.0);
V3 site() { return Ellipsoid::WGS84.cartographicToCartesian(kSite); }
Matrix4 siteFrame() { return Transforms::eastNorthUpToFixedFrame(site()); }

// A 60 × 40 × 40 m block standing on the site, described in its east-north-up frame.
const char* kBlock = R"({"root": {
  "origin": {"longitude": 10.0, "latitude": 20.0, "height": 0.0},
  "boundingVolume": {"box": [0, 0, 20,  30, 0, 0,  0, 20, 0,  0, 0, 20]},
  "content": {"color": [0.2, 0.4, 0.6, 1.0]}
}})";

struct DescriptionCase {
  const char* name;
  std::string json;
  Matrix4 ownTransform;  // expected
  V3 headerCentre;
  V3 extent;  // the root volume's full size: 2r or twice the half-axis lengths
};

class TilesetDescription : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(TilesetDescription, RootTileStandsWhereTheDescriptionSaysAndIsReadyAtOnce) {
  const DescriptionCase& c = GetParam();
  std::string error;
  const std::shared_ptr<Qel3DTileset> tileset = Qel3DTileset::fromJson(c.json, &error);
  ASSERT_NE(tileset, nullptr) << error;
  ASSERT_NE(tileset->getRoot(), nullptr);
  EXPECT_TRUE(tileset->getReadyPromise().is_ready());
  EXPECT_EQ(tileset->getReadyPromise().get(), tileset->getLayer().get());
  EXPECT_TRUE(tileset->modelMatrix.isIdentity());
  const Qel3DTile& root = *tileset->getRoot();
  for (int r = 0; r < 4; ++r) {
    for (int col = 0; col < 4; ++col) EXPECT_NEAR(root.getTransform()(r, col), c.ownTransform(r, col), 1e-9);
  }
  EXPECT_EQ(root._getHeaderJsonBoundingVolumeCenter(), c.headerCentre);
  const BoundingVolume volume = root.getBoundingVolume();
  EXPECT_LT(V3::distance(volume.getCenter(), c.ownTransform.multiplyByPoint(c.headerCentre)), 1e-6);
  V3 extent;
  if (const BoundingSphere* sphere = volume.getBoundingSphere()) {
    extent = {2 * sphere->radius, 2 * sphere->radius, 2 * sphere->radius};
  } else {
    ASSERT_NE(volume.getOrientedBoundingBox(), nullptr);
    extent = volume.getOrientedBoundingBox()->halfAxes.getScale() * 2.0;
  }
  EXPECT_LT(V3::distance(extent, c.extent), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, TilesetDescription,
    ::testing::Values(DescriptionCase{"boxOnAnOrigin", kBlock, siteFrame(), {0, 0, 20}, {60, 40, 40}},
                      DescriptionCase{"sphereInTheFixedFrame",
                                      R"({"root": {"boundingVolume": {"sphere": [6378137, 0, 0, 25]}}})",
                                      Matrix4::identity(),
                                      {6378137, 0, 0},
                                      {50, 50, 50}},
                      DescriptionCase{"explicitTransform",
                                      R"({"root": {"transform": [1,0,0,0, 0,1,0,0, 0,0,1,0, 100,200,300,1],
                            "boundingVolume": {"box": [1, 2, 3,  0, 5, 0,  -4, 0, 0,  0, 0, 1]}}})",
                                      Matrix4::fromTranslation({100, 200, 300}),
                                      {1, 2, 3},
                                      {10, 8, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadCase {
  const char* name;
  std::string json;
};

class BadTilesetDescription : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadTilesetDescription, IsRefusedWithAReason) {
  std::string error;
  EXPECT_EQ(Qel3DTileset::fromJson(GetParam().json, &error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Qel3DTileset::fromJson(GetParam().json), nullptr);  // no reason asked for: still no crash
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, BadTilesetDescription,
    ::testing::Values(BadCase{"notJson", "{root"}, BadCase{"noRoot", R"({"asset": {}})"},
                      BadCase{"noVolume", R"({"root": {}})"},
                      BadCase{"shortSphere", R"({"root": {"boundingVolume": {"sphere": [0, 0, 0]}}})"},
                      BadCase{"negativeRadius", R"({"root": {"boundingVolume": {"sphere": [0, 0, 0, -1]}}})"},
                      BadCase{"textInABox", R"({"root": {"boundingVolume": {"box": [0,0,0, 1,0,0, 0,1,0, 0,0,"z"]}}})"},
                      BadCase{"shortTransform", R"({"root": {"transform": [1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0],
                                                    "boundingVolume": {"sphere": [0, 0, 0, 1]}}})"},
                      BadCase{"originWithoutLatitude", R"({"root": {"origin": {"longitude": 3},
                                                           "boundingVolume": {"sphere": [0, 0, 0, 1]}}})"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Tileset, ReadsAFileWrittenWithEitherSeparator) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "qelTilesetTest";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "block.json") << kBlock;
  EXPECT_NE(Qel3DTileset::fromFile((dir / "block.json").string()), nullptr);
  EXPECT_NE(Qel3DTileset::fromFile(dir.string() + "\\block.json"), nullptr);
  std::string error;
  EXPECT_EQ(Qel3DTileset::fromFile((dir / "missing.json").string(), &error), nullptr);
  EXPECT_FALSE(error.empty());
  std::filesystem::remove_all(dir);
}

// Moving, turning and scaling the tileset carries its root at once: the computed
// transform is the model matrix applied after the tile's own transform.
TEST(Tileset, TheRootFollowsTheModelMatrix) {
  const std::shared_ptr<Qel3DTileset> tileset = Qel3DTileset::fromJson(kBlock);
  ASSERT_NE(tileset, nullptr);
  const Qel3DTile& root = *tileset->getRoot();
  // Doubled and turned a quarter about the site's up, about the site.
  const Matrix4 local = Matrix4::fromTranslationQuaternionRotationScale(
      {}, Quaternion::fromAxisAngle({0, 0, 1}, Radian(Math::PI_OVER_TWO)), {2, 2, 2});
  tileset->modelMatrix = siteFrame() * local * siteFrame().inverse();
  // The block's centre, 20 m up, is now 40 m up; its east half-axis points north, 60 m long.
  const BoundingVolume volume = root.getBoundingVolume();
  EXPECT_LT(V3::distance(volume.getCenter(), siteFrame().multiplyByPoint({0, 0, 40})), 1e-6);
  const OrientedBoundingBox* box = volume.getOrientedBoundingBox();
  ASSERT_NE(box, nullptr);
  EXPECT_LT(V3::distance(box->halfAxes.getColumn(0), siteFrame().multiplyByPointAsVector({0, 60, 0})), 1e-6);
  EXPECT_LT(V3::distance(root.getComputedTransform().getTranslation(), site()), 1e-6);
  // The header keeps what it said.
  EXPECT_EQ(root._getHeaderJsonBoundingVolumeCenter(), V3(0, 0, 20));
  tileset->_setModelRotation({Radian(0), Radian(0), Radian(-Math::PI_OVER_TWO)});
  tileset->_setModelScale({2, 2, 2});
  EXPECT_EQ(tileset->_getModelScale(), V3(2, 2, 2));
  EXPECT_EQ(tileset->_getModelRotation().z.value(), -Math::PI_OVER_TWO);
}

class TilesetInScene : public ::testing::Test {
 protected:
  void SetUp() override {
    host.setPose(Cartographic::fromDegrees(10.0, 20.0, 500.0), 0.0, -90.0);
    tileset = Qel3DTileset::fromJson(kBlock);
    ASSERT_NE(tileset, nullptr);
  }
  DataSourceDisplay& display() { return host.scene()._getDataSourceDisplay(); }
  std::shared_ptr<PickObject> pickAt(const V3& point) {
    const std::optional<Vector2<double>> at = host.windowOf(point);
    if (!at) return nullptr;
    return host.scene().pick({static_cast<int>(at->x), static_cast<int>(at->y)}, 1, 1).lock();
  }
  bool picksTheTileset(const V3& point) {
    const std::shared_ptr<PickObject> picked = pickAt(point);
    return picked && picked->getTileFeature() && picked->getTileFeature()->getTileset() == tileset &&
           picked->getTileFeature()->getTile() == tileset->getRoot();
  }

  TestHost host;
  std::shared_ptr<Qel3DTileset> tileset;
};

TEST_F(TilesetInScene, IsInTheSceneOnlyWhileAdded) {
  EXPECT_EQ(tileset->getLayer()->_getScene(), nullptr);
  display().addTileset(tileset);
  display().addTileset(tileset);  // twice: still one
  EXPECT_EQ(display().getTilesets().size(), 1u);
  EXPECT_EQ(tileset->getLayer()->_getScene().get(), &host.scene());
  host.frame();
  EXPECT_TRUE(picksTheTileset(siteFrame().multiplyByPoint({0, 0, 40})));
  EXPECT_TRUE(display().removeTileset(*tileset));
  EXPECT_FALSE(display().removeTileset(*tileset));
  EXPECT_EQ(tileset->getLayer()->_getScene(), nullptr);
  host.frame();
  EXPECT_FALSE(picksTheTileset(siteFrame().multiplyByPoint({0, 0, 40})));
}

// Seen from above, a pick anywhere over the roof finds the tile, one just beyond the
// roof's edge does not; the drawn item is the content's colour.
TEST_F(TilesetInScene, IsPickedOverItsSilhouetteAndDrawnInItsColour) {
  display().addTileset(tileset);
  host.frame();
  for (const V3& roof : {V3{0, 0, 40}, V3{29, 19, 40}, V3{-29, -19, 40}, V3{29, -19, 40}}) {
    EXPECT_TRUE(picksTheTileset(siteFrame().multiplyByPoint(roof))) << roof.x << ", " << roof.y;
  }
  for (const V3& beside : {V3{32, 0, 40}, V3{0, -22, 40}}) {
    EXPECT_FALSE(picksTheTileset(siteFrame().multiplyByPoint(beside))) << beside.x << ", " << beside.y;
  }
  const auto picked = pickAt(siteFrame().multiplyByPoint({0, 0, 40}));
  ASSERT_NE(picked, nullptr);
  EXPECT_EQ(picked->getKind(), DrawKind::Area);
  const Color expected{0.2f, 0.4f, 0.6f, 1.0f};
  bool drawn = false;
  for (const DrawItem& item : host.scene().getLastFrame().items()) {
    if (item.tileFeature().lock() == tileset->getRoot()->getContentFeature())
      drawn = item.shown && item.color == expected;
  }
  EXPECT_TRUE(drawn);
  // The roof is what a world-position pick under the view's centre meets.
  const std::optional<Vector2<double>> centre = host.windowOf(site());
  ASSERT_TRUE(centre.has_value());
  const auto hit = host.scene().pickPositionWorldCoordinates(
      {static_cast<int>(std::lround(centre->x)), static_cast<int>(std::lround(centre->y))});
  ASSERT_TRUE(hit.has_value());
  EXPECT_NEAR(Ellipsoid::WGS84.cartesianToCartographic(*hit)->height, 40.0, 0.5);
}

struct HiddenCase {
  const char* name;
  bool show;
  double matrixValue;  // an element of the model matrix's translation
};

class HiddenTileset : public TilesetInScene, public ::testing::WithParamInterface<HiddenCase> {};

// Hidden or broken by a NaN or an infinity: nothing to see, nothing to pick, and shown
// again once whole.
TEST_P(HiddenTileset, IsNeitherDrawnNorPicked) {
  display().addTileset(tileset);
  tileset->setShow(GetParam().show);
  tileset->modelMatrix = Matrix4::fromTranslation({GetParam().matrixValue, 0, 0});
  host.frame();
  EXPECT_FALSE(picksTheTileset(siteFrame().multiplyByPoint({0, 0, 40})));
  EXPECT_FALSE(
      host.scene().pickPositionWorldCoordinates({400, 300}).has_value() &&
      Ellipsoid::WGS84.cartesianToCartographic(*host.scene().pickPositionWorldCoordinates({400, 300}))->height > 1.0);
  tileset->setShow(true);
  tileset->modelMatrix = Matrix4::identity();
  host.frame();
  EXPECT_TRUE(picksTheTileset(siteFrame().multiplyByPoint({0, 0, 40})));
}

INSTANTIATE_TEST_SUITE_P(Tilesets, HiddenTileset,
                         ::testing::Values(HiddenCase{"hidden", false, 0.0},
                                           HiddenCase{"nanMatrix", true, std::numeric_limits<double>::quiet_NaN()},
                                           HiddenCase{"infiniteMatrix", true, std::numeric_limits<double>::infinity()}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qel::test
