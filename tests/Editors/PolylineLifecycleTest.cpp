// The editor's life around its feature: middle points shown and hidden, outside changes
// of the geometry, a feature leaving the scene, refused styles and features.

#include <gtest/gtest.h>

#include "Feature/PointGeometry.h"
#include "Manipulator/HandleImages.h"
#include "Support/PolylineEditorFixture.h"

namespace qel::test {
namespace {

class PolylineLifecycleTest : public PolylineEditorFixture {
 protected:
  std::size_t drawnMiddlePoints() const {
    std::size_t n = 0;
    for (const DrawItem& item : host.scene().getLastFrame().items()) {
      n += item.kind == DrawKind::Billboard && item.shown &&
                   item.image == HandleImages::path(HandleImages::kMiddlePointFile)
               ? 1
               : 0;
    }
    return n;
  }
};

TEST_F(PolylineLifecycleTest, MiddlePointsFollowTheirSwitchAndNeverShowWhileDrawing) {
  const auto line = lineUnder({{200, 300}, {400, 300}, {600, 300}});
  editor->startEditing(line);
  host.frame(2);
  EXPECT_EQ(drawnMiddlePoints(), 2u);
  editor->setMiddlePointVisible(false);
  host.frame();
  EXPECT_EQ(drawnMiddlePoints(), 0u);
  EXPECT_FALSE(editor->isMiddlePointVisible());
  editor->setMiddlePointVisible(true);
  host.frame();
  EXPECT_EQ(drawnMiddlePoints(), 2u);

  editor->stopEditing(true, false);
  editor->startEditing(nullptr);
  click(200, 200);
  click(300, 200);
  click(400, 250);
  host.frame();
  EXPECT_EQ(drawnMiddlePoints(), 0u);
  EXPECT_EQ(impl().getVertexPoints().size(), 3u);
}

TEST_F(PolylineLifecycleTest, AChangedLookReachesEveryHandleAtTheNextEdit) {
  // A drag rewrites only the handles that moved; a new DPI factor or middle image must
  // still reach all of them, not just those three.
  const auto line = lineUnder({{200, 300}, {400, 300}, {600, 300}});
  editor->startEditing(line);
  host.frame(2);
  host.scene().getContext().setDpiScale(2.0f);
  const std::string image = "another-middle-point.png";
  impl().setMiddlePointImage(image);
  press(400, 300);
  dragTo(400, 320);
  host.frame();
  // A vertex point is 5 px across at DPI 1 with a 1 px outline on each side.
  constexpr double kWidthAtDpi2 = 2.0 * 5.0 + 2.0 * 1.0;
  std::size_t points = 0;
  std::size_t middles = 0;
  for (const DrawItem& item : host.scene().getLastFrame().items()) {
    if (item.primitive == &impl().getVertexPoints()) {
      ++points;
      EXPECT_DOUBLE_EQ(item.box.x1 - item.box.x0, kWidthAtDpi2);
    }
    if (item.kind == DrawKind::Billboard && item.shown && item.image == image) ++middles;
  }
  EXPECT_EQ(points, 3u);
  EXPECT_EQ(middles, 2u);
}

TEST_F(PolylineLifecycleTest, AnOutsideChangeOfTheGeometryMovesTheHandles) {
  const auto line = lineUnder({{200, 300}, {400, 300}});
  editor->startEditing(line);
  host.frame(2);
  std::vector<Cartographic> moved = positionsOf(*line);
  moved[1] = groundAt(400, 400);
  std::static_pointer_cast<Feature::PolylineGeometry>(line->getGeometry())->setPositions(moved);
  host.frame(2);
  ASSERT_EQ(impl().getDisplayPositions().size(), 2u);
  EXPECT_EQ(impl().getDisplayPositions()[1], moved[1]);
  EXPECT_NEAR(windowAt(impl().getMiddlePositions()[0]).y, 350.0, 0.5);
}

TEST_F(PolylineLifecycleTest, AFeatureLeavingItsLayerIsLetGoWithoutEvent) {
  const auto line = lineUnder({{200, 300}, {400, 300}});
  editor->startEditing(line);
  host.frame(2);
  rootGroup().remove(*line);
  host.frame();
  EXPECT_EQ(impl().getFeature(), nullptr);
  EXPECT_TRUE(impl().getDisplayPositions().empty());
  EXPECT_TRUE(stops.empty());
  // Idle: clicks do nothing.
  click(300, 300);
  EXPECT_EQ(impl().getFeature(), nullptr);
}

TEST_F(PolylineLifecycleTest, StopEditingHandsTheEditedLineOver) {
  const auto line = lineUnder({{200, 300}, {400, 300}});
  editor->startEditing(line);
  host.frame();
  editor->stopEditing(false, false);
  host.frame();
  ASSERT_EQ(stops.size(), 1u);
  EXPECT_EQ(stops[0].feature, line);
  EXPECT_FALSE(stops[0].drawn);
  EXPECT_TRUE(line->_isAsynchronous());
  // The editor keeps a copy of the line's style, not the line's own.
  EXPECT_NE(editor->getStyle(), line->getStyle());
}

TEST_F(PolylineLifecycleTest, RefusedStylesAreLoggedAndTheOldStyleStays) {
  const std::shared_ptr<Feature::Style> kept = editor->getStyle();
  editor->setStyle(nullptr);
  host.frame();
  EXPECT_EQ(editor->getStyle(), kept);
  ASSERT_EQ(log->size(), 1u);
  const LogRecord expected{{"Components/src/Manipulator/PolylineEditor", 2146, "qel::PolylineEditor::Impl::setStyle"},
                           4,
                           "设置的样式为空或者不是线样式。"};
  EXPECT_EQ(log->records()[0], expected);
  const std::shared_ptr<Feature::Style> other = otherKindOfStyle();
  if (other) {
    editor->setStyle(other);
    host.frame();
    EXPECT_EQ(editor->getStyle(), kept);
    EXPECT_EQ(log->size(), 2u);
  }
}

TEST_F(PolylineLifecycleTest, FeaturesOfAnotherKindAreNotTaken) {
  const auto line = lineUnder({{200, 300}, {400, 300}});
  editor->startEditing(line);
  host.frame();
  auto point = std::make_shared<Feature::Feature>();
  point->setGeometry(std::make_shared<Feature::PointGeometry>(groundAt(300, 300)));
  // continueDrawing with it does nothing at all.
  editor->continueDrawing(point);
  editor->continueDrawing(nullptr);
  editor->continueDrawing(std::make_shared<Feature::Feature>());
  host.frame();
  EXPECT_EQ(impl().getFeature(), line);
  EXPECT_TRUE(stops.empty());
  // startEditing with it hands the line over and takes nothing.
  editor->startEditing(point);
  host.frame();
  ASSERT_EQ(stops.size(), 1u);
  EXPECT_EQ(stops[0].feature, line);
  EXPECT_EQ(impl().getFeature(), nullptr);
  editor->startEditing(std::make_shared<Feature::Feature>());
  editor->undo();
  host.frame();
  EXPECT_EQ(impl().getFeature(), nullptr);
  EXPECT_EQ(log->size(), 0u);
}

}  // namespace
}  // namespace qel::test
