// The demo's flight keys, pressed into the demo's own host (its command handler first,
// the globe manipulator behind it) under the manual clock: where the camera is after a
// number of frames, which flight the heads-up display names, and that pause and Esc
// leave the camera where it was.
#include <chrono>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Common/Clock.h"
#include "Common/Ellipsoid.h"
#include "DemoHost.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "Viewer/GUIEventAdapter.h"
#include "Viewer/KeyCodes.h"
#include "Viewer/ViewerImpl.h"

namespace {

using qel::Vector3;
using Kind = qel::demo::AppCommands::FlightKind;

constexpr int kWidth = 640;
constexpr int kHeight = 400;
// Frames of 20 ms: 50 a second, so that seconds of the timed flights are whole frames.
constexpr auto kFrame = std::chrono::milliseconds(20);
constexpr int kFramesPerSecond = 50;
// A flight that lands is on its target to within a millimetre.
constexpr double kLanded = 1e-3;
// The orbit turns 0.5° a frame (30°/s stepped at 60 frames a second): one frame more or
// less is tens of metres at the eye, far more than what a full turn of rounding leaves.
constexpr double kOrbitTolerance = 0.05;
// A camera that must not move moves by less than this (metres).
constexpr double kStill = 1e-9;
// The orbit's full turn: 360° at 0.5° a frame.
constexpr int kOrbitFrames = 720;

struct Step {
  int key = 0;  // 0: frames only
  int frames = 0;
};

struct Host {
  qel::demo::DemoHost host;
  Vector3<double> eyeBeforeLastKey;
  Vector3<double> centreBeforeLastKey;

  Host() {
    qel::demo::DemoHostOptions options;
    options.windowWidth = kWidth;
    options.windowHeight = kHeight;
    // The demo's own arrangement, timing stand-in included: the flights must find the
    // manipulator all the same.
    options.measureLibrary = true;
    options.start = qel::demo::StartPose{30.0, 55.0, 400000.0, 0.0, -60.0};
    host = qel::demo::DemoHost::create(options);
    frames(2);
  }
  Vector3<double> eye() const { return host.viewer->getScene().getCamera().getPosition(); }
  const qel::demo::AppCommands& commands() const { return *host.commands; }
  const std::vector<qel::demo::NamedPlace>& places() const { return host.commands->getPlaces().all(); }
  void frames(int n) {
    for (int i = 0; i < n; ++i) {
      qel::Clock::advance(kFrame);
      host.viewer->frame();
    }
  }
  void press(int key) {
    eyeBeforeLastKey = eye();
    centreBeforeLastKey = host.globe().getNavCenter();
    for (auto type : {qel::GUIEventAdapter::KEYDOWN, qel::GUIEventAdapter::KEYUP}) {
      qel::GUIEventAdapter e;
      e.setEventType(type);
      e.setKey(key);
      e.setPosition(kWidth / 2.0f, kHeight / 2.0f);
      host.viewer->queueEvent(e);
    }
    frames(1);
  }
  void play(const std::vector<Step>& steps) {
    for (const Step& s : steps) {
      if (s.key != 0) press(s.key);
      frames(s.frames);
    }
  }
};

// The eye turned half-way round the vertical through the view centre: mirrored across
// that axis (the axis through the Earth's centre and the centre's ground point).
Vector3<double> halfTurn(const Vector3<double>& eye, const Vector3<double>& centre) {
  const auto c = qel::Ellipsoid::WGS84.cartesianToCartographic(centre);
  const Vector3<double> axis =
      qel::Ellipsoid::WGS84.cartographicToCartesian(qel::Cartographic(c->longitude, c->latitude, 0.0)).normalized();
  return axis * (2.0 * eye.dot(axis)) - eye;
}

struct Row {
  std::string name;
  std::vector<Step> steps;
  // Where the eye must be at the end; empty: not checked.
  std::function<std::optional<Vector3<double>>(const Host&)> expectedEye = nullptr;
  double tolerance = kLanded;
  // The eye must be at least this far from `expectedEye` (checks a flight still under way).
  bool stillUnderWay = false;
  Kind kind = Kind::None;
  // Then this many frames more must leave the camera where it is (pause, Esc).
  int stillFrames = 0;
  // Tour progress at the end, if checked.
  std::optional<double> progress = std::nullopt;
};

std::optional<Vector3<double>> place(const Host& h, std::size_t i) { return h.places().at(i).position; }

const int kThreeSeconds = 3 * kFramesPerSecond;  // a flight of automatic duration that moves the eye
const int kLeg = 4 * kFramesPerSecond;           // one leg of the keyframe tour

std::vector<Row> rows() {
  const auto at = [](std::size_t i) { return [i](const Host& h) { return place(h, i); }; };
  return {
      {.name = "FAfterTheCoastLandsOnThePoleInThreeSeconds",
       .steps = {{'3', 0}, {'f', kThreeSeconds}},
       .expectedEye = at(3)},
      {.name = "FIsStillFlyingJustBeforeThreeSeconds",
       .steps = {{'3', 0}, {'f', kThreeSeconds - 5}},
       .expectedEye = at(3),
       .tolerance = 1.0,
       .stillUnderWay = true,
       .kind = Kind::Place},
      {.name = "FAfterTheLastPlaceWrapsToTheFirst", .steps = {{'4', 0}, {'f', kThreeSeconds}}, .expectedEye = at(0)},
      {.name = "FTwiceFromTheMountainGoesOnToTheCoast",
       .steps = {{'1', 0}, {'f', kThreeSeconds}, {'f', kThreeSeconds}},
       .expectedEye = at(2)},
      {.name = "EscStopsAFlightToAPlace", .steps = {{'3', 0}, {'f', 30}, {qel::Key::Escape, 0}}, .stillFrames = 50},
      {.name = "NumberKeyDuringAFlightStaysOnItsPlace",
       .steps = {{'3', 0}, {'f', 30}, {'2', 50}},
       .expectedEye = at(1)},
      {.name = "OHalfWayIsOppositeAcrossTheCentre",
       .steps = {{'1', 2}, {'o', kOrbitFrames / 2 - 1}},
       .expectedEye = [](const Host& h) { return std::optional(halfTurn(h.eyeBeforeLastKey, h.centreBeforeLastKey)); },
       .tolerance = kOrbitTolerance,
       .kind = Kind::Orbit},
      {.name = "OFullTurnEndsWhereItBegan",
       .steps = {{'1', 2}, {'o', kOrbitFrames + 5}},
       .expectedEye = [](const Host& h) { return std::optional(h.eyeBeforeLastKey); },
       .tolerance = kOrbitTolerance},
      {.name = "PEndsOverTheLastPlaceOfThePath",
       .steps = {{'p', 1600}},
       .expectedEye =
           [](const Host& h) {
             return std::optional(qel::Ellipsoid::WGS84.cartographicToCartesian(h.commands().pathPoints().back()));
           }},
      {.name = "PIsAPathWhileItFlies", .steps = {{'p', 100}}, .kind = Kind::Path},
      {.name = "EscStopsThePath", .steps = {{'p', 100}, {qel::Key::Escape, 0}}, .stillFrames = 50},
      // A leg lands on the frame its time is up; the next leg leaves from there.
      {.name = "KFliesTheFirstLegInFourSeconds",
       .steps = {{'k', kLeg}},
       .expectedEye = at(1),
       .kind = Kind::Tour,
       .progress = 1.0 / 3.0},
      {.name = "KAgainPausesTheTour", .steps = {{'k', kLeg / 2}, {'k', 0}}, .kind = Kind::Tour, .stillFrames = kLeg},
      // Paused 2 s into the first leg, resumed after 4 s: 2 s left.
      {.name = "KThirdTimeResumesOverTheRemainingTime",
       .steps = {{'k', kLeg / 2 - 1}, {'k', kLeg}, {'k', kLeg / 2}},
       .expectedEye = at(1),
       .kind = Kind::Tour},
      {.name = "KTourEndsOnTheLastPlace", .steps = {{'k', 3 * kLeg + 5}}, .expectedEye = at(3)},
      {.name = "EscStopsTheTourAndKStartsItOver",
       .steps = {{'k', kLeg + kLeg / 2}, {qel::Key::Escape, 10}, {'k', kLeg}},
       .expectedEye = at(1),
       .kind = Kind::Tour},
      {.name = "NumberKeyDuringTheTourStopsIt",
       .steps = {{'k', kLeg / 2}, {'2', 0}},
       .expectedEye = at(1),
       .stillFrames = 50},
  };
}

class FlightKeys : public ::testing::TestWithParam<Row> {
 protected:
  void SetUp() override { qel::Clock::useManualTime(); }
  void TearDown() override { qel::Clock::useRealTime(); }
};

TEST_P(FlightKeys, MoveTheCameraAsTheKeyPromises) {
  const Row& row = GetParam();
  Host h;
  ASSERT_EQ(h.places().size(), 4u);
  h.play(row.steps);
  if (row.expectedEye) {
    const auto want = row.expectedEye(h);
    ASSERT_TRUE(want.has_value());
    const double off = (h.eye() - *want).length();
    if (row.stillUnderWay) {
      EXPECT_GT(off, row.tolerance);
    } else {
      EXPECT_LT(off, row.tolerance);
    }
  }
  EXPECT_EQ(h.commands().getFlightKind(), row.kind);
  if (row.progress) {
    EXPECT_NEAR(h.commands().getTourProgress(), *row.progress, 1.0 / (3 * kLeg));
  }
  if (row.stillFrames > 0) {
    const Vector3<double> at = h.eye();
    h.frames(row.stillFrames);
    EXPECT_LT((h.eye() - at).length(), kStill);
  }
}

INSTANTIATE_TEST_SUITE_P(Demo, FlightKeys, ::testing::ValuesIn(rows()),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

TEST(FlightKeysHud, NamesTheKindAndTheTourProgressAndPause) {
  qel::Clock::useManualTime();
  {
    Host h;
    EXPECT_EQ(h.commands().describeFlight(), "");
    h.play({{'3', 0}, {'f', 10}});
    EXPECT_EQ(h.commands().describeFlight(), "flight to a place (" + h.places()[3].name + ")");
    // k replaces the running flight. A second into the first of three 4 s legs: 1/12 of
    // the tour.
    h.play({{'k', kFramesPerSecond}, {'k', 0}});
    EXPECT_EQ(h.commands().describeFlight(), "keyframe tour 8% paused (k resumes)");
    h.play({{'k', 1}});
    EXPECT_EQ(h.commands().describeFlight().rfind("keyframe tour ", 0), 0u);
    EXPECT_EQ(h.commands().describeFlight().find("paused"), std::string::npos);
  }
  qel::Clock::useRealTime();
}

}  // namespace
