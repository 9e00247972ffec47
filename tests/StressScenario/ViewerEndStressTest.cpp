// Application threads hammering a globe manipulator with commands and queries while the
// viewer's thread runs frames, and the viewer ending halfway through. Every query comes
// back (with a value some command set, or the default once the viewer is gone), no
// thread hangs, and under ThreadSanitizer nothing runs beside the main thread.
//
// Defaults keep CI short. For a heavier manual run set
//   QEL_STRESS_THREADS=16 QEL_STRESS_OPS=50000 build/default/bin/qelStressScenarioTests
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Common/AsyncSystem.h"
#include "Common/Clock.h"
#include "Manipulator/GlobeManipulator.h"
#include "Scene/Terrain.h"
#include "Viewer/ViewerImpl.h"

namespace qel::test {
namespace {

using namespace std::chrono_literals;

constexpr int kDefaultThreads = 8;
constexpr int kDefaultOps = 10000;
// One call in this many is a query; the rest are commands.
constexpr int kQueryEvery = 4;
// The wheel speeds the commands set; a query must answer one of them or the default 0.
constexpr std::array<double, 3> kZoomSpeeds{1.0 / 600.0, 2.0 / 600.0, 3.0 / 600.0};
// The module-wide defaults, restored for the suites that run after this one.
constexpr double kDefaultZoomSpeed = 1.0 / 600.0;
constexpr double kDefaultKeySpeeds[] = {400.0, 6.0, 36.0, 400.0};
// A hung thread fails the run after this long (ThreadSanitizer runs are ~10× slower
// than a normal build's few hundred milliseconds).
constexpr auto kWatchdog = 60s;

int envOr(const char* name, int fallback) {
  const char* text = std::getenv(name);
  const long value = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
  return value > 0 ? static_cast<int>(value) : fallback;
}

bool isZoomSpeedOrDefault(double speed) {
  return speed == 0.0 || std::find(kZoomSpeeds.begin(), kZoomSpeeds.end(), speed) != kZoomSpeeds.end();
}

enum class EndWay { Stop, ApplicationDropsIt };

struct Tally {
  int answered = 0;
  int defaults = 0;
  int wrong = 0;         // neither a value a command set nor the default
  int liveAfterEnd = 0;  // a value from a query that started after the end
  std::string firstWrong;
};

/// One application thread's calls: commands of every kind, and queries whose answers are
/// checked against what the commands can have set.
void hammer(GlobeManipulator& manipulator, int ops, int seed, const std::atomic<bool>& ended, std::atomic<int>& done,
            Tally& tally) {
  for (int op = 0; op < ops; ++op, ++done) {
    const int pick = (op * 7 + seed) % 5;
    if (op % kQueryEvery != kQueryEvery - 1) {
      switch (pick) {
        case 0: manipulator.setMouseZoomSpeed(kZoomSpeeds[static_cast<std::size_t>(op % 3)]); break;
        case 1: manipulator.setUndergroundAllowed(op % 2 == 0); break;
        case 2: manipulator.setFov(Radian(1.0)); break;  // works on the viewer's camera
        case 3: manipulator.turnNorthUp(); break;
        default: manipulator.setMouseTiltLessZeroEnable(true); break;
      }
      continue;
    }
    const bool endedBefore = ended.load();
    bool isDefault = false;
    bool valid = true;
    if (pick % 2 == 0) {
      double speed = -1.0;
      manipulator.getMouseZoomSpeed(speed);
      isDefault = speed == 0.0;
      valid = isZoomSpeedOrDefault(speed);
      if (!valid && tally.firstWrong.empty()) tally.firstWrong = "zoom speed " + std::to_string(speed);
    } else {
      // Always true on a live viewer (every command that touches it sets true).
      isDefault = !manipulator.isMouseTiltLessZeroEnable();
    }
    ++tally.answered;
    tally.defaults += isDefault ? 1 : 0;
    tally.wrong += valid ? 0 : 1;
    tally.liveAfterEnd += endedBefore && !isDefault ? 1 : 0;
  }
}

class ViewerEndStressTest : public ::testing::TestWithParam<EndWay> {
 protected:
  void SetUp() override {
    AsyncSystem::instance(true);
    Clock::useManualTime();
  }
  void TearDown() override {
    AsyncSystem::instance(true);
    GlobeManipulatorImpl settings;
    settings.setMouseZoomSpeed(kDefaultZoomSpeed);
    settings.setKeyOperaterSpeed(kDefaultKeySpeeds[0], kDefaultKeySpeeds[1], kDefaultKeySpeeds[2],
                                 kDefaultKeySpeeds[3]);
    settings.setMouseTiltLessZeroEnable(true);
    Clock::useRealTime();
  }
};

TEST_P(ViewerEndStressTest, EveryQueryReturnsAndNothingHangs) {
  const int threads = envOr("QEL_STRESS_THREADS", kDefaultThreads);
  const int ops = envOr("QEL_STRESS_OPS", kDefaultOps);
  const int total = threads * ops;

  std::shared_ptr<ViewerImpl> viewer = ViewerImpl::create();
  viewer->getScene().getGlobe().setTerrain(Terrain::createFlat(0.0));
  auto manipulator = std::make_shared<GlobeManipulator>();
  viewer->setCameraManipulator(manipulator);
  viewer->registerMainThread();
  manipulator->setMouseTiltLessZeroEnable(true);  // runs inline: this is the main thread

  std::atomic<bool> ended{false};
  std::atomic<int> done{0};
  std::atomic<int> finished{0};
  std::vector<Tally> tallies(static_cast<std::size_t>(threads));
  std::vector<std::thread> app;
  for (int t = 0; t < threads; ++t) {
    app.emplace_back([&, t] {
      hammer(*manipulator, ops, t, ended, done, tallies[static_cast<std::size_t>(t)]);
      ++finished;
    });
  }

  // The viewer's thread: frames until half the calls are made, then the end, then (for a
  // stopped viewer that the application still holds) frames on until everyone is done.
  const auto deadline = std::chrono::steady_clock::now() + kWatchdog;
  auto watchdog = [&] {
    if (std::chrono::steady_clock::now() > deadline) {
      std::fprintf(stderr, "watchdog: %d of %d application threads still busy after %lld s; %d of %d calls made\n",
                   threads - finished.load(), threads, static_cast<long long>(kWatchdog.count()), done.load(), total);
      std::abort();  // the hung threads cannot be joined
    }
  };
  while (done.load() < total / 2 && finished.load() < threads) {
    Clock::advance(16ms);
    viewer->frame();
    watchdog();
  }
  if (GetParam() == EndWay::Stop) {
    viewer->stop();
  } else {
    viewer.reset();
  }
  ended = true;
  while (finished.load() < threads) {
    if (viewer) {
      Clock::advance(16ms);
      viewer->frame();
    } else {
      std::this_thread::sleep_for(1ms);
    }
    watchdog();
  }
  for (auto& thread : app) thread.join();

  int answered = 0;
  for (std::size_t t = 0; t < tallies.size(); ++t) {
    const Tally& tally = tallies[t];
    answered += tally.answered;
    EXPECT_EQ(tally.wrong, 0) << "thread " << t << ": " << tally.firstWrong;
    EXPECT_EQ(tally.liveAfterEnd, 0) << "thread " << t << " got an answer from an ended viewer";
  }
  EXPECT_EQ(answered, threads * (ops / kQueryEvery));
}

INSTANTIATE_TEST_SUITE_P(Ways, ViewerEndStressTest, ::testing::Values(EndWay::Stop, EndWay::ApplicationDropsIt),
                         [](const auto& info) { return info.param == EndWay::Stop ? "Stop" : "ApplicationDropsIt"; });

}  // namespace
}  // namespace qel::test
