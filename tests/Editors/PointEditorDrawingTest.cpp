// Drawing points with the point editor through the viewer's frame loop: which gestures
// place a point, where, what the application hears, and how stopping and restarting
// end drawing and editing.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "Feature/PolylineGeometry.h"
#include "PointEditorFixture.h"
#include "Viewer/CursorAction.h"

namespace qel::test {
namespace {

constexpr double kMillimetre = 1e-3;

class PointEditorDrawing : public ::testing::Test, public PointEditorFixture {
 protected:
  void SetUp() override { host.setPose(Cartographic::fromDegrees(116.0, 40.0, 2000.0), 0.0, -90.0); }

  bool inRootGroup(const Feature::Feature& feature) const {
    const auto& children = rootGroup().getChildren();
    return std::any_of(children.begin(), children.end(), [&](const auto& c) { return c.get() == &feature; });
  }
};

// ---------------------------------------------------------------------------------------
// Clicks

struct ClickCase {
  const char* name;
  float dpiScale;
  float releaseOffset;  // pixels right of the press
  bool places;
};

class PointEditorDrawingClick : public PointEditorDrawing, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(PointEditorDrawingClick, AClickOnTheGlobePlacesOnePointAndDrawingGoesOn) {
  const ClickCase& c = GetParam();
  host.scene().getContext().setDpiScale(c.dpiScale);
  editor->startEditing(nullptr);

  const Vector2<float> pressAt{300.0f, 250.0f};
  const Vector2<float> releaseAt{pressAt.x + c.releaseOffset, pressAt.y};
  press(pressAt.x, pressAt.y);
  ASSERT_EQ(rootGroup().size(), 1u);  // the press creates the feature in the scene
  const std::shared_ptr<Feature::Feature> created = impl().getFeature();
  release(releaseAt.x, releaseAt.y);

  if (!c.places) {
    EXPECT_TRUE(stopped.empty());
    EXPECT_TRUE(inRootGroup(*created));
    EXPECT_FALSE(std::isfinite(pointOf(*created).getPosition().longitude));
    // The next click places the same feature.
    click(releaseAt.x, releaseAt.y);
  }
  ASSERT_EQ(stopped.size(), 1u);
  EXPECT_EQ(stopped[0].feature, created);
  EXPECT_TRUE(stopped[0].drawn);
  EXPECT_FALSE(inRootGroup(*created));
  EXPECT_TRUE(created->_isAsynchronous());
  const std::optional<Vector3<double>> expected = host.globeUnder(releaseAt);
  ASSERT_TRUE(expected);
  EXPECT_LT(Vector3<double>::distance(at(pointOf(*created).getPosition()), *expected), kMillimetre);
  EXPECT_TRUE(impl().isDrawing());
  EXPECT_TRUE(changed.empty());

  // The next press starts another feature.
  press(500.0f, 400.0f);
  ASSERT_EQ(rootGroup().size(), 1u);
  EXPECT_NE(rootGroup().getChildren()[0], created);
  EXPECT_EQ(stopped.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Distances, PointEditorDrawingClick,
    ::testing::Values(ClickCase{"Dpi1_9px", 1.0f, 9.0f, true}, ClickCase{"Dpi1_10px", 1.0f, 10.0f, false},
                      ClickCase{"Dpi2_19px", 2.0f, 19.0f, true}, ClickCase{"Dpi2_20px", 2.0f, 20.0f, false},
                      ClickCase{"Dpi3_29px", 3.0f, 29.0f, true}, ClickCase{"Dpi3_30px", 3.0f, 30.0f, false}),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return std::string(info.param.name); });

TEST_F(PointEditorDrawing, ADoubleClickPlacesExactlyOnePoint) {
  editor->startEditing(nullptr);
  press(400, 300);
  release(400, 300);
  host.send(GUIEventAdapter::makeDoubleClick(400, 300, Button::LEFT_MOUSE_BUTTON));
  release(400, 300);
  ASSERT_EQ(stopped.size(), 1u);
  EXPECT_TRUE(std::isfinite(pointOf(*stopped[0].feature).getPosition().longitude));
  EXPECT_EQ(rootGroup().size(), 0u);
  EXPECT_TRUE(impl().isDrawing());
}

TEST_F(PointEditorDrawing, AClickOffTheGlobePlacesNothingAndTheNextOneDoes) {
  // Looking at the horizon from 2 km: the top of the window is sky.
  host.setPose(Cartographic::fromDegrees(116.0, 40.0, 2000.0), 0.0, 0.0);
  editor->startEditing(nullptr);
  ASSERT_FALSE(host.globeUnder({400, 10}));
  click(400, 10);
  EXPECT_TRUE(stopped.empty());
  EXPECT_EQ(rootGroup().size(), 1u);

  click(400, 500);
  ASSERT_EQ(stopped.size(), 1u);
  EXPECT_EQ(rootGroup().size(), 0u);
  EXPECT_TRUE(sink->records().empty());
}

TEST_F(PointEditorDrawing, EndingDrawingBeforeAPressRaisesNothing) {
  editor->startEditing(nullptr);
  editor->stopEditing(false, true);
  EXPECT_FALSE(impl().isDrawing());
  EXPECT_EQ(impl().getFeature(), nullptr);
  click(400, 300);  // idle now: nothing is created
  EXPECT_EQ(rootGroup().size(), 0u);
  EXPECT_TRUE(stopped.empty());
}

TEST_F(PointEditorDrawing, EndingDrawingAfterAPressKeepsThatFeatureAsTheEditedOne) {
  editor->startEditing(nullptr);
  press(400, 300);
  const std::shared_ptr<Feature::Feature> created = impl().getFeature();
  editor->stopEditing(false, true);
  EXPECT_TRUE(stopped.empty());
  EXPECT_FALSE(impl().isDrawing());
  EXPECT_EQ(impl().getFeature(), created);
  EXPECT_TRUE(inRootGroup(*created));
}

// ---------------------------------------------------------------------------------------
// Ending editing

struct StopCase {
  const char* name;
  std::function<void(PointEditorDrawing&, const std::shared_ptr<Feature::Feature>& next)> act;
  bool reported;   // (edited feature, false) is raised, once
  bool editsNext;  // the editor then edits the next feature
};

class PointEditorStop : public PointEditorDrawing, public ::testing::WithParamInterface<StopCase> {};

TEST_P(PointEditorStop, RaisesTheEditedFeatureOnlyWhenNotDiscarded) {
  const std::shared_ptr<Feature::Feature> edited = addPoint(Cartographic::fromDegrees(116.0, 40.0, 0.0));
  const std::shared_ptr<Feature::Feature> next = addPoint(Cartographic::fromDegrees(116.001, 40.0, 0.0));
  editor->startEditing(edited);
  host.frame();
  EXPECT_FALSE(edited->_isAsynchronous());

  GetParam().act(*this, next);

  if (GetParam().reported) {
    ASSERT_EQ(stopped.size(), 1u);
    EXPECT_EQ(stopped[0].feature, edited);
    EXPECT_FALSE(stopped[0].drawn);
  } else {
    EXPECT_TRUE(stopped.empty());
  }
  EXPECT_TRUE(edited->_isAsynchronous());
  EXPECT_EQ(impl().getFeature(), GetParam().editsNext ? next : nullptr);
  EXPECT_TRUE(sink->records().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Endings, PointEditorStop,
    ::testing::Values(
        StopCase{"Stop", [](PointEditorDrawing& t, auto&) { t.editor->stopEditing(false, false); }, true, false},
        StopCase{"Discard", [](PointEditorDrawing& t, auto&) { t.editor->stopEditing(true, false); }, false, false},
        StopCase{"EditAnother", [](PointEditorDrawing& t, auto& next) { t.editor->startEditing(next); }, true, true},
        StopCase{"EditALine",
                 [](PointEditorDrawing& t, auto&) {
                   auto line = std::make_shared<Feature::Feature>();
                   line->setGeometry(std::make_shared<Feature::PolylineGeometry>());
                   t.editor->startEditing(line);
                 },
                 true, false},
        StopCase{"EditAFeatureWithoutGeometry",
                 [](PointEditorDrawing& t, auto&) { t.editor->startEditing(std::make_shared<Feature::Feature>()); },
                 true, false}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

TEST_F(PointEditorDrawing, TheEditorHoldsTheEditedStyleAndACopyAfterwards) {
  const std::shared_ptr<Feature::Feature> edited =
      addPoint(Cartographic::fromDegrees(116.0, 40.0, 0.0), HeightReference::RelativeToGround);
  const std::shared_ptr<Feature::Style> own = edited->getStyle();
  editor->startEditing(edited);
  EXPECT_EQ(editor->getStyle(), own);

  editor->stopEditing(false, false);
  const std::shared_ptr<Feature::Style> after = editor->getStyle();
  ASSERT_NE(after, nullptr);
  EXPECT_NE(after, own);
  EXPECT_EQ(after->getHeightReference(), HeightReference::RelativeToGround);
  // Resetting the editor's style no longer reaches the finished feature.
  editor->resetStyle();
  EXPECT_EQ(own->getHeightReference(), HeightReference::RelativeToGround);
  EXPECT_EQ(edited->getStyle(), own);
}

// ---------------------------------------------------------------------------------------
// Cursors

TEST_F(PointEditorDrawing, CursorsShowDrawingAndMovableObjectsOnly) {
  using CA = CursorAction;
  // The camera sets its own cursors while it pans; only the editor's two are of interest.
  const auto history = [&] {
    std::vector<CA> editors;
    for (CA action : host.viewer().getCursorHistory()) {
      if (action == CA::DrawPoints || action == CA::HoverMovable) editors.push_back(action);
    }
    return editors;
  };

  // Idle: nothing.
  host.viewer().clearCursorHistory();
  host.send(GUIEventAdapter::makeMove(100, 100));
  EXPECT_TRUE(history().empty());

  // Editing: moves show the movable-object cursor only when enabled.
  editor->startEditing(addPoint(Cartographic::fromDegrees(116.0, 40.0, 0.0)));
  host.viewer().clearCursorHistory();
  host.send(GUIEventAdapter::makeMove(100, 100));
  EXPECT_TRUE(history().empty());
  editor->setObjectMovingEnabled(true);
  EXPECT_TRUE(editor->isObjectMovingEnabled());
  host.send(GUIEventAdapter::makeMove(100, 100));
  click(120, 100);
  EXPECT_EQ(history(), (std::vector<CA>{CA::HoverMovable}));

  // Drawing: moves and releases, whatever the movable-object switch says.
  editor->startEditing(nullptr);
  host.viewer().clearCursorHistory();
  host.send(GUIEventAdapter::makeMove(100, 100));
  press(300, 300);
  host.send(GUIEventAdapter::makeDrag(340, 300, Button::LEFT_MOUSE_BUTTON));
  release(340, 300);
  EXPECT_EQ(history(), (std::vector<CA>{CA::DrawPoints, CA::DrawPoints}));
}

}  // namespace
}  // namespace qel::test
