// A recorded session replays to the camera pose the live session ended at: window events
// go through the same conversion and recorder as in the demo's window, frames take
// irregular steps as a real clock gives them, and the recording is played back both on a
// bare host and by the demo program itself (window size and start pose from the file).
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <osg/ref_ptr>
#include <osgGA/GUIEventAdapter>

#include "DemoRun.h"
#include "Common/Clock.h"
#include "DemoHost.h"
#include "Renderer/Camera.h"
#include "Scene/SceneImpl.h"
#include "SessionRecorder.h"
#include "Viewer/InputScript.h"
#include "Viewer/ScriptPlayer.h"
#include "Viewer/ViewerImpl.h"

namespace {

namespace fs = std::filesystem;
using Tk = osgGA::GUIEventAdapter;

constexpr int kWidth = 640;
constexpr int kHeight = 400;
// The replayed camera ends within this distance of the live one (metres).
constexpr double kPositionTolerance = 1e-6;
constexpr double kOrientationTolerance = 1e-12;

struct Pose {
  qel::Vector3<double> position;
  qel::Quaternion orientation;
};

Pose poseOf(const qel::demo::DemoHost& host) {
  const qel::Camera& camera = host.viewer->getScene().getCamera();
  return {camera.getPosition(), camera.getOrientation()};
}

// A window event as the toolkit delivers it: y grows upwards, the whole window as range.
osg::ref_ptr<Tk> windowEvent(Tk::EventType type, float x, float y, unsigned mask = 0, int button = 0) {
  osg::ref_ptr<Tk> e = new Tk;
  e->setEventType(type);
  e->setInputRange(0.0f, 0.0f, float(kWidth), float(kHeight));
  e->setWindowWidth(kWidth);
  e->setWindowHeight(kHeight);
  e->setMouseYOrientation(Tk::Y_INCREASING_UPWARDS);
  e->setX(x);
  e->setY(float(kHeight) - y);
  e->setButton(button);
  e->setButtonMask(mask);
  return e;
}

osg::ref_ptr<Tk> keyEvent(Tk::EventType type, int key, unsigned mods = 0) {
  osg::ref_ptr<Tk> e = windowEvent(type, 300, 200);
  e->setKey(key);
  e->setUnmodifiedKey(key);
  e->setModKeyMask(mods);
  return e;
}

osg::ref_ptr<Tk> scrollUp(float x, float y) {
  osg::ref_ptr<Tk> e = windowEvent(Tk::SCROLL, x, y);
  e->setScrollingMotion(Tk::SCROLL_UP);
  return e;
}

// The live session: a pan with a flick, a wheel zoom, a turn with the right button, a
// held Shift+W, the north-up key; frames of 7 to 33 ms as a busy window draws them.
struct LiveSession {
  qel::demo::DemoHost host;
  std::optional<qel::demo::SessionRecorder> recorder;
  int frame = 0;

  LiveSession() {
    qel::demo::DemoHostOptions options;
    options.windowWidth = kWidth;
    options.windowHeight = kHeight;
    options.start = qel::demo::StartPose{7.5, 46.2, 60000.0, 30.0, -50.0};
    host = qel::demo::DemoHost::create(options);
    nextFrame();
    recorder.emplace(*host.viewer, kWidth, kHeight);
  }
  void nextFrame() {
    // Irregular, but the same every run.
    constexpr int kStepsMs[] = {16, 7, 33, 17, 16, 24, 9};
    qel::Clock::advance(std::chrono::milliseconds(kStepsMs[frame++ % 7]));
    host.viewer->frame();
    if (recorder) recorder->frameDone();
  }
  void send(const osg::ref_ptr<Tk>& e, int frames = 1) {
    recorder->queue(*e);
    for (int i = 0; i < frames; ++i) nextFrame();
  }
  void play() {
    send(windowEvent(Tk::MOVE, 320, 200));
    send(windowEvent(Tk::PUSH, 320, 200, Tk::LEFT_MOUSE_BUTTON, Tk::LEFT_MOUSE_BUTTON));
    for (int i = 1; i <= 8; ++i) {
      send(windowEvent(Tk::DRAG, 320.0f - 9.5f * i, 200.0f + 3.25f * i, Tk::LEFT_MOUSE_BUTTON));
    }
    send(windowEvent(Tk::RELEASE, 244, 226, 0, Tk::LEFT_MOUSE_BUTTON), 40);
    send(scrollUp(400, 150));
    send(scrollUp(400, 150), 30);
    send(windowEvent(Tk::PUSH, 300, 250, Tk::RIGHT_MOUSE_BUTTON, Tk::RIGHT_MOUSE_BUTTON));
    for (int i = 1; i <= 6; ++i)
      send(windowEvent(Tk::DRAG, 300.0f + 12.0f * i, 250.0f - 4.0f * i, Tk::RIGHT_MOUSE_BUTTON));
    send(windowEvent(Tk::RELEASE, 372, 226, 0, Tk::RIGHT_MOUSE_BUTTON), 20);
    send(keyEvent(Tk::KEYDOWN, 'W', Tk::MODKEY_LEFT_SHIFT), 25);
    send(keyEvent(Tk::KEYUP, 'W', Tk::MODKEY_LEFT_SHIFT), 5);
    send(keyEvent(Tk::KEYDOWN, 'n'));
    send(keyEvent(Tk::KEYUP, 'n'), 60);
  }
};

void expectSamePose(const Pose& got, const Pose& want) {
  EXPECT_LT((got.position - want.position).length(), kPositionTolerance);
  EXPECT_NEAR(got.orientation.x, want.orientation.x, kOrientationTolerance);
  EXPECT_NEAR(got.orientation.y, want.orientation.y, kOrientationTolerance);
  EXPECT_NEAR(got.orientation.z, want.orientation.z, kOrientationTolerance);
  EXPECT_NEAR(got.orientation.w, want.orientation.w, kOrientationTolerance);
}

using qel::test::freshFolder;

class SessionRecord : public ::testing::Test {
 protected:
  void SetUp() override { qel::Clock::useManualTime(); }
  void TearDown() override { qel::Clock::useRealTime(); }
};

TEST_F(SessionRecord, ReplayOnABareHostEndsAtTheLivePose) {
  LiveSession live;
  const Pose start = poseOf(live.host);
  live.play();
  const Pose end = poseOf(live.host);
  // The session moved the camera a long way: a replay that dropped it would be caught.
  ASSERT_GT((end.position - start.position).length(), 1000.0);

  const fs::path dir = freshFolder("record");
  const fs::path file = dir / "session.json";
  live.recorder->save(file);
  const qel::demo::SessionHeader header = qel::demo::readSessionHeader(file);
  ASSERT_TRUE(header.window && header.start);
  EXPECT_EQ(*header.window, std::make_pair(kWidth, kHeight));
  expectSamePose({header.start->position, header.start->orientation}, start);

  qel::demo::DemoHostOptions options;
  options.windowWidth = header.window->first;
  options.windowHeight = header.window->second;
  options.startEye = std::make_pair(header.start->position, header.start->orientation);
  qel::demo::DemoHost replay = qel::demo::DemoHost::create(options);
  qel::ScriptPlayer player(*replay.viewer, qel::InputScript::load(file));
  player.playAll();
  expectSamePose(poseOf(replay), end);
  fs::remove_all(dir);
}

TEST_F(SessionRecord, TheDemoPlaysTheRecordingBackToTheLivePose) {
  if (!qel::test::hasXvfb()) GTEST_SKIP() << "xvfb-run/Xvfb not installed (Debian package xvfb): no window";
  LiveSession live;
  live.play();
  const Pose end = poseOf(live.host);
  const fs::path dir = freshFolder("record-demo");
  live.recorder->save(dir / "session.json");

  // No --size: the window size comes from the recording.
  std::string log;
  ASSERT_EQ(qel::test::runDemo(qel::test::kVirtualScreen,
                               "--script " + qel::test::quoted(dir / "session.json") + " --out " +
                                   qel::test::quoted(dir / "out") + " --max-tiles 100 --quiet",
                               dir / "log.txt", log),
            0)
      << log;
  const auto poses = qel::test::readCsv(dir / "out" / "poses.csv");
  ASSERT_FALSE(poses.empty());
  const auto [position, orientation] = qel::test::poseFields(poses.back(), 2);
  expectSamePose({position, orientation}, end);
  fs::remove_all(dir);
}

}  // namespace
