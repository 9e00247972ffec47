// Editing an area's ring by gesture and call: middle points on every edge including the
// closing one, deleting with the ring joined again, insertion in add mode, the events
// raised (and the kind never raised), refusals.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "Feature/PointGeometry.h"
#include "Support/PolygonEditorFixture.h"

namespace qel::test {
namespace {

// A rectangle across the window on flat ground, clockwise on screen from the top left.
const std::vector<Vector2<float>> kRing{{200, 200}, {600, 200}, {600, 450}, {200, 450}};

class PolygonEditingTest : public PolygonEditorFixture {
 protected:
  std::shared_ptr<Feature::Feature> startOnArea(
      std::shared_ptr<Feature::Style> style = areaStyle(HeightReference::None),
      std::vector<std::vector<Cartographic>> holes = {}) {
    auto area = areaUnder(kRing, std::move(style), std::move(holes));
    editor->startEditing(area);
    host.frame(2);  // the scene draws the feature, the editor its handles
    return area;
  }
  // Window positions of a list of positions.
  std::vector<Vector2<double>> windowsOf(const std::vector<Cartographic>& positions) const {
    std::vector<Vector2<double>> out;
    for (const Cartographic& p : positions) out.push_back(windowAt(p));
    return out;
  }
  static void expectNear(const std::vector<Vector2<double>>& actual, const std::vector<Vector2<float>>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_NEAR(actual[i].x, expected[i].x, 0.5) << i;
      EXPECT_NEAR(actual[i].y, expected[i].y, 0.5) << i;
    }
  }
};

// What a change does to the ring and its middle points, in window pixels, and the events
// it raises (a grabbed middle point released in place is a click on the new vertex);
// deletions are undone again.
class PolygonRingTest;
struct RingCase {
  const char* name;
  std::function<void(PolygonRingTest&)> act;
  std::vector<Vector2<float>> ring;
  std::vector<Vector2<float>> middles;
  std::vector<std::tuple<int, int>> events;
  bool undoable;
};
void PrintTo(const RingCase& c, std::ostream* os) { *os << c.name; }

class PolygonRingTest : public PolygonEditingTest, public ::testing::WithParamInterface<RingCase> {
 public:
  void deleteVertex(unsigned int i) { editor->deleteVertex(i); }
  void deleteMode() { editor->deletePoint(true); }
  void grab(float x, float y) {
    press(x, y);
    release(x, y);
  }
};

TEST_P(PolygonRingTest, MiddlePointsSitOnEveryEdgeIncludingTheClosingOne) {
  const RingCase& c = GetParam();
  const auto area = startOnArea();
  const std::vector<Cartographic> before = ringOf(*area);
  expectNear(windowsOf(impl().getMiddlePositions()), {{400, 200}, {600, 325}, {400, 450}, {200, 325}});
  c.act(*this);
  host.frame();
  expectNear(windowsOf(ringOf(*area)), c.ring);
  expectNear(windowsOf(impl().getMiddlePositions()), c.middles);
  EXPECT_EQ(impl().getVertexPoints().size(), c.ring.size());
  EXPECT_EQ(changeList(), c.events);
  editor->undo();
  host.frame();
  if (c.undoable) {
    EXPECT_EQ(ringOf(*area), before);
    EXPECT_EQ(impl().getMiddlePositions().size(), 4u);
  } else {
    EXPECT_EQ(ringOf(*area).size(), c.ring.size());
  }
}

INSTANTIATE_TEST_SUITE_P(Changes, PolygonRingTest,
                         ::testing::Values(RingCase{"GrabClosingMiddlePoint",
                                                    [](PolygonRingTest& t) { t.grab(200, 325); },
                                                    {{200, 200}, {600, 200}, {600, 450}, {200, 450}, {200, 325}},
                                                    {{400, 200}, {600, 325}, {400, 450}, {200, 387.5f}, {200, 262.5f}},
                                                    {{4, 2}},
                                                    false},
                                           RingCase{"GrabFirstMiddlePoint",
                                                    [](PolygonRingTest& t) { t.grab(400, 200); },
                                                    {{200, 200}, {400, 200}, {600, 200}, {600, 450}, {200, 450}},
                                                    {{300, 200}, {500, 200}, {600, 325}, {400, 450}, {200, 325}},
                                                    {{1, 2}},
                                                    false},
                                           RingCase{"DeleteFirst",
                                                    [](PolygonRingTest& t) { t.deleteVertex(0); },
                                                    {{600, 200}, {600, 450}, {200, 450}},
                                                    {{600, 325}, {400, 450}, {400, 325}},
                                                    {{0, 1}},
                                                    true},
                                           RingCase{"DeleteLast",
                                                    [](PolygonRingTest& t) { t.deleteVertex(3); },
                                                    {{200, 200}, {600, 200}, {600, 450}},
                                                    {{400, 200}, {600, 325}, {400, 325}},
                                                    {{3, 1}},
                                                    true},
                                           RingCase{"DeleteInside",
                                                    [](PolygonRingTest& t) { t.deleteVertex(1); },
                                                    {{200, 200}, {600, 450}, {200, 450}},
                                                    {{400, 325}, {400, 450}, {200, 325}},
                                                    {{1, 1}},
                                                    true},
                                           RingCase{"DeleteByClick",
                                                    [](PolygonRingTest& t) {
                                                      t.deleteMode();
                                                      t.grab(600, 450);
                                                    },
                                                    {{200, 200}, {600, 200}, {200, 450}},
                                                    {{400, 200}, {400, 325}, {200, 325}},
                                                    {{2, 1}},
                                                    true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PolygonEditingTest, DraggingAVertexMovesItAndReportsEachStep) {
  const auto area = startOnArea(areaStyle(HeightReference::None), {groundUnder({{300, 300}, {350, 300}, {350, 350}})});
  press(600, 450);
  dragTo(620, 450);
  dragTo(640, 470);
  release(640, 470);
  EXPECT_EQ(changeList(), (std::vector<std::tuple<int, int>>{{2, -1}, {2, -1}}));
  expectNear(windowsOf(ringOf(*area)), {{200, 200}, {600, 200}, {640, 470}, {200, 450}});
  // The two edges at the vertex have moved their middle points.
  expectNear(windowsOf(impl().getMiddlePositions()), {{400, 200}, {620, 335}, {420, 460}, {200, 325}});
  // The editor writes the outer ring alone.
  EXPECT_TRUE(shapeOf(*area).getHierarchy().holes.empty());
  click(200, 200);
  EXPECT_EQ(changes.back().index, 0);
  EXPECT_EQ(changes.back().kind, 2);
}

// Add mode: a press inside the area near an edge other than the closing one inserts a
// vertex on that edge when the area is in space and the press lies within the outline's
// width + 4 px of it. Nothing is ever reported as selected.
struct InsertCase {
  const char* name;
  HeightReference reference;
  double outlineWidth;
  Vector2<float> at;
  int inserted;  // -1: none
};
void PrintTo(const InsertCase& c, std::ostream* os) { *os << c.name; }

class PolygonInsertTest : public PolygonEditingTest, public ::testing::WithParamInterface<InsertCase> {};

TEST_P(PolygonInsertTest, AddModePressOnTheAreaInsertsOnlyNearAnEdgeInSpace) {
  const InsertCase& c = GetParam();
  const auto area = startOnArea(areaStyle(c.reference, c.outlineWidth));
  const std::vector<Cartographic> before = ringOf(*area);
  editor->addPoint(true);
  host.frame();
  host.viewer().setSceneCursor(CursorAction::Default);
  move(c.at.x, c.at.y);
  // No insertion cursor over an area.
  EXPECT_EQ(host.viewer().getSceneCursor(), CursorAction::Default);
  press(c.at.x, c.at.y);
  release(c.at.x, c.at.y);
  const std::vector<Cartographic> after = ringOf(*area);
  if (c.inserted < 0) {
    EXPECT_EQ(after, before);
  } else {
    ASSERT_EQ(after.size(), 5u);
    EXPECT_EQ(after[static_cast<std::size_t>(c.inserted) - 1], before[static_cast<std::size_t>(c.inserted) - 1]);
    EXPECT_EQ(after[static_cast<std::size_t>(c.inserted) + 1], before[static_cast<std::size_t>(c.inserted)]);
    EXPECT_NEAR(windowAt(after[static_cast<std::size_t>(c.inserted)]).x, c.at.x, 1.0);
    EXPECT_EQ(impl().getSelectedIndex(), c.inserted);
    EXPECT_EQ(impl().getMiddlePositions().size(), 5u);
  }
  EXPECT_TRUE(changes.empty());
  // A press on a vertex selects it, silently too.
  press(600, 450);
  release(600, 450);
  EXPECT_GE(impl().getSelectedIndex(), 0);
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(log->size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Presses, PolygonInsertTest,
    ::testing::Values(InsertCase{"ThreePixelsInside", HeightReference::None, 0.8, {300, 203}, 1},
                      InsertCase{"SixPixelsInside", HeightReference::None, 0.8, {300, 206}, -1},
                      InsertCase{"SixPixelsInsideAWideOutline", HeightReference::None, 3.0, {300, 206}, 1},
                      InsertCase{"ThirdEdge", HeightReference::None, 0.8, {500, 447}, 3},
                      InsertCase{"ClosingEdge", HeightReference::None, 0.8, {203, 260}, -1},
                      InsertCase{"Draped", HeightReference::ClampToTerrain, 0.8, {300, 203}, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PolygonEditingTest, RefusedCallsChangeNothingAndLogNothing) {
  const auto area = startOnArea();
  const std::vector<Cartographic> before = ringOf(*area);
  editor->undo();
  editor->deleteVertex(4);
  host.frame();
  EXPECT_EQ(ringOf(*area), before);
  // Another kind of feature: continuing does nothing, starting hands the area over.
  auto point = std::make_shared<Feature::Feature>();
  point->setGeometry(std::make_shared<Feature::PointGeometry>(groundAt(300, 300)));
  editor->continueDrawing(point);
  editor->continueDrawing(nullptr);
  host.frame();
  EXPECT_EQ(impl().getFeature(), area);
  editor->startEditing(point);
  host.frame();
  ASSERT_EQ(stops.size(), 1u);
  EXPECT_EQ(stops[0].feature, area);
  EXPECT_FALSE(stops[0].drawn);
  EXPECT_EQ(impl().getFeature(), nullptr);
  editor->undo();
  editor->deleteVertex(0);
  // Drawing: deleting is refused.
  editor->startEditing(nullptr);
  click(300, 300);
  editor->deleteVertex(0);
  editor->undo();
  host.frame();
  EXPECT_EQ(ring().size(), 2u);
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(ringOf(*area), before);
  EXPECT_EQ(log->size(), 0u);
}

}  // namespace
}  // namespace qel::test
