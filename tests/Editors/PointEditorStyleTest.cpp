// The point editor's style rule and what it does with bad input: refused styles are
// logged once with their source location and change nothing, everything else odd is
// dropped silently, and positions that are not finite crash nothing.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "Feature/BillboardSymbol.h"
#include "Feature/LabelSymbol.h"
#include "Feature/PolylineStyle.h"
#include "Common/ModulePath.h"
#include "Manipulator/HandleImages.h"
#include "PointEditorFixture.h"

namespace qel::test {
namespace {

constexpr const char* kRefusedText = "设置的样式为空或者不是点样式。";

class PointEditorStyle : public ::testing::Test, public PointEditorFixture {
 protected:
  void SetUp() override { host.setPose(Cartographic::fromDegrees(116.0, 40.0, 1000.0), 0.0, -90.0); }
};

TEST_F(PointEditorStyle, TheEditorKeepsTheGivenStyleAndResetWritesDefaultsIntoIt) {
  auto style = std::make_shared<Feature::PointStyle>(HeightReference::RelativeToGround);
  style->setModelSymbol(std::make_shared<Feature::ModelSymbol>());
  editor->setStyle(style);
  EXPECT_EQ(editor->getStyle(), style);

  editor->resetStyle();
  ASSERT_EQ(editor->getStyle(), style);
  EXPECT_EQ(style->getHeightReference(), HeightReference::ClampToTerrain);
  EXPECT_EQ(style->getModelSymbol(), nullptr);
  EXPECT_EQ(style->getPointSymbol(), nullptr);
  const std::shared_ptr<Feature::BillboardSymbol>& marker = style->getBillboardSymbol();
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(normalizePath(marker->getImage()), normalizePath(HandleImages::markerPath()));
  EXPECT_EQ(marker->getHorizontalOrigin(), 0);
  EXPECT_EQ(marker->getVerticalOrigin(), 1);
  const std::shared_ptr<Feature::LabelSymbol>& label = style->getLabelSymbol();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->getHorizontalOrigin(), 1);
  EXPECT_EQ(label->getVerticalOrigin(), 1);
  EXPECT_EQ(label->getPixelOffset(), Vector2<double>(20.0, 0.0));
}

TEST_F(PointEditorStyle, DrawnFeaturesGetTheEditorsStyleAndKeepItsCopy) {
  auto style = std::make_shared<Feature::PointStyle>(HeightReference::None);
  editor->setStyle(style);
  editor->startEditing(nullptr);
  click(400, 300);
  ASSERT_EQ(stopped.size(), 1u);
  EXPECT_EQ(stopped[0].feature->getStyle(), style);
  // The editor goes on with a copy: changing it leaves the drawn point alone.
  ASSERT_NE(editor->getStyle(), style);
  editor->resetStyle();
  EXPECT_EQ(style->getHeightReference(), HeightReference::None);
}

struct RefusedCase {
  const char* name;
  std::function<std::shared_ptr<Feature::Style>()> make;
};

class PointEditorRefusedStyle : public PointEditorStyle, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(PointEditorRefusedStyle, IsLoggedOnceAndChangesNothing) {
  const std::shared_ptr<Feature::Feature> feature = addPoint(Cartographic::fromDegrees(116.0, 40.0, 0.0));
  editor->startEditing(feature);
  const std::shared_ptr<Feature::Style> before = editor->getStyle();
  sink->clear();
  editor->setStyle(GetParam().make());
  ASSERT_EQ(sink->size(), 1u);
  const LogRecord record = *sink->last();
  EXPECT_EQ(record.text, kRefusedText);
  EXPECT_EQ(record.level, 4);
  EXPECT_EQ(record.location.file, "Components/src/Manipulator/PointEditor");
  EXPECT_EQ(record.location.function, "qel::PointEditor::Impl::setStyle");
  EXPECT_EQ(editor->getStyle(), before);
  EXPECT_EQ(feature->getStyle(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, PointEditorRefusedStyle,
    ::testing::Values(RefusedCase{"Null", [] { return std::shared_ptr<Feature::Style>(); }},
                      RefusedCase{"LineStyle", [] { return std::make_shared<Feature::PolylineStyle>(); }},
                      RefusedCase{"PlainStyle", [] { return std::make_shared<Feature::Style>(); }}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

TEST(PointEditorUnbound, CommandsBeforeBindDoNothing) {
  PointEditor* editor = PointEditor::instance();
  ASSERT_NE(editor, nullptr);
  auto sink = std::make_shared<CapturingLogSink>();
  Log::getInstance().addSink(sink);
  const std::shared_ptr<Feature::Style> held = editor->_getImplHandle().getStyle();
  editor->startEditing(nullptr);
  editor->setStyle(nullptr);  // dropped before it could be refused
  editor->setObjectMovingEnabled(true);
  EXPECT_FALSE(editor->_getImplHandle().isDrawing());
  EXPECT_FALSE(editor->_getImplHandle().isObjectMovingEnabled());
  EXPECT_FALSE(editor->isObjectMovingEnabled());
  EXPECT_EQ(editor->getStyle(), nullptr);
  EXPECT_EQ(editor->_getImplHandle().getStyle(), held);
  EXPECT_TRUE(sink->records().empty());
  Log::getInstance().removeSink(sink);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class PointEditorNonFinite : public PointEditorStyle, public ::testing::WithParamInterface<Cartographic> {};

TEST_P(PointEditorNonFinite, PositionsCrashNothingAndAreNotDrawn) {
  const std::shared_ptr<Feature::Feature> feature = addPoint(Cartographic::fromDegrees(116.0, 40.0, 0.0));
  editor->startEditing(feature);
  host.frame();
  pointOf(*feature).setPosition(GetParam());
  host.frame();
  EXPECT_FALSE(drawnAt(*feature));
  host.drag(Button::LEFT_MOUSE_BUTTON, {400, 300}, {430, 320}, 3);
  host.drag(Button::LEFT_MOUSE_BUTTON, {200, 100}, {230, 120}, 3);
  host.scene().pick({400, 300}, 3, 3);
  // A finite position written afterwards is taken up again.
  const Cartographic back = Cartographic::fromDegrees(116.0, 40.0, 0.0);
  pointOf(*feature).setPosition(back);
  host.frame(2);
  EXPECT_TRUE(drawnAt(*feature));
  EXPECT_TRUE(sink->records().empty());
  editor->stopEditing(false, false);
  ASSERT_EQ(stopped.size(), 1u);
  EXPECT_EQ(stopped[0].feature, feature);
}

const char* const kNonFiniteNames[] = {"NaNLongitude", "NaNLatitude", "InfiniteHeight", "AllBroken"};

INSTANTIATE_TEST_SUITE_P(Positions, PointEditorNonFinite,
                         ::testing::Values(Cartographic{kNaN, 0.7, 0.0}, Cartographic{2.0, kNaN, 0.0},
                                           Cartographic{2.0, 0.7, kInf}, Cartographic{kInf, -kInf, kNaN}),
                         [](const ::testing::TestParamInfo<Cartographic>& info) {
                           return std::string(kNonFiniteNames[info.index]);
                         });

}  // namespace
}  // namespace qel::test
