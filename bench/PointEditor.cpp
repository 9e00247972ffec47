// The point editor's two hot paths beside the same work written plainly.
//  - A drag step runs at every pointer move while a point is dragged: two pick rays met
//    with the sphere through the point, the geographic step between the hits, the write
//    into the geometry, and the frame's placing of the two height handles.
//  - A press picks among everything drawn, and a view may hold very many points: it must
//    cost about what lies near the pointer, not what the scene holds.
//
// Arguments of the press pair: number of point features drawn.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "AllocationCounter.h"
#include "Common/BoundingSphere.h"
#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Data/DataSourceDisplay.h"
#include "Feature/Feature.h"
#include "Feature/PointGeometry.h"
#include "Feature/PointStyle.h"
#include "Feature/PointSymbol.h"
#include "Manipulator/PointEditorImpl.h"
#include "Scene/SceneImpl.h"
#include "Scene/SceneTransforms.h"
#include "Viewer/ViewerImpl.h"

namespace {

using qel::Cartographic;
using qel::Ellipsoid;
using qel::Vector2;
using qel::Vector3;

constexpr std::uint64_t kSeed = 0x5e17ULL;  // same scene and probes for both sides of a pair
constexpr int kWidth = 800;                 // the scene's default window
constexpr int kHeight = 600;
constexpr int kPressPickSize = 3;     // the editor's press window
constexpr double kEntityMark = 12.0;  // footprint (pixels) a point feature is picked by
constexpr int kProbeCount = 256;      // press positions cycled through
constexpr double kRange = 1000.0;     // eye height over the edited point (metres)

Vector3<double> at(const Cartographic& c) { return Ellipsoid::WGS84.cartographicToCartesian(c); }

// A viewer looking straight down from kRange over (116°, 40°).
std::shared_ptr<qel::ViewerImpl> makeViewer() {
  std::shared_ptr<qel::ViewerImpl> viewer = qel::ViewerImpl::create();
  qel::SceneImpl& scene = viewer->getScene();
  scene.setWindowSize(kWidth, kHeight);
  const Vector3<double> eye = at(Cartographic::fromDegrees(116.0, 40.0, kRange));
  scene.getCamera().setPosition(eye);
  scene.getCamera().setOrientation(
      qel::Transforms::viewHeadingPitchRollToViewQuaternion(eye, {0.0, qel::Math::toRadians(-90.0), 0.0}));
  return viewer;
}

std::shared_ptr<qel::Feature::Feature> addPoint(qel::SceneImpl& scene, const Cartographic& position) {
  auto feature = std::make_shared<qel::Feature::Feature>();
  feature->setGeometry(std::make_shared<qel::Feature::PointGeometry>(position));
  // Drawn as a round point of kEntityMark pixels: what the press finds it by.
  auto style = std::make_shared<qel::Feature::PointStyle>();
  auto dot = std::make_shared<qel::Feature::PointSymbol>();
  dot->setPixelSize(kEntityMark);
  style->setPointSymbol(dot);
  feature->setStyle(style);
  scene._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->add(feature);
  return feature;
}

// ---------------------------------------------------------------------------------------
// Drag step

struct DragScene {
  DragScene() : viewer(makeViewer()), editor(std::make_shared<qel::PointEditorImpl>()) {
    editor->attachTo(*viewer, editor);
    feature = addPoint(viewer->getScene(), Cartographic::fromDegrees(116.0, 40.0, 0.0));
    editor->startEditing(feature);
    viewer->frame();
  }
  ~DragScene() { editor->releaseFrom(*viewer); }

  std::shared_ptr<qel::ViewerImpl> viewer;
  std::shared_ptr<qel::PointEditorImpl> editor;
  std::shared_ptr<qel::Feature::Feature> feature;
};

// Back and forth by one pixel, so that every step moves the point.
constexpr float kDragX[2] = {401.0f, 400.0f};
constexpr float kDragY = 300.0f;

void PointEditor_DragStep(benchmark::State& state) {
  DragScene s;
  qel::SceneImpl& scene = s.viewer->getScene();
  qel::FrameState& frame = scene.getFrameState();
  frame.camera = &scene.getCamera();
  frame.projector = scene.getCamera().getWindowProjector();
  const qel::Viewer& face = s.viewer->getViewer();
  s.editor->handle(qel::GUIEventAdapter::makePush(400.0f, kDragY, qel::GUIEventAdapter::LEFT_MOUSE_BUTTON), face);
  if (!s.editor->isSelected()) state.SkipWithError("the press did not select the point");
  std::size_t i = 0;
  qel::bench::AllocationScope allocations(state);
  for (auto _ : state) {
    const auto drag = qel::GUIEventAdapter::makeDrag(kDragX[i++ & 1], kDragY, qel::GUIEventAdapter::LEFT_MOUSE_BUTTON);
    benchmark::DoNotOptimize(s.editor->handle(drag, face));
    frame.drawList.reset(kWidth, kHeight);
    s.editor->update(frame);
  }
}

// The same two rays, sphere hits and conversions, the new position kept in a plain
// struct, and the two handles projected into the window.
void PointEditor_DragStep_Baseline(benchmark::State& state) {
  DragScene s;
  const qel::SceneImpl& scene = s.viewer->getScene();
  const qel::Camera& camera = scene.getCamera();
  Cartographic position = Cartographic::fromDegrees(116.0, 40.0, 0.0);
  std::size_t i = 0;
  Vector2<double> handles;
  for (auto _ : state) {
    const Vector2<float> a{kDragX[(i + 1) & 1], kDragY};
    const Vector2<float> b{kDragX[i & 1], kDragY};
    ++i;
    const Vector3<double> c = at(position);
    const double r = c.length();
    const Ellipsoid sphere(r, r, r);
    const auto visible = qel::SceneTransforms::wgs84ToWindowCoordinates(scene, c);
    const qel::Ray rayB = camera.getPickRay(b);
    const qel::Ray rayA = camera.getPickRay(a);
    const auto hitB = qel::IntersectionTests::intersects(rayB, sphere);
    const auto hitA = qel::IntersectionTests::intersects(rayA, sphere);
    if (!visible || !hitB || !hitA) continue;
    const auto to = sphere.cartesianToCartographic(rayB.getPoint(hitB->start > 0.0 ? hitB->start : hitB->stop));
    const auto from = sphere.cartesianToCartographic(rayA.getPoint(hitA->start > 0.0 ? hitA->start : hitA->stop));
    const auto current = Ellipsoid::WGS84.cartesianToCartographic(c);
    if (!to || !from || !current) continue;
    position = {current->longitude + to->longitude - from->longitude, current->latitude + to->latitude - from->latitude,
                current->height};
    const Vector3<double> moved = at(position);
    for (int h = 0; h < 2; ++h) handles = handles + camera.worldToWindow(moved).value_or(Vector2<double>{});
    benchmark::DoNotOptimize(position);
    benchmark::DoNotOptimize(handles);
  }
}

// ---------------------------------------------------------------------------------------
// Press

struct PressScene {
  explicit PressScene(int count) : viewer(makeViewer()), editor(std::make_shared<qel::PointEditorImpl>()) {
    qel::SceneImpl& scene = viewer->getScene();
    editor->attachTo(*viewer, editor);
    std::mt19937_64 bits(kSeed);
    std::uniform_real_distribution<double> x(0.0, kWidth), y(0.0, kHeight);
    const qel::Camera& camera = scene.getCamera();
    for (int i = 0; i < count; ++i) {
      const qel::Ray ray = camera.getPickRay({static_cast<float>(x(bits)), static_cast<float>(y(bits))});
      const auto hit = qel::IntersectionTests::intersects(ray, Ellipsoid::WGS84);
      const Vector3<double> onEarth = ray.getPoint(hit ? hit->start : kRange);
      const Cartographic place = Ellipsoid::WGS84.cartesianToCartographic(onEarth).value_or(Cartographic{});
      positions.push_back(at(place));
      const auto feature = addPoint(scene, place);
      if (i == 0) edited = feature;
    }
    editor->startEditing(edited);
    viewer->frame();
    std::uniform_int_distribution<int> px(0, kWidth - 1), py(0, kHeight - 1);
    for (int i = 0; i < kProbeCount; ++i) probes.emplace_back(px(bits), py(bits));
  }
  ~PressScene() { editor->releaseFrom(*viewer); }

  std::shared_ptr<qel::ViewerImpl> viewer;
  std::shared_ptr<qel::PointEditorImpl> editor;
  std::shared_ptr<qel::Feature::Feature> edited;
  std::vector<Vector3<double>> positions;
  std::vector<Vector2<int>> probes;
};

void PointEditor_Press(benchmark::State& state) {
  PressScene s(static_cast<int>(state.range(0)));
  const qel::Viewer& face = s.viewer->getViewer();
  std::size_t i = 0;
  for (auto _ : state) {
    const Vector2<int> p = s.probes[i++ % s.probes.size()];
    const auto press = qel::GUIEventAdapter::makePush(static_cast<float>(p.x), static_cast<float>(p.y),
                                                      qel::GUIEventAdapter::LEFT_MOUSE_BUTTON);
    benchmark::DoNotOptimize(s.editor->handle(press, face));
  }
}

// Every point projected into the window and its footprint tested, nearest wins.
void PointEditor_Press_Baseline(benchmark::State& state) {
  PressScene s(static_cast<int>(state.range(0)));
  const qel::Camera& camera = s.viewer->getScene().getCamera();
  std::size_t i = 0;
  for (auto _ : state) {
    const Vector2<int> p = s.probes[i++ % s.probes.size()];
    const double x0 = p.x - kPressPickSize / 2, y0 = p.y - kPressPickSize / 2;
    const double x1 = x0 + kPressPickSize, y1 = y0 + kPressPickSize;
    std::size_t best = s.positions.size();
    double bestDistance = 0.0;
    for (std::size_t k = 0; k < s.positions.size(); ++k) {
      const std::optional<Vector2<double>> w = camera.worldToWindow(s.positions[k]);
      if (!w) continue;
      const double half = 0.5 * kEntityMark;
      if (w->x + half <= x0 || w->x - half >= x1 || w->y + half <= y0 || w->y - half >= y1) continue;
      const double d = std::hypot(w->x - p.x, w->y - p.y);
      if (best == s.positions.size() || d < bestDistance) {
        best = k;
        bestDistance = d;
      }
    }
    benchmark::DoNotOptimize(best);
  }
}

}  // namespace

BENCHMARK(PointEditor_DragStep);
BENCHMARK(PointEditor_DragStep_Baseline);
BENCHMARK(PointEditor_Press)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PointEditor_Press_Baseline)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
