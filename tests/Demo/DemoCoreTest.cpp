// The demo's own small pieces: the start pose option, the named places, the command
// keys and the frame-time figures.
#include <cmath>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "Common/Clock.h"
#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "DemoHost.h"
#include "FrameTimes.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "NamedPlaces.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "Scene/Terrain.h"
#include "TourRunner.h"
#include "Viewer/GUIEventAdapter.h"
#include "Viewer/KeyCodes.h"
#include "Viewer/ViewerImpl.h"

namespace {

using qel::demo::parseStartPose;

TEST(StartPose, ParsesThreeOrFiveFields) {
  const auto a = parseStartPose("7.5,46.25,4000");
  EXPECT_DOUBLE_EQ(a.longitudeDeg, 7.5);
  EXPECT_DOUBLE_EQ(a.latitudeDeg, 46.25);
  EXPECT_DOUBLE_EQ(a.height, 4000.0);
  EXPECT_DOUBLE_EQ(a.pitchDeg, -90.0);  // straight down unless told otherwise
  const auto b = parseStartPose("-120,-33.5,1e6,270,-20");
  EXPECT_DOUBLE_EQ(b.headingDeg, 270.0);
  EXPECT_DOUBLE_EQ(b.pitchDeg, -20.0);
}

class StartPoseRejects : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(StartPoseRejects, NamingTheBadField) {
  try {
    parseStartPose(GetParam().first);
    FAIL() << "accepted " << GetParam().first;
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().second), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    BadText, StartPoseRejects,
    ::testing::Values(std::pair{"", "LON,LAT,HEIGHT"}, std::pair{"1,2", "LON,LAT,HEIGHT"},
                      std::pair{"1,2,3,4", "LON,LAT,HEIGHT"}, std::pair{"east,2,3", "longitude"},
                      std::pair{"1,2x,3", "latitude"}, std::pair{"1,2,nan", "height"},
                      std::pair{"181,0,3", "longitude"}, std::pair{"0,-91,3", "latitude"},
                      std::pair{"0,0,3,0,120", "pitch"}, std::pair{"0,0,3,,", "heading"}));

TEST(StartPose, PutsTheEyeThereLookingAsAsked) {
  const auto eye = qel::demo::toEyePose(parseStartPose("10,20,5000,90,-30"));
  const auto c = qel::Ellipsoid::WGS84.cartesianToCartographic(eye.position);
  ASSERT_TRUE(c);
  EXPECT_NEAR(qel::Math::toDegrees(c->longitude), 10.0, 1e-9);
  EXPECT_NEAR(qel::Math::toDegrees(c->latitude), 20.0, 1e-9);
  EXPECT_NEAR(c->height, 5000.0, 1e-6);
  const auto hpr = qel::Transforms::viewQuaternionToViewHeadingPitchRoll(eye.position, eye.orientation);
  EXPECT_NEAR(qel::Math::toDegrees(hpr.heading), 90.0, 1e-6);
  EXPECT_NEAR(qel::Math::toDegrees(hpr.pitch), -30.0, 1e-6);
}

TEST(NamedPlaces, AreWhatTheirNamesSayOnTheProceduralTerrain) {
  const auto terrain = qel::Terrain::createProcedural();
  const auto places = qel::demo::NamedPlaces::find(*terrain);
  ASSERT_EQ(places.all().size(), 4u);
  const auto& mountain = places.forKey(1)->view;
  const auto& valley = places.forKey(2)->view;
  const auto& coast = places.forKey(3)->view;
  // The mountain is near the top of the terrain's range and higher than anything around it.
  EXPECT_GT(mountain.height, 0.8 * terrain->maximumHeight());
  for (const double d : {-0.01, 0.01}) {
    EXPECT_GE(mountain.height, terrain->heightAt(mountain.longitude + d, mountain.latitude));
    EXPECT_GE(mountain.height, terrain->heightAt(mountain.longitude, mountain.latitude + d));
  }
  // The valley floor is land lying below its surroundings.
  EXPECT_GT(valley.height, 0.0);
  EXPECT_LT(valley.height, terrain->heightAt(valley.longitude + 0.003, valley.latitude));
  EXPECT_LT(valley.height, terrain->heightAt(valley.longitude - 0.003, valley.latitude));
  // The coast has the flat sea within a few hundred metres of it and land on the other side.
  const double step = 300.0 / qel::Ellipsoid::WGS84.getMaximumRadius();
  const double dLon = step * std::sin(coast.heading) / std::cos(coast.latitude);
  const double dLat = step * std::cos(coast.heading);
  EXPECT_EQ(terrain->heightAt(coast.longitude + dLon, coast.latitude + dLat), 0.0);
  EXPECT_GT(terrain->heightAt(coast.longitude - dLon, coast.latitude - dLat), 0.0);
  // Every pose looks at its place from its range.
  for (const auto& place : places.all()) {
    const auto target = qel::Ellipsoid::WGS84.cartographicToCartesian(
        {place.view.longitude, place.view.latitude, place.view.height});
    EXPECT_NEAR((target - place.position).length(), place.view.range, 1e-3 * place.view.range) << place.name;
  }
  EXPECT_EQ(places.forKey(0), nullptr);
  EXPECT_EQ(places.forKey(5), nullptr);
}

// The command keys act through the library and hide the key from the manipulator.
TEST(AppCommands, KeysRunTheirCommandAndNeverReachTheManipulator) {
  qel::Clock::useManualTime();
  qel::demo::DemoHostOptions options;
  options.windowWidth = 640;
  options.windowHeight = 400;
  auto host = qel::demo::DemoHost::create(options);
  auto& globe = host.globe();
  const auto press = [&](int key) {
    host.viewer->queueEvent(qel::GUIEventAdapter::makeKeyDown(key, 0));
    host.viewer->queueEvent(qel::GUIEventAdapter::makeKeyUp(key, 0));
    qel::Clock::advance(std::chrono::milliseconds(16));
    host.viewer->frame();
  };
  press('u');
  EXPECT_TRUE(globe.isUndergroundAllowed());
  press('u');
  EXPECT_FALSE(globe.isUndergroundAllowed());
  press('t');
  EXPECT_TRUE(globe.isTopViewFixed());
  press('t');
  EXPECT_FALSE(globe.isTopViewFixed());

  const auto* valley = host.commands->getPlaces().forKey(2);
  press('2');
  const qel::Camera& camera = host.viewer->getScene().getCamera();
  EXPECT_LT((camera.getPosition() - valley->position).length(), 1e-6);
  EXPECT_EQ(globe.keyNaviMask, 0u);

  bool helpToggled = false;
  host.commands->setHelpToggle([&] { helpToggled = true; });
  press(qel::Key::F1);
  EXPECT_TRUE(helpToggled);

  press('h');
  EXPECT_LT((camera.getPosition() - globe.homePosition).length(), 1e-6);
  qel::Clock::useRealTime();
}

TEST(FrameTimes, MedianAndNearestRank99thPercentile) {
  std::vector<double> samples;
  for (int i = 1; i <= 200; ++i) samples.push_back(i);
  const auto s = qel::demo::FrameTimes::summarize(samples);
  EXPECT_DOUBLE_EQ(s.median, 100.5);
  EXPECT_DOUBLE_EQ(s.p99, 198.0);
  EXPECT_DOUBLE_EQ(s.total, 20100.0);
  const auto one = qel::demo::FrameTimes::summarize({3.0});
  EXPECT_DOUBLE_EQ(one.median, 3.0);
  EXPECT_DOUBLE_EQ(one.p99, 3.0);
  EXPECT_DOUBLE_EQ(qel::demo::FrameTimes::summarize({}).median, 0.0);
}

TEST(FrameTimes, LibraryShareIsOfTheWholeFrame) {
  qel::demo::FrameTimes times;
  using ms = std::chrono::milliseconds;
  times.add(ms(1), ms(2), ms(98));  // frame 100 ms, of which 1 ms library
  times.add(ms(1), ms(3), ms(97));
  EXPECT_NEAR(times.libraryShare(), 0.01, 1e-12);
}

TEST(MarkFileNames, StayInsideTheOutputFolder) {
  EXPECT_EQ(qel::demo::markFileName("01-home"), "01-home.png");
  EXPECT_EQ(qel::demo::markFileName("../../etc/passwd"), "______etc_passwd.png");
  EXPECT_EQ(qel::demo::markFileName("a b/c"), "a_b_c.png");
  EXPECT_EQ(qel::demo::markFileName(""), "mark.png");
}

}  // namespace
