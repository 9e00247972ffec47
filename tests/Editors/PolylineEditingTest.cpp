// Editing a line by gesture: dragging vertices, moving the whole line, the move handles,
// raising and lowering, clicks, the add and delete modes, deleting by index, cursors.

#include <gtest/gtest.h>

#include <cmath>

#include "Manipulator/HandleImages.h"
#include "Support/PolylineEditorFixture.h"

namespace qel::test {
namespace {

// Three vertices across the window on flat ground; the middle points sit between them.
const std::vector<Vector2<float>> kLine{{200, 300}, {400, 300}, {600, 300}};

class PolylineEditingTest : public PolylineEditorFixture {
 protected:
  std::shared_ptr<Feature::Feature> startOnLine(HeightReference reference = HeightReference::None,
                                                std::vector<Vector2<float>> pixels = kLine) {
    auto line = lineUnder(pixels, 0.0, reference);
    editor->startEditing(line);
    host.frame(2);  // the scene draws the feature, the editor its handles
    return line;
  }
  // The shown handle billboards of the last frame, by id.
  std::vector<std::string> shownHandles() const {
    std::vector<std::string> ids;
    for (const DrawItem& item : host.scene().getLastFrame().items()) {
      if (item.kind != DrawKind::Billboard || !item.shown) continue;
      if (const auto* id = std::get_if<std::string>(&item.id)) ids.push_back(*id);
    }
    return ids;
  }
};

TEST_F(PolylineEditingTest, VertexDragMovesOnlyThatVertexAndItsMiddlePoints) {
  const auto line = startOnLine();
  const std::vector<Cartographic> before = positionsOf(*line);
  const std::vector<Cartographic> middlesBefore = impl().getMiddlePositions();
  press(400, 300);
  dragTo(420, 300);
  dragTo(440, 320);
  release(440, 320);
  EXPECT_EQ(changeList(), (std::vector<std::tuple<int, int>>{{1, -1}, {1, -1}}));
  const std::vector<Cartographic> after = positionsOf(*line);
  EXPECT_EQ(after[0], before[0]);
  EXPECT_EQ(after[2], before[2]);
  const Vector2<double> moved = windowAt(after[1]);
  EXPECT_NEAR(moved.x, 440.0, 0.5);
  EXPECT_NEAR(moved.y, 320.0, 0.5);
  EXPECT_NEAR(after[1].height, 0.0, 1e-6);
  // Both middle points follow the moved vertex.
  const std::vector<Cartographic>& middles = impl().getMiddlePositions();
  ASSERT_EQ(middles.size(), 2u);
  EXPECT_NE(middles[0], middlesBefore[0]);
  EXPECT_NE(middles[1], middlesBefore[1]);
  EXPECT_NEAR(windowAt(middles[0]).x, 320.0, 0.5);
  EXPECT_NEAR(windowAt(middles[1]).x, 520.0, 0.5);
  // And what the user sees follows: the next frame draws every vertex point and middle
  // point on its new position.
  host.frame();
  std::vector<Vector3<double>> points;
  std::vector<Vector3<double>> marks;
  for (const DrawItem& item : host.scene().getLastFrame().items()) {
    if (item.primitive == &impl().getVertexPoints()) points.push_back(item.position);
    if (item.primitive == impl().getMiddlePoints()) marks.push_back(item.position);
  }
  ASSERT_EQ(points.size(), after.size());
  ASSERT_EQ(marks.size(), middles.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    EXPECT_LT(Vector3<double>::distance(points[i], Ellipsoid::WGS84.cartographicToCartesian(after[i])), 1e-6) << i;
  }
  for (std::size_t i = 0; i < marks.size(); ++i) {
    EXPECT_LT(Vector3<double>::distance(marks[i], Ellipsoid::WGS84.cartographicToCartesian(middles[i])), 1e-6) << i;
  }
}

TEST_F(PolylineEditingTest, ObjectMovingMovesEveryVertexWithIndexMinusOne) {
  const auto line = startOnLine();
  editor->setObjectMovingEnabled(true);
  host.frame();
  press(400, 300);
  dragTo(400, 330);
  dragTo(400, 360);
  release(400, 360);
  EXPECT_EQ(changeList(), (std::vector<std::tuple<int, int>>{{-1, -1}, {-1, -1}}));
  for (std::size_t i = 0; i < kLine.size(); ++i) {
    const Vector2<double> at = windowAt(positionsOf(*line)[i]);
    EXPECT_NEAR(at.x, kLine[i].x, 1.0) << i;
    EXPECT_NEAR(at.y, 360.0, 1.0) << i;
  }
}

struct HandleCase {
  HeightReference reference;
  std::vector<std::string> shown;
};

class PolylineHandleTest : public PolylineEditingTest, public ::testing::WithParamInterface<HandleCase> {};

TEST_P(PolylineHandleTest, ASelectedVertexShowsItsMoveHandles) {
  startOnLine(GetParam().reference);
  click(400, 300);
  host.frame();
  std::vector<std::string> shown = shownHandles();
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, GetParam().shown);
  // A click on a vertex is reported as such.
  EXPECT_EQ(changeList(), (std::vector<std::tuple<int, int>>{{1, 2}}));
}

INSTANTIATE_TEST_SUITE_P(References, PolylineHandleTest,
                         ::testing::Values(HandleCase{HeightReference::None, {"horizonMove", "moveDown", "moveUp"}},
                                           HandleCase{HeightReference::ClampToTerrain, {"horizonMove"}},
                                           HandleCase{HeightReference::RelativeToGround, {"horizonMove"}}));

TEST_F(PolylineEditingTest, HeightDragDownLowersByMetresPerPixel) {
  // Above the view's centre, so that a vertical step shows on screen, a drop downwards.
  const auto line = startOnLine(HeightReference::None, {{200, 150}, {400, 150}, {600, 150}});
  click(400, 150);
  host.frame();
  const Cartographic vertex = positionsOf(*line)[1];
  Cartographic lower = vertex;
  lower.height -= 1.0;
  const double pixelsPerMetre = windowAt(lower).y - windowAt(vertex).y;
  ASSERT_GT(pixelsPerMetre, 0.0);
  const Vector2<double> handle = windowAt(vertex);
  press(static_cast<float>(handle.x), static_cast<float>(handle.y + 18.0));
  dragTo(static_cast<float>(handle.x), static_cast<float>(handle.y + 28.0));
  release(static_cast<float>(handle.x), static_cast<float>(handle.y + 28.0));
  EXPECT_NEAR(positionsOf(*line)[1].height, -10.0 / pixelsPerMetre, 1e-6);
  EXPECT_EQ(positionsOf(*line)[0].height, 0.0);
  EXPECT_EQ(changes.back().index, 1);
  EXPECT_EQ(changes.back().kind, -1);
}

TEST_F(PolylineEditingTest, AddModePressOnAVertexSelectsItWithKindZero) {
  startOnLine();
  editor->addPoint(true);
  press(600, 300);
  release(600, 300);
  EXPECT_EQ(changeList(), (std::vector<std::tuple<int, int>>{{2, 0}}));
  EXPECT_EQ(impl().getSelectedIndex(), 2);
}

// A press in add mode on the line between two vertices inserts one at the foot point:
// by the pointer's ray for a line in space, by longitude and latitude on the ground.
class PolylineInsertTest : public PolylineEditingTest, public ::testing::WithParamInterface<HeightReference> {};

TEST_P(PolylineInsertTest, AddModePressOnTheLineInsertsAVertexThere) {
  const auto line = startOnLine(GetParam());
  const std::vector<Cartographic> before = positionsOf(*line);
  editor->addPoint(true);
  host.frame();
  host.viewer().setSceneCursor(CursorAction::Default);
  move(250, 301);
  EXPECT_EQ(host.viewer().getSceneCursor(), CursorAction::OverLineInAddMode);
  press(250, 301);
  release(250, 301);
  const std::vector<Cartographic> after = positionsOf(*line);
  ASSERT_EQ(after.size(), 4u);
  EXPECT_EQ(after[0], before[0]);
  EXPECT_EQ(after[2], before[1]);
  const Vector2<double> inserted = windowAt(after[1]);
  EXPECT_NEAR(inserted.x, 250.0, 1.0);
  EXPECT_NEAR(inserted.y, 300.0, 0.5);  // on the line, not under the pointer
  EXPECT_EQ(changeList(), (std::vector<std::tuple<int, int>>{{1, 0}}));
  EXPECT_EQ(impl().getUndoCount(), 0u);
  EXPECT_EQ(impl().getMiddlePositions().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(References, PolylineInsertTest,
                         ::testing::Values(HeightReference::None, HeightReference::ClampToTerrain));

TEST_F(PolylineEditingTest, GrabbingAMiddlePointInsertsAVertexWithoutSnapshot) {
  const auto line = startOnLine();
  press(300, 300);
  EXPECT_EQ(positionsOf(*line).size(), 4u);
  EXPECT_NEAR(windowAt(positionsOf(*line)[1]).x, 300.0, 0.5);
  EXPECT_EQ(impl().getSelectedIndex(), 1);
  EXPECT_EQ(impl().getUndoCount(), 0u);
  EXPECT_EQ(impl().getMiddlePositions().size(), 3u);
  dragTo(300, 340);
  release(300, 340);
  EXPECT_NEAR(windowAt(positionsOf(*line)[1]).y, 340.0, 0.5);
}

TEST_F(PolylineEditingTest, DeleteModeClickDeletesWithSnapshotAndUndoRestores) {
  const auto line = startOnLine();
  const std::vector<Cartographic> before = positionsOf(*line);
  editor->deletePoint(true);
  click(400, 300);
  EXPECT_EQ(positionsOf(*line), (std::vector<Cartographic>{before[0], before[2]}));
  EXPECT_EQ(changeList(), (std::vector<std::tuple<int, int>>{{1, 1}}));
  EXPECT_EQ(impl().getUndoCount(), 1u);
  editor->undo();
  host.frame();
  EXPECT_EQ(positionsOf(*line), before);
  EXPECT_EQ(impl().getMiddlePositions().size(), 2u);
}

struct DeleteCase {
  unsigned int index;
  std::vector<int> remaining;   // old vertex indices left
  std::vector<int> middleFrom;  // the old vertex pairs (i, i + 1) whose middle points stay
};

class PolylineDeleteVertexTest : public PolylineEditingTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(PolylineDeleteVertexTest, LeavesTheOtherVerticesAndJoinsTheirMiddlePoint) {
  const DeleteCase& c = GetParam();
  const auto line = startOnLine();
  const std::vector<Cartographic> before = positionsOf(*line);
  editor->deleteVertex(c.index);
  host.frame();
  std::vector<Cartographic> expected;
  for (int i : c.remaining) expected.push_back(before[i]);
  EXPECT_EQ(positionsOf(*line), expected);
  ASSERT_EQ(impl().getMiddlePositions().size(), 1u);
  // The middle point left lies halfway between the two vertices left.
  const Vector2<double> middle = windowAt(impl().getMiddlePositions()[0]);
  EXPECT_NEAR(middle.x, (kLine[c.remaining[0]].x + kLine[c.remaining[1]].x) / 2.0, 0.5);
  EXPECT_EQ(changeList(), (std::vector<std::tuple<int, int>>{{static_cast<int>(c.index), 1}}));
  EXPECT_EQ(impl().getVertexPoints().size(), 2u);
  editor->undo();
  host.frame();
  EXPECT_EQ(positionsOf(*line), before);
}

INSTANTIATE_TEST_SUITE_P(Indices, PolylineDeleteVertexTest,
                         ::testing::Values(DeleteCase{0, {1, 2}, {1}}, DeleteCase{1, {0, 2}, {0}},
                                           DeleteCase{2, {0, 1}, {0}}));

TEST_F(PolylineEditingTest, DeleteVertexRefusalsChangeNothing) {
  const auto line = startOnLine();
  const std::vector<Cartographic> before = positionsOf(*line);
  editor->deleteVertex(3);
  host.frame();
  EXPECT_EQ(positionsOf(*line), before);
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(impl().getUndoCount(), 0u);
  editor->stopEditing(true, false);
  editor->deleteVertex(0);
  host.frame();
  EXPECT_EQ(positionsOf(*line), before);
  EXPECT_TRUE(changes.empty());
  editor->startEditing(nullptr);
  editor->deleteVertex(0);
  host.frame();
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(log->size(), 0u);
}

struct CursorCase {
  const char* name;
  bool deleteMode;
  bool addMode;
  bool objectMoving;
  Vector2<float> at;
  CursorAction expected;
};

class PolylineCursorTest : public PolylineEditingTest, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(PolylineCursorTest, HoverSetsTheCursor) {
  const CursorCase& c = GetParam();
  startOnLine();
  editor->deletePoint(c.deleteMode);
  editor->addPoint(c.addMode);
  editor->setObjectMovingEnabled(c.objectMoving);
  host.frame();
  host.viewer().setSceneCursor(CursorAction::Default);
  move(c.at.x, c.at.y);
  EXPECT_EQ(host.viewer().getSceneCursor(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Hover, PolylineCursorTest,
    ::testing::Values(CursorCase{"vertex", false, false, false, {401, 299}, CursorAction::OverVertex},
                      CursorCase{"vertexDelete", true, false, false, {400, 300}, CursorAction::OverVertexInDeleteMode},
                      CursorCase{"middle", false, false, false, {300, 300}, CursorAction::OverVertex},
                      CursorCase{"objectMoving", false, false, true, {100, 100}, CursorAction::HoverMovable},
                      CursorCase{"nothing", false, false, false, {100, 100}, CursorAction::Default}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PolylineEditingTest, DrawingCursorIsTheLineCursor) {
  editor->startEditing(nullptr);
  move(100, 100);
  EXPECT_EQ(host.viewer().getSceneCursor(), CursorAction::DrawLine);
}

}  // namespace
}  // namespace qel::test
