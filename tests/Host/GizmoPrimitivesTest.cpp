// The pieces a transform gizmo is drawn with: frames, arrows and rings placed by a model
// matrix, recoloured per instance or by material, and corner points in a collection that
// moves with the object. What a user notices is where they land on screen, their colour,
// and that a pick finds them by their ids.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"
#include "Data/PolylineArrowMaterialProperty.h"
#include "Scene/BoxOutlineGeometry.h"
#include "Scene/ColorGeometryInstanceAttribute.h"
#include "Scene/PerInstanceColorAppearance.h"
#include "Scene/PointPrimitiveCollection.h"
#include "Scene/PolylineColorAppearance.h"
#include "Scene/PolylineMaterialAppearance.h"
#include "Scene/Primitive.h"
#include "Support/TestHost.h"

namespace qel::test {
namespace {

using V3 = Vector3<double>;

constexpr double kPixel = 1e-6;
// Above the ground, so that no part of a 40 m frame hides below the surface.
const Cartographic kSite = Cartographic::fromDegrees(10.0, 20.0, 50.0);

// Looking straight down on the site from 400 m: a 40 m object spans a good part of the view.
void lookAtSite(TestHost& host) { host.setPose(Cartographic::fromDegrees(10.0, 20.0, 450.0), 0.0, -90.0); }

Matrix4 siteFrame() { return Transforms::eastNorthUpToFixedFrame(Ellipsoid::WGS84.cartographicToCartesian(kSite)); }

std::vector<const DrawItem*> itemsOf(const TestHost& host, const PrimitiveBase* primitive) {
  std::vector<const DrawItem*> out;
  for (const DrawItem& item : host.scene().getLastFrame().items()) {
    if (item.primitive == primitive) out.push_back(&item);
  }
  return out;
}

Vector2<int> pixel(const Vector2<double>& window) {
  return {static_cast<int>(std::floor(window.x)), static_cast<int>(std::floor(window.y))};
}

std::shared_ptr<Primitive> lineOf(const std::vector<V3>& positions, const Uuid& id, std::shared_ptr<Appearance> look,
                                  double width) {
  std::vector<GeometryInstance> instances(1);
  PolylineGeometry line;
  line.positions = positions;
  line.width = width;
  instances[0].geometry = std::move(line);
  instances[0].id = id;
  return std::make_shared<Primitive>(std::move(instances), std::move(look));
}

struct FrameCase {
  const char* name;
  V3 dimensions;
  Matrix4 local;  // turn and scale within the site's east-north-up frame
};

class BoxOutlineTest : public ::testing::TestWithParam<FrameCase> {};

// Every corner of the box, placed by the model matrix, is a vertex of the drawn frame, and
// every one of the twelve edges is drawn.
TEST_P(BoxOutlineTest, DrawsTheTwelveEdgesWhereTheModelMatrixPutsThem) {
  const FrameCase& c = GetParam();
  TestHost host;
  lookAtSite(host);
  GeometryInstance instance;
  instance.geometry = BoxOutlineGeometry::fromDimensions(c.dimensions);
  instance.id = uuid4();
  instance.color = ColorGeometryInstanceAttribute::fromColor(Color::WHITE);
  auto box = std::make_shared<Primitive>(std::vector<GeometryInstance>{instance},
                                         std::make_shared<PerInstanceColorAppearance>(true, false));
  box->modelMatrix = siteFrame() * c.local;
  box->setSelectEnabled(false);
  host.scene().getPrimitives().add(box);
  host.frame();

  const auto drawn = itemsOf(host, box.get());
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_TRUE(drawn[0]->shown);
  EXPECT_EQ(drawn[0]->color, Color::WHITE);
  const std::vector<Vector2<double>>& path = drawn[0]->path;
  std::vector<Vector2<double>> corners;
  for (int i = 0; i < 8; ++i) {
    const V3 local{(i & 1 ? 0.5 : -0.5) * std::abs(c.dimensions.x), (i & 2 ? 0.5 : -0.5) * std::abs(c.dimensions.y),
                   (i & 4 ? 0.5 : -0.5) * std::abs(c.dimensions.z)};
    const auto at = host.windowOf(box->modelMatrix.multiplyByPoint(local));
    ASSERT_TRUE(at.has_value());
    corners.push_back(*at);
  }
  auto cornerIndex = [&](const Vector2<double>& p) {
    for (int i = 0; i < 8; ++i) {
      if (Vector2<double>::distance(p, corners[i]) < kPixel) return i;
    }
    return -1;
  };
  std::set<std::pair<int, int>> edges;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const int a = cornerIndex(path[i]);
    ASSERT_GE(a, 0) << "path point " << i << " is no corner";
    if (i == 0) continue;
    const int b = cornerIndex(path[i - 1]);
    if (a != b) edges.insert({std::min(a, b), std::max(a, b)});
  }
  // Corners i and j share an edge when their indices differ in exactly one bit.
  std::set<std::pair<int, int>> expected;
  for (int i = 0; i < 8; ++i) {
    for (int bit : {1, 2, 4}) {
      if ((i & bit) == 0) expected.insert({i, i | bit});
    }
  }
  EXPECT_EQ(edges, expected);
}

INSTANTIATE_TEST_SUITE_P(Frames, BoxOutlineTest,
                         ::testing::Values(FrameCase{"upright", {40, 20, 10}, Matrix4::identity()},
                                           FrameCase{"negativeDimensions", {-40, 20, -10}, Matrix4::identity()},
                                           FrameCase{"turnedAndScaled",
                                                     {30, 30, 30},
                                                     Matrix4::fromTranslationQuaternionRotationScale(
                                                         {5, -3, 8}, Quaternion::fromAxisAngle({0, 0, 1}, Radian(0.6)),
                                                         {1.5, 0.5, 1.0})}),
                         [](const auto& info) { return std::string(info.param.name); });

// An arrow follows its model matrix from frame to frame, is found by its id even though
// it is not selectable, and is not swept up by a rectangle pick.
TEST(GizmoPrimitives, AnArrowFollowsItsModelMatrixAndIsPickedByItsId) {
  TestHost host;
  lookAtSite(host);
  const Uuid xAxis = uuid4();
  auto red = Material::fromType(PolylineArrowMaterialProperty::getType(), {{"color", {1, 0, 0, 1}}});
  auto arrow = lineOf({{0, 0, 0}, {50, 0, 0}}, xAxis, std::make_shared<PolylineMaterialAppearance>(red, false), 12.0);
  arrow->setSelectEnabled(false);
  arrow->modelMatrix = siteFrame();
  host.scene().getPrimitives().add(arrow);
  host.frame();

  auto expectArrowAt = [&](const Matrix4& m) {
    const auto drawn = itemsOf(host, arrow.get());
    ASSERT_EQ(drawn.size(), 1u);
    ASSERT_EQ(drawn[0]->path.size(), 2u);
    const auto tail = host.windowOf(m.multiplyByPoint({0, 0, 0}));
    const auto head = host.windowOf(m.multiplyByPoint({50, 0, 0}));
    ASSERT_TRUE(tail && head);
    EXPECT_LT(Vector2<double>::distance(drawn[0]->path[0], *tail), kPixel);
    EXPECT_LT(Vector2<double>::distance(drawn[0]->path[1], *head), kPixel);
    EXPECT_EQ(drawn[0]->color, Color::RED);
    const auto picked = host.scene().pick(pixel((*tail + *head) * 0.5), 10, 10).lock();
    ASSERT_NE(picked, nullptr);
    ASSERT_TRUE(std::holds_alternative<Uuid>(picked->getId()));
    EXPECT_EQ(std::get<Uuid>(picked->getId()), xAxis);
    EXPECT_EQ(picked->getPrimitive(), arrow.get());
    const Vector2<double> middle = (*tail + *head) * 0.5;
    EXPECT_TRUE(host.scene().rectanglePick(pixel(middle) - Vector2<int>(5, 5), 10, 10).empty());
  };
  expectArrowAt(arrow->modelMatrix);
  // Turned a quarter about up and doubled: the arrow now points north, twice as long.
  arrow->modelMatrix =
      siteFrame() * Matrix4::fromTranslationQuaternionRotationScale(
                        {}, Quaternion::fromAxisAngle({0, 0, 1}, Radian(Math::PI_OVER_TWO)), {2, 2, 2});
  host.frame();
  expectArrowAt(arrow->modelMatrix);
  const auto head = host.windowOf(Ellipsoid::WGS84.cartographicToCartesian(kSite) +
                                  Transforms::eastNorthUpToFixedFrame(Ellipsoid::WGS84.cartographicToCartesian(kSite))
                                      .multiplyByPointAsVector({0, 100, 0}));
  ASSERT_TRUE(head.has_value());
  EXPECT_LT(Vector2<double>::distance(itemsOf(host, arrow.get())[0]->path[1], *head), kPixel);
}

// A part is highlighted and restored without being rebuilt: by its instance's colour
// attribute or by the appearance's material.
TEST(GizmoPrimitives, InstanceColoursAndMaterialsChangeFromTheNextFrame) {
  TestHost host;
  lookAtSite(host);
  const Uuid ringId = uuid4();
  GeometryInstance ringInstance;
  PolylineGeometry ringLine;
  for (int i = 0; i <= 8; ++i) {
    const double a = i * Math::TWO_PI / 8;
    ringLine.positions.push_back({30 * std::cos(a), 30 * std::sin(a), 0});
  }
  ringLine.width = 2.0;
  ringInstance.geometry = ringLine;
  ringInstance.id = ringId;
  ringInstance.color = ColorGeometryInstanceAttribute::fromColor(Color::BLUE);
  auto ring = std::make_shared<Primitive>(std::vector<GeometryInstance>{ringInstance},
                                          std::make_shared<PolylineColorAppearance>());
  ring->modelMatrix = siteFrame();
  auto green = Material::fromType(PolylineArrowMaterialProperty::getType(), {{"color", {0, 1, 0, 1}}});
  auto arrow = lineOf({{0, 0, 0}, {0, 40, 0}}, uuid4(), std::make_shared<PolylineMaterialAppearance>(green, false), 12);
  arrow->modelMatrix = siteFrame();
  host.scene().getPrimitives().add(ring);
  host.scene().getPrimitives().add(arrow);
  host.frame();
  EXPECT_EQ(itemsOf(host, ring.get())[0]->color, Color::BLUE);
  EXPECT_EQ(itemsOf(host, arrow.get())[0]->color, Color::GREEN);

  EXPECT_EQ(ring->getGeometryInstanceAttributes(uuid4()), nullptr);
  GeometryInstanceAttributes* attributes = ring->getGeometryInstanceAttributes(ringId);
  ASSERT_NE(attributes, nullptr);
  attributes->color = Color{1, 1, 0, 1};
  arrow->getAppearance()->setMaterial(
      Material::fromType(PolylineArrowMaterialProperty::getType(), {{"color", {1, 1, 0, 1}}}), false);
  host.frame();
  EXPECT_EQ(itemsOf(host, ring.get())[0]->color, Color::YELLOW);
  EXPECT_EQ(itemsOf(host, arrow.get())[0]->color, Color::YELLOW);
  ring->getGeometryInstanceAttributes(ringId)->color = Color::BLUE;
  host.frame();
  EXPECT_EQ(itemsOf(host, ring.get())[0]->color, Color::BLUE);
}

// Corner points sit where the collection's model matrix puts them, and a pick hands back
// the point itself.
TEST(GizmoPrimitives, PointsOfACollectionMoveWithItsModelMatrix) {
  TestHost host;
  lookAtSite(host);
  auto corners = std::make_shared<PointPrimitiveCollection>(&host.scene(), false, std::nullopt);
  const Matrix4 scaled = siteFrame() * Matrix4::fromScale({2, 2, 2});
  corners->setModelMatrix(scaled);
  PointPrimitive::ConstructorOptions options;
  options.position = {10, 10, 5};
  options.color = Color::GREEN;
  options.pixelSize = 20.0;
  PointPrimitive* corner = corners->add(options);
  corners->setSelectEnabled(false);
  host.scene().getPrimitives().add(corners);
  host.frame();
  const auto at = host.windowOf(siteFrame().multiplyByPoint({20, 20, 10}));
  ASSERT_TRUE(at.has_value());
  const auto drawn = itemsOf(host, corners.get());
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_LT(V3::distance(drawn[0]->position, siteFrame().multiplyByPoint({20, 20, 10})), 1e-6);
  const auto picked = host.scene().pick(pixel(*at), 10, 10).lock();
  ASSERT_NE(picked, nullptr);
  EXPECT_EQ(picked->getElement(), corner);
}

struct BrokenMatrixCase {
  const char* name;
  Matrix4 matrix;
};

class BrokenMatrixTest : public ::testing::TestWithParam<BrokenMatrixCase> {};

// An object scaled or moved by a NaN or an infinity neither draws nor picks, crashes
// nothing, and shows again once its matrix is whole.
TEST_P(BrokenMatrixTest, DrawsAndPicksNothingUntilItIsWholeAgain) {
  TestHost host;
  lookAtSite(host);
  auto arrow = lineOf({{0, 0, 0}, {40, 0, 0}}, uuid4(), nullptr, 12.0);
  auto points = std::make_shared<PointPrimitiveCollection>(&host.scene(), false, std::nullopt);
  PointPrimitive::ConstructorOptions options;
  options.position = {20, 0, 0};
  options.pixelSize = 20.0;
  points->add(options);
  host.scene().getPrimitives().add(arrow);
  host.scene().getPrimitives().add(points);
  const auto middle = host.windowOf(siteFrame().multiplyByPoint({20, 0, 0}));
  ASSERT_TRUE(middle.has_value());

  arrow->modelMatrix = siteFrame() * GetParam().matrix;
  points->setModelMatrix(siteFrame() * GetParam().matrix);
  host.frame();
  EXPECT_TRUE(itemsOf(host, arrow.get()).empty());
  EXPECT_TRUE(itemsOf(host, points.get()).empty());
  EXPECT_EQ(host.scene().pick(pixel(*middle), 10, 10).lock(), nullptr);

  arrow->modelMatrix = siteFrame();
  points->setModelMatrix(siteFrame());
  host.frame();
  EXPECT_EQ(itemsOf(host, arrow.get()).size(), 1u);
  EXPECT_NE(host.scene().pick(pixel(*middle), 10, 10).lock(), nullptr);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Matrices, BrokenMatrixTest,
    ::testing::Values(BrokenMatrixCase{"nanTranslation", Matrix4::fromTranslation({kNaN, 0, 0})},
                      BrokenMatrixCase{"infiniteScale", Matrix4::fromScale({kInf, 1, 1})},
                      BrokenMatrixCase{"nanTurn",
                                       Matrix4::fromRotationTranslation(
                                           Matrix3::fromEulerAnglesXYZ({Radian(kNaN), Radian(0), Radian(0)}), {})}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qel::test
