// Geodetic conversions of qelCommon beside GeographicLib's Geocentric doing the same job
// on the same points. The manipulator converts the eye and the navigation centre every
// frame and the editors convert every vertex they move, so these are hot paths.
#include <benchmark/benchmark.h>

#include <GeographicLib/Geocentric.hpp>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"

namespace {

using qel::Cartographic;
using qel::Ellipsoid;
using qel::Vector3;

// Enough points that the branch predictor cannot learn the sequence (heights and
// latitudes vary, and so does the number of iterations), few enough to build at once.
constexpr std::size_t kPointCount = 4096;
// Fixed seed: every run and both sides of a pair see the same points.
constexpr std::uint64_t kSeed = 0x5eedULL;

struct Samples {
  std::vector<Cartographic> cartographic;  // radians
  std::vector<Vector3<double>> cartesian;
};

// Latitudes uniform over the sphere, all longitudes, heights from below sea level to
// orbit (half near the ground, where most conversions happen).
const Samples& samples() {
  static const Samples s = [] {
    Samples out;
    std::mt19937_64 bits(kSeed);
    const auto uniform = [&bits](double lo, double hi) {
      return lo + (hi - lo) * static_cast<double>(bits() >> 11) * 0x1.0p-53;
    };
    for (std::size_t i = 0; i < kPointCount; ++i) {
      const double lat = std::asin(uniform(-1.0, 1.0));
      const double lon = uniform(-qel::Math::PI, qel::Math::PI);
      const double h = i % 2 == 0 ? uniform(-10000.0, 10000.0) : uniform(10000.0, 4e7);
      out.cartographic.emplace_back(lon, lat, h);
      out.cartesian.push_back(Ellipsoid::WGS84.cartographicToCartesian(out.cartographic.back()));
    }
    return out;
  }();
  return s;
}

void Geodesy_CartesianToCartographic(benchmark::State& state) {
  const auto& points = samples().cartesian;
  std::size_t i = 0;
  for (auto _ : state) {
    auto c = Ellipsoid::WGS84.cartesianToCartographic(points[i]);
    benchmark::DoNotOptimize(c);
    i = (i + 1) % points.size();
  }
  state.SetItemsProcessed(state.iterations());
}

void Geodesy_CartesianToCartographic_Baseline(benchmark::State& state) {
  const auto& points = samples().cartesian;
  const GeographicLib::Geocentric& earth = GeographicLib::Geocentric::WGS84();
  std::size_t i = 0;
  for (auto _ : state) {
    double lat = 0.0, lon = 0.0, h = 0.0;
    earth.Reverse(points[i].x, points[i].y, points[i].z, lat, lon, h);
    benchmark::DoNotOptimize(lat);
    benchmark::DoNotOptimize(lon);
    benchmark::DoNotOptimize(h);
    i = (i + 1) % points.size();
  }
  state.SetItemsProcessed(state.iterations());
}

void Geodesy_CartographicToCartesian(benchmark::State& state) {
  const auto& points = samples().cartographic;
  std::size_t i = 0;
  for (auto _ : state) {
    auto p = Ellipsoid::WGS84.cartographicToCartesian(points[i]);
    benchmark::DoNotOptimize(p);
    i = (i + 1) % points.size();
  }
  state.SetItemsProcessed(state.iterations());
}

// GeographicLib takes degrees; the conversion is part of what a caller holding radians
// would pay, so it stays inside the loop.
void Geodesy_CartographicToCartesian_Baseline(benchmark::State& state) {
  const auto& points = samples().cartographic;
  const GeographicLib::Geocentric& earth = GeographicLib::Geocentric::WGS84();
  std::size_t i = 0;
  for (auto _ : state) {
    Vector3<double> p;
    earth.Forward(qel::Math::toDegrees(points[i].latitude), qel::Math::toDegrees(points[i].longitude), points[i].height,
                  p.x, p.y, p.z);
    benchmark::DoNotOptimize(p);
    i = (i + 1) % points.size();
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(Geodesy_CartesianToCartographic);
BENCHMARK(Geodesy_CartesianToCartographic_Baseline);
BENCHMARK(Geodesy_CartographicToCartesian);
BENCHMARK(Geodesy_CartographicToCartesian_Baseline);
