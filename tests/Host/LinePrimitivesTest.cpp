// Closest points of lines, projections onto segments, the surface's tile level that
// follows the eye, and the geometry primitives the editors' previews are drawn with.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Scene/GroundPolylinePrimitive.h"
#include "Scene/PolylineMaterialAppearance.h"
#include "Scene/Primitive.h"
#include "Support/TestHost.h"

namespace qel::test {
namespace {

using V3 = Vector3<double>;

struct ClosestCase {
  const char* name;
  V3 p1, p2, q1, q2;
  std::optional<std::pair<V3, V3>> expected;
};

class ClosestPointsTest : public ::testing::TestWithParam<ClosestCase> {};

TEST_P(ClosestPointsTest, OfTheTwoInfiniteLines) {
  const ClosestCase& c = GetParam();
  const auto result = IntersectionTests::computeClosestPoints(c.p1, c.p2, c.q1, c.q2);
  ASSERT_EQ(result.has_value(), c.expected.has_value());
  if (!result) return;
  EXPECT_NEAR(V3::distance(result->first, c.expected->first), 0.0, 1e-9);
  EXPECT_NEAR(V3::distance(result->second, c.expected->second), 0.0, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ClosestPointsTest,
    ::testing::Values(
        // The x axis and a line along y at height 5 over x = 2: skew, 5 apart.
        ClosestCase{"skew", {0, 0, 0}, {1, 0, 0}, {2, -1, 5}, {2, 1, 5}, std::make_pair(V3{2, 0, 0}, V3{2, 0, 5})},
        // Beyond both given ends: the lines are infinite.
        ClosestCase{
            "beyondTheEnds", {0, 0, 0}, {1, 0, 0}, {7, 3, 1}, {7, 4, 1}, std::make_pair(V3{7, 0, 0}, V3{7, 0, 1})},
        ClosestCase{
            "crossing", {-1, -1, 0}, {1, 1, 0}, {-1, 1, 0}, {1, -1, 0}, std::make_pair(V3{0, 0, 0}, V3{0, 0, 0})},
        ClosestCase{"parallel", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {3, 1, 0}, std::nullopt},
        ClosestCase{"coincidentEnds", {0, 0, 0}, {0, 0, 0}, {0, 1, 0}, {3, 1, 0}, std::nullopt},
        ClosestCase{"notFinite", {0, 0, 0}, {NAN, 0, 0}, {0, 1, 0}, {3, 1, 1}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct ProjectCase {
  Vector2<double> point, a, b;
  bool onSegment;
};

class ProjectOnSegmentTest : public ::testing::TestWithParam<ProjectCase> {};

TEST_P(ProjectOnSegmentTest, FootWithinTheEnds) {
  const ProjectCase& c = GetParam();
  EXPECT_EQ(IntersectionTests::isPointProjectOnLineSegment(c.point, c.a, c.b), c.onSegment);
}

INSTANTIATE_TEST_SUITE_P(
    Points, ProjectOnSegmentTest,
    ::testing::Values(ProjectCase{{1, 5}, {0, 0}, {2, 0}, true}, ProjectCase{{0, -3}, {0, 0}, {2, 0}, true},
                      ProjectCase{{2, 1}, {0, 0}, {2, 0}, true}, ProjectCase{{2.001, 1}, {0, 0}, {2, 0}, false},
                      ProjectCase{{-0.001, 0}, {0, 0}, {2, 0}, false}, ProjectCase{{5, 5}, {1, 1}, {1, 1}, true},
                      ProjectCase{{NAN, 0}, {0, 0}, {2, 0}, false}));

// The finest level drawn follows the eye's height above the terrain.
struct LevelCase {
  double eyeHeight;
  double terrain;
  int level;
};

class SurfaceLevelTest : public ::testing::TestWithParam<LevelCase> {};

TEST_P(SurfaceLevelTest, DerivedEachFrame) {
  const LevelCase& c = GetParam();
  TestHost host(Terrain::createFlat(c.terrain));
  host.setPose(Cartographic::fromDegrees(10.0, 20.0, c.terrain + c.eyeHeight), 0.0, -90.0);
  host.frame();
  // A tile of that level is about as wide as the eye is high.
  EXPECT_EQ(host.scene().getGlobe().getSurface().tileLevel, c.level);
  const double tileWidth = GlobeSurface::kEquatorLength / std::ldexp(1.0, c.level);
  if (c.level > 0 && c.level < GlobeSurface::kMaximumLevel) {
    EXPECT_LE(tileWidth, std::max(c.eyeHeight, 1.0) * 2.0);
    EXPECT_GT(tileWidth, std::max(c.eyeHeight, 1.0));
  }
}

INSTANTIATE_TEST_SUITE_P(Eyes, SurfaceLevelTest,
                         ::testing::Values(LevelCase{1000.0, 0.0, 15}, LevelCase{1000.0, 3000.0, 15},
                                           LevelCase{10.0, 0.0, 21}, LevelCase{2.0e7, 0.0, 1}, LevelCase{0.5, 0.0, 22},
                                           LevelCase{5.0e7, 0.0, 0}));

TEST(SurfaceLevel, AFixedLevelIsKept) {
  TestHost host;
  host.scene().getGlobe().getSurface().fixedTileLevel = 9;
  host.setPose(Cartographic::fromDegrees(10.0, 20.0, 1000.0), 0.0, -90.0);
  host.frame();
  EXPECT_EQ(host.scene().getGlobe().getSurface().tileLevel, 9);
}

// A line and a wall drawn by a primitive land in the draw list with their instance ids,
// a wall as the outline of its edges.
TEST(GeometryPrimitives, SubmitTheirInstancesWithIds) {
  TestHost host;
  host.setPose(Cartographic::fromDegrees(10.0, 20.0, 2000.0), 0.0, -90.0);
  const Cartographic a = Cartographic::fromDegrees(9.999, 20.0, 0.0);
  const Cartographic b = Cartographic::fromDegrees(10.001, 20.0, 0.0);
  const V3 pa = Ellipsoid::WGS84.cartographicToCartesian(a);
  const V3 pb = Ellipsoid::WGS84.cartographicToCartesian(b);
  const Uuid lineId = uuid4();
  const Uuid wallId = uuid4();
  std::vector<GeometryInstance> instances(2);
  PolylineGeometry line;
  line.positions = {pa, pb};
  line.width = 4.0;
  instances[0].geometry = line;
  instances[0].id = lineId;
  WallGeometry wall;
  wall.positions = {pa, pb};
  wall.minimumHeights = {0.0, 0.0};
  wall.maximumHeights = {100.0, 100.0};
  instances[1].geometry = wall;
  instances[1].id = wallId;
  auto material = Material::fromType(Material::kColorType, {{"color", {1.0f, 0.0f, 0.0f, 0.5f}}});
  EXPECT_TRUE(material->isTranslucent());
  auto primitive = std::make_shared<Primitive>(
      instances, std::make_shared<PolylineMaterialAppearance>(material, material->isTranslucent()));
  host.scene().getPrimitives().add(primitive);
  host.frame();
  std::vector<const DrawItem*> drawn;
  for (const DrawItem& item : host.scene().getLastFrame().items()) {
    if (item.primitive == primitive.get()) drawn.push_back(&item);
  }
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(std::get<Uuid>(drawn[0]->id), lineId);
  EXPECT_EQ(drawn[0]->kind, DrawKind::Primitive);
  EXPECT_EQ(drawn[0]->color, (Color{1.0f, 0.0f, 0.0f, 0.5f}));
  EXPECT_DOUBLE_EQ(drawn[0]->halfWidth, 2.0);
  EXPECT_EQ(std::get<Uuid>(drawn[1]->id), wallId);
  // Bottom edge out, top edge back, closed: five window points.
  EXPECT_EQ(drawn[1]->path.size(), 5u);
  // The line is picked by its id.
  const std::optional<Vector2<double>> middle = host.windowOf((pa + pb) * 0.5);
  ASSERT_TRUE(middle.has_value());
  const auto picked = host.scene().pick({static_cast<int>(middle->x), static_cast<int>(middle->y)}, 3, 3).lock();
  ASSERT_NE(picked, nullptr);
  EXPECT_EQ(picked->getPrimitive(), primitive.get());
}

TEST(GeometryPrimitives, GroundLinesKeepTheirClassificationAndOrder) {
  GroundPolylinePrimitive both({}, nullptr, std::nullopt, true, false);
  EXPECT_EQ(both.getClassificationType(), ClassificationType::Both);
  GroundPolylinePrimitive terrain({}, nullptr, ClassificationType::Terrain, true, false);
  terrain.setZIndex(1);
  EXPECT_EQ(terrain.getClassificationType(), ClassificationType::Terrain);
  EXPECT_EQ(terrain.getZIndex(), 1);
  EXPECT_TRUE(terrain.isAsynchronous());
  EXPECT_FALSE(terrain.isReleaseGeometryInstances());
}

}  // namespace
}  // namespace qel::test
