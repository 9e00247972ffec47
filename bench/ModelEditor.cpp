// The model editor's hot paths beside the same work written plainly.
//  - A gizmo drag step runs at every pointer move while a part is dragged: two pick rays
//    carried into the gizmo's frame and met with an arrow, the ring or the sphere
//    through the model (or the window scale factor of a corner), then the transform
//    step written into the model feature and the changed event.
//  - A hover runs at every pointer move: it picks among everything the frame drew, and
//    a view may hold very many other primitives; it must cost about what lies near the
//    pointer, not what the scene holds.
//  - The rebuild runs in every frame after a change: the box size, the gizmo's frame and
//    the parts placed there.
//
// Arguments of the hover pair: number of other point primitives drawn.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "AllocationCounter.h"
#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Data/DataSourceDisplay.h"
#include "Feature/Feature.h"
#include "Feature/ModelSymbol.h"
#include "Feature/PointGeometry.h"
#include "Feature/PointStyle.h"
#include "Manipulator/ModelEditorImpl.h"
#include "Scene/PointPrimitiveCollection.h"
#include "Scene/SceneImpl.h"
#include "Scene/SceneTransforms.h"
#include "Viewer/ViewerImpl.h"

namespace {

using qel::Cartographic;
using qel::Controller;
using qel::Ellipsoid;
using qel::GUIEventAdapter;
using qel::Matrix4;
using qel::Ray;
using qel::Vector2;
using qel::Vector3;

constexpr std::uint64_t kSeed = 0x90d0ULL;  // same scene and probes for both sides of a pair
constexpr int kWidth = 800;                 // the scene's default window
constexpr int kHeight = 600;
constexpr int kHoverPickSize = 10;    // the editor's hover window
constexpr double kEyeDistance = 5.0;  // eye distance from the model, in gizmo reaches
const Cartographic kModelPlace = Cartographic::fromDegrees(116.0, 40.0, 0.0);

Vector3<double> at(const Cartographic& c) { return Ellipsoid::WGS84.cartographicToCartesian(c); }

// A viewer with one box model feature, the editor on it and the camera looking down at
// the gizmo from a little south-west of overhead, so that the arrows' outer ends stand
// clear of the model.
struct Rig {
  Rig() {
    viewer = qel::ViewerImpl::create();
    scene().setWindowSize(kWidth, kHeight);
    auto symbol = std::make_shared<qel::Feature::ModelSymbol>();
    auto style = std::make_shared<qel::Feature::PointStyle>();
    style->setModelSymbol(symbol);
    feature = std::make_shared<qel::Feature::Feature>();
    feature->setGeometry(std::make_shared<qel::Feature::PointGeometry>(kModelPlace));
    feature->setStyle(style);
    scene()._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->add(feature);
    viewer->frame();
    viewer->frame();
    editor = std::make_shared<qel::ModelEditorImpl>();
    editor->attachTo(*viewer, editor);
    editor->start(feature);
    viewer->frame();
    look({-0.15, -0.05, 1.0});
  }
  ~Rig() { editor->detachFrom(viewer.get()); }
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;

  qel::SceneImpl& scene() const { return viewer->getScene(); }
  const qel::Viewer& face() const { return viewer->getViewer(); }
  const Matrix4& g() const { return editor->getGizmo().getModelMatrix(); }
  double reach() const { return editor->getGizmo().getRingPoints().front().length(); }

  void look(const Vector3<double>& towardEye) {
    const Vector3<double> centre = g().getTranslation();
    const Vector3<double> v = towardEye.normalized();
    const Vector3<double> eye =
        qel::Transforms::eastNorthUpToFixedFrame(centre).multiplyByPoint(v * (kEyeDistance * reach()));
    const double heading = std::atan2(-v.x, -v.y);
    const double pitch = std::atan2(-v.z, std::hypot(v.x, v.y));
    scene().getCamera().setPosition(eye);
    scene().getCamera().setOrientation(
        qel::Transforms::viewHeadingPitchRollToViewQuaternion(eye, {heading, pitch, 0.0}));
    viewer->frame();
  }
  Vector2<float> window(const Vector3<double>& local) const {
    const std::optional<Vector2<double>> w = scene().getCamera().worldToWindow(g().multiplyByPoint(local));
    return w ? Vector2<float>(static_cast<float>(w->x), static_cast<float>(w->y)) : Vector2<float>{};
  }
  void send(const GUIEventAdapter& event) { editor->handle(event, face()); }
  /// Hovers and presses at `a`, ready for drag steps.
  void grab(const Vector2<float>& a) {
    send(GUIEventAdapter::makeMove(a.x, a.y));
    send(GUIEventAdapter::makePush(a.x, a.y, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  }

  std::shared_ptr<qel::ViewerImpl> viewer;
  std::shared_ptr<qel::Feature::Feature> feature;
  std::shared_ptr<qel::ModelEditorImpl> editor;
};

// The pair of window positions each drag goes back and forth between, by part.
struct DragPath {
  Vector2<float> a;
  Vector2<float> b;
};

DragPath pathFor(const Rig& rig, Controller part) {
  const double r = rig.reach();
  switch (part) {
    case Controller::XAxis: return {rig.window({0.92 * r, 0.0, 0.0}), rig.window({1.1 * r, 0.0, 0.0})};
    case Controller::Ring: {
      const std::vector<Vector3<double>>& ring = rig.editor->getGizmo().getRingPoints();
      return {rig.window(ring[60]), rig.window(ring[70])};
    }
    case Controller::Corner: {
      const Vector3<double> h = rig.editor->getGizmo().getCorners()->get(3)->get().position;
      const Vector2<float> a = rig.window(h);
      return {a, {a.x - 10.0f, a.y + 10.0f}};
    }
    default: {
      const Vector3<double> h = rig.editor->getGizmo().getCorners()->get(1)->get().position;
      const Vector2<float> a = rig.window({-0.5 * h.x, -0.5 * h.y, h.z});
      return {a, {a.x + 20.0f, a.y - 12.0f}};
    }
  }
}

Controller partOf(int index) {
  constexpr Controller kParts[] = {Controller::XAxis, Controller::Ring, Controller::Corner, Controller::Object};
  return kParts[index];
}

void BM_ModelEditor_GizmoDrag(benchmark::State& state, int index) {
  Rig rig;
  const Controller part = partOf(index);
  const DragPath path = pathFor(rig, part);
  rig.grab(path.a);
  if (rig.editor->getController() != part) {
    state.SkipWithError("the part is not under the pointer");
    return;
  }
  const GUIEventAdapter there = GUIEventAdapter::makeDrag(path.b.x, path.b.y, GUIEventAdapter::LEFT_MOUSE_BUTTON);
  const GUIEventAdapter back = GUIEventAdapter::makeDrag(path.a.x, path.a.y, GUIEventAdapter::LEFT_MOUSE_BUTTON);
  bool forth = true;
  qel::bench::AllocationScope allocations(state);
  for (auto _ : state) {
    rig.send(forth ? there : back);
    forth = !forth;
  }
}

// The same step written plainly: the rays, the gizmo frame's inverse, the closest points
// (or the window scale, or the sphere hits) and the geographic conversions of the move,
// with nothing written anywhere.
void BM_ModelEditor_GizmoDrag_Baseline(benchmark::State& state, int index) {
  Rig rig;
  const Controller part = partOf(index);
  const DragPath path = pathFor(rig, part);
  const qel::Camera& camera = rig.scene().getCamera();
  const std::vector<Vector3<double>> ring = rig.editor->getGizmo().getRingPoints();
  const Matrix4 g = rig.g();
  const Cartographic place = kModelPlace;
  bool forth = true;
  qel::bench::AllocationScope allocations(state);
  for (auto _ : state) {
    const Vector2<float> a = forth ? path.a : path.b;
    const Vector2<float> b = forth ? path.b : path.a;
    forth = !forth;
    const Ray ra = camera.getPickRay(a);
    const Ray rb = camera.getPickRay(b);
    double result = 0.0;
    if (part == Controller::Corner) {
      const std::optional<Vector2<double>> c =
          qel::SceneTransforms::wgs84ToWindowCoordinates(rig.scene(), g.getTranslation());
      const double mx = std::abs(b.x - a.x) / kWidth;
      const double my = std::abs(a.y - b.y) / kHeight;
      result = c ? 1.0 + 2.5 * (mx + my) : 0.0;
    } else if (part == Controller::Object) {
      const double r = at(place).length();
      const Ellipsoid sphere(r, r, r);
      const auto ha = qel::IntersectionTests::intersects(ra, sphere);
      const auto hb = qel::IntersectionTests::intersects(rb, sphere);
      if (ha && hb) {
        const auto ca = Ellipsoid::WGS84.cartesianToCartographic(ra.getPoint(ha->start));
        const auto cb = Ellipsoid::WGS84.cartesianToCartographic(rb.getPoint(hb->start));
        if (ca && cb) result = cb->longitude - ca->longitude;
      }
    } else {
      const Matrix4 inverse = g.inverse();
      const Vector3<double> oa = inverse.multiplyByPoint(ra.origin);
      const Vector3<double> da = inverse.multiplyByPointAsVector(ra.direction);
      const Vector3<double> ob = inverse.multiplyByPoint(rb.origin);
      const Vector3<double> db = inverse.multiplyByPointAsVector(rb.direction);
      std::optional<Vector3<double>> pa;
      std::optional<Vector3<double>> pb;
      if (part == Controller::XAxis) {
        const auto ca = qel::IntersectionTests::computeClosestPoints(oa, oa + da, {}, Vector3<double>::unitX());
        const auto cb = qel::IntersectionTests::computeClosestPoints(ob, ob + db, {}, Vector3<double>::unitX());
        if (ca) pa = ca->second;
        if (cb) pb = cb->second;
      } else {
        double best[2] = {1e300, 1e300};
        for (int side = 0; side < 2; ++side) {
          const Vector3<double> o = side == 0 ? oa : ob;
          const Vector3<double> d = side == 0 ? da : db;
          for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
            const auto c = qel::IntersectionTests::computeClosestPoints(o, o + d, ring[i], ring[i + 1]);
            if (!c) continue;
            const Vector3<double> q = c->second;
            const Vector3<double> off = q - o;
            const double dist = (off - d * (off.dot(d) / d.lengthSquared())).lengthSquared();
            if (dist < best[side]) {
              best[side] = dist;
              (side == 0 ? pa : pb) = q;
            }
          }
        }
      }
      if (pa && pb) {
        // The move's conversions: the centre and the moved centre, and the two frames.
        const Vector3<double> centre = g.getTranslation();
        const Vector3<double> moved = g.multiplyByPoint(*pb - *pa);
        const auto from = Ellipsoid::WGS84.cartesianToCartographic(centre);
        const auto to = Ellipsoid::WGS84.cartesianToCartographic(moved);
        if (from && to) {
          const Matrix4 shift = qel::Transforms::eastNorthUpToFixedFrame(at(*to)) *
                                qel::Transforms::eastNorthUpToFixedFrame(at(*from)).inverse();
          result = shift(0, 3);
        }
      }
    }
    benchmark::DoNotOptimize(result);
  }
}

BENCHMARK_CAPTURE(BM_ModelEditor_GizmoDrag, Axis, 0)->Name("ModelEditor_GizmoDrag/Axis");
BENCHMARK_CAPTURE(BM_ModelEditor_GizmoDrag_Baseline, Axis, 0)->Name("ModelEditor_GizmoDrag_Baseline/Axis");
BENCHMARK_CAPTURE(BM_ModelEditor_GizmoDrag, Ring, 1)->Name("ModelEditor_GizmoDrag/Ring");
BENCHMARK_CAPTURE(BM_ModelEditor_GizmoDrag_Baseline, Ring, 1)->Name("ModelEditor_GizmoDrag_Baseline/Ring");
BENCHMARK_CAPTURE(BM_ModelEditor_GizmoDrag, Corner, 2)->Name("ModelEditor_GizmoDrag/Corner");
BENCHMARK_CAPTURE(BM_ModelEditor_GizmoDrag_Baseline, Corner, 2)->Name("ModelEditor_GizmoDrag_Baseline/Corner");
BENCHMARK_CAPTURE(BM_ModelEditor_GizmoDrag, Model, 3)->Name("ModelEditor_GizmoDrag/Model");
BENCHMARK_CAPTURE(BM_ModelEditor_GizmoDrag_Baseline, Model, 3)->Name("ModelEditor_GizmoDrag_Baseline/Model");

// ---------------------------------------------------------------------------------------
// Hover among many other primitives

// N points scattered over the view, none under the x arrow's probe, drawn in one frame.
std::shared_ptr<qel::PointPrimitiveCollection> scatter(Rig& rig, int n) {
  auto points = std::make_shared<qel::PointPrimitiveCollection>(&rig.scene(), true, std::nullopt);
  std::mt19937_64 random(kSeed);
  std::uniform_real_distribution<double> lon(115.99, 116.01);
  std::uniform_real_distribution<double> lat(39.99, 40.01);
  for (int i = 0; i < n; ++i) {
    qel::PointPrimitive::ConstructorOptions options;
    options.position = at(Cartographic::fromDegrees(lon(random), lat(random), 0.0));
    options.pixelSize = 4.0;
    points->add(std::move(options));
  }
  rig.scene().getPrimitives().add(points);
  rig.viewer->frame();
  return points;
}

void BM_ModelEditor_Hover(benchmark::State& state) {
  Rig rig;
  const auto others = scatter(rig, static_cast<int>(state.range(0)));
  const Vector2<float> probe = rig.window({0.95 * rig.reach(), 0.0, 0.0});
  const GUIEventAdapter over = GUIEventAdapter::makeMove(probe.x, probe.y);
  qel::TaskQueue& tasks = rig.scene().getFrameState().taskQueue;
  qel::bench::AllocationScope allocations(state);
  for (auto _ : state) {
    rig.send(over);
    // The highlight each hover queues runs with the frame; run it here so the queue
    // stays short.
    tasks.runAll();
  }
  if (rig.editor->getController() != Controller::XAxis) state.SkipWithError("the x arrow is not under the pointer");
}

// Brute force: every drawn item projected and tested against the hover window.
void BM_ModelEditor_Hover_Baseline(benchmark::State& state) {
  Rig rig;
  const auto others = scatter(rig, static_cast<int>(state.range(0)));
  const Vector2<float> probe = rig.window({0.95 * rig.reach(), 0.0, 0.0});
  const qel::Camera& camera = rig.scene().getCamera();
  const qel::DrawList& drawn = rig.scene().getLastFrame();
  const double half = kHoverPickSize / 2.0;
  qel::bench::AllocationScope allocations(state);
  for (auto _ : state) {
    const qel::DrawItem* nearest = nullptr;
    double nearestDistance = 1e300;
    for (const qel::DrawItem& item : drawn.items()) {
      const std::optional<Vector2<double>> w = camera.worldToWindow(item.position);
      if (!w) continue;
      const double dx = w->x - probe.x;
      const double dy = w->y - probe.y;
      if (std::abs(dx) > half || std::abs(dy) > half) continue;
      const double d = dx * dx + dy * dy;
      if (d < nearestDistance) {
        nearestDistance = d;
        nearest = &item;
      }
    }
    benchmark::DoNotOptimize(nearest);
  }
}

BENCHMARK(BM_ModelEditor_Hover)->Name("ModelEditor_Hover")->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_ModelEditor_Hover_Baseline)->Name("ModelEditor_Hover_Baseline")->Arg(1000)->Arg(10000)->Arg(100000);

// ---------------------------------------------------------------------------------------
// Rebuild

void BM_ModelEditor_Rebuild(benchmark::State& state) {
  Rig rig;
  qel::bench::AllocationScope allocations(state);
  for (auto _ : state) rig.editor->update(rig.scene(), nullptr, rig.feature);
}

// D, G and the ring points alone, from the model's own numbers.
void BM_ModelEditor_Rebuild_Baseline(benchmark::State& state) {
  Rig rig;
  const Vector3<double> half = rig.editor->getGizmo().getCorners()->get(1)->get().position;
  // An unturned, unscaled model: its frame is the east-north-up frame at its centre.
  const Matrix4 model = qel::Transforms::eastNorthUpToFixedFrame(rig.g().getTranslation());
  std::vector<Vector3<double>> ring(101);
  qel::bench::AllocationScope allocations(state);
  for (auto _ : state) {
    const Vector3<double> d = half * 2.0;
    const Vector3<double> s = model.getScale();
    const qel::Matrix3 turn =
        qel::Matrix3::fromColumns(model.getColumn3(0) / s.x, model.getColumn3(1) / s.y, model.getColumn3(2) / s.z);
    const Matrix4 g = Matrix4::fromTranslationQuaternionRotationScale(model.getTranslation(),
                                                                      qel::Quaternion::fromRotationMatrix(turn), s);
    const double r = d.length() / 2.0;
    for (int i = 0; i < 100; ++i) {
      const double theta = i * qel::Math::TWO_PI / 100.0;
      ring[static_cast<std::size_t>(i)] = {r * std::cos(theta), r * std::sin(theta), 0.0};
    }
    ring[100] = ring[0];
    benchmark::DoNotOptimize(g);
    benchmark::DoNotOptimize(ring.data());
  }
}

BENCHMARK(BM_ModelEditor_Rebuild)->Name("ModelEditor_Rebuild");
BENCHMARK(BM_ModelEditor_Rebuild_Baseline)->Name("ModelEditor_Rebuild_Baseline");

}  // namespace
