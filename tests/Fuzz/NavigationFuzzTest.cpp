// Random navigation sessions through the viewer's frame loop on the manual clock:
// presses, drags and releases with every button, moves, wheel turns (huge and zero ones
// included), navigation keys and frames of random length. After every frame the camera
// must be usable; once input stops and the motion is stopped, an eye that may not go
// underground must keep its clearance above the terrain.
//
// Session i uses seed kBaseSeed + i, printed with every failure. Environment:
//   QEL_FUZZ_SESSIONS  number of sessions (default 20; use 200 for the full run)
//   QEL_FUZZ_SEED      run the one session with this seed (to replay a failure)

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <random>
#include <string>

#include "Common/Ellipsoid.h"
#include "Support/NavigationAssertions.h"
#include "Support/TestHost.h"
#include "Viewer/KeyCodes.h"

namespace qel::test {
namespace {

using Button = GUIEventAdapter::MouseButton;
using E = GUIEventAdapter;

constexpr std::uint64_t kBaseSeed = 20261205;
constexpr int kDefaultSessions = 20;
constexpr int kEventsPerSession = 2000;
/// The last events of a session steer toward the ground, so the clearance has work to do.
constexpr int kDescentEvents = 300;
/// Start heights above the terrain (metres), log-uniform; half the sessions start low.
constexpr double kMinStartHeight = 1.0;
constexpr double kMaxStartHeight = 2.0e7;
constexpr double kMaxLowStartHeight = 1000.0;
/// The window; pointer positions stray a little beyond it.
constexpr float kWidth = 800.0f;
constexpr float kHeight = 600.0f;
constexpr float kStray = 60.0f;
/// Huge wheel deltas zoom at the bounded rate and soon reach a zoom bound: a share only.
constexpr double kExtremeWheelShare = 0.25;
/// The clearance above the terrain, and the tolerance of the final check (metres).
constexpr double kClearance = 1.0;
constexpr double kClearanceTolerance = 0.01;

int envInt(const char* name, int fallback) {
  const char* text = std::getenv(name);
  const long value = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
  return value > 0 ? static_cast<int>(value) : fallback;
}

class Session {
 public:
  explicit Session(std::uint64_t seed) : rng_(seed), host_(Terrain::createProcedural()) {}

  void run() {
    const bool undergroundAllowed = coin(0.5);
    extremeWheel_ = coin(kExtremeWheelShare);
    host_.impl().setUndergroundAllowed(undergroundAllowed);
    host_.scene().getContext().setDpiScale(pick<float>({1.0f, 1.5f, 2.0f}));
    const Cartographic ground(uniform(-Math::PI, Math::PI), std::asin(uniform(-1.0, 1.0)));
    const double terrain = host_.scene().getGlobe().getHeight(ground).value_or(0.0);
    const double maxHeight = coin(0.5) ? kMaxLowStartHeight : kMaxStartHeight;
    const double height = std::exp(uniform(std::log(kMinStartHeight), std::log(maxHeight)));
    host_.setPose(Cartographic(ground.longitude, ground.latitude, terrain + height), uniform(0.0, 360.0),
                  uniform(-90.0, 10.0));

    for (int i = 0; i < kEventsPerSession; ++i) {
      i < kEventsPerSession - kDescentEvents ? step() : descentStep();
      if (::testing::Test::HasFatalFailure()) {
        ADD_FAILURE() << "after event " << i;
        return;
      }
    }
    // Input stops: let go of everything, stop what still moves, and let the clearance act.
    host_.viewer().releaseAllKeys();
    if (heldButton_ != 0) host_.viewer().queueEvent(E::makeRelease(pointer_.x, pointer_.y, heldButton_));
    runFrame();
    host_.impl().stopCamera();
    runFrame();
    runFrame();
    if (!undergroundAllowed) checkClearance();
  }

 private:
  bool coin(double p) { return std::bernoulli_distribution(p)(rng_); }
  double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }
  int uniformInt(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng_); }
  template <class T>
  T pick(std::initializer_list<T> values) {
    return *(values.begin() + uniformInt(0, static_cast<int>(values.size()) - 1));
  }
  Vector2<float> randomPointer(float stray) {
    return {static_cast<float>(uniform(-stray, kWidth + stray)), static_cast<float>(uniform(-stray, kHeight + stray))};
  }
  /// Mostly short steps from the last pointer position, sometimes a jump.
  Vector2<float> nextPointer() {
    if (coin(0.1)) return randomPointer(kStray);
    return pointer_ +
           Vector2<float>(static_cast<float>(uniform(-40.0, 40.0)), static_cast<float>(uniform(-40.0, 40.0)));
  }
  float wheelDelta() {
    switch (uniformInt(0, extremeWheel_ ? 9 : 7)) {
      case 0: return 0.0f;
      case 1: return static_cast<float>(uniform(-1.0, 1.0));
      case 8: return coin(0.5) ? 1e9f : -1e9f;
      case 9: return static_cast<float>(uniform(-1e4, 1e4));
      default: return 120.0f * static_cast<float>(uniformInt(-5, 5));
    }
  }
  std::uint32_t randomButton() { return 1u << uniformInt(0, 2); }  // left, middle or right
  GUIEventAdapter keyEvent(bool down) {
    const auto table = E::DefaultKeyNaviTable();
    const std::int32_t key = table[static_cast<std::size_t>(uniformInt(0, static_cast<int>(table.size()) - 1))].key;
    const std::int32_t modifiers = pick<std::int32_t>({0, ModKey::Shift, ModKey::Control, ModKey::Shift | ModKey::Alt});
    return down ? E::makeKeyDown(key, modifiers) : E::makeKeyUp(key, modifiers);
  }

  void step() {
    const int roll = uniformInt(0, 99);
    if (roll < 35) return runFrame();
    GUIEventAdapter event;
    if (roll < 42) {
      pointer_ = randomPointer(coin(0.8) ? 0.0f : kStray);
      heldButton_ = randomButton();
      event = E::makePush(pointer_.x, pointer_.y, heldButton_);
    } else if (roll < 65) {
      pointer_ = nextPointer();
      // Mostly the held button; sometimes a drag nobody pressed for, or several buttons.
      const auto mask = heldButton_ != 0 && coin(0.9) ? heldButton_ : static_cast<std::uint32_t>(uniformInt(0, 7));
      event = E::makeDrag(pointer_.x, pointer_.y, mask);
    } else if (roll < 72) {
      if (coin(0.7)) pointer_ = nextPointer();
      event = E::makeRelease(pointer_.x, pointer_.y, heldButton_ != 0 ? heldButton_ : randomButton());
      heldButton_ = 0;
    } else if (roll < 77) {
      pointer_ = nextPointer();
      event = E::makeMove(pointer_.x, pointer_.y);
    } else if (roll < 87) {
      if (coin(0.3)) pointer_ = nextPointer();
      event = E::makeScroll(pointer_.x, pointer_.y, wheelDelta());
    } else if (roll < 99) {
      event = keyEvent(roll < 93);
    } else {
      event = E::makeDoubleClick(pointer_.x, pointer_.y, randomButton());
    }
    host_.viewer().queueEvent(event);
  }

  /// Heads for the ground: zooms in, the eye-down and forward keys, tilts toward the horizon.
  void descentStep() {
    const int roll = uniformInt(0, 99);
    if (roll < 40) return runFrame();
    const std::int32_t key = pick<std::int32_t>({Key::PageDown, 'w', Key::Up});
    GUIEventAdapter event;
    if (roll < 70) {
      pointer_ = randomPointer(0.0f);
      event = E::makeScroll(pointer_.x, pointer_.y, 120.0f * static_cast<float>(uniformInt(1, 5)));
    } else if (roll < 92) {
      event = roll < 85 ? E::makeKeyDown(key, 0) : E::makeKeyUp(key, 0);
    } else if (roll < 95) {
      pointer_ = Vector2<float>(400.0f, 300.0f);
      heldButton_ = Button::MIDDLE_MOUSE_BUTTON;
      event = E::makePush(pointer_.x, pointer_.y, heldButton_);
    } else {
      pointer_ = pointer_ + Vector2<float>(0.0f, static_cast<float>(uniform(0.0, 60.0)));
      event = E::makeDrag(pointer_.x, pointer_.y, Button::MIDDLE_MOUSE_BUTTON);
    }
    host_.viewer().queueEvent(event);
  }

  void runFrame() {
    host_.frame(1, std::chrono::milliseconds(uniformInt(1, 100)));
    ASSERT_TRUE(poseIsUsable(host_.impl()));
  }

  void checkClearance() {
    const Vector3<double>& eye = host_.impl().getPosition();
    const auto c = Ellipsoid::WGS84.cartesianToCartographic(eye);
    // Only the far reaches of space have no geographic position: certainly clear.
    if (!c) {
      EXPECT_GT(eye.length(), 2.0 * Ellipsoid::WGS84.getMaximumRadius());
      return;
    }
    const double terrain = host_.scene().getGlobe().getHeight(*c).value_or(0.0);
    EXPECT_GE(c->height - terrain, kClearance - kClearanceTolerance)
        << "eye at lon " << c->longitude << ", lat " << c->latitude << ", height " << c->height;
  }

  std::mt19937_64 rng_;
  TestHost host_;
  bool extremeWheel_ = false;
  std::uint32_t heldButton_ = 0;
  Vector2<float> pointer_{400.0f, 300.0f};
};

TEST(NavigationFuzz, RandomSessionsKeepTheCameraUsable) {
  const int fixedSeed = envInt("QEL_FUZZ_SEED", 0);
  const int sessions = fixedSeed > 0 ? 1 : envInt("QEL_FUZZ_SESSIONS", kDefaultSessions);
  for (int i = 0; i < sessions && !HasFailure(); ++i) {
    const std::uint64_t seed = fixedSeed > 0 ? static_cast<std::uint64_t>(fixedSeed) : kBaseSeed + i;
    SCOPED_TRACE("seed " + std::to_string(seed) + " (replay with QEL_FUZZ_SEED)");
    Session(seed).run();
  }
}

}  // namespace
}  // namespace qel::test
