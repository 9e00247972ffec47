// The demo window run headlessly on its default tour: it must play to the end, its
// screenshots must show something and follow the camera, and the camera it draws must be
// exactly the one the same input gives on a bare host (the window adds no motion).
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <osg/Image>
#include <osgDB/ReadFile>

#include "Common/Clock.h"
#include "DemoHost.h"
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
constexpr const char* kTourSize = "640x400";
constexpr const char* kTourMaxTiles = "200";
// A screenshot is "not blank" when its pixel values vary this much (variance of 0..255
// channel values): a uniform clear colour gives 0, a globe with a read-out far more.
constexpr double kMinVariance = 50.0;
// Two screenshots "differ" when their mean absolute channel difference exceeds this.
constexpr double kMinMeanDifference = 1.0;
// The drawn pose and the bare host's pose agree to this relative tolerance.
constexpr double kPoseTolerance = 1e-6;

bool onPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::stringstream dirs(path);
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (!dir.empty() && fs::exists(fs::path(dir) / program)) return true;
  }
  return false;
}

struct ProgramRun {
  int exitCode = -1;
  std::string output;
};

ProgramRun runProgram(const std::string& command, const fs::path& log) {
  const int status = std::system((command + " >" + log.string() + " 2>&1").c_str());
  ProgramRun run;
  run.exitCode = (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  std::ifstream in(log);
  run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return run;
}

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

fs::path freshFolder(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("qelDemoTests-" + name + "-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, ',')) fields.push_back(field);
  return fields;
}

std::vector<std::vector<std::string>> readCsv(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    if (!line.empty()) rows.push_back(split(line));
  }
  return rows;
}

double channelVariance(const osg::Image& image) {
  const std::size_t n = image.getTotalSizeInBytes();
  const unsigned char* data = image.data();
  double sum = 0.0, sum2 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    sum += data[i];
    sum2 += static_cast<double>(data[i]) * data[i];
  }
  const double mean = sum / static_cast<double>(n);
  return sum2 / static_cast<double>(n) - mean * mean;
}

double meanDifference(const osg::Image& a, const osg::Image& b) {
  const std::size_t n = std::min(a.getTotalSizeInBytes(), b.getTotalSizeInBytes());
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) sum += std::abs(static_cast<int>(a.data()[i]) - static_cast<int>(b.data()[i]));
  return sum / static_cast<double>(n);
}

void expectClose(double got, double want, double scale, const char* what) {
  EXPECT_LE(std::abs(got - want), kPoseTolerance * std::max(scale, 1.0)) << what << ": " << got << " vs " << want;
}

TEST(DemoTour, PlaysToTheEndAndDrawsExactlyTheHostsCamera) {
  if (!onPath("xvfb-run") || !onPath("Xvfb")) {
    GTEST_SKIP() << "xvfb-run/Xvfb not installed (Debian package xvfb): the headless demo tour cannot run";
  }
  const fs::path out = freshFolder("tour");
  // Under the address sanitizer the GL driver's and the toolkit's process-lifetime
  // allocations would read as leaks at exit; the tour's own checks are what count here.
  const std::string command = std::string("ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:detect_leaks=0\" ") +
                              "xvfb-run -a -s '-screen 0 1280x800x24' " + quoted(QEL_DEMO_EXE) +
                              " --script " + quoted(QEL_DEMO_DEFAULT_TOUR) + " --out " + quoted(out / "shots") +
                              " --size " + kTourSize + " --max-tiles " + kTourMaxTiles + " --quiet";
  const ProgramRun run = runProgram(command, out / "log.txt");
  ASSERT_EQ(run.exitCode, 0) << run.output;

  // Every frame of the script has a pose, every mark a screenshot.
  const qel::InputScript script = qel::InputScript::load(QEL_DEMO_DEFAULT_TOUR);
  const auto poses = readCsv(out / "shots" / "poses.csv");
  ASSERT_EQ(poses.size(), script.frameCount());
  const auto marks = readCsv(out / "shots" / "marks.csv");
  std::size_t markSteps = 0;
  for (const auto& step : script.steps()) markSteps += step.kind == qel::InputScript::Step::Kind::Mark ? 1 : 0;
  ASSERT_EQ(marks.size(), markSteps);

  // Screenshots are not blank, and change wherever the camera moved between two marks.
  osg::ref_ptr<osg::Image> previous;
  std::vector<std::string> previousPose;
  for (const auto& mark : marks) {
    ASSERT_EQ(mark.size(), 3u);
    SCOPED_TRACE("mark " + mark[0]);
    osg::ref_ptr<osg::Image> image = osgDB::readImageFile((out / "shots" / mark[2]).string());
    ASSERT_TRUE(image.valid());
    EXPECT_EQ(image->s(), kWidth);
    EXPECT_EQ(image->t(), kHeight);
    EXPECT_GT(channelVariance(*image), kMinVariance);
    const std::size_t frame = std::stoul(mark[1]);
    ASSERT_GE(frame, 1u);
    ASSERT_LE(frame, poses.size());
    const auto& row = poses[frame - 1];
    const std::vector<std::string> pose(row.begin() + 2, row.begin() + 9);
    if (previous && pose != previousPose) {
      EXPECT_GT(meanDifference(*previous, *image), kMinMeanDifference);
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
  qel::ScriptPlayer player(*host.viewer, script);
  player.playAll();
  const qel::Camera& camera = host.viewer->getScene().getCamera();
  const auto& last = poses.back();
  ASSERT_GE(last.size(), 9u);
  const auto p = camera.getPosition();
  const auto q = camera.getOrientation();
  const double radius = p.length();
  expectClose(std::stod(last[2]), p.x, radius, "x");
  expectClose(std::stod(last[3]), p.y, radius, "y");
  expectClose(std::stod(last[4]), p.z, radius, "z");
  expectClose(std::stod(last[5]), q.x, 1.0, "qx");
  expectClose(std::stod(last[6]), q.y, 1.0, "qy");
  expectClose(std::stod(last[7]), q.z, 1.0, "qz");
  expectClose(std::stod(last[8]), q.w, 1.0, "qw");
  qel::Clock::useRealTime();
  fs::remove_all(out);
}

// Bad input is reported before any window opens, with exit status 2 and a message that
// says what is wrong and where.
struct BadInputCase {
  std::string name;
  std::string scriptText;  // empty: no script file at all
  bool outputUnderAFile = false;
  std::string expectedMessage;
};

class DemoBadInput : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(DemoBadInput, IsReportedWithStatus2BeforeTheTourStarts) {
  const BadInputCase& c = GetParam();
  const fs::path dir = freshFolder("bad-" + c.name);
  const fs::path script = dir / "tour.json";
  if (!c.scriptText.empty()) std::ofstream(script) << c.scriptText;
  fs::path outDir = dir / "shots";
  if (c.outputUnderAFile) {
    std::ofstream(dir / "plain-file") << "x";
    outDir = dir / "plain-file" / "shots";
  }
  // No display: these checks come first, so no window is needed to see them fail.
  const ProgramRun run =
      runProgram("ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:detect_leaks=0\" env -u DISPLAY " + quoted(QEL_DEMO_EXE) +
                     " --script " + quoted(script) + " --out " + quoted(outDir) + " --size " + kTourSize,
                 dir / "log.txt");
  EXPECT_EQ(run.exitCode, 2) << run.output;
  EXPECT_NE(run.output.find(c.expectedMessage), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(outDir / "poses.csv"));
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DemoBadInput,
    ::testing::Values(BadInputCase{"MissingScript", "", false, "tour.json"},
                      BadInputCase{"MalformedJson", "{\"steps\": [\n  {\"frames\": 1},\n  {\"frames\" 2}\n]}", false,
                                   "tour.json:3:"},
                      BadInputCase{"UnknownButton",
                                   "{\"steps\": [{\"event\": \"press\", \"x\": 1, \"y\": 2, \"button\": \"lft\"}]}",
                                   false, "steps[0].button"},
                      BadInputCase{"UnwritableOutput", "{\"steps\": [{\"frames\": 1}]}", true, "plain-file"}),
    [](const ::testing::TestParamInfo<BadInputCase>& info) { return info.param.name; });

}  // namespace
