// The point editing and line drawing tours played into the demo's own host (no window)
// under the manual clock: three points land under the three clicks and stay in the scene,
// the first is raised by its "moveUp" handle (only its height changes); the line tour
// leaves a line of two vertices being drawn with its measure label shown; the area tour
// leaves an area of its four clicked corners in the scene, edited, its second corner
// dragged to where the drag ended; the model tour drags the gizmo's x arrow, which moves
// the sample model along its own x axis only.
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>

#include "Common/Clock.h"
#include "Common/Ellipsoid.h"
#include "DemoHost.h"
#include "Feature/Feature.h"
#include "Feature/PointGeometry.h"
#include "Feature/PolygonGeometry.h"
#include "Feature/PolylineGeometry.h"
#include "Manipulator/ModelEditor.h"
#include "Manipulator/PolygonEditor.h"
#include "Manipulator/PolygonEditorImpl.h"
#include "Manipulator/PolylineEditor.h"
#include "Manipulator/PolylineEditorImpl.h"
#include "Renderer/Camera.h"
#include "Scene/Label.h"
#include "Scene/SceneImpl.h"
#include "Viewer/InputScript.h"
#include "Viewer/ScriptPlayer.h"
#include "Viewer/ViewerImpl.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 400;
// A drawn point stands under its click: the click's pixel is the pick's, to within the
// rounding of the window position (pixels).
constexpr double kClickTolerance = 1.5;
// The raise: a 40 px drag at the valley view's ~8 km moves by tens of metres; one metre
// is far above anything a stray rounding could do.
constexpr double kMinimumRaise = 1.0;

qel::demo::DemoHost makeHost() {
  qel::demo::DemoHostOptions options;
  options.windowWidth = kWidth;
  options.windowHeight = kHeight;
  return qel::demo::DemoHost::create(options);
}

// The "at" of every click step, in order.
std::vector<qel::Vector2<double>> clicks(const char* file) {
  std::ifstream in(file);
  const nlohmann::json script = nlohmann::json::parse(in);
  std::vector<qel::Vector2<double>> out;
  for (const auto& step : script.at("steps")) {
    if (step.contains("click"))
      out.push_back({step["click"]["at"][0].get<double>(), step["click"]["at"][1].get<double>()});
  }
  return out;
}

qel::Cartographic positionOf(const std::shared_ptr<qel::Feature::Feature>& feature) {
  return std::static_pointer_cast<qel::Feature::PointGeometry>(feature->getGeometry())->getPosition();
}

TEST(EditingTours, ThreePointsLandUnderTheClicksAndTheFirstIsRaised) {
  qel::Clock::useManualTime();
  qel::demo::DemoHost host = makeHost();
  ASSERT_NE(host.pointEditing, nullptr);
  const std::vector<qel::Vector2<double>> at = clicks(QEL_DEMO_POINTS_TOUR);
  ASSERT_EQ(at.size(), 3u);

  std::vector<qel::Cartographic> drawnAt;
  std::vector<qel::Vector2<double>> drawnPixels;
  qel::ScriptPlayer player(*host.viewer, qel::InputScript::load(QEL_DEMO_POINTS_TOUR));
  player.onMark([&](const std::string& name, std::uint64_t) {
    if (name != "01-points-drawn") return;
    for (const auto& feature : host.pointEditing->drawn()) {
      drawnAt.push_back(positionOf(feature));
      const auto window = host.viewer->getScene().getCamera().worldToWindow(
          qel::Ellipsoid::WGS84.cartographicToCartesian(drawnAt.back()));
      drawnPixels.push_back(window.value_or(qel::Vector2<double>(-1.0, -1.0)));
    }
  });
  player.playAll();

  const auto& drawn = host.pointEditing->drawn();
  ASSERT_EQ(drawn.size(), 3u);
  ASSERT_EQ(drawnAt.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE("point " + std::to_string(i + 1));
    EXPECT_NE(drawn[i]->getParent(), nullptr) << "put back into the scene";
    EXPECT_NEAR(drawnPixels[i].x, at[i].x, kClickTolerance);
    EXPECT_NEAR(drawnPixels[i].y, at[i].y, kClickTolerance);
  }
  // The first point rose; where it stands on the ground did not change, nor did the others.
  const qel::Cartographic raised = positionOf(drawn[0]);
  EXPECT_GT(raised.height, drawnAt[0].height + kMinimumRaise);
  EXPECT_DOUBLE_EQ(raised.longitude, drawnAt[0].longitude);
  EXPECT_DOUBLE_EQ(raised.latitude, drawnAt[0].latitude);
  for (std::size_t i = 1; i < 3; ++i) EXPECT_DOUBLE_EQ(positionOf(drawn[i]).height, drawnAt[i].height);
  EXPECT_GT(host.pointEditing->geometryChangedCount(), 0u);
  ASSERT_EQ(host.pointEditing->stoppedLines().size(), 3u);
  for (const std::string& line : host.pointEditing->stoppedLines()) EXPECT_EQ(line, "stopped (new feature, drawn)");
  qel::Clock::useRealTime();
}

TEST(EditingTours, TheLineTourLeavesTwoVerticesAndTheMeasureLabelShown) {
  qel::Clock::useManualTime();
  qel::demo::DemoHost host = makeHost();
  ASSERT_NE(host.lineEditing, nullptr);
  qel::ScriptPlayer player(*host.viewer, qel::InputScript::load(QEL_DEMO_LINES_TOUR));
  player.playAll();
  const qel::PolylineEditorImpl& editor = qel::PolylineEditor::instance()->_getImplHandle();
  EXPECT_TRUE(editor.isDrawing());
  ASSERT_NE(editor.getFeature(), nullptr);
  const auto line = std::dynamic_pointer_cast<qel::Feature::PolylineGeometry>(editor.getFeature()->getGeometry());
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->getPositions().size(), 2u);
  ASSERT_NE(editor.getMeasureLabel(), nullptr);
  EXPECT_TRUE(editor.getMeasureLabel()->isShow());
  EXPECT_TRUE(host.lineEditing->drawn().empty()) << "nothing handed over while drawing goes on";
  qel::Clock::useRealTime();
}

TEST(EditingTours, TheAreaTourLeavesFourCornersWithTheSecondDragged) {
  qel::Clock::useManualTime();
  qel::demo::DemoHost host = makeHost();
  ASSERT_NE(host.areaEditing, nullptr);
  qel::ScriptPlayer player(*host.viewer, qel::InputScript::load(QEL_DEMO_AREAS_TOUR));
  player.playAll();
  ASSERT_EQ(host.areaEditing->drawn().size(), 1u);
  const std::shared_ptr<qel::Feature::Feature> area = host.areaEditing->drawn()[0];
  EXPECT_NE(area->getParent(), nullptr) << "put back into the scene";
  const qel::PolygonEditorImpl& editor = qel::PolygonEditor::instance()->_getImplHandle();
  EXPECT_FALSE(editor.isDrawing());
  EXPECT_EQ(editor.getFeature(), area) << "g took the area";
  const auto ring = std::static_pointer_cast<qel::Feature::PolygonGeometry>(area->getGeometry())->getPositions();
  ASSERT_EQ(ring.size(), 4u) << "the floating corner went with the double click";
  // The clicked corners stand under their clicks (the double click is the last); the
  // second was dragged 50 px right and 25 px down.
  const std::vector<qel::Vector2<double>> at{{170, 300}, {380, 345}, {390, 220}, {210, 210}};
  for (std::size_t i = 0; i < ring.size(); ++i) {
    SCOPED_TRACE("corner " + std::to_string(i + 1));
    const auto window =
        host.viewer->getScene().getCamera().worldToWindow(qel::Ellipsoid::WGS84.cartographicToCartesian(ring[i]));
    ASSERT_TRUE(window.has_value());
    EXPECT_NEAR(window->x, at[i].x, kClickTolerance);
    EXPECT_NEAR(window->y, at[i].y, kClickTolerance);
  }
  EXPECT_GT(host.areaEditing->geometryChangedCount(), 0u);
  qel::Clock::useRealTime();
}

TEST(EditingTours, TheModelTourDragsTheModelAlongItsXArrow) {
  qel::Clock::useManualTime();
  qel::demo::DemoHost host = makeHost();
  ASSERT_NE(host.modelEditing, nullptr);
  qel::ScriptPlayer player(*host.viewer, qel::InputScript::load(QEL_DEMO_MODELS_TOUR));
  player.playAll();
  qel::ModelEditor& editor = *qel::ModelEditor::instance();
  // The 60 px drag along the arrow at ~800 m covers tens of metres along x, and nothing
  // else: had the pointer missed the arrow, the drag would have carried the model over
  // the globe (no translation) or panned the camera (no editing at all).
  const qel::Vector3<double> moved = editor.getTranslation();
  EXPECT_GT(moved.x, 10.0);
  EXPECT_EQ(moved.y, 0.0);
  EXPECT_EQ(moved.z, 0.0);
  EXPECT_EQ(editor.getScale(), qel::Vector3<double>(1.0, 1.0, 1.0));
  qel::Clock::useRealTime();
}

}  // namespace
