// Styles as the editors and the scene rely on them: a clone shares nothing with its
// original, each kind answers only its own `as...Style` query, and every change made
// anywhere inside a style (its symbols, their materials) reaches the style's listeners
// exactly once, until their handle is invoked.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Feature/ColorMaterial.h"
#include "Feature/ImageMaterial.h"
#include "Feature/PointStyle.h"
#include "Feature/PolygonStyle.h"
#include "Feature/PolylineStyle.h"

namespace qel {
namespace {

using namespace Feature;

// A style of each kind with every part filled, so that a change can be made at every
// depth (style, symbol, material of a symbol, symbol of a symbol).
struct Parts {
  std::shared_ptr<Style> style;
  std::shared_ptr<LabelSymbol> label = std::make_shared<LabelSymbol>();
  std::shared_ptr<BillboardSymbol> billboard = std::make_shared<BillboardSymbol>();
  std::shared_ptr<ModelSymbol> model = std::make_shared<ModelSymbol>();
  std::shared_ptr<PointSymbol> point = std::make_shared<PointSymbol>();
  std::shared_ptr<LineSymbol> line = std::make_shared<LineSymbol>();
  std::shared_ptr<ColorMaterial> lineColor = std::make_shared<ColorMaterial>(0.5f, 1.0f, 0.5f, 1.0f);
  std::shared_ptr<PolygonSymbol> polygon = std::make_shared<PolygonSymbol>();
  std::shared_ptr<ColorMaterial> fill = std::make_shared<ColorMaterial>(0.78039217f, 0.92941177f, 0.8f, 0.8f);
  std::shared_ptr<ExtrusionSymbol> extrusion = std::make_shared<ExtrusionSymbol>();
  std::shared_ptr<PolygonSymbol> body = std::make_shared<PolygonSymbol>();
  std::shared_ptr<ImageMaterial> wall = std::make_shared<ImageMaterial>("wall.png");
};

enum class Kind { Point, Polyline, Polygon };

Parts build(Kind kind) {
  Parts p;
  p.line->setMaterial(p.lineColor);
  p.body->setMaterial(p.wall);
  p.extrusion->setBodySymbol(p.body);
  p.polygon->setMaterial(p.fill);
  p.polygon->setOutLineSymbol(p.line);
  switch (kind) {
    case Kind::Point: {
      auto s = std::make_shared<PointStyle>();
      s->setBillboardSymbol(p.billboard);
      s->setModelSymbol(p.model);
      s->setPointSymbol(p.point);
      p.style = s;
      break;
    }
    case Kind::Polyline: {
      auto s = std::make_shared<PolylineStyle>();
      s->setLineSymbol(p.line);
      s->setExtrusionSymbol(p.extrusion);
      p.style = s;
      break;
    }
    case Kind::Polygon: {
      auto s = std::make_shared<PolygonStyle>();
      s->setPolygonSymbol(p.polygon);
      s->setExtrusionSymbol(p.extrusion);
      p.style = s;
      break;
    }
  }
  p.style->setLabelSymbol(p.label);
  return p;
}

// A model's rotation by `radians` about its first axis alone.
Vector3<Radian> aboutX(double radians) { return {Radian(radians), Radian(0.0), Radian(0.0)}; }
Color rgba(float r, float g, float b, float a) { return {r, g, b, a}; }

// Counts what a style's listener hears, and with which style.
struct Ear {
  int heard = 0;
  const Style* from = nullptr;
  std::weak_ptr<FunctionWrapper> handle;
  void listen(Style& style) {
    handle = style._addDefinitionChangedEventListener([this](const Style* s) {
      ++heard;
      from = s;
    });
  }
};

struct Change {
  std::string name;
  Kind kind;
  std::function<void(Parts&)> apply;
};

std::string changeName(const ::testing::TestParamInfo<Change>& info) { return info.param.name; }
void PrintTo(const Change& c, std::ostream* os) { *os << c.name; }

const std::vector<Change> kChanges = {
    {"HeightReference", Kind::Point, [](Parts& p) { p.style->setHeightReference(HeightReference::ClampToTerrain); }},
    {"LabelText", Kind::Point, [](Parts& p) { p.label->setText("A"); }},
    {"LabelOffset", Kind::Polygon, [](Parts& p) { p.label->setPixelOffset(Vector2<double>(20.0, 0.0)); }},
    {"BillboardImage", Kind::Point, [](Parts& p) { p.billboard->setImage("x.png"); }},
    {"BillboardOrigin", Kind::Point, [](Parts& p) { p.billboard->setVerticalOrigin(1); }},
    {"ModelRotation", Kind::Point, [](Parts& p) { p.model->setRotation(aboutX(0.1)); }},
    {"ModelScale", Kind::Point, [](Parts& p) { p.model->setScale(Vector3<double>(2.0, 2.0, 2.0)); }},
    {"PointSize", Kind::Point, [](Parts& p) { p.point->setPixelSize(3.0); }},
    {"LineWidth", Kind::Polyline, [](Parts& p) { p.line->setWidth(3.0); }},
    {"LineMaterialColour", Kind::Polyline, [](Parts& p) { p.lineColor->setColor(rgba(1.0f, 0.0f, 0.0f, 1.0f)); }},
    {"WallImage", Kind::Polyline, [](Parts& p) { p.wall->setImage("brick.png"); }},
    {"WallTileSize", Kind::Polygon, [](Parts& p) { p.wall->setTileSize(Vector2<double>(4.0, 2.0)); }},
    {"ExtrusionHeight", Kind::Polygon, [](Parts& p) { p.extrusion->setHeight(30.0); }},
    {"BodyDisabled", Kind::Polygon, [](Parts& p) { p.body->setEnabled(false); }},
    {"FillOff", Kind::Polygon, [](Parts& p) { p.polygon->setFill(false); }},
    {"FillColour", Kind::Polygon, [](Parts& p) { p.fill->setColor(rgba(0.0f, 0.0f, 1.0f, 0.5f)); }},
    {"OutlineColour", Kind::Polygon, [](Parts& p) { p.lineColor->setColor(rgba(0.5f, 0.0f, 0.5f, 0.9f)); }},
    {"DirectWidthWrite", Kind::Polygon,
     [](Parts& p) {
       p.line->width = 0.8;
       p.line->_raiseDefinitionChanged();
     }},
};

class StyleChangeTest : public ::testing::TestWithParam<Change> {};

TEST_P(StyleChangeTest, ReachesTheStyleOnceAndStopsWhenTheHandleIsInvoked) {
  Parts parts = build(GetParam().kind);
  Ear ear;
  ear.listen(*parts.style);
  GetParam().apply(parts);
  EXPECT_EQ(ear.heard, 1);
  EXPECT_EQ(ear.from, parts.style.get());

  ASSERT_TRUE(ear.handle.lock());
  (*ear.handle.lock())();
  EXPECT_FALSE(ear.handle.lock()) << "the handle expires with its listener";
  GetParam().apply(parts);
  EXPECT_EQ(ear.heard, 1);
}

TEST_P(StyleChangeTest, DoesNotReachAClone) {
  Parts parts = build(GetParam().kind);
  const std::shared_ptr<Style> copy = parts.style->clone();
  Ear ear;
  ear.listen(*copy);
  GetParam().apply(parts);
  EXPECT_EQ(ear.heard, 0);
}

INSTANTIATE_TEST_SUITE_P(Parts, StyleChangeTest, ::testing::ValuesIn(kChanges), changeName);

TEST(StyleChangeTest, ASymbolHeldByTwoStylesNotifiesBoth) {
  auto shared = std::make_shared<LineSymbol>();
  PolylineStyle first;
  PolygonStyle second;
  first.setLineSymbol(shared);
  auto polygon = std::make_shared<PolygonSymbol>();
  polygon->setOutLineSymbol(shared);
  second.setPolygonSymbol(polygon);
  Ear a;
  Ear b;
  a.listen(first);
  b.listen(second);
  shared->setWidth(2.0);
  EXPECT_EQ(a.heard, 1);
  EXPECT_EQ(b.heard, 1);
}

TEST(StyleChangeTest, APartReachedAlongTwoPathsIsHeardOnce) {
  // One material paints the fill and the outline, and the extrusion's body is the
  // style's own polygon symbol: three ways up from the material.
  auto material = std::make_shared<ColorMaterial>();
  auto outline = std::make_shared<LineSymbol>();
  outline->setMaterial(material);
  auto polygon = std::make_shared<PolygonSymbol>();
  polygon->setMaterial(material);
  polygon->setOutLineSymbol(outline);
  auto extrusion = std::make_shared<ExtrusionSymbol>();
  extrusion->setBodySymbol(polygon);
  PolygonStyle style;
  style.setPolygonSymbol(polygon);
  style.setExtrusionSymbol(extrusion);
  Ear ear;
  ear.listen(style);
  material->setColor({0.0f, 0.0f, 0.0f, 1.0f});
  EXPECT_EQ(ear.heard, 1);
  const std::uint64_t version = style._getVersion();
  material->setColor({1.0f, 1.0f, 1.0f, 1.0f});
  EXPECT_EQ(ear.heard, 2);
  EXPECT_EQ(style._getVersion(), version + 1) << "one change, one new version to draw";
}

TEST(StyleChangeTest, AReplacedSymbolNoLongerReachesTheStyle) {
  Parts parts = build(Kind::Polyline);
  parts.style->asPolylineStyle()->setLineSymbol(std::make_shared<LineSymbol>());
  Ear ear;
  ear.listen(*parts.style);
  parts.line->setWidth(5.0);
  parts.lineColor->setColor({});
  EXPECT_EQ(ear.heard, 0);
}

TEST(StyleChangeTest, ASymbolOutlivingItsStyleCanStillChange) {
  auto line = std::make_shared<LineSymbol>();
  {
    PolylineStyle style;
    style.setLineSymbol(line);
  }
  line->setWidth(4.0);  // the style's subscription went with it
  EXPECT_EQ(line->getWidth(), 4.0);
}

TEST(StyleChangeTest, EveryKindOfListenerIsCalled) {
  PointStyle style;
  int plain = 0;
  const Style* generic = nullptr;
  style._addDefinitionChangedEventListener([&] { ++plain; });
  style._addDefinitionChangedEventListener([&](auto* s) { generic = s; });
  style._addDefinitionChangedEventListener(std::function<void()>([&] { ++plain; }));
  style.setPointSymbol(nullptr);
  EXPECT_EQ(plain, 2);
  EXPECT_EQ(generic, &style);
}

// Input that has no meaning is ignored: nothing changes and nobody is told.
struct Refusal {
  std::string name;
  std::function<void(Parts&)> apply;
  std::function<bool(const Parts&)> unchanged;
};

std::string refusalName(const ::testing::TestParamInfo<Refusal>& info) { return info.param.name; }
void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const std::vector<Refusal> kRefusals = {
    {"HorizontalOrigin2", [](Parts& p) { p.billboard->setHorizontalOrigin(2); },
     [](const Parts& p) { return p.billboard->getHorizontalOrigin() == 0; }},
    {"VerticalOriginMinus2", [](Parts& p) { p.label->setVerticalOrigin(-2); },
     [](const Parts& p) { return p.label->getVerticalOrigin() == 0; }},
    {"NegativeWidth", [](Parts& p) { p.line->setWidth(-1.0); },
     [](const Parts& p) { return p.line->getWidth() == LineSymbol::kDefaultWidth; }},
    {"ZeroWidth", [](Parts& p) { p.line->setWidth(0.0); },
     [](const Parts& p) { return p.line->getWidth() == LineSymbol::kDefaultWidth; }},
    {"NaNWidth", [](Parts& p) { p.line->setWidth(kNaN); },
     [](const Parts& p) { return p.line->getWidth() == LineSymbol::kDefaultWidth; }},
    {"NaNRotation", [](Parts& p) { p.model->setRotation(aboutX(kNaN)); },
     [](const Parts& p) { return p.model->getRotation().x.value() == 0.0; }},
    {"NegativeScale", [](Parts& p) { p.billboard->setScale(-1.0); },
     [](const Parts& p) { return p.billboard->getScale() == 1.0; }},
    {"ZeroTile", [](Parts& p) { p.wall->setTileSize(Vector2<double>(0.0, 1.0)); },
     [](const Parts& p) { return p.wall->getTileSize() == Vector2<double>(1.0, 1.0); }},
    {"HeightReference7", [](Parts& p) { p.style->setHeightReference(static_cast<HeightReference>(7)); },
     [](const Parts& p) { return p.style->getHeightReference() == HeightReference::None; }},
    {"ExtrusionAsItsOwnBody", [](Parts& p) { p.extrusion->setBodySymbol(p.extrusion); },
     [](const Parts& p) { return p.extrusion->getBodySymbol() == p.body; }},
};

class StyleRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(StyleRefusalTest, ChangesNothingAndTellsNobody) {
  Parts parts = build(Kind::Point);
  // Applied to a point style and to a line style alike: whichever holds the part
  // would hear a change.
  Parts line = build(Kind::Polyline);
  Ear ear;
  Ear lineEar;
  ear.listen(*parts.style);
  lineEar.listen(*line.style);
  GetParam().apply(parts);
  GetParam().apply(line);
  EXPECT_TRUE(GetParam().unchanged(parts));
  EXPECT_EQ(ear.heard + lineEar.heard, 0);
}

INSTANTIATE_TEST_SUITE_P(Inputs, StyleRefusalTest, ::testing::ValuesIn(kRefusals), refusalName);

// Each kind answers its own query and no other, through both constnesses.
struct KindCase {
  std::string name;
  std::function<std::shared_ptr<Style>()> make;
  bool point, polyline, polygon;
};

std::string kindName(const ::testing::TestParamInfo<KindCase>& info) { return info.param.name; }
void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }

class StyleKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(StyleKindTest, AnswersOnlyItsOwnKindAndKeepsItWhenCloned) {
  const KindCase& c = GetParam();
  for (const std::shared_ptr<Style>& style : {c.make(), c.make()->clone()}) {
    const Style& constant = *style;
    EXPECT_EQ(style->asPointStyle() != nullptr, c.point);
    EXPECT_EQ(constant.asPointStyle() != nullptr, c.point);
    EXPECT_EQ(style->asPolylineStyle() != nullptr, c.polyline);
    EXPECT_EQ(constant.asPolylineStyle() != nullptr, c.polyline);
    EXPECT_EQ(style->asPolygonStyle() != nullptr, c.polygon);
    EXPECT_EQ(constant.asPolygonStyle() != nullptr, c.polygon);
    EXPECT_EQ(style->getHeightReference(), HeightReference::None) << "a new style reads heights as given";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, StyleKindTest,
    ::testing::Values(KindCase{"Plain", [] { return std::make_shared<Style>(); }, false, false, false},
                      KindCase{"Point", [] { return std::make_shared<PointStyle>(); }, true, false, false},
                      KindCase{"Polyline", [] { return std::make_shared<PolylineStyle>(); }, false, true, false},
                      KindCase{"Polygon", [] { return std::make_shared<PolygonStyle>(); }, false, false, true}),
    kindName);

class StyleCloneTest : public ::testing::TestWithParam<Kind> {};

TEST_P(StyleCloneTest, HoldsEqualValuesInPartsOfItsOwn) {
  Parts parts = build(GetParam());
  parts.style->setHeightReference(HeightReference::RelativeToTerrain);
  parts.label->setText("Peak");
  parts.lineColor->setColor({0.5f, 0.0f, 0.5f, 0.9f});
  parts.wall->setTileSizeUnit(TileSizeUnit::Meter);
  Ear originalEar;
  originalEar.listen(*parts.style);

  const std::shared_ptr<Style> copy = parts.style->clone();
  ASSERT_NE(copy, parts.style);
  EXPECT_EQ(copy->getHeightReference(), HeightReference::RelativeToTerrain);
  ASSERT_TRUE(copy->getLabelSymbol());
  EXPECT_NE(copy->getLabelSymbol(), parts.label);
  EXPECT_EQ(copy->getLabelSymbol()->getText(), "Peak");

  // The deepest parts: a line's material, an extrusion body's material.
  std::shared_ptr<LineSymbol> copiedLine;
  std::shared_ptr<ExtrusionSymbol> copiedExtrusion;
  if (const PolylineStyle* s = copy->asPolylineStyle()) {
    copiedLine = s->getLineSymbol();
    copiedExtrusion = s->getExtrusionSymbol();
  } else if (const PolygonStyle* s = copy->asPolygonStyle()) {
    copiedLine = s->getPolygonSymbol()->getOutLineSymbol();
    copiedExtrusion = s->getExtrusionSymbol();
    EXPECT_NE(s->getPolygonSymbol(), parts.polygon);
    EXPECT_TRUE(s->getPolygonSymbol()->isFill());
  } else {
    const PointStyle* p = copy->asPointStyle();
    EXPECT_NE(p->getBillboardSymbol(), parts.billboard);
    EXPECT_NE(p->getModelSymbol(), parts.model);
    EXPECT_NE(p->getPointSymbol(), parts.point);
  }
  if (copiedLine) {
    EXPECT_NE(copiedLine, parts.line);
    ASSERT_TRUE(copiedLine->getMaterial());
    EXPECT_NE(copiedLine->getMaterial(), parts.lineColor);
    const auto* color = dynamic_cast<const ColorMaterial*>(copiedLine->getMaterial().get());
    ASSERT_TRUE(color);
    EXPECT_EQ(color->getColor(), (Color{0.5f, 0.0f, 0.5f, 0.9f}));
    // A change of the copy's parts reaches the copy, not the original.
    Ear copyEar;
    copyEar.listen(*copy);
    copiedLine->getMaterial()->_raiseDefinitionChanged();
    EXPECT_EQ(copyEar.heard, 1);
    EXPECT_EQ(originalEar.heard, 0);
  }
  if (copiedExtrusion) {
    EXPECT_NE(copiedExtrusion, parts.extrusion);
    ASSERT_TRUE(copiedExtrusion->getBodySymbol());
    EXPECT_EQ(copiedExtrusion->getBodySymbol()->getType(), SymbolType::Polygon);
    const auto& body = static_cast<const PolygonSymbol&>(*copiedExtrusion->getBodySymbol());
    const auto* image = dynamic_cast<const ImageMaterial*>(body.getMaterial().get());
    ASSERT_TRUE(image);
    EXPECT_NE(body.getMaterial(), parts.wall);
    EXPECT_EQ(image->getImage(), "wall.png");
    EXPECT_EQ(image->getTileSizeUnit(), TileSizeUnit::Meter);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, StyleCloneTest, ::testing::Values(Kind::Point, Kind::Polyline, Kind::Polygon));

TEST(StyleCloneTest, AClonedStyleStartsWithoutListeners) {
  PolylineStyle style;
  Ear ear;
  ear.listen(style);
  const std::shared_ptr<Style> copy = style.clone();
  copy->setHeightReference(HeightReference::ClampToGround);
  EXPECT_EQ(ear.heard, 0);
}

TEST(MaterialPropertyTest, PropertiesCarryTheMaterialsValuesAndStandAlone) {
  ColorMaterial color(0.78039217f, 0.92941177f, 0.8f, 0.8f);
  const std::shared_ptr<MaterialProperty> colorProperty = color._getMaterial();
  EXPECT_EQ(colorProperty->getMaterialType(), ColorMaterialProperty::getType());
  EXPECT_EQ(colorProperty->asImageMaterialProperty(), nullptr);
  ASSERT_TRUE(colorProperty->asColorMaterialProperty());
  EXPECT_EQ(colorProperty->asColorMaterialProperty()->getColor(), (Color{0.78039217f, 0.92941177f, 0.8f, 0.8f}));
  EXPECT_TRUE(colorProperty->isTranslucent());

  ImageMaterial image("brick.png");
  image.setTileSize({3.0, 2.0});
  const std::shared_ptr<MaterialProperty> imageProperty = image._getMaterial();
  ImageMaterialProperty* asImage = imageProperty->asImageMaterialProperty();
  ASSERT_TRUE(asImage);
  EXPECT_EQ(asImage->getImage(), "brick.png");
  EXPECT_EQ(asImage->getRepeat(), Vector2<double>(3.0, 2.0));
  asImage->setRepeat({10.0, 1.0});
  EXPECT_EQ(image._getMaterial()->asImageMaterialProperty()->getRepeat(), Vector2<double>(3.0, 2.0))
      << "a painter's repeat stays with its property";
}

}  // namespace
}  // namespace qel
