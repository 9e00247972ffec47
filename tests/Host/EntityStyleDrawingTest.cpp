// What a user sees of a styled feature: its billboard, label, line and filled area land
// where the camera puts them, follow a style change in the next frame, hide with the
// feature, and are picked where they are drawn (an area inside its ring only).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Common/Ellipsoid.h"
#include "Common/ModulePath.h"
#include "Common/Transforms.h"
#include "Data/DataSourceDisplay.h"
#include "Data/Entity.h"
#include "Feature/ColorMaterial.h"
#include "Feature/Feature.h"
#include "Feature/FeatureGroup.h"
#include "Feature/PointGeometry.h"
#include "Feature/PointStyle.h"
#include "Feature/PolygonGeometry.h"
#include "Feature/PolygonStyle.h"
#include "Feature/PolylineGeometry.h"
#include "Feature/PolylineStyle.h"
#include "Scene/SceneImpl.h"

namespace qel {
namespace {

using namespace Feature;

constexpr int kPickSize = 3;
// The marker image the build ships: 24 pixels wide, 32 high.
constexpr double kMarkWidth = 24.0;
constexpr double kMarkHeight = 32.0;
// Side of the mark drawn for a feature whose style draws nothing of its kind.
constexpr double kMarkSide = 12.0;
// Window positions are exact up to rounding of Earth-sized coordinates.
constexpr double kPixelSlack = 1e-6;

const Cartographic kHere = Cartographic::fromDegrees(10.0, 20.0, 0.0);

class EntityStyleDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Straight down from 1 km: a metre and a half per pixel, so the shapes below span
    // a hundred pixels and more.
    const Vector3<double> eye = Ellipsoid::WGS84.cartographicToCartesian(Cartographic::fromDegrees(10.0, 20.0, 1000.0));
    scene.getCamera().setPosition(eye);
    scene.getCamera().setOrientation(
        Transforms::viewHeadingPitchRollToViewQuaternion(eye, {0.0, Math::toRadians(-90.0), 0.0}));
  }

  void frame() { scene.render(now += std::chrono::milliseconds(16)); }

  std::shared_ptr<Feature::Feature> add(std::shared_ptr<Geometry> geometry, std::shared_ptr<Style> style) {
    auto feature = std::make_shared<Feature::Feature>();
    feature->setGeometry(std::move(geometry));
    feature->setStyle(std::move(style));
    scene._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->add(feature);
    return feature;
  }

  // Where the camera shows a place, computed from the camera alone.
  Vector2<double> windowOf(const Cartographic& place) const {
    return *scene.getCamera().worldToWindow(Ellipsoid::WGS84.cartographicToCartesian(place));
  }
  // A place `east` and `north` metres from kHere (small distances on the ground).
  static Cartographic offset(double east, double north) {
    const double metresPerRadian = Ellipsoid::WGS84.getMaximumRadius();
    return {kHere.longitude + east / (metresPerRadian * std::cos(kHere.latitude)),
            kHere.latitude + north / metresPerRadian, 0.0};
  }

  // The items the last frame drew for `feature`, in order.
  std::vector<DrawItem> drawnFor(const Feature::Feature& feature) const {
    std::vector<DrawItem> found;
    for (const DrawItem& item : scene.getLastFrame().items()) {
      if (item.entity().lock() && item.entity().lock() == feature._getImplHandle()) found.push_back(item);
    }
    return found;
  }
  static const DrawItem* ofKind(const std::vector<DrawItem>& items, DrawKind kind) {
    for (const DrawItem& item : items) {
      if (item.kind == kind) return &item;
    }
    return nullptr;
  }

  std::shared_ptr<Entity> pickedAt(const Vector2<double>& window) {
    const std::shared_ptr<PickObject> picked =
        scene.pick({static_cast<int>(window.x), static_cast<int>(window.y)}, kPickSize, kPickSize).lock();
    return picked ? picked->getEntity() : nullptr;
  }

  SceneImpl scene;
  std::chrono::steady_clock::time_point now{std::chrono::seconds(100)};
  const std::string markIcon = getModulePath("qelCommon") + "/Resource\\Texture\\markIcon.png";
};

// A billboard's window box relative to its anchor, for each pair of origins.
struct BillboardCase {
  std::string name;
  int horizontal;
  int vertical;
  Vector2<double> pixelOffset;
  WindowBox relative;  // expected box minus the anchor's window position
};

std::string billboardName(const ::testing::TestParamInfo<BillboardCase>& info) { return info.param.name; }
void PrintTo(const BillboardCase& c, std::ostream* os) { *os << c.name; }

class EntityBillboardTest : public EntityStyleDrawingTest, public ::testing::WithParamInterface<BillboardCase> {};

TEST_P(EntityBillboardTest, TheImageStandsOnItsAnchorByItsOrigins) {
  const BillboardCase& c = GetParam();
  auto style = std::make_shared<PointStyle>();
  auto billboard = std::make_shared<BillboardSymbol>();
  billboard->setImage(markIcon);
  billboard->setHorizontalOrigin(c.horizontal);
  billboard->setVerticalOrigin(c.vertical);
  billboard->setPixelOffset(c.pixelOffset);
  style->setBillboardSymbol(billboard);
  const auto feature = add(std::make_shared<PointGeometry>(kHere), style);
  frame();

  const std::vector<DrawItem> items = drawnFor(*feature);
  ASSERT_EQ(items.size(), 1u);
  const DrawItem& item = items[0];
  EXPECT_EQ(item.kind, DrawKind::Billboard);
  EXPECT_EQ(item.image, markIcon);
  EXPECT_TRUE(item.shown);
  const Vector2<double> anchor = windowOf(kHere);
  EXPECT_NEAR(item.box.x0 - anchor.x, c.relative.x0, kPixelSlack);
  EXPECT_NEAR(item.box.y0 - anchor.y, c.relative.y0, kPixelSlack);
  EXPECT_NEAR(item.box.x1 - anchor.x, c.relative.x1, kPixelSlack);
  EXPECT_NEAR(item.box.y1 - anchor.y, c.relative.y1, kPixelSlack);
  // Picked where the image is, not elsewhere.
  const Vector2<double> inside{anchor.x + 0.5 * (c.relative.x0 + c.relative.x1),
                               anchor.y + 0.5 * (c.relative.y0 + c.relative.y1)};
  EXPECT_EQ(pickedAt(inside), feature->_getImplHandle());
  EXPECT_EQ(pickedAt({anchor.x + c.relative.x1 + 5.0, inside.y}), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Origins, EntityBillboardTest,
    ::testing::Values(
        // The point editor's marker: centred across, standing on its anchor.
        BillboardCase{"CentreBottom", 0, 1, {}, {-kMarkWidth / 2, -kMarkHeight, kMarkWidth / 2, 0.0}},
        BillboardCase{"LeftTop", 1, -1, {}, {0.0, 0.0, kMarkWidth, kMarkHeight}},
        BillboardCase{"RightCentre", -1, 0, {}, {-kMarkWidth, -kMarkHeight / 2, 0.0, kMarkHeight / 2}},
        BillboardCase{"OffsetRightDown",
                      0,
                      0,
                      {10.0, 4.0},
                      {10.0 - kMarkWidth / 2, 4.0 - kMarkHeight / 2, 10.0 + kMarkWidth / 2, 4.0 + kMarkHeight / 2}}),
    billboardName);

TEST_F(EntityStyleDrawingTest, ALabelShowsItsTextBesideThePoint) {
  auto style = std::make_shared<PointStyle>();
  auto label = std::make_shared<LabelSymbol>();
  label->setText("Peak");
  label->setHorizontalOrigin(1);
  label->setVerticalOrigin(1);
  label->setPixelOffset({20.0, 0.0});
  label->setColor({1.0f, 1.0f, 0.0f, 1.0f});
  style->setLabelSymbol(label);
  const auto feature = add(std::make_shared<PointGeometry>(kHere), style);
  frame();

  const std::vector<DrawItem> items = drawnFor(*feature);
  ASSERT_EQ(items.size(), 1u);
  const DrawItem& item = items[0];
  EXPECT_EQ(item.kind, DrawKind::Label);
  EXPECT_EQ(item.text(), "Peak");
  EXPECT_EQ(item.color, (Color{1.0f, 1.0f, 0.0f, 1.0f}));
  // Four narrow glyphs half the 16-pixel font size wide, left edge 20 px right of the
  // anchor, bottom edge on it.
  const Vector2<double> anchor = windowOf(kHere);
  EXPECT_NEAR(item.box.x0, anchor.x + 20.0, kPixelSlack);
  EXPECT_NEAR(item.box.x1, anchor.x + 20.0 + 4 * 8.0, kPixelSlack);
  EXPECT_NEAR(item.box.y0, anchor.y - 16.0, kPixelSlack);
  EXPECT_NEAR(item.box.y1, anchor.y, kPixelSlack);
}

TEST_F(EntityStyleDrawingTest, AStyleChangeIsDrawnTheNextFrame) {
  auto style = std::make_shared<PointStyle>();
  auto billboard = std::make_shared<BillboardSymbol>();
  billboard->setImage(markIcon);
  style->setBillboardSymbol(billboard);
  const auto feature = add(std::make_shared<PointGeometry>(kHere), style);
  frame();
  const Vector2<double> anchor = windowOf(kHere);
  ASSERT_EQ(drawnFor(*feature).size(), 1u);

  billboard->setPixelOffset({100.0, 0.0});
  EXPECT_EQ(pickedAt(anchor), feature->_getImplHandle()) << "the last frame still shows the old look";
  frame();
  const std::vector<DrawItem> moved = drawnFor(*feature);
  ASSERT_EQ(moved.size(), 1u);
  EXPECT_NEAR(0.5 * (moved[0].box.x0 + moved[0].box.x1), anchor.x + 100.0, kPixelSlack);
  EXPECT_EQ(pickedAt(anchor), nullptr);
  EXPECT_EQ(pickedAt({anchor.x + 100.0, anchor.y}), feature->_getImplHandle());

  // A symbol switched off goes too; one with nothing to show draws a label only.
  auto label = std::make_shared<LabelSymbol>();
  label->setText("A");
  style->setLabelSymbol(label);
  billboard->setEnabled(false);
  frame();
  const std::vector<DrawItem> labelOnly = drawnFor(*feature);
  ASSERT_EQ(labelOnly.size(), 1u);
  EXPECT_EQ(labelOnly[0].kind, DrawKind::Label);
}

TEST_F(EntityStyleDrawingTest, WithoutAStyleOfItsKindAFeatureIsAMark) {
  const auto bare = add(std::make_shared<PointGeometry>(kHere), nullptr);
  const auto lineStyled = add(std::make_shared<PointGeometry>(offset(100.0, 0.0)), std::make_shared<PolylineStyle>());
  frame();
  for (const auto& feature : {bare, lineStyled}) {
    const std::vector<DrawItem> items = drawnFor(*feature);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].kind, DrawKind::Point);
    EXPECT_NEAR(items[0].box.x1 - items[0].box.x0, kMarkSide, kPixelSlack);
  }
}

TEST_F(EntityStyleDrawingTest, AStyleOfItsKindWithoutSymbolsDrawsNothing) {
  const auto feature = add(std::make_shared<PointGeometry>(kHere), std::make_shared<PointStyle>());
  frame();
  ASSERT_TRUE(feature->_getImplHandle()) << "built all the same";
  EXPECT_TRUE(drawnFor(*feature).empty());
  EXPECT_EQ(pickedAt(windowOf(kHere)), nullptr);
}

TEST_F(EntityStyleDrawingTest, ALineIsDrawnThroughItsPositionsAtItsWidthAndColour) {
  auto style = std::make_shared<PolylineStyle>();
  auto line = std::make_shared<LineSymbol>();
  line->setWidth(3.0);
  line->setMaterial(std::make_shared<ColorMaterial>(1.0f, 0.0f, 0.0f, 1.0f));
  style->setLineSymbol(line);
  const Cartographic west = offset(-150.0, 0.0);
  const Cartographic east = offset(150.0, 50.0);
  const auto feature = add(std::make_shared<PolylineGeometry>(std::vector<Cartographic>{west, east}), style);
  frame();

  const std::vector<DrawItem> items = drawnFor(*feature);
  ASSERT_EQ(items.size(), 1u);
  const DrawItem& item = items[0];
  EXPECT_EQ(item.kind, DrawKind::Polyline);
  EXPECT_EQ(item.color, (Color{1.0f, 0.0f, 0.0f, 1.0f}));
  EXPECT_DOUBLE_EQ(item.halfWidth, 1.5);
  ASSERT_EQ(item.path.size(), 2u);
  EXPECT_NEAR(item.path[0].x, windowOf(west).x, kPixelSlack);
  EXPECT_NEAR(item.path[1].y, windowOf(east).y, kPixelSlack);

  const Vector2<double> middle = (windowOf(west) + windowOf(east)) * 0.5;
  EXPECT_EQ(pickedAt(middle), feature->_getImplHandle());
  EXPECT_EQ(pickedAt({middle.x, middle.y + 10.0}), nullptr);

  // A new width is drawn the next frame: a line 30 pixels wide reaches 10 pixels off.
  line->setWidth(30.0);
  frame();
  EXPECT_EQ(pickedAt({middle.x, middle.y + 10.0}), feature->_getImplHandle());
}

// A wall raised along a line of two positions 10 m high, for each way of reading the
// extrusion's height.
struct WallCase {
  std::string name;
  HeightReference reference;
  double height;
  bool polygonBody;
  bool bodyEnabled;
  bool drawn;
  double bottom;  // expected heights (metres) of the wall's lower and upper edges
  double top;
};

std::string wallName(const ::testing::TestParamInfo<WallCase>& info) { return info.param.name; }
void PrintTo(const WallCase& c, std::ostream* os) { *os << c.name; }

class EntityWallTest : public EntityStyleDrawingTest, public ::testing::WithParamInterface<WallCase> {};

TEST_P(EntityWallTest, RisesBetweenTheHeightsTheExtrusionGives) {
  const WallCase& c = GetParam();
  constexpr double kLineHeight = 10.0;
  Cartographic west = offset(-100.0, 0.0);
  Cartographic east = offset(100.0, 0.0);
  west.height = east.height = kLineHeight;
  auto extrusion = std::make_shared<ExtrusionSymbol>();
  extrusion->setHeight(c.height);
  extrusion->setHeightReference(c.reference);
  std::shared_ptr<Symbol> body = std::make_shared<LineSymbol>();
  if (c.polygonBody) {
    auto polygon = std::make_shared<PolygonSymbol>();
    polygon->setMaterial(std::make_shared<ColorMaterial>(0.2f, 0.4f, 0.6f, 1.0f));
    body = polygon;
  }
  body->setEnabled(c.bodyEnabled);
  extrusion->setBodySymbol(body);
  auto style = std::make_shared<PolylineStyle>();
  style->setExtrusionSymbol(extrusion);
  const auto feature = add(std::make_shared<PolylineGeometry>(std::vector<Cartographic>{west, east}), style);
  frame();

  const std::vector<DrawItem> items = drawnFor(*feature);
  const DrawItem* wall = ofKind(items, DrawKind::Area);
  ASSERT_EQ(wall != nullptr, c.drawn);
  if (!wall) return;
  EXPECT_EQ(wall->color, (Color{0.2f, 0.4f, 0.6f, 1.0f}));
  ASSERT_EQ(wall->path.size(), 4u) << "bottom west, bottom east, top east, top west";
  const auto at = [&](Cartographic place, double height) {
    place.height = height;
    return windowOf(place);
  };
  EXPECT_NEAR(wall->path[0].x, at(west, c.bottom).x, kPixelSlack);
  EXPECT_NEAR(wall->path[0].y, at(west, c.bottom).y, kPixelSlack);
  EXPECT_NEAR(wall->path[1].x, at(east, c.bottom).x, kPixelSlack);
  EXPECT_NEAR(wall->path[2].x, at(east, c.top).x, kPixelSlack);
  EXPECT_NEAR(wall->path[3].x, at(west, c.top).x, kPixelSlack);
  EXPECT_NEAR(wall->path[3].y, at(west, c.top).y, kPixelSlack);
}

INSTANTIATE_TEST_SUITE_P(
    Extrusions, EntityWallTest,
    ::testing::Values(
        WallCase{"RisesAboveTheLine", HeightReference::None, 100.0, true, true, true, 10.0, 110.0},
        WallCase{"HangsBelowTheLine", HeightReference::None, -5.0, true, true, true, 5.0, 10.0},
        WallCase{"UpToAnAbsoluteHeight", HeightReference::ClampToGround, 300.0, true, true, true, 10.0, 300.0},
        WallCase{"DownToAnAbsoluteHeight", HeightReference::ClampToGround, -20.0, true, true, true, -20.0, 10.0},
        WallCase{"FromTheEllipsoid", HeightReference::ClampToTerrain, 300.0, true, true, true, 0.0, 10.0},
        WallCase{"BodyNotAPolygon", HeightReference::None, 100.0, false, true, false, 0.0, 0.0},
        WallCase{"BodyDisabled", HeightReference::None, 100.0, true, false, false, 0.0, 0.0}),
    wallName);

// An L-shaped area (a square of 200 m with its north-east quarter cut away) with a
// square hole in its south-west quarter.
class EntityAreaTest : public EntityStyleDrawingTest {
 protected:
  void SetUp() override {
    EntityStyleDrawingTest::SetUp();
    const PolygonHierarchy hierarchy{
        {offset(-100, -100), offset(100, -100), offset(100, 0), offset(0, 0), offset(0, 100), offset(-100, 100)},
        {{offset(-80, -80), offset(-40, -80), offset(-40, -40), offset(-80, -40)}}};
    auto outline = std::make_shared<LineSymbol>();
    outline->setWidth(0.8);
    outline->setMaterial(std::make_shared<ColorMaterial>(0.5f, 0.0f, 0.5f, 0.9f));
    polygon->setMaterial(std::make_shared<ColorMaterial>(0.78039217f, 0.92941177f, 0.8f, 0.8f));
    polygon->setOutLineSymbol(outline);
    style->setPolygonSymbol(polygon);
    feature = add(std::make_shared<PolygonGeometry>(hierarchy), style);
    frame();
  }

  std::shared_ptr<PolygonStyle> style = std::make_shared<PolygonStyle>();
  std::shared_ptr<PolygonSymbol> polygon = std::make_shared<PolygonSymbol>();
  std::shared_ptr<Feature::Feature> feature;
};

TEST_F(EntityAreaTest, IsFilledAndOutlinedInItsColours) {
  const std::vector<DrawItem> items = drawnFor(*feature);
  const DrawItem* fill = ofKind(items, DrawKind::Area);
  ASSERT_TRUE(fill);
  EXPECT_EQ(fill->color, (Color{0.78039217f, 0.92941177f, 0.8f, 0.8f}));
  EXPECT_EQ(fill->path.size(), 6u);
  ASSERT_EQ(fill->holes().size(), 1u);
  const DrawItem* outline = ofKind(items, DrawKind::Polyline);
  ASSERT_TRUE(outline);
  EXPECT_EQ(outline->color, (Color{0.5f, 0.0f, 0.5f, 0.9f}));
  ASSERT_EQ(outline->path.size(), 7u) << "the outline closes back to its first vertex";
  EXPECT_EQ(outline->path.front(), outline->path.back());
  // Outer ring and hole outlined: two lines.
  EXPECT_EQ(std::count_if(items.begin(), items.end(), [](const DrawItem& i) { return i.kind == DrawKind::Polyline; }),
            2);
}

struct AreaPickCase {
  std::string name;
  double east;
  double north;
  bool hit;
};

std::string areaPickName(const ::testing::TestParamInfo<AreaPickCase>& info) { return info.param.name; }
void PrintTo(const AreaPickCase& c, std::ostream* os) { *os << c.name; }

class EntityAreaPickTest : public EntityAreaTest, public ::testing::WithParamInterface<AreaPickCase> {};

TEST_P(EntityAreaPickTest, PicksInsideTheRingAndOutsideTheHole) {
  const AreaPickCase& c = GetParam();
  const std::shared_ptr<Entity> picked = pickedAt(windowOf(offset(c.east, c.north)));
  EXPECT_EQ(picked, c.hit ? feature->_getImplHandle() : nullptr);
  // Rectangle picks agree: a small box around the place.
  const Vector2<double> w = windowOf(offset(c.east, c.north));
  const auto found = scene.rectanglePick({static_cast<int>(w.x) - 1, static_cast<int>(w.y) - 1}, 3, 3);
  EXPECT_EQ(found.size(), c.hit ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Places, EntityAreaPickTest,
                         ::testing::Values(AreaPickCase{"SouthEastArm", 50.0, -50.0, true},
                                           AreaPickCase{"NorthWestArm", -50.0, 50.0, true},
                                           AreaPickCase{"CutAwayQuarter", 50.0, 50.0, false},
                                           AreaPickCase{"InTheHole", -60.0, -60.0, false},
                                           AreaPickCase{"BesideTheHole", -20.0, -60.0, true},
                                           AreaPickCase{"OutsideWest", -130.0, 0.0, false}),
                         areaPickName);

TEST_F(EntityAreaTest, ARectangleOverlappingTheRingFindsItThoughItsCentreIsOutside) {
  polygon->setOutLineSymbol(nullptr);  // the fill alone
  frame();
  const Vector2<double> corner = windowOf(offset(-10.0, 110.0));
  const Vector2<double> opposite = windowOf(offset(110.0, -10.0));
  const auto found =
      scene.rectanglePick({static_cast<int>(corner.x), static_cast<int>(corner.y)},
                          static_cast<int>(opposite.x - corner.x), static_cast<int>(opposite.y - corner.y));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0]->getEntity(), feature->_getImplHandle());
}

TEST_F(EntityAreaTest, WithoutFillOnlyTheOutlineIsPicked) {
  polygon->setFill(false);
  frame();
  EXPECT_EQ(pickedAt(windowOf(offset(50.0, -50.0))), nullptr);
  EXPECT_EQ(pickedAt(windowOf(offset(100.0, -50.0))), feature->_getImplHandle()) << "on the east edge";
}

TEST_F(EntityAreaTest, AHiddenFeatureShowsAndPicksNothing) {
  feature->setShow(false);
  frame();
  const std::vector<DrawItem> items = drawnFor(*feature);
  ASSERT_FALSE(items.empty());
  for (const DrawItem& item : items) EXPECT_FALSE(item.shown);
  EXPECT_EQ(pickedAt(windowOf(offset(50.0, -50.0))), nullptr);
  EXPECT_TRUE(scene.rectanglePick({0, 0}, 800, 600).empty());
}

}  // namespace
}  // namespace qel
