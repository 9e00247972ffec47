// The demo's renderer of the scene's draw list, checked on the scene graph it builds (no
// window): each kind lands where the host said it landed in the window, with its colour
// and size; hidden items and kinds the renderer does not know draw nothing.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <osg/Geometry>
#include <osg/Texture2D>
#include <osgText/Text>

#include "Common/ModulePath.h"
#include "DrawListLayer.h"
#include "Scene/DrawList.h"
#include "Scene/Label.h"

namespace {

using qel::DrawItem;
using qel::DrawKind;

constexpr int kWidth = 640;
constexpr int kHeight = 400;

// The bounds of the flat shapes (layer pixels, y up) and their colours.
struct Shapes {
  std::size_t vertices = 0;
  float xMin = 1e9f, xMax = -1e9f, yMin = 1e9f, yMax = -1e9f;
  osg::Vec4 lastColor;
};

/// A layer that has drawn a frame holding `item` alone.
std::unique_ptr<qel::demo::DrawListLayer> layerDrawing(const DrawItem& item) {
  qel::DrawList list;
  list.reset(kWidth, kHeight);
  list.add(item);
  auto layer = std::make_unique<qel::demo::DrawListLayer>(kWidth, kHeight);
  layer->update(list);
  return layer;
}

Shapes shapesOf(const qel::demo::DrawListLayer& layer) {
  Shapes s;
  const auto* geometry = layer.getGeode().getDrawable(0)->asGeometry();
  const auto* v = static_cast<const osg::Vec3Array*>(geometry->getVertexArray());
  const auto* c = static_cast<const osg::Vec4Array*>(geometry->getColorArray());
  s.vertices = v->size();
  for (const osg::Vec3& p : *v) {
    s.xMin = std::min(s.xMin, p.x());
    s.xMax = std::max(s.xMax, p.x());
    s.yMin = std::min(s.yMin, p.y());
    s.yMax = std::max(s.yMax, p.y());
  }
  if (!c->empty()) s.lastColor = c->back();
  return s;
}

DrawItem line(double width) {
  DrawItem item;
  item.kind = DrawKind::Polyline;
  item.path = {{100.0, 50.0}, {300.0, 50.0}, {300.0, 150.0}};
  item.halfWidth = 0.5 * width;
  item.color = {1.0f, 0.0f, 0.0f, 1.0f};
  return item;
}

// A line's window path and width against the bounds of what is drawn (layer pixels, y
// up: window y is 400 − y).
struct LineCase {
  std::string name;
  std::vector<qel::Vector2<double>> path;
  double width;
  float xMin, xMax, yMin, yMax;
};

class DrawListLayerLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(DrawListLayerLine, RunsThroughItsWindowPathWithItsPixelWidth) {
  const LineCase& c = GetParam();
  DrawItem item = line(c.width);
  item.path = c.path;
  const auto layer = layerDrawing(item);
  EXPECT_EQ(layer->getDrawnCount(), 1u);
  const Shapes s = shapesOf(*layer);
  EXPECT_NEAR(s.xMin, c.xMin, 1e-3);
  EXPECT_NEAR(s.xMax, c.xMax, 1e-3);
  EXPECT_NEAR(s.yMin, c.yMin, 1e-3);
  EXPECT_NEAR(s.yMax, c.yMax, 1e-3);
  EXPECT_EQ(s.lastColor, osg::Vec4(1.0f, 0.0f, 0.0f, 1.0f));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DrawListLayerLine,
    ::testing::Values(
        // Window y 50 is layer y 350; half the width on each side, none past the ends.
        LineCase{"Horizontal4px", {{100.0, 50.0}, {300.0, 50.0}}, 4.0, 100.0f, 300.0f, 348.0f, 352.0f},
        LineCase{"Horizontal7px", {{100.0, 50.0}, {300.0, 50.0}}, 7.0, 100.0f, 300.0f, 346.5f, 353.5f},
        LineCase{"Vertical2px", {{20.0, 300.0}, {20.0, 100.0}}, 2.0, 19.0f, 21.0f, 100.0f, 300.0f},
        // Around a corner: each segment keeps its width up to the corner.
        LineCase{"Corner4px", {{100.0, 50.0}, {300.0, 50.0}, {300.0, 150.0}}, 4.0, 100.0f, 302.0f, 250.0f, 352.0f}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST(DrawListLayer, APointIsADiscFillingItsBoxWithARim) {
  DrawItem point;
  point.kind = DrawKind::Point;
  point.box = {200.0, 100.0, 212.0, 112.0};
  point.color = {0.0f, 1.0f, 0.0f, 1.0f};
  const auto layer = layerDrawing(point);
  const Shapes s = shapesOf(*layer);
  // Radius 6 around (206, 106), plus the one-pixel rim: layer y 400 − 106 = 294.
  EXPECT_NEAR(s.xMin, 199.0f, 1e-3);
  EXPECT_NEAR(s.xMax, 213.0f, 1e-3);
  EXPECT_NEAR(s.yMin, 287.0f, 1e-3);
  EXPECT_NEAR(s.yMax, 301.0f, 1e-3);
  EXPECT_EQ(s.lastColor, osg::Vec4(0.0f, 1.0f, 0.0f, 1.0f)) << "the disc over its rim";
}

TEST(DrawListLayer, ALabelIsItsTextSizedByItsBox) {
  DrawItem label;
  label.kind = DrawKind::Label;
  label.detail().text = "距离 1.2 km";
  label.box = {50.0, 80.0, 150.0, 96.0};
  label.color = {1.0f, 1.0f, 0.0f, 1.0f};
  const auto layer = layerDrawing(label);
  ASSERT_EQ(layer->getGeode().getNumDrawables(), 2u);
  const auto* text = dynamic_cast<const osgText::Text*>(layer->getGeode().getDrawable(1));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->getText().createUTF8EncodedString(), label.text());
  EXPECT_FLOAT_EQ(text->getCharacterHeight(), 16.0f);
  // Bottom left of the box: window y 96 is layer y 304.
  EXPECT_EQ(text->getPosition(), osg::Vec3(50.0f, 304.0f, 0.0f));
  EXPECT_EQ(text->getColor(), osg::Vec4(1.0f, 1.0f, 0.0f, 1.0f));

  // The next frame's label with another text shows that text (a live measurement).
  label.detail().text = "距离 1.3 km";
  qel::DrawList next;
  next.reset(kWidth, kHeight);
  next.add(label);
  layer->update(next);
  ASSERT_EQ(layer->getGeode().getNumDrawables(), 2u);
  text = dynamic_cast<const osgText::Text*>(layer->getGeode().getDrawable(1));
  EXPECT_EQ(text->getText().createUTF8EncodedString(), label.text());
}

TEST(DrawListLayer, ABillboardShowsItsImageOverItsBoxOrOutlinesTheBoxWithoutIt) {
  const std::string image = qel::getModulePath("qelCommon") + "/Resource/Texture/markIcon.png";
  // The editors name their images with backslashes, which the host accepts.
  std::string backslashed = image;
  for (char& c : backslashed) c = c == '/' ? '\\' : c;
  for (const std::string& file : {image, backslashed, std::string("/nonexistent/markIcon.png")}) {
    SCOPED_TRACE(file);
    DrawItem billboard;
    billboard.kind = DrawKind::Billboard;
    billboard.image = file;
    billboard.box = {300.0, 168.0, 324.0, 200.0};
    const auto layer = layerDrawing(billboard);
    const bool readable = file != "/nonexistent/markIcon.png";
    ASSERT_EQ(layer->getGeode().getNumDrawables(), readable ? 2u : 1u);
    if (readable) {
      const osg::Drawable* quad = layer->getGeode().getDrawable(1);
      const auto* texture = dynamic_cast<const osg::Texture2D*>(
          quad->getStateSet()->getTextureAttribute(0, osg::StateAttribute::TEXTURE));
      ASSERT_NE(texture, nullptr);
      EXPECT_EQ(texture->getImage()->s(), 24);
      EXPECT_EQ(texture->getImage()->t(), 32);
      const osg::BoundingBox box = quad->getBoundingBox();
      EXPECT_FLOAT_EQ(box.xMin(), 300.0f);
      EXPECT_FLOAT_EQ(box.xMax(), 324.0f);
      EXPECT_FLOAT_EQ(box.yMin(), 200.0f);
      EXPECT_FLOAT_EQ(box.yMax(), 232.0f);
    } else {
      const Shapes s = shapesOf(*layer);
      EXPECT_GT(s.vertices, 0u);
      EXPECT_NEAR(s.xMin, 299.5f, 1e-3);
      EXPECT_NEAR(s.xMax, 324.5f, 1e-3);
    }
  }
}

// An area is filled inside its ring and outside its holes: the triangles drawn cover
// exactly that many square pixels, in the area's colour.
struct AreaCase {
  std::string name;
  std::vector<qel::Vector2<double>> ring;
  std::vector<std::vector<qel::Vector2<double>>> holes;
  double expectedPixels;
};

class DrawListLayerArea : public ::testing::TestWithParam<AreaCase> {};

TEST_P(DrawListLayerArea, FillsItsRingOutsideItsHoles) {
  const AreaCase& c = GetParam();
  DrawItem area;
  area.kind = DrawKind::Area;
  area.path = c.ring;
  area.detail().holes = c.holes;
  area.color = {0.2f, 0.4f, 1.0f, 0.5f};
  const auto layer = layerDrawing(area);
  const auto* geometry = layer->getGeode().getDrawable(0)->asGeometry();
  const auto& v = *static_cast<const osg::Vec3Array*>(geometry->getVertexArray());
  ASSERT_EQ(v.size() % 3, 0u);
  double pixels = 0.0;
  for (std::size_t i = 0; i < v.size(); i += 3) pixels += 0.5 * std::abs(((v[i + 1] - v[i]) ^ (v[i + 2] - v[i])).z());
  EXPECT_NEAR(pixels, c.expectedPixels, 1e-3);
  if (c.expectedPixels > 0.0) {
    EXPECT_EQ(shapesOf(*layer).lastColor, osg::Vec4(0.2f, 0.4f, 1.0f, 0.5f));
  }
}

const std::vector<qel::Vector2<double>> kSquare{{100.0, 100.0}, {200.0, 100.0}, {200.0, 200.0}, {100.0, 200.0}};

INSTANTIATE_TEST_SUITE_P(
    Areas, DrawListLayerArea,
    ::testing::Values(AreaCase{"Square", kSquare, {}, 100.0 * 100.0},
                      AreaCase{"SquareWithAHole",
                               kSquare,
                               {{{130.0, 130.0}, {170.0, 130.0}, {170.0, 170.0}, {130.0, 170.0}}},
                               100.0 * 100.0 - 40.0 * 40.0},
                      // Concave: an L of two 100 × 50 bars sharing a 50 × 50 corner.
                      AreaCase{"Concave",
                               {{0.0, 0.0}, {100.0, 0.0}, {100.0, 50.0}, {50.0, 50.0}, {50.0, 100.0}, {0.0, 100.0}},
                               {},
                               2.0 * 100.0 * 50.0 - 50.0 * 50.0},
                      AreaCase{"TooFewVertices", {{0.0, 0.0}, {100.0, 0.0}}, {}, 0.0}),
    [](const ::testing::TestParamInfo<AreaCase>& info) { return info.param.name; });

// What draws nothing: hidden items, lines without width or path, kinds added to the host
// after the renderer.
struct NothingCase {
  std::string name;
  DrawItem item;
};

class DrawListLayerNothing : public ::testing::TestWithParam<NothingCase> {};

TEST_P(DrawListLayerNothing, LeavesTheLayerEmpty) {
  const auto layer = layerDrawing(GetParam().item);
  EXPECT_EQ(shapesOf(*layer).vertices, 0u);
  EXPECT_EQ(layer->getGeode().getNumDrawables(), 1u);
}

DrawItem hidden(DrawItem item) {
  item.shown = false;
  return item;
}

DrawItem ofKind(int kind) {
  DrawItem item = line(3.0);
  item.kind = static_cast<DrawKind>(kind);
  return item;
}

INSTANTIATE_TEST_SUITE_P(Cases, DrawListLayerNothing,
                         ::testing::Values(NothingCase{"HiddenLine", hidden(line(3.0))},
                                           NothingCase{"ZeroWidthLine", line(0.0)},
                                           NothingCase{"UnknownKind", ofKind(200)}),
                         [](const ::testing::TestParamInfo<NothingCase>& info) { return info.param.name; });

// A label asking for a background gets a quad of its background colour around the
// drawn text, grown by its padding; without the request, or without a label behind the
// item (an entity's text), there is none.
struct BackgroundCase {
  std::string name;
  bool fromLabel;
  bool showBackground;
  double padding;
  bool expectQuad;
};

class LabelBackground : public ::testing::TestWithParam<BackgroundCase> {};

TEST_P(LabelBackground, SurroundsTheTextByItsPadding) {
  const BackgroundCase& c = GetParam();
  qel::Label::ConstructorOptions options;
  options.text = "平距：100.50";
  options.fontSize = 16.0;
  options.showBackground = c.showBackground;
  options.backgroundPadding = c.padding;
  options.backgroundColor = {0.2f, 0.3f, 0.4f, 0.8f};
  qel::Label source(options);
  DrawItem label;
  label.kind = DrawKind::Label;
  label.detail().text = options.text;
  label.box = {50.0, 80.0, 150.0, 96.0};
  label.color = {1.0f, 1.0f, 1.0f, 1.0f};
  if (c.fromLabel) label.element = &source;
  const auto layer = layerDrawing(label);
  const Shapes s = shapesOf(*layer);
  if (!c.expectQuad) {
    EXPECT_EQ(s.vertices, 0u);
    return;
  }
  ASSERT_EQ(s.vertices, 6u) << "two triangles";
  const auto* text = dynamic_cast<const osgText::Text*>(layer->getGeode().getDrawable(1));
  ASSERT_NE(text, nullptr);
  const osg::BoundingBox& bb = text->getBoundingBox();
  // A negative padding is no padding.
  const float pad = static_cast<float>(std::max(0.0, c.padding));
  EXPECT_NEAR(s.xMin, bb.xMin() - pad, 1e-3);
  EXPECT_NEAR(s.xMax, bb.xMax() + pad, 1e-3);
  EXPECT_NEAR(s.yMin, bb.yMin() - pad, 1e-3);
  EXPECT_NEAR(s.yMax, bb.yMax() + pad, 1e-3);
  // The text sits on the box's bottom left corner (layer y 304), inside the quad.
  EXPECT_LE(s.xMin, 50.0f - pad + 1e-3f);
  EXPECT_LE(s.yMin, 304.0f);
  EXPECT_EQ(s.lastColor, osg::Vec4(0.2f, 0.3f, 0.4f, 0.8f));
}

INSTANTIATE_TEST_SUITE_P(Labels, LabelBackground,
                         ::testing::Values(BackgroundCase{"Padded", true, true, 4.0, true},
                                           BackgroundCase{"NoPadding", true, true, 0.0, true},
                                           BackgroundCase{"NegativePaddingIsNone", true, true, -3.0, true},
                                           BackgroundCase{"NotAsked", true, false, 4.0, false},
                                           BackgroundCase{"NoLabelBehind", false, true, 4.0, false}),
                         [](const ::testing::TestParamInfo<BackgroundCase>& info) { return info.param.name; });

}  // namespace
