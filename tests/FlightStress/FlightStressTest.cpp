// Flights asked for and viewpoints read from several application threads while the
// main thread runs frames: every query answers and the last flight asked for wins.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"
#include "Support/TestHost.h"

namespace qel::test {
namespace {

TEST(FlightStress, FlightsAndQueriesFromFourThreads) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 60;
  TestHost host;
  host.setPose(Cartographic(0.2, 0.5, 50000.0), 0.0, -90.0);
  host.viewer().registerMainThread();

  // Posting and noting the target under one lock gives the order in which the flights
  // reached the main thread's queue.
  std::mutex order;
  Viewpoint last{};
  std::atomic<int> answered{0};
  std::atomic<int> finished{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 random(static_cast<unsigned>(t) + 7u);
      std::uniform_real_distribution<double> lon(0.1, 0.3);
      std::uniform_real_distribution<double> lat(0.4, 0.6);
      for (int i = 0; i < kRounds; ++i) {
        const Viewpoint vp{lon(random), lat(random), 0.0, 0.2 * t, -0.8, 2000.0 + 100.0 * i};
        {
          std::lock_guard lock(order);
          host.manipulator().flyTo(vp, 0.2);
          last = vp;
        }
        const Viewpoint seen = host.manipulator().getViewpoint();
        EXPECT_TRUE(std::isfinite(seen.longitude) && std::isfinite(seen.range));
        ++answered;
      }
      ++finished;
    });
  }
  while (finished < kThreads) {
    host.frame();
    std::this_thread::yield();
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(answered, kThreads * kRounds);

  int frames = 0;
  do {
    host.frame();
  } while (host.impl().isFlying() && ++frames < 1000);
  const Viewpose expected = Transforms::viewpointToViewpose(last, Ellipsoid::WGS84);
  EXPECT_LT(Vector3<double>::distance(host.impl().getPosition(), expected.position), 1e-3);
}

}  // namespace
}  // namespace qel::test
