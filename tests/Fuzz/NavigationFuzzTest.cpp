// Random navigation sessions against the globe manipulator, through the viewer's frame
// loop on the manual clock: presses, drags and releases with every button, moves, wheel
// turns (huge and zero ones included), navigation keys and frames of random length.
//
// After every frame the camera must be usable (finite eye, unit orientation); once the
// input stops and the motion is stopped, an eye that may not go underground must be at
// least the clearance above the terrain.
//
// Sessions are reproducible: session i uses the seed kBaseSeed + i, printed with every
// failure. Environment:
//   QEL_FUZZ_SESSIONS  number of sessions (default 20 for CI; use 200 for the full run)
//   QEL_FUZZ_SEED      run the one session with this seed (to replay a failure)

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "Common/Ellipsoid.h"
#include "Support/NavigationAssertions.h"
#include "Support/TestHost.h"
#include "Viewer/KeyCodes.h"

namespace qel::test {
namespace {

using Button = GUIEventAdapter::MouseButton;

constexpr std::uint64_t kBaseSeed = 20261205;
constexpr int kDefaultSessions = 20;
constexpr int kEventsPerSession = 2000;
/// The last events of a session steer toward the ground.
constexpr int kDescentEvents = 300;
/// Heights the sessions start at (metres above the terrain), drawn log-uniformly.
constexpr double kMinStartHeight = 1.0;
constexpr double kMaxStartHeight = 2.0e7;
constexpr double kMaxLowStartHeight = 1000.0;
/// Frame lengths (milliseconds).
constexpr int kMinFrameMs = 1;
constexpr int kMaxFrameMs = 100;
/// The window the sessions run in; pointer positions stray a little beyond it.
constexpr float kWidth = 800.0f;
constexpr float kHeight = 600.0f;
constexpr float kStray = 60.0f;
/// Share of the sessions whose wheel also sends huge deltas (±1e9, up to ±1e4).
constexpr double kExtremeWheelShare = 0.25;
/// The clearance above the terrain, and the tolerance of the final check (metres).
constexpr double kClearance = 1.0;
constexpr double kClearanceTolerance = 0.01;

int envInt(const char* name, int fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return (end != nullptr && *end == '\0' && value > 0) ? static_cast<int>(value) : fallback;
}

class Session {
 public:
  explicit Session(std::uint64_t seed) : rng_(seed), host_(Terrain::createProcedural()) {}

  void run() {
    undergroundAllowed_ = coin(0.5);
    extremeWheel_ = coin(kExtremeWheelShare);
    host_.impl().setUndergroundAllowed(undergroundAllowed_);
    host_.scene().getContext().setDpiScale(pick<float>({1.0f, 1.5f, 2.0f}));
    placeCamera();
    ASSERT_TRUE(poseIsUsable(host_.impl())) << "start pose";

    for (int i = 0; i < kEventsPerSession; ++i) {
      if (i < kEventsPerSession - kDescentEvents) {
        step();
      } else {
        descentStep();
      }
      if (::testing::Test::HasFatalFailure()) {
        ADD_FAILURE() << "after event " << i;
        return;
      }
    }

    // Input stops: let go of everything, stop what still moves, and let the clearance act.
    host_.viewer().releaseAllKeys();
    if (heldButton_ != 0) host_.viewer().queueEvent(GUIEventAdapter::makeRelease(pointer_.x, pointer_.y, heldButton_));
    runFrame();
    host_.impl().stopCamera();
    runFrame();
    runFrame();
    if (!undergroundAllowed_) checkClearance();
  }

 private:
  bool coin(double p) { return std::bernoulli_distribution(p)(rng_); }
  double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }
  int uniformInt(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng_); }
  template <class T>
  T pick(std::initializer_list<T> values) {
    return *(values.begin() + uniformInt(0, static_cast<int>(values.size()) - 1));
  }

  void placeCamera() {
    const double longitude = uniform(-Math::PI, Math::PI);
    const double latitude = std::asin(uniform(-1.0, 1.0));  // uniform over the sphere
    const double terrain = host_.scene().getGlobe().getHeight(Cartographic(longitude, latitude)).value_or(0.0);
    // Half the sessions start close to the ground, where the clearance has work to do.
    const double maxHeight = coin(0.5) ? kMaxLowStartHeight : kMaxStartHeight;
    const double height = std::exp(uniform(std::log(kMinStartHeight), std::log(maxHeight)));
    host_.setPose(Cartographic(longitude, latitude, terrain + height), uniform(0.0, 360.0), uniform(-90.0, 10.0));
  }

  Vector2<float> randomPointer() {
    return {static_cast<float>(uniform(-kStray, kWidth + kStray)),
            static_cast<float>(uniform(-kStray, kHeight + kStray))};
  }

  /// Mostly short steps from the last pointer position, sometimes a jump.
  Vector2<float> nextPointer() {
    if (coin(0.1)) return randomPointer();
    return pointer_ +
           Vector2<float>(static_cast<float>(uniform(-40.0, 40.0)), static_cast<float>(uniform(-40.0, 40.0)));
  }

  /// Ordinary sessions turn the wheel by notches (and by nothing or nearly nothing);
  /// extreme ones also by huge amounts, which may send the eye far out of reach of the
  /// globe for the rest of the session, so they are kept to a share of the sessions.
  float wheelDelta() {
    const int choice = uniformInt(0, extremeWheel_ ? 9 : 7);
    switch (choice) {
      case 0:
        return 0.0f;
      case 1:
        return static_cast<float>(uniform(-1.0, 1.0));
      case 8:
        return coin(0.5) ? 1e9f : -1e9f;
      case 9:
        return static_cast<float>(uniform(-1e4, 1e4));
      default:
        return 120.0f * static_cast<float>(uniformInt(-5, 5));
    }
  }

  std::uint32_t randomButton() {
    return pick<std::uint32_t>({Button::LEFT_MOUSE_BUTTON, Button::MIDDLE_MOUSE_BUTTON, Button::RIGHT_MOUSE_BUTTON});
  }

  GUIEventAdapter keyEvent(bool down) {
    const auto table = GUIEventAdapter::DefaultKeyNaviTable();
    const GUIEventAdapter::KeyNaviItem row =
        table[static_cast<std::size_t>(uniformInt(0, static_cast<int>(table.size()) - 1))];
    const std::int32_t modifiers = pick<std::int32_t>({0, ModKey::Shift, ModKey::Control, ModKey::Shift | ModKey::Alt});
    return down ? GUIEventAdapter::makeKeyDown(row.key, modifiers) : GUIEventAdapter::makeKeyUp(row.key, modifiers);
  }

  void step() {
    const int roll = uniformInt(0, 99);
    if (roll < 35) {
      runFrame();
      return;
    }
    GUIEventAdapter event;
    if (roll < 42) {
      pointer_ = coin(0.8) ? Vector2<float>(static_cast<float>(uniform(0.0, kWidth)),
                                            static_cast<float>(uniform(0.0, kHeight)))
                           : randomPointer();
      heldButton_ = randomButton();
      event = GUIEventAdapter::makePush(pointer_.x, pointer_.y, heldButton_);
    } else if (roll < 65) {
      pointer_ = nextPointer();
      // Mostly the held button; sometimes a drag nobody pressed for, or several buttons.
      const std::uint32_t mask =
          heldButton_ != 0 && coin(0.9) ? heldButton_ : static_cast<std::uint32_t>(uniformInt(0, 7));
      event = GUIEventAdapter::makeDrag(pointer_.x, pointer_.y, mask);
    } else if (roll < 72) {
      pointer_ = coin(0.7) ? nextPointer() : pointer_;
      event = GUIEventAdapter::makeRelease(pointer_.x, pointer_.y, heldButton_ != 0 ? heldButton_ : randomButton());
      heldButton_ = 0;
    } else if (roll < 77) {
      pointer_ = nextPointer();
      event = GUIEventAdapter::makeMove(pointer_.x, pointer_.y);
    } else if (roll < 87) {
      if (coin(0.3)) pointer_ = nextPointer();
      event = GUIEventAdapter::makeScroll(pointer_.x, pointer_.y, wheelDelta());
    } else if (roll < 93) {
      event = keyEvent(true);
    } else if (roll < 99) {
      event = keyEvent(false);
    } else {
      event = GUIEventAdapter::makeDoubleClick(pointer_.x, pointer_.y, randomButton());
    }
    host_.viewer().queueEvent(event);
  }

  /// The end of a session heads for the ground (zooms in, the eye-down and forward keys,
  /// tilts toward the horizon), so that the final clearance check has work to judge.
  void descentStep() {
    const int roll = uniformInt(0, 99);
    if (roll < 40) {
      runFrame();
      return;
    }
    GUIEventAdapter event;
    if (roll < 70) {
      pointer_ = Vector2<float>(static_cast<float>(uniform(0.0, kWidth)), static_cast<float>(uniform(0.0, kHeight)));
      event = GUIEventAdapter::makeScroll(pointer_.x, pointer_.y, 120.0f * static_cast<float>(uniformInt(1, 5)));
    } else if (roll < 85) {
      event = GUIEventAdapter::makeKeyDown(pick<std::int32_t>({Key::PageDown, 'w', Key::Up}), 0);
    } else if (roll < 92) {
      event = GUIEventAdapter::makeKeyUp(pick<std::int32_t>({Key::PageDown, 'w', Key::Up}), 0);
    } else if (roll < 95) {
      pointer_ = Vector2<float>(400.0f, 300.0f);
      heldButton_ = Button::MIDDLE_MOUSE_BUTTON;
      event = GUIEventAdapter::makePush(pointer_.x, pointer_.y, heldButton_);
    } else {
      pointer_ = pointer_ + Vector2<float>(0.0f, static_cast<float>(uniform(0.0, 60.0)));
      event = GUIEventAdapter::makeDrag(pointer_.x, pointer_.y, Button::MIDDLE_MOUSE_BUTTON);
    }
    host_.viewer().queueEvent(event);
  }

  void runFrame() {
    host_.frame(1, std::chrono::milliseconds(uniformInt(kMinFrameMs, kMaxFrameMs)));
    ASSERT_TRUE(poseIsUsable(host_.impl()));
  }

  void checkClearance() {
    const Vector3<double>& eye = host_.impl().getPosition();
    const auto c = Ellipsoid::WGS84.cartesianToCartographic(eye);
    if (!c) {
      // Only the far reaches of space have no geographic position: certainly clear.
      ASSERT_GT(eye.length(), 2.0 * Ellipsoid::WGS84.getMaximumRadius());
      return;
    }
    const double terrain = host_.scene().getGlobe().getHeight(*c).value_or(0.0);
    EXPECT_GE(c->height - terrain, kClearance - kClearanceTolerance)
        << "eye at lon " << c->longitude << ", lat " << c->latitude << ", height " << c->height << " over terrain "
        << terrain;
  }

  std::mt19937_64 rng_;
  TestHost host_;
  bool undergroundAllowed_ = false;
  bool extremeWheel_ = false;
  std::uint32_t heldButton_ = 0;
  Vector2<float> pointer_{400.0f, 300.0f};
};

TEST(NavigationFuzz, RandomSessionsKeepTheCameraUsable) {
  const int fixedSeed = envInt("QEL_FUZZ_SEED", -1);
  std::vector<std::uint64_t> seeds;
  if (fixedSeed > 0) {
    seeds.push_back(static_cast<std::uint64_t>(fixedSeed));
  } else {
    const int sessions = envInt("QEL_FUZZ_SESSIONS", kDefaultSessions);
    for (int i = 0; i < sessions; ++i) seeds.push_back(kBaseSeed + static_cast<std::uint64_t>(i));
  }
  for (const std::uint64_t seed : seeds) {
    SCOPED_TRACE("seed " + std::to_string(seed) + " (replay with QEL_FUZZ_SEED)");
    Session(seed).run();
    if (HasFailure()) break;  // one reproducible failure is enough to go on with
  }
}

}  // namespace
}  // namespace qel::test
