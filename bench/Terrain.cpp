// The globe's terrain pick beside a plain ray–ellipsoid intersection on the same view
// rays. Navigation picks the globe under the pointer at every press, wheel step and
// frame (the navigation centre), so this is the hottest geometric query of the host;
// the baseline shows what the terrain costs over the bare ellipsoid.
//
// Arguments: height of the eye above the terrain (metres) / tilt of the view from
// straight down (degrees).
//
//   Terrain_ShapeNearNormal           a height lookup with the bounds of the terrain's shape
//                                     around the point, as picks take it on every step
//   Terrain_ShapeNearNormal_Baseline  the plain height lookup at the same points
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "Common/HeadingPitchRoll.h"
#include "Common/IntersectionTests.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Scene/SceneImpl.h"
#include "Scene/Terrain.h"

namespace {

using qel::Math;
using qel::Ray;
using qel::Vector3;

// Camera sites spread over the globe: land and sea, all latitudes.
constexpr std::size_t kSiteCount = 32;
// Rays per site: a grid over the window, corners included, as a user's pointer roams.
constexpr int kGridSteps = 5;
// Fixed seed: every run and both sides of a pair see the same rays.
constexpr std::uint64_t kSeed = 0x7e77a1ULL;

std::vector<Ray> viewRays(qel::SceneImpl& scene, double heightAboveTerrain, double tiltDegrees) {
  std::mt19937_64 bits(kSeed);
  const auto uniform = [&bits](double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(bits() >> 11) * 0x1.0p-53;
  };
  qel::Camera& camera = scene.getCamera();
  const qel::Viewport& viewport = camera.getViewport();
  std::vector<Ray> rays;
  for (std::size_t i = 0; i < kSiteCount; ++i) {
    const double latitude = std::asin(uniform(-1.0, 1.0));
    const double longitude = uniform(-Math::PI, Math::PI);
    const double ground = scene.getGlobe().getHeight({longitude, latitude}).value_or(0.0);
    const Vector3<double> eye =
        qel::Ellipsoid::WGS84.cartographicToCartesian({longitude, latitude, ground + heightAboveTerrain});
    const qel::HeadingPitchRoll attitude{uniform(0.0, Math::TWO_PI), Math::toRadians(tiltDegrees) - Math::PI_OVER_TWO,
                                         0.0};
    camera.setPosition(eye);
    camera.setOrientation(qel::Transforms::viewHeadingPitchRollToViewQuaternion(eye, attitude));
    for (int row = 0; row < kGridSteps; ++row) {
      for (int column = 0; column < kGridSteps; ++column) {
        const float x = static_cast<float>(viewport.x0 + viewport.width() * column / (kGridSteps - 1));
        const float y = static_cast<float>(viewport.y0 + viewport.height() * row / (kGridSteps - 1));
        rays.push_back(camera.getPickRay({x, y}));
      }
    }
  }
  return rays;
}

void Terrain_Pick(benchmark::State& state) {
  qel::SceneImpl scene;
  const std::vector<Ray> rays =
      viewRays(scene, static_cast<double>(state.range(0)), static_cast<double>(state.range(1)));
  const qel::GlobeImpl& globe = scene.getGlobe();
  std::size_t hits = 0;
  for (auto _ : state) {
    for (const Ray& ray : rays) {
      const auto hit = globe.pick(ray, scene);
      hits += hit.has_value();
      benchmark::DoNotOptimize(hit);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rays.size()));
  state.counters["hitRatio"] = static_cast<double>(hits) / static_cast<double>(state.iterations() * rays.size());
}

void Terrain_Pick_Baseline(benchmark::State& state) {
  qel::SceneImpl scene;
  const std::vector<Ray> rays =
      viewRays(scene, static_cast<double>(state.range(0)), static_cast<double>(state.range(1)));
  std::size_t hits = 0;
  for (auto _ : state) {
    for (const Ray& ray : rays) {
      const auto interval = qel::IntersectionTests::intersects(ray, qel::Ellipsoid::WGS84);
      std::optional<Vector3<double>> hit;
      if (interval && interval->start >= 0.0) hit = ray.getPoint(interval->start);
      hits += hit.has_value();
      benchmark::DoNotOptimize(hit);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rays.size()));
  state.counters["hitRatio"] = static_cast<double>(hits) / static_cast<double>(state.iterations() * rays.size());
}

// Eye heights of a walk, a flight and an orbit; views straight down and tilted (from
// orbit a strong tilt would look past the Earth).
#define QEL_TERRAIN_VIEWS \
  ->Args({500, 0})->Args({500, 60})->Args({50000, 0})->Args({50000, 60})->Args({5000000, 0})->Args({5000000, 20})

BENCHMARK(Terrain_Pick) QEL_TERRAIN_VIEWS;
BENCHMARK(Terrain_Pick_Baseline) QEL_TERRAIN_VIEWS;

// Points spread uniformly over the sphere (land and sea as the globe has them).
std::vector<Vector3<double>> surfaceNormals() {
  constexpr std::size_t kNormalCount = 4096;
  std::mt19937_64 bits(kSeed);
  const auto uniform = [&bits](double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(bits() >> 11) * 0x1.0p-53;
  };
  std::vector<Vector3<double>> normals;
  for (std::size_t i = 0; i < kNormalCount; ++i) {
    const double z = uniform(-1.0, 1.0);
    const double longitude = uniform(-Math::PI, Math::PI);
    const double r = std::sqrt(1.0 - z * z);
    normals.emplace_back(r * std::cos(longitude), r * std::sin(longitude), z);
  }
  return normals;
}

void Terrain_ShapeNearNormal(benchmark::State& state) {
  const auto terrain = qel::Terrain::createProcedural();
  const std::vector<Vector3<double>> normals = surfaceNormals();
  for (auto _ : state) {
    for (const Vector3<double>& n : normals) {
      double height = 0.0;
      qel::Terrain::LocalShape shape;
      benchmark::DoNotOptimize(terrain->heightAndShapeNearNormal(n, height, shape));
      benchmark::DoNotOptimize(height);
      benchmark::DoNotOptimize(shape);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * normals.size()));
}

void Terrain_ShapeNearNormal_Baseline(benchmark::State& state) {
  const auto terrain = qel::Terrain::createProcedural();
  const std::vector<Vector3<double>> normals = surfaceNormals();
  for (auto _ : state) {
    for (const Vector3<double>& n : normals) benchmark::DoNotOptimize(terrain->heightAtNormal(n));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * normals.size()));
}

BENCHMARK(Terrain_ShapeNearNormal);
BENCHMARK(Terrain_ShapeNearNormal_Baseline);

}  // namespace
