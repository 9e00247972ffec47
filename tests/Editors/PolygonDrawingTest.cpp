// Drawing areas click by click: the floating last vertex under the pointer, handing the
// clicked vertices over, undo, ending drawing, continuing an area, cursors.

#include <gtest/gtest.h>

#include "Scene/Primitive.h"
#include "Support/PolygonEditorFixture.h"

namespace qel::test {
namespace {

class PolygonDrawingTest : public PolygonEditorFixture {};

TEST_F(PolygonDrawingTest, TheLastVertexFloatsUnderThePointerUntilTheNextClick) {
  editor->startEditing(nullptr);
  click(300, 300);
  const Cartographic first = groundAt(300, 300);
  ASSERT_NE(impl().getFeature(), nullptr);
  EXPECT_TRUE(inRootGroup(*impl().getFeature()));
  EXPECT_EQ(ring(), (std::vector<Cartographic>{first, first}));

  move(400, 300);
  EXPECT_EQ(ring(), (std::vector<Cartographic>{first, groundAt(400, 300)}));
  EXPECT_EQ(host.viewer().getSceneCursor(), CursorAction::DrawArea);

  host.viewer().setSceneCursor(CursorAction::Default);
  click(400, 300);
  EXPECT_EQ(host.viewer().getSceneCursor(), CursorAction::DrawArea);
  EXPECT_EQ(ring(), (std::vector<Cartographic>{first, groundAt(400, 300), groundAt(400, 300)}));
  move(350, 400);
  EXPECT_EQ(ring().back(), groundAt(350, 400));
  // Only the clicked vertices have points; middle points never show while drawing.
  host.frame();
  EXPECT_EQ(impl().getVertexPoints().size(), 2u);
  EXPECT_TRUE(impl().getMiddlePositions().empty());
  EXPECT_EQ(impl().getUndoCount(), 1u);
}

// k clicks, then a double click (press, release, double click, release) at a last place.
class PolygonHandOverTest : public PolygonEditorFixture, public ::testing::WithParamInterface<int> {};

TEST_P(PolygonHandOverTest, DoubleClickHandsOverTheClickedVerticesAndDrawingGoesOn) {
  const int clicks = GetParam();
  editor->startEditing(nullptr);
  std::vector<Cartographic> expected;
  for (int k = 0; k < clicks; ++k) {
    moveAndClick(200.0f + 60.0f * k, 250.0f + 30.0f * (k % 2));
    expected.push_back(groundAt(200.0f + 60.0f * k, 250.0f + 30.0f * (k % 2)));
  }
  move(500, 400);
  doubleClick(500, 400);
  expected.push_back(groundAt(500, 400));
  // The next click starts a new area: its point and the floating copy.
  expectHandedOverAndDrawingGoesOn(
      expected, [](const Feature::Feature& f) { return ringOf(f); }, 2u);
}

INSTANTIATE_TEST_SUITE_P(ClickCounts, PolygonHandOverTest, ::testing::Values(1, 3));

TEST_F(PolygonDrawingTest, UndoTakesBackAClickAndKeepsTheFloatingVertexUnderThePointer) {
  editor->startEditing(nullptr);
  click(200, 300);
  // Right after the first click there is nothing to go back to.
  editor->undo();
  host.frame();
  EXPECT_EQ(ring(), (std::vector<Cartographic>{groundAt(200, 300), groundAt(200, 300)}));

  moveAndClick(300, 300);
  moveAndClick(400, 350);
  move(450, 400);
  ASSERT_EQ(impl().getUndoCount(), 2u);
  editor->undo();
  host.frame();
  EXPECT_EQ(ring(), (std::vector<Cartographic>{groundAt(200, 300), groundAt(300, 300), groundAt(450, 400)}));
  EXPECT_EQ(impl().getVertexPoints().size(), 2u);
  // The outline follows the restored ring.
  const auto* outline = dynamic_cast<const Primitive*>(impl().getOutline().get());
  ASSERT_NE(outline, nullptr);
  EXPECT_EQ(std::get<PolylineGeometry>(outline->getGeometryInstances()[0].geometry).positions.size(), 4u);
  editor->undo();
  editor->undo();
  host.frame();
  EXPECT_EQ(ring(), (std::vector<Cartographic>{groundAt(200, 300), groundAt(450, 400)}));
  EXPECT_EQ(log->size(), 0u);
}

TEST_F(PolygonDrawingTest, EndingDrawingKeepsTheFloatingVertexAndRaisesNothing) {
  editor->startEditing(nullptr);
  moveAndClick(200, 300);
  moveAndClick(400, 300);
  move(300, 450);
  const std::shared_ptr<Feature::Feature> area = impl().getFeature();
  editor->stopEditing(false, true);
  host.frame();
  EXPECT_TRUE(stops.empty());
  EXPECT_FALSE(impl().isDrawing());
  EXPECT_EQ(impl().getFeature(), area);
  EXPECT_TRUE(inRootGroup(*area));
  EXPECT_EQ(ringOf(*area), (std::vector<Cartographic>{groundAt(200, 300), groundAt(400, 300), groundAt(300, 450)}));
}

TEST_F(PolygonDrawingTest, ContinueDrawingFloatsACopyOfTheLastVertexWithoutEvent) {
  editor->startEditing(nullptr);
  click(200, 200);
  const std::shared_ptr<Feature::Feature> dropped = impl().getFeature();
  const auto area = areaUnder({{300, 300}, {400, 300}, {400, 400}});
  const std::vector<Cartographic> before = ringOf(*area);
  editor->continueDrawing(area);
  host.frame();
  EXPECT_TRUE(stops.empty());
  EXPECT_FALSE(inRootGroup(*dropped));
  EXPECT_EQ(impl().getFeature(), area);
  EXPECT_EQ(ringOf(*area), (std::vector<Cartographic>{before[0], before[1], before[2], before[2]}));
  move(300, 450);
  EXPECT_EQ(ringOf(*area).back(), groundAt(300, 450));
  click(300, 450);
  move(250, 450);
  doubleClick(250, 450);
  ASSERT_EQ(stops.size(), 1u);
  EXPECT_EQ(ringOf(*stops[0].feature),
            (std::vector<Cartographic>{before[0], before[1], before[2], groundAt(300, 450), groundAt(250, 450)}));
}

TEST_F(PolygonDrawingTest, ClicksOffTheGlobeAddNothingAndMovesLeaveTheRing) {
  host.setPose(Cartographic::fromDegrees(116.0, 40.0, 3.0e7), 0.0, -90.0);
  editor->startEditing(nullptr);
  click(400, 300);
  const std::vector<Cartographic> drawn = ring();
  ASSERT_EQ(drawn.size(), 2u);
  click(2, 2);  // a corner of the window looks past the Earth
  move(3, 3);
  EXPECT_EQ(ring(), drawn);
  EXPECT_EQ(log->size(), 0u);
}

}  // namespace
}  // namespace qel::test
