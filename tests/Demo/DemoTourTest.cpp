// The demo window run headlessly on its default tour: it must play to the end, its
// screenshots must show something and follow the camera, and the camera it draws must be
// exactly the one the same input gives on a bare host (the window adds no motion).

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <osg/Image>
#include <osgDB/ReadFile>

#include "DemoRun.h"
#include "Common/Clock.h"
#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "DemoHost.h"
#include "EditingTourExpectations.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "Viewer/InputScript.h"
#include "Viewer/ScriptPlayer.h"
#include "Viewer/ViewerImpl.h"

namespace {

namespace fs = std::filesystem;

// The test window: small, since software GL draws every pixel on the CPU.
constexpr int kWidth = 640;
constexpr int kHeight = 400;
// A screenshot is "not blank" when its channel values (0..255) vary this much: a uniform
// clear colour gives 0, a globe with a read-out far more.
constexpr double kMinVariance = 50.0;
// Two screenshots "differ" when their mean absolute channel difference exceeds this.
constexpr double kMinMeanDifference = 1.0;
// The drawn pose and the bare host's pose agree to this relative tolerance.
constexpr double kPoseTolerance = 1e-6;

using qel::test::freshFolder;
using qel::test::hasXvfb;
using qel::test::kVirtualScreen;
using qel::test::readCsv;
using qel::test::runDemo;

std::string demoArgs(const fs::path& script, const fs::path& out) {
  return "--script " + qel::test::quoted(script) + " --out " + qel::test::quoted(out) + " --size 640x400";
}

// Plays `tour` in a virtual window, screenshots to <folder>/shots.
void playInWindow(const fs::path& tour, const fs::path& folder) {
  std::string log;
  ASSERT_EQ(
      runDemo(kVirtualScreen, demoArgs(tour, folder / "shots") + " --max-tiles 200 --quiet", folder / "log.txt", log),
      0)
      << log;
}

// The demo's own host, its camera at the pose of a poses.csv row from field `first` on.
qel::demo::DemoHost hostAt(const std::vector<std::string>& row, std::size_t first) {
  qel::demo::DemoHostOptions options;
  options.windowWidth = kWidth;
  options.windowHeight = kHeight;
  qel::demo::DemoHost host = qel::demo::DemoHost::create(options);
  const auto [position, orientation] = qel::test::poseFields(row, first);
  host.viewer->getScene().getCamera().setPosition(position);
  host.viewer->getScene().getCamera().setOrientation(orientation);
  return host;
}

double channelVariance(const osg::Image& image) {
  const std::size_t n = image.getTotalSizeInBytes();
  double sum = 0.0, sum2 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    sum += image.data()[i];
    sum2 += double(image.data()[i]) * image.data()[i];
  }
  return sum2 / double(n) - (sum / double(n)) * (sum / double(n));
}

// The first screenshot shows the whole Earth from space: pixels whose view ray meets the
// globe well inside its rim are mostly colours of the Earth (blue sea, green or brown land,
// white ice and cloud), pixels whose ray passes well outside it (beyond the atmosphere's
// glow) mostly black space. The read-outs cover a few per cent of the window.
constexpr double kDiscInside = 0.9;   // ellipsoid scale a ray must meet to count as inside
constexpr double kDiscOutside = 1.1;  // ...and must miss to count as outside
constexpr double kMinEarthShare = 0.85;
constexpr double kMinBlackShare = 0.9;
constexpr int kBlackLevel = 24;  // every channel under this (0..255) is black
constexpr int kDarkLevel = 40;   // an Earth pixel is brighter than this somewhere
constexpr int kMarkLevel = 200;  // a white mark's pixel is brighter than this in every channel

bool isEarthColour(int r, int g, int b) {
  if (std::max({r, g, b}) < kDarkLevel) return false;
  const bool sea = b >= r && b >= g - 10;
  const bool land = g >= b && r >= b - 10;  // greens, browns, tans
  const bool ice = std::min({r, g, b}) > 150;
  return sea || land || ice;
}

void expectEarthInSpace(const osg::Image& image, const std::vector<std::string>& poseRow) {
  qel::SceneImpl scene;
  scene.setWindowSize(kWidth, kHeight);
  qel::Camera& camera = scene.getCamera();
  const auto [position, orientation] = qel::test::poseFields(poseRow, 2);
  camera.setPosition(position);
  camera.setOrientation(orientation);
  const auto scaled = [](double k) {
    const auto& r = qel::Ellipsoid::WGS84.getRadii();
    return qel::Ellipsoid(r.x * k, r.y * k, r.z * k);
  };
  const qel::Ellipsoid inner = scaled(kDiscInside);
  const qel::Ellipsoid outer = scaled(kDiscOutside);
  std::size_t inside = 0, earth = 0, outside = 0, black = 0;
  for (int row = 0; row < kHeight; ++row) {
    for (int column = 0; column < kWidth; ++column) {
      const qel::Ray ray = camera.getPickRay({column + 0.5f, row + 0.5f});
      // Image rows run bottom to top.
      const unsigned char* px = image.data(column, kHeight - 1 - row);
      if (qel::IntersectionTests::intersects(ray, inner)) {
        ++inside;
        earth += isEarthColour(px[0], px[1], px[2]);
      } else if (!qel::IntersectionTests::intersects(ray, outer)) {
        ++outside;
        black += std::max({px[0], px[1], px[2]}) < kBlackLevel;
      }
    }
  }
  ASSERT_GT(inside, std::size_t(kWidth * kHeight / 10)) << "the globe does not fill the first view";
  ASSERT_GT(outside, std::size_t(kWidth * kHeight / 10)) << "the first view shows little space";
  EXPECT_GE(double(earth) / inside, kMinEarthShare);
  EXPECT_GE(double(black) / outside, kMinBlackShare);
}

double meanDifference(const osg::Image& a, const osg::Image& b) {
  const std::size_t n = std::min(a.getTotalSizeInBytes(), b.getTotalSizeInBytes());
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) sum += std::abs(int(a.data()[i]) - int(b.data()[i]));
  return sum / double(n);
}

TEST(DemoTour, PlaysToTheEndAndDrawsExactlyTheHostsCamera) {
  if (!hasXvfb()) GTEST_SKIP() << "xvfb-run/Xvfb not installed (Debian package xvfb): the tour cannot run";
  const fs::path out = freshFolder("tour");
  const fs::path shots = out / "shots";
  ASSERT_NO_FATAL_FAILURE(playInWindow(QEL_DEMO_DEFAULT_TOUR, out));

  // Every frame of the script has a pose, every mark a screenshot.
  const qel::InputScript script = qel::InputScript::load(QEL_DEMO_DEFAULT_TOUR);
  const auto poses = readCsv(shots / "poses.csv");
  ASSERT_EQ(poses.size(), script.frameCount());
  const auto marks = readCsv(shots / "marks.csv");
  ASSERT_FALSE(marks.empty());

  // Screenshots are not blank, and change wherever the camera moved between two marks.
  osg::ref_ptr<osg::Image> previous;
  std::vector<std::string> previousPose;
  for (const auto& mark : marks) {
    ASSERT_EQ(mark.size(), 3u);
    SCOPED_TRACE("mark " + mark[0]);
    osg::ref_ptr<osg::Image> image = osgDB::readImageFile((shots / mark[2]).string());
    ASSERT_TRUE(image.valid());
    EXPECT_EQ(image->s(), kWidth);
    EXPECT_EQ(image->t(), kHeight);
    EXPECT_GT(channelVariance(*image), kMinVariance);
    const std::size_t frame = std::stoul(mark[1]);
    ASSERT_TRUE(frame >= 1 && frame <= poses.size());
    const std::vector<std::string> pose(poses[frame - 1].begin() + 2, poses[frame - 1].begin() + 9);
    if (previous && pose != previousPose) {
      EXPECT_GT(meanDifference(*previous, *image), kMinMeanDifference);
    }
    if (&mark == &marks.front()) {
      SCOPED_TRACE("the first view: the Earth in space");
      expectEarthInSpace(*image, poses[frame - 1]);
    }
    previous = image;
    previousPose = pose;
  }

  // The same script on a bare host (no window, no timing stand-in) ends at the same pose.
  qel::Clock::useManualTime();
  qel::demo::DemoHostOptions options;
  options.windowWidth = kWidth;
  options.windowHeight = kHeight;
  qel::demo::DemoHost host = qel::demo::DemoHost::create(options);
  qel::ScriptPlayer(*host.viewer, script).playAll();
  const qel::Camera& camera = host.viewer->getScene().getCamera();
  const auto p = camera.getPosition();
  const auto q = camera.getOrientation();
  const double want[] = {p.x, p.y, p.z, q.x, q.y, q.z, q.w};
  ASSERT_GE(poses.back().size(), 9u);
  for (int i = 0; i < 7; ++i) {
    const double scale = i < 3 ? p.length() : 1.0;
    EXPECT_NEAR(std::stod(poses.back()[2 + i]), want[i], kPoseTolerance * scale) << "pose field " << i;
  }
  qel::Clock::useRealTime();
  fs::remove_all(out);
}

// The editing tour in the window: the picks it reports (picks.csv) are the sample
// features inside its rectangle and under its click, and the screenshots show the
// features' marks where the camera puts them.
TEST(DemoEditingTour, PicksTheSampleFeaturesAndDrawsTheirMarks) {
  if (!hasXvfb()) GTEST_SKIP() << "xvfb-run/Xvfb not installed (Debian package xvfb): the tour cannot run";
  const fs::path out = freshFolder("editing");
  const fs::path shots = out / "shots";
  ASSERT_NO_FATAL_FAILURE(playInWindow(QEL_DEMO_EDITING_TOUR, out));

  // Where the features stand on the screen, from the pose the window drew at the first
  // mark (the camera holds still through the picks).
  const auto marks = readCsv(shots / "marks.csv");
  const auto poses = readCsv(shots / "poses.csv");
  ASSERT_FALSE(marks.empty());
  ASSERT_EQ(marks.front()[0], qel::test::EditingTour::kValleyMark);
  qel::Clock::useManualTime();
  qel::demo::DemoHost host = hostAt(poses.at(std::stoul(marks.front()[1]) - 1), 2);
  const qel::test::EditingTour tour = qel::test::EditingTour::load();
  const auto anchors = tour.featureAnchors(host);
  qel::Clock::useRealTime();
  const std::set<std::int64_t> inside = tour.insideRectangle(anchors);
  ASSERT_FALSE(inside.empty());

  // picks.csv: frame, mode, count, objects separated by ';'.
  const auto picks = readCsv(shots / "picks.csv");
  ASSERT_EQ(picks.size(), 3u);
  const auto objects = [](const std::vector<std::string>& row) {
    std::vector<std::string> list;
    std::stringstream in(row.size() > 3 ? row[3] : "");
    for (std::string object; std::getline(in, object, ';');) list.push_back(object);
    return list;
  };
  for (int i = 0; i < 2; ++i) {
    ASSERT_GE(picks[i].size(), 4u);
    EXPECT_EQ(picks[i][1], "rectangle");
    EXPECT_EQ(std::stoul(picks[i][2]), inside.size());
    EXPECT_EQ(qel::test::featureIds(objects(picks[i])), inside);
  }
  EXPECT_EQ(picks[2][1], "click");
  const auto under = tour.featureUnderClick(anchors);
  ASSERT_TRUE(under.has_value());
  EXPECT_EQ(qel::test::featureIds(objects(picks[2])), std::set<std::int64_t>{*under});

  // Each feature is drawn bright at its anchor in the first screenshot, over the darker
  // valley: the points' yellow dot under their markers, the line white. Red and green are
  // high for both.
  osg::ref_ptr<osg::Image> image = osgDB::readImageFile((shots / marks.front()[2]).string());
  ASSERT_TRUE(image.valid());
  for (const auto& [id, p] : anchors) {
    if (p.x < 0 || p.y < 0 || p.x >= kWidth || p.y >= kHeight) continue;
    const unsigned char* px = image->data(int(p.x), kHeight - 1 - int(p.y));
    EXPECT_GT(std::min(px[0], px[1]), kMarkLevel) << "feature " << id << " at " << p.x << ", " << p.y;
  }
  // Held before its release, the same rectangle is outlined (the picker's polyline, drawn
  // from the window offsets it submits): the middles of its four sides are white.
  osg::ref_ptr<osg::Image> held = osgDB::readImageFile((shots / "edit-rectangle-pick.png").string());
  ASSERT_TRUE(held.valid());
  const double midX = 0.5 * (tour.from.x + tour.to.x), midY = 0.5 * (tour.from.y + tour.to.y);
  for (const auto& [x, y] : {std::pair{midX, tour.from.y}, std::pair{midX, tour.to.y}, std::pair{tour.from.x, midY},
                             std::pair{tour.to.x, midY}}) {
    const unsigned char* px = held->data(int(x), kHeight - 1 - int(y));
    EXPECT_GT(std::min({px[0], px[1], px[2]}), kMarkLevel) << "outline at " << x << ", " << y;
  }
  fs::remove_all(out);
}

// Bad input is reported before any window opens, with exit status 2 and a message that
// says what is wrong and where.
struct BadInputCase {
  std::string name;
  std::string scriptText;  // empty: no script file at all
  bool outputUnderAFile;
  std::string expectedMessage;
};

class DemoBadInput : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(DemoBadInput, IsReportedWithStatus2BeforeTheTourStarts) {
  const BadInputCase& c = GetParam();
  const fs::path dir = freshFolder("bad-" + c.name);
  const fs::path script = dir / "tour.json";
  if (!c.scriptText.empty()) std::ofstream(script) << c.scriptText;
  std::ofstream(dir / "plain-file") << "x";
  const fs::path outDir = c.outputUnderAFile ? dir / "plain-file" / "shots" : dir / "shots";
  // No display: these checks come first, so no window is needed to see them fail.
  std::string log;
  EXPECT_EQ(runDemo("env -u DISPLAY ", demoArgs(script, outDir), dir / "log.txt", log), 2) << log;
  EXPECT_NE(log.find(c.expectedMessage), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(outDir / "poses.csv"));
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DemoBadInput,
    ::testing::Values(
        BadInputCase{"MissingScript", "", false, "tour.json"},
        BadInputCase{"MalformedJson", "{\"steps\": [\n  {\"frames\": 1},\n  {\"frames\" 2}\n]}", false, "tour.json:3:"},
        BadInputCase{"UnknownButton", "{\"steps\": [{\"event\": \"press\", \"x\": 1, \"y\": 2, \"button\": \"lft\"}]}",
                     false, "steps[0].button"},
        BadInputCase{"UnwritableOutput", "{\"steps\": [{\"frames\": 1}]}", true, "plain-file"}),
    [](const ::testing::TestParamInfo<BadInputCase>& info) { return info.param.name; });

}  // namespace
