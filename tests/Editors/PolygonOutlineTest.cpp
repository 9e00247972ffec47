// What the area editor draws of the ring (the closed outline in space or draped, the wall
// of an extrusion), what a draped outline lies on with the warnings for relative
// references, and the editor's style: its defaults and refusals.

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

#include "Feature/ExtrusionSymbol.h"
#include "Feature/LabelSymbol.h"
#include "Feature/PointStyle.h"
#include "Scene/GroundPolylinePrimitive.h"
#include "Scene/Primitive.h"
#include "Support/PolygonEditorFixture.h"

namespace qel::test {
namespace {

constexpr const char* kSourceFile = "Components/src/Manipulator/PolygonEditor";

struct MappingCase {
  int reference;
  std::optional<ClassificationType> expected;
  int warningLine;  // 0: nothing logged
  const char* warning;
};

class PolygonMappingTest : public ::testing::TestWithParam<MappingCase> {
 protected:
  void SetUp() override { Log::getInstance().addSink(log); }
  void TearDown() override { Log::getInstance().removeSink(log); }
  std::shared_ptr<CapturingLogSink> log = std::make_shared<CapturingLogSink>();
};

TEST_P(PolygonMappingTest, MapsAndWarnsOncePerCall) {
  const MappingCase& c = GetParam();
  const auto reference = static_cast<HeightReference>(c.reference);
  EXPECT_EQ(PolygonEditorImpl::heightReferenceToClassificationType(reference), c.expected);
  EXPECT_EQ(PolygonEditorImpl::heightReferenceToClassificationType(reference), c.expected);
  if (c.warningLine == 0) {
    EXPECT_EQ(log->size(), 0u);
    return;
  }
  ASSERT_EQ(log->size(), 2u);
  const LogRecord expected{{kSourceFile, c.warningLine, "qel::heightReferenceToClassificationType"}, 3, c.warning};
  EXPECT_EQ(log->records()[0], expected);
  EXPECT_EQ(log->records()[1], expected);
}

INSTANTIATE_TEST_SUITE_P(
    AllReferences, PolygonMappingTest,
    ::testing::Values(MappingCase{0, std::nullopt, 0, ""}, MappingCase{1, ClassificationType::Both, 0, ""},
                      MappingCase{2, ClassificationType::Both, 374,
                                  "多边形不支持相对于地表的高度参考，改为使用贴合地表的高度参考。"},
                      MappingCase{3, ClassificationType::Terrain, 0, ""},
                      MappingCase{4, ClassificationType::Terrain, 379,
                                  "多边形不支持相对于地形的高度参考，改为使用贴合地形的高度参考。"},
                      MappingCase{5, ClassificationType::Cesium3DTile, 0, ""},
                      MappingCase{6, ClassificationType::Cesium3DTile, 384,
                                  "多边形不支持相对于3DTiles的高度参考，改为使用贴合3DTiles的高度参考。"},
                      MappingCase{7, std::nullopt, 0, ""}));

const std::vector<Vector2<float>> kTriangle{{300, 200}, {500, 250}, {350, 400}};

// The outline in space and draped, from the outline symbol or the default colour.
struct OutlineCase {
  const char* name;
  HeightReference reference;
  double outlineWidth;  // 0: the style has no outline symbol
  bool draped;
  ClassificationType lies;
  Color color;
};
void PrintTo(const OutlineCase& c, std::ostream* os) { *os << c.name; }

class PolygonOutlineTest : public PolygonEditorFixture, public ::testing::WithParamInterface<OutlineCase> {};

TEST_P(PolygonOutlineTest, TheRingIsOutlinedClosed) {
  const OutlineCase& c = GetParam();
  const auto area = areaUnder(kTriangle, areaStyle(c.reference, c.outlineWidth));
  editor->startEditing(area);
  host.frame(2);
  const PrimitiveBase* outline = impl().getOutline().get();
  ASSERT_NE(outline, nullptr);
  std::vector<Vector3<double>> expected;
  for (const Cartographic& p : ringOf(*area)) expected.push_back(Ellipsoid::WGS84.cartographicToCartesian(p));
  expected.push_back(expected.front());
  const GeometryInstance* instance = nullptr;
  std::vector<Vector3<double>> drawn;
  double width = 0.0;
  if (c.draped) {
    const auto* ground = dynamic_cast<const GroundPolylinePrimitive*>(outline);
    ASSERT_NE(ground, nullptr);
    EXPECT_EQ(ground->getZIndex(), 1);
    EXPECT_EQ(ground->getClassificationType(), c.lies);
    instance = &ground->getGeometryInstances().at(0);
    drawn = std::get<GroundPolylineGeometry>(instance->geometry).positions;
    width = std::get<GroundPolylineGeometry>(instance->geometry).width;
  } else {
    const auto* space = dynamic_cast<const Primitive*>(outline);
    ASSERT_NE(space, nullptr);
    instance = &space->getGeometryInstances().at(0);
    drawn = std::get<PolylineGeometry>(instance->geometry).positions;
    width = std::get<PolylineGeometry>(instance->geometry).width;
  }
  EXPECT_EQ(drawn, expected);
  EXPECT_DOUBLE_EQ(width, 0.8);
  EXPECT_EQ(std::get<Uuid>(instance->id), PolygonEditorImpl::outlineId());
  // On screen, in the outline's colour.
  bool found = false;
  for (const DrawItem& item : host.scene().getLastFrame().items()) {
    if (item.primitive != outline) continue;
    found = true;
    EXPECT_EQ(item.kind, c.draped ? DrawKind::GroundPolyline : DrawKind::Primitive);
    EXPECT_EQ(item.color, c.color);
    EXPECT_EQ(item.path.size(), 4u);
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(impl().getWall(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Styles, PolygonOutlineTest,
                         ::testing::Values(OutlineCase{"InSpace", HeightReference::None, 2.0, false,
                                                       ClassificationType::Both, kTestOutlineColor},
                                           OutlineCase{"OnTerrain", HeightReference::ClampToTerrain, 2.0, true,
                                                       ClassificationType::Terrain, kTestOutlineColor},
                                           OutlineCase{"OnEverything", HeightReference::ClampToGround, 2.0, true,
                                                       ClassificationType::Both, kTestOutlineColor},
                                           OutlineCase{"WithoutOutlineSymbol", HeightReference::None, 0.0, false,
                                                       ClassificationType::Both, Color{0.5f, 0.0f, 0.5f, 0.9f}}),
                         [](const auto& info) { return std::string(info.param.name); });

class PolygonPreviewTest : public PolygonEditorFixture {
 protected:
  std::size_t warnings(int line) const {
    std::size_t n = 0;
    for (const LogRecord& r : log->records()) n += r.location.line == line ? 1 : 0;
    return n;
  }
};

TEST_F(PolygonPreviewTest, TheOutlineFollowsTheFloatingVertexWhileDrawing) {
  editor->startEditing(nullptr);
  click(300, 300);
  move(400, 300);
  host.frame();
  const auto* outline = dynamic_cast<const Primitive*>(impl().getOutline().get());
  ASSERT_NE(outline, nullptr);
  const auto& line = std::get<PolylineGeometry>(outline->getGeometryInstances().at(0).geometry);
  ASSERT_EQ(line.positions.size(), 3u);
  const Vector2<double> end = host.windowOf(line.positions[1]).value_or(Vector2<double>{});
  EXPECT_NEAR(end.x, 400.0, 0.5);
  EXPECT_EQ(line.positions[2], line.positions[0]);
}

TEST_F(PolygonPreviewTest, ARelativeReferenceWarnsOncePerOutlineRebuild) {
  const auto area = areaUnder(kTriangle, areaStyle(HeightReference::RelativeToTerrain));
  editor->startEditing(area);
  host.frame(2);
  EXPECT_EQ(warnings(379), 1u);
  ASSERT_NE(dynamic_cast<const GroundPolylinePrimitive*>(impl().getOutline().get()), nullptr);
  press(500, 250);
  // Two drag steps within one frame: one rebuild.
  host.viewer().queueEvent(GUIEventAdapter::makeDrag(510, 250, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  host.viewer().queueEvent(GUIEventAdapter::makeDrag(520, 250, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  host.frame();
  EXPECT_EQ(warnings(379), 2u);
  host.frame(3);  // nothing to rebuild
  EXPECT_EQ(warnings(379), 2u);
}

// The wall along the ring: only for an enabled extrusion whose body is an area symbol,
// with its heights read as the extrusion says, and never picked by a rectangle.
struct WallCase {
  const char* name;
  bool areaBody;
  bool bodyEnabled;
  HeightReference extrusionReference;
  double height;
  bool drawn;
  std::optional<std::pair<double, double>> bottomTop;  // empty: no heights given
};
void PrintTo(const WallCase& c, std::ostream* os) { *os << c.name; }

class PolygonWallTest : public PolygonEditorFixture, public ::testing::WithParamInterface<WallCase> {};

constexpr double kRingHeight = 50.0;

TEST_P(PolygonWallTest, AWallRisesOnlyFromAnEnabledAreaBody) {
  const WallCase& c = GetParam();
  auto style = areaStyle(HeightReference::None);
  auto extrusion = std::make_shared<Feature::ExtrusionSymbol>();
  extrusion->setHeight(c.height);
  extrusion->setHeightReference(c.extrusionReference);
  std::shared_ptr<Feature::Symbol> body;
  if (c.areaBody) {
    auto area = std::make_shared<Feature::PolygonSymbol>();
    area->setMaterial(std::make_shared<Feature::ColorMaterial>(0.0f, 1.0f, 0.0f, 0.5f));
    body = area;
  } else {
    body = std::make_shared<Feature::LineSymbol>();
  }
  body->setEnabled(c.bodyEnabled);
  extrusion->setBodySymbol(body);
  style->setExtrusionSymbol(extrusion);
  auto shape =
      std::make_shared<Feature::PolygonGeometry>(Feature::PolygonHierarchy{groundUnder(kTriangle, kRingHeight), {}});
  const auto feature = featureOf(shape, style);
  editor->startEditing(feature);
  host.frame(2);
  const auto* wall = dynamic_cast<const Primitive*>(impl().getWall().get());
  if (!c.drawn) {
    EXPECT_EQ(wall, nullptr);
    return;
  }
  ASSERT_NE(wall, nullptr);
  const auto& geometry = std::get<WallGeometry>(wall->getGeometryInstances().at(0).geometry);
  ASSERT_EQ(geometry.positions.size(), 3u);
  if (c.bottomTop) {
    EXPECT_EQ(geometry.minimumHeights, std::vector<double>(3, c.bottomTop->first));
    EXPECT_EQ(geometry.maximumHeights, std::vector<double>(3, c.bottomTop->second));
  } else {
    EXPECT_TRUE(geometry.minimumHeights.empty());
    EXPECT_TRUE(geometry.maximumHeights.empty());
  }
  // Found by a click, left out of a rectangle.
  EXPECT_FALSE(wall->isSelectEnabled());
  for (const DrawItem& item : host.scene().getLastFrame().items()) {
    if (item.primitive == wall) {
      EXPECT_FALSE(item.selectable);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Extrusions, PolygonWallTest,
    ::testing::Values(WallCase{"Rising", true, true, HeightReference::None, 30.0, true, {{50.0, 80.0}}},
                      WallCase{"Hanging", true, true, HeightReference::None, -30.0, true, {{20.0, 50.0}}},
                      WallCase{
                          "ToAnAbsoluteTop", true, true, HeightReference::ClampToGround, 120.0, true, {{50.0, 120.0}}},
                      WallCase{"BelowTheRing", true, true, HeightReference::ClampToGround, 10.0, true, {{10.0, 50.0}}},
                      WallCase{"NoHeights", true, true, HeightReference::ClampToTerrain, 10.0, true, std::nullopt},
                      WallCase{"BodyOff", true, false, HeightReference::None, 30.0, false, std::nullopt},
                      WallCase{"LineBody", false, true, HeightReference::None, 30.0, false, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

class PolygonStyleTest : public PolygonEditorFixture {};

TEST_F(PolygonStyleTest, RefusedStylesAreLoggedAndTheOldStyleStays) {
  const std::shared_ptr<Feature::Style> kept = editor->getStyle();
  editor->setStyle(nullptr);
  editor->setStyle(std::make_shared<Feature::PointStyle>());
  host.frame();
  EXPECT_EQ(editor->getStyle(), kept);
  const LogRecord expected{
      {kSourceFile, 1876, "qel::PolygonEditor::Impl::setStyle"}, 4, "设置的样式为空或者不是面样式。"};
  EXPECT_EQ(log->records(), (std::vector<LogRecord>{expected, expected}));
}

TEST_F(PolygonStyleTest, ResetStyleWritesTheDefaultsIntoTheSameStyle) {
  auto style = std::make_shared<Feature::PolygonStyle>(HeightReference::None);
  style->setExtrusionSymbol(std::make_shared<Feature::ExtrusionSymbol>());
  style->setLabelSymbol(std::make_shared<Feature::LabelSymbol>());
  // The edited area's style becomes the editor's, and gets the defaults.
  const auto area = areaUnder(kTriangle, style);
  editor->startEditing(area);
  editor->resetStyle();
  host.frame(2);
  EXPECT_EQ(editor->getStyle(), style);
  EXPECT_EQ(area->getStyle(), style);
  EXPECT_EQ(style->getHeightReference(), HeightReference::ClampToTerrain);
  EXPECT_EQ(style->getExtrusionSymbol(), nullptr);
  EXPECT_EQ(style->getLabelSymbol(), nullptr);
  const auto& symbol = style->getPolygonSymbol();
  ASSERT_NE(symbol, nullptr);
  EXPECT_TRUE(symbol->isFill());
  const auto* fill = dynamic_cast<const Feature::ColorMaterial*>(symbol->getMaterial().get());
  ASSERT_NE(fill, nullptr);
  // Exactly (199, 237, 204) / 255 in single precision, alpha 0.8.
  EXPECT_EQ(fill->getColor(), (Color{199.0f / 255.0f, 237.0f / 255.0f, 0.8f, 0.8f}));
  const auto& outline = symbol->getOutLineSymbol();
  ASSERT_NE(outline, nullptr);
  EXPECT_DOUBLE_EQ(outline->getWidth(), 0.8);
  const auto* stroke = dynamic_cast<const Feature::ColorMaterial*>(outline->getMaterial().get());
  ASSERT_NE(stroke, nullptr);
  EXPECT_EQ(stroke->getColor(), (Color{0.5f, 0.0f, 0.5f, 0.9f}));
  // The outline is draped on the terrain from now on.
  const auto* ground = dynamic_cast<const GroundPolylinePrimitive*>(impl().getOutline().get());
  ASSERT_NE(ground, nullptr);
  EXPECT_EQ(ground->getClassificationType(), ClassificationType::Terrain);
  EXPECT_EQ(log->size(), 0u);
}

}  // namespace
}  // namespace qel::test
