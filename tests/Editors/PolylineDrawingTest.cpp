// Drawing lines click by click: vertices, the rubber band and its labels, the click
// tolerance, handing finished lines over, ending drawing and undo.

#include <gtest/gtest.h>

#include "Scene/Primitive.h"
#include "Support/PolylineEditorFixture.h"

namespace qel::test {
namespace {

class PolylineDrawingTest : public PolylineEditorFixture {};

TEST_F(PolylineDrawingTest, FirstClickAddsOneVertexAndHiddenLabelsUntilThePointerMoves) {
  editor->startEditing(nullptr);
  click(300, 300);
  const std::shared_ptr<Feature::Feature> line = impl().getFeature();
  ASSERT_NE(line, nullptr);
  EXPECT_TRUE(inRootGroup(*line));
  const Cartographic first = groundAt(300, 300);
  EXPECT_EQ(positionsOf(*line), std::vector<Cartographic>{first});
  EXPECT_EQ(impl().getUndoCount(), 0u);
  EXPECT_EQ(impl().getRubberBand(), (std::vector<Cartographic>{first, first}));
  ASSERT_NE(impl().getMeasureLabel(), nullptr);
  ASSERT_NE(impl().getAngleLabel(), nullptr);
  // The pointer is on the vertex: nothing to measure yet.
  EXPECT_FALSE(impl().getMeasureLabel()->isShow());
  EXPECT_FALSE(impl().getAngleLabel()->isShow());

  move(400, 300);
  EXPECT_EQ(impl().getRubberBand()[1], groundAt(400, 300));
  EXPECT_TRUE(impl().getMeasureLabel()->isShow());
  // One vertex has no angle.
  EXPECT_FALSE(impl().getAngleLabel()->isShow());
  EXPECT_NE(impl().getMeasureLabel()->get().text.find("距离："), std::string::npos);

  editor->undo();
  host.frame();
  EXPECT_TRUE(positionsOf(*line).empty());
  EXPECT_TRUE(impl().getRubberBand().empty());
  EXPECT_FALSE(impl().getMeasureLabel()->isShow());
  EXPECT_FALSE(impl().getAngleLabel()->isShow());
  EXPECT_EQ(impl().getRubberLine(), nullptr);
}

TEST_F(PolylineDrawingTest, RubberBandIsDrawnWithTheProcessWideLineId) {
  editor->startEditing(nullptr);
  click(300, 300);
  move(420, 310);
  const auto* rubber = dynamic_cast<const Primitive*>(impl().getRubberLine().get());
  ASSERT_NE(rubber, nullptr);
  ASSERT_EQ(rubber->getGeometryInstances().size(), 1u);
  EXPECT_EQ(std::get<Uuid>(rubber->getGeometryInstances()[0].id), PolylineEditorImpl::rubberLineId());
  const auto& line = std::get<PolylineGeometry>(rubber->getGeometryInstances()[0].geometry);
  EXPECT_DOUBLE_EQ(line.width, 2.0);
  // The drawn band follows the pointer on screen.
  bool found = false;
  for (const DrawItem& item : host.scene().getLastFrame().items()) {
    if (item.kind != DrawKind::Primitive || item.primitive != rubber) continue;
    found = true;
    ASSERT_EQ(item.path.size(), 2u);
    EXPECT_NEAR(item.path[0].x, 300.0, 0.5);
    EXPECT_NEAR(item.path[1].x, 420.0, 0.5);
    EXPECT_NEAR(item.path[1].y, 310.0, 0.5);
  }
  EXPECT_TRUE(found);
}

// A press and release closer than 10 px × DPI is a click and adds a vertex.
struct ToleranceCase {
  float dpi;
  float apart;
  bool adds;
};

class PolylineClickToleranceTest : public PolylineEditorFixture, public ::testing::WithParamInterface<ToleranceCase> {};

TEST_P(PolylineClickToleranceTest, OnlyAClickAddsAVertex) {
  const ToleranceCase c = GetParam();
  host.scene().getContext().setDpiScale(c.dpi);
  editor->startEditing(nullptr);
  click(200, 200);
  press(300, 300);
  release(300 + c.apart, 300);
  EXPECT_EQ(positionsOf(*impl().getFeature()).size(), c.adds ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(DpiScales, PolylineClickToleranceTest,
                         ::testing::Values(ToleranceCase{1.0f, 9.0f, true}, ToleranceCase{1.0f, 10.0f, false},
                                           ToleranceCase{2.0f, 18.0f, true}, ToleranceCase{2.0f, 20.0f, false}));

class PolylineHandOverTest : public PolylineEditorFixture, public ::testing::WithParamInterface<int> {};

TEST_P(PolylineHandOverTest, DoubleClickHandsOverTheLineAndDrawingGoesOn) {
  const int clicks = GetParam();
  editor->startEditing(nullptr);
  std::vector<Cartographic> expected;
  for (int k = 0; k < clicks; ++k) {
    click(200.0f + 40.0f * k, 250.0f);
    expected.push_back(groundAt(200.0f + 40.0f * k, 250.0f));
  }
  doubleClick(500, 400);
  expected.push_back(groundAt(500, 400));
  // The next click starts a new line of one vertex.
  expectHandedOverAndDrawingGoesOn(
      expected, [](const Feature::Feature& f) { return positionsOf(f); }, 1u);
}

INSTANTIATE_TEST_SUITE_P(ClickCounts, PolylineHandOverTest, ::testing::Values(1, 3));

TEST_F(PolylineDrawingTest, EndingDrawingKeepsTheLineAsTheEditedOneWithoutEvent) {
  editor->startEditing(nullptr);
  click(300, 300);
  click(400, 300);
  const std::shared_ptr<Feature::Feature> line = impl().getFeature();
  editor->stopEditing(false, true);
  host.frame();
  EXPECT_TRUE(stops.empty());
  EXPECT_FALSE(impl().isDrawing());
  EXPECT_EQ(impl().getFeature(), line);
  EXPECT_TRUE(inRootGroup(*line));
  // Discarding the edited line raises nothing either.
  editor->stopEditing(true, false);
  host.frame();
  EXPECT_TRUE(stops.empty());
  EXPECT_EQ(impl().getFeature(), nullptr);
}

TEST_F(PolylineDrawingTest, UndoWhileDrawingTakesBackOneVertexAtATime) {
  editor->startEditing(nullptr);
  click(200, 300);
  click(300, 300);
  click(400, 300);
  move(450, 350);
  ASSERT_EQ(impl().getUndoCount(), 2u);
  editor->undo();
  host.frame();
  const std::shared_ptr<Feature::Feature> line = impl().getFeature();
  EXPECT_EQ(positionsOf(*line), (std::vector<Cartographic>{groundAt(200, 300), groundAt(300, 300)}));
  // The band now starts at the restored last vertex and still ends at the pointer.
  EXPECT_EQ(impl().getRubberBand()[0], groundAt(300, 300));
  EXPECT_EQ(impl().getRubberBand()[1], groundAt(450, 350));
  EXPECT_EQ(impl().getVertexPoints().size(), 2u);
}

TEST_F(PolylineDrawingTest, ClicksOffTheGlobeAddNothingAndMovesLeaveTheBand) {
  host.setPose(Cartographic::fromDegrees(116.0, 40.0, 3.0e7), 0.0, -90.0);
  editor->startEditing(nullptr);
  click(400, 300);
  ASSERT_EQ(positionsOf(*impl().getFeature()).size(), 1u);
  const std::vector<Cartographic> band = impl().getRubberBand();
  click(2, 2);  // a corner of the window looks past the Earth
  EXPECT_EQ(positionsOf(*impl().getFeature()).size(), 1u);
  move(3, 3);
  EXPECT_EQ(impl().getRubberBand(), band);
  EXPECT_EQ(log->size(), 0u);
}

TEST_F(PolylineDrawingTest, ContinueDrawingGoesOnFromTheLastVertexWithoutEvent) {
  editor->startEditing(nullptr);
  click(200, 200);
  const std::shared_ptr<Feature::Feature> dropped = impl().getFeature();
  const auto line = lineUnder({{300, 300}, {400, 300}});
  editor->continueDrawing(line);
  host.frame();
  EXPECT_TRUE(stops.empty());
  EXPECT_FALSE(inRootGroup(*dropped));
  EXPECT_EQ(impl().getFeature(), line);
  EXPECT_EQ(impl().getRubberBand(), (std::vector<Cartographic>{positionsOf(*line)[1], positionsOf(*line)[1]}));
  click(450, 350);
  EXPECT_EQ(positionsOf(*line).size(), 3u);
}

}  // namespace
}  // namespace qel::test
