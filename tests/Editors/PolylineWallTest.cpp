// The extrusion wall under the rubber band: its bottom and top heights for each way the
// extrusion reads its height, and the image repeat of a wall textured in metres.

#include <gtest/gtest.h>

#include <cmath>

#include "Feature/ExtrusionSymbol.h"
#include "Feature/ImageMaterial.h"
#include "Feature/PolygonSymbol.h"
#include "Scene/Primitive.h"
#include "Support/PolylineEditorFixture.h"

namespace qel::test {
namespace {

constexpr double kLineHeight = 50.0;

struct WallCase {
  const char* name;
  HeightReference extrusionReference;
  double height;
  std::optional<std::pair<double, double>> bottomTop;  // empty: no heights given
};

class PolylineWallTest : public PolylineEditorFixture, public ::testing::WithParamInterface<WallCase> {
 protected:
  // Draws a rubber band from a vertex at `kLineHeight` (a continued line) to the pointer
  // on the ground, under a style extruded as asked, and returns the wall drawn.
  const WallGeometry* drawWall(HeightReference extrusionReference, double height,
                               std::shared_ptr<Feature::Material> bodyMaterial) {
    auto style = lineStyle(HeightReference::None);
    auto extrusion = std::make_shared<Feature::ExtrusionSymbol>();
    extrusion->setHeight(height);
    extrusion->setHeightReference(extrusionReference);
    auto body = std::make_shared<Feature::PolygonSymbol>();
    body->setMaterial(std::move(bodyMaterial));
    extrusion->setBodySymbol(body);
    style->setExtrusionSymbol(extrusion);
    auto line = lineUnder({{300, 300}}, kLineHeight);
    line->setStyle(style);
    editor->startEditing(nullptr);
    editor->continueDrawing(line);
    host.frame(2);
    move(450, 300);
    const auto* wall = dynamic_cast<const Primitive*>(impl().getRubberWall().get());
    if (wall == nullptr || wall->getGeometryInstances().size() != 1) return nullptr;
    return std::get_if<WallGeometry>(&wall->getGeometryInstances()[0].geometry);
  }
};

TEST_P(PolylineWallTest, HeightsFollowTheExtrusion) {
  const WallCase& c = GetParam();
  const WallGeometry* wall =
      drawWall(c.extrusionReference, c.height, std::make_shared<Feature::ColorMaterial>(1.0f, 0.0f, 0.0f, 0.5f));
  ASSERT_NE(wall, nullptr);
  ASSERT_EQ(wall->positions.size(), 2u);
  EXPECT_EQ(wall->vertexFormat, VertexFormat::POSITION_AND_NORMAL);
  if (!c.bottomTop) {
    EXPECT_TRUE(wall->minimumHeights.empty());
    EXPECT_TRUE(wall->maximumHeights.empty());
    return;
  }
  // At the last vertex, 50 m up.
  ASSERT_EQ(wall->minimumHeights.size(), 2u);
  EXPECT_DOUBLE_EQ(wall->minimumHeights[0], c.bottomTop->first);
  EXPECT_DOUBLE_EQ(wall->maximumHeights[0], c.bottomTop->second);
}

INSTANTIATE_TEST_SUITE_P(
    Extrusions, PolylineWallTest,
    ::testing::Values(WallCase{"upFromTheLine", HeightReference::None, 30.0, std::make_pair(50.0, 80.0)},
                      WallCase{"downFromTheLine", HeightReference::None, -30.0, std::make_pair(20.0, 50.0)},
                      WallCase{"zeroFromTheLine", HeightReference::None, 0.0, std::make_pair(50.0, 50.0)},
                      WallCase{"toAnAbsoluteTop", HeightReference::ClampToGround, 120.0, std::make_pair(50.0, 120.0)},
                      WallCase{"toAnAbsoluteBottom", HeightReference::ClampToGround, 10.0, std::make_pair(10.0, 50.0)},
                      WallCase{"otherReference", HeightReference::ClampToTerrain, 10.0, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PolylineWallTest, ImageTiledInMetresRepeatsAlongTheWall) {
  auto image = std::make_shared<Feature::ImageMaterial>("brick.png");
  image->setTileSize({10.0, 5.0});
  image->setTileSizeUnit(Feature::TileSizeUnit::Meter);
  const WallGeometry* wall = drawWall(HeightReference::None, 30.0, image);
  ASSERT_NE(wall, nullptr);
  EXPECT_EQ(wall->vertexFormat, VertexFormat::POSITION_NORMAL_AND_ST);
  // The base runs from the vertex 50 m up to the pointer on the ground.
  const Vector3<double> from = Ellipsoid::WGS84.cartographicToCartesian(impl().getRubberBand()[0]);
  const Vector3<double> to = Ellipsoid::WGS84.cartographicToCartesian(impl().getRubberBand()[1]);
  const double length = std::sqrt((to - from).lengthSquared());
  const auto* primitive = dynamic_cast<const Primitive*>(impl().getRubberWall().get());
  const std::shared_ptr<Material>& material = primitive->getAppearance()->getMaterial();
  EXPECT_EQ(material->getType(), "Image");
  EXPECT_EQ(material->getImage(), "brick.png");
  EXPECT_NEAR(material->getRepeat().x, length / 10.0, 1e-9);
  EXPECT_NEAR(material->getRepeat().y, 30.0 / 5.0, 1e-9);
}

TEST_F(PolylineWallTest, ImageTiledByCountRepeatsThatOften) {
  auto image = std::make_shared<Feature::ImageMaterial>("brick.png");
  image->setTileSize({3.0, 2.0});
  const WallGeometry* wall = drawWall(HeightReference::None, 30.0, image);
  ASSERT_NE(wall, nullptr);
  const auto* primitive = dynamic_cast<const Primitive*>(impl().getRubberWall().get());
  EXPECT_EQ(primitive->getAppearance()->getMaterial()->getRepeat(), Vector2<double>(3.0, 2.0));
}

}  // namespace
}  // namespace qel::test
