// Picks over what a frame drew, beside walking every drawn footprint. A click pick runs
// at every release of the picker and at every pointer move of the model editor's hover
// test, and a view can hold many thousands of marks, so a pick must cost about what lies
// near the pointer. The grid that makes it so is built at the first pick of a frame:
// its build is measured beside the projection every frame already pays for each point.
//
// Argument: number of points drawn (10 px each, spread over an 800 × 600 window).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Scene/DrawList.h"
#include "Scene/PointPrimitiveCollection.h"
#include "Scene/SceneImpl.h"

namespace {

using qel::DrawItem;
using qel::DrawList;
using qel::Vector2;
using qel::Vector3;

constexpr std::uint64_t kSeed = 0x91c4ULL;  // same scene and probes for both sides of a pair
constexpr int kWidth = 800;                 // the scene's default window
constexpr int kHeight = 600;
constexpr double kPointSize = 10.0;   // pixels, as the gizmo's corner points are drawn
constexpr int kPickSize = 10;         // the picker's and the gizmo's pick window
constexpr int kProbeCount = 256;      // pick positions cycled through
constexpr int kRectangleWidth = 120;  // a rectangle a user drags over part of the view
constexpr int kRectangleHeight = 90;

// A scene drawing `count` points at random pixels 500 m to 5 km from an eye 2 km up.
struct PickScene {
  explicit PickScene(int count) {
    const Vector3<double> eye =
        qel::Ellipsoid::WGS84.cartographicToCartesian(qel::Cartographic::fromDegrees(10.0, 20.0, 2000.0));
    scene.getCamera().setPosition(eye);
    scene.getCamera().setOrientation(
        qel::Transforms::viewHeadingPitchRollToViewQuaternion(eye, {0.0, qel::Math::toRadians(-45.0), 0.0}));
    std::mt19937 bits(kSeed);
    std::uniform_real_distribution<double> x(0.0, kWidth), y(0.0, kHeight), distance(500.0, 5000.0);
    auto points = std::make_shared<qel::PointPrimitiveCollection>(&scene, false, std::nullopt);
    for (int i = 0; i < count; ++i) {
      qel::PointPrimitive::ConstructorOptions o;
      o.position = scene.getCamera()
                       .getPickRay({static_cast<float>(x(bits)), static_cast<float>(y(bits))})
                       .getPoint(distance(bits));
      o.pixelSize = kPointSize;
      positions.push_back(o.position);
      points->add(o);
    }
    scene.getPrimitives().add(points);
    scene.render({});
    std::uniform_int_distribution<int> px(0, kWidth - 1), py(0, kHeight - 1);
    for (int i = 0; i < kProbeCount; ++i) probes.emplace_back(px(bits), py(bits));
  }
  qel::SceneImpl scene;
  std::vector<Vector3<double>> positions;
  std::vector<Vector2<int>> probes;
};

void Scene_Pick(benchmark::State& state) {
  PickScene s(static_cast<int>(state.range(0)));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.scene.pick(s.probes[i++ % s.probes.size()], kPickSize, kPickSize));
  }
}

// Every footprint tested, the same winner rule.
void Scene_Pick_Baseline(benchmark::State& state) {
  PickScene s(static_cast<int>(state.range(0)));
  const std::span<const DrawItem> items = s.scene.getLastFrame().items();
  std::size_t i = 0;
  std::shared_ptr<qel::PickObject> kept;
  for (auto _ : state) {
    const Vector2<int> p = s.probes[i++ % s.probes.size()];
    const qel::WindowBox window{p.x - kPickSize / 2.0, p.y - kPickSize / 2.0, p.x + kPickSize / 2.0,
                                p.y + kPickSize / 2.0};
    const Vector2<double> centre{static_cast<double>(p.x), static_cast<double>(p.y)};
    std::size_t best = items.size();
    double bestDistance = 0.0;
    for (std::size_t k = 0; k < items.size(); ++k) {
      if (!items[k].shown || !DrawList::meets(items[k], window)) continue;
      const double d = DrawList::distanceTo(items[k], centre);
      if (best == items.size() || DrawList::beats(items[k], k, d, items[best], best, bestDistance)) {
        best = k;
        bestDistance = d;
      }
    }
    kept = best < items.size() ? std::make_shared<qel::PickObject>(items[best]) : nullptr;
    benchmark::DoNotOptimize(kept);
    benchmark::DoNotOptimize(bestDistance);
  }
}

// The first pick of a frame: the grid is built, then searched.
void Scene_PickIndex(benchmark::State& state) {
  PickScene s(static_cast<int>(state.range(0)));
  DrawList& frame = const_cast<DrawList&>(s.scene.getLastFrame());
  for (auto _ : state) {
    frame.dropIndex();
    benchmark::DoNotOptimize(frame.pick(s.probes[0], kPickSize, kPickSize));
  }
}

// What every frame already does for each point: project it into the window.
void Scene_PickIndex_Baseline(benchmark::State& state) {
  PickScene s(static_cast<int>(state.range(0)));
  const qel::Camera& camera = s.scene.getCamera();
  for (auto _ : state) {
    double sum = 0.0;
    for (const Vector3<double>& p : s.positions) sum += camera.worldToWindow(p).value_or(Vector2<double>{}).x;
    benchmark::DoNotOptimize(sum);
  }
}

void Scene_RectanglePick(benchmark::State& state) {
  PickScene s(static_cast<int>(state.range(0)));
  std::size_t i = 0;
  for (auto _ : state) {
    const Vector2<int> p = s.probes[i++ % s.probes.size()];
    benchmark::DoNotOptimize(s.scene.rectanglePick(p, kRectangleWidth, kRectangleHeight));
  }
}

// Every footprint tested; the same objects handed back.
void Scene_RectanglePick_Baseline(benchmark::State& state) {
  PickScene s(static_cast<int>(state.range(0)));
  const std::span<const DrawItem> items = s.scene.getLastFrame().items();
  std::size_t i = 0;
  for (auto _ : state) {
    const Vector2<int> p = s.probes[i++ % s.probes.size()];
    const qel::WindowBox window{static_cast<double>(p.x), static_cast<double>(p.y),
                                static_cast<double>(p.x + kRectangleWidth),
                                static_cast<double>(p.y + kRectangleHeight)};
    std::vector<std::shared_ptr<qel::PickObject>> found;
    for (const DrawItem& item : items) {
      if (item.shown && item.selectable && DrawList::meets(item, window))
        found.push_back(std::make_shared<qel::PickObject>(item));
    }
    benchmark::DoNotOptimize(found);
  }
}

}  // namespace

BENCHMARK(Scene_Pick)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(Scene_Pick_Baseline)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(Scene_PickIndex)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(Scene_PickIndex_Baseline)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(Scene_RectanglePick)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(Scene_RectanglePick_Baseline)->Arg(1000)->Arg(10000)->Arg(100000);
