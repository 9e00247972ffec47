// The line editor's per-event costs beside plain loops doing the least the same job
// needs. A vertex drag writes the line and rebuilds the handles at the next frame; a
// hover scans the vertex handles' window positions; the ground distance of a rubber band
// samples the terrain along it.
//
// Arguments: vertex count of the edited line (drag, hover); surface tile level (ground
// distance, over a 1 km band).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "PlainVertexDrag.h"
#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Data/DataSource.h"
#include "Data/DataSourceDisplay.h"
#include "Feature/Feature.h"
#include "Feature/FeatureGroup.h"
#include "Feature/PolylineGeometry.h"
#include "Manipulator/Measure.h"
#include "Manipulator/PolylineEditorImpl.h"
#include "Scene/SceneImpl.h"
#include "Viewer/GUIEventAdapter.h"
#include "Viewer/Viewer.h"
#include "Viewer/ViewerImpl.h"

namespace {

using qel::Cartographic;
using qel::Vector2;
using qel::Vector3;

constexpr double kEyeHeight = 2000.0;   // metres above flat ground, looking straight down
constexpr double kLineSpan = 1500.0;    // metres the edited line runs across the view
constexpr float kGrabbed = 400.0f;      // window x of the grabbed vertex (the view's centre)
constexpr double kBandLength = 1000.0;  // metres of the measured rubber band

const Cartographic kCentre = Cartographic::fromDegrees(10.0, 20.0, 0.0);

// A viewer looking down on a line of `count` vertices running east through the view's
// centre, edited by a line editor bound to it.
struct EditedLine {
  explicit EditedLine(int count, bool middlePoints = true) : viewer(qel::ViewerImpl::create()), face(viewer) {
    qel::SceneImpl& scene = viewer->getScene();
    scene.getGlobe().setTerrain(qel::Terrain::createFlat(0.0));
    scene.setWindowSize(800, 600);
    const Vector3<double> eye =
        qel::Ellipsoid::WGS84.cartographicToCartesian({kCentre.longitude, kCentre.latitude, kEyeHeight});
    scene.getCamera().setPosition(eye);
    scene.getCamera().setOrientation(
        qel::Transforms::viewHeadingPitchRollToViewQuaternion(eye, {0.0, -qel::Math::PI_OVER_TWO, 0.0}));
    const double metresPerRadian = qel::Ellipsoid::WGS84.getRadii().x * std::cos(kCentre.latitude);
    std::vector<Cartographic> positions;
    for (int i = 0; i < count; ++i) {
      // The middle vertex sits at the centre of the view.
      const double east = kLineSpan * (static_cast<double>(i) / count - 0.5);
      positions.push_back({kCentre.longitude + east / metresPerRadian, kCentre.latitude, 0.0});
    }
    grabbedIndex = count / 2;
    feature = std::make_shared<qel::Feature::Feature>();
    feature->setGeometry(std::make_shared<qel::Feature::PolylineGeometry>(positions));
    scene._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->add(feature);
    editor = std::make_shared<qel::PolylineEditorImpl>();
    editor->attachTo(*viewer, editor);
    editor->setMiddlePointVisible(middlePoints);
    editor->startEditing(feature);
    viewer->frame();
    viewer->frame();
  }
  ~EditedLine() { editor->detachFrom(viewer.get()); }

  // One update of the editor into a fresh draw list, as the scene's frame runs it.
  void update() {
    qel::FrameState& frameState = viewer->getScene().getFrameState();
    frameState.drawList.reset(800, 600);
    editor->update(frameState);
  }

  std::shared_ptr<qel::ViewerImpl> viewer;
  qel::Viewer face;
  std::shared_ptr<qel::Feature::Feature> feature;
  std::shared_ptr<qel::PolylineEditorImpl> editor;
  int grabbedIndex = 0;
};

void PolylineEditor_VertexDrag(benchmark::State& state) {
  EditedLine line(static_cast<int>(state.range(0)));
  const float y = 300.0f;
  const auto window = line.viewer->getScene().getCamera().worldToWindow(qel::Ellipsoid::WGS84.cartographicToCartesian(
      line.editor->currentPositions()[static_cast<std::size_t>(line.grabbedIndex)]));
  const float x = window ? static_cast<float>(window->x) : kGrabbed;
  line.editor->handle(qel::GUIEventAdapter::makePush(x, y, qel::GUIEventAdapter::LEFT_MOUSE_BUTTON), line.face);
  // Vertices lie closer than a pixel apart: the first one under the pointer is grabbed.
  if (line.editor->getSelectedIndex() < 0) state.SkipWithError("no vertex was grabbed");
  bool right = true;
  for (auto _ : state) {
    // Back and forth by a pixel, so that the line stays in view.
    const float to = x + (right ? 1.0f : 0.0f);
    right = !right;
    line.editor->handle(qel::GUIEventAdapter::makeDrag(to, y, qel::GUIEventAdapter::LEFT_MOUSE_BUTTON), line.face);
    line.update();
  }
}

// The least a drag must do: copy the positions, change one, rebuild a plain record per
// vertex point.
void PolylineEditor_VertexDrag_Baseline(benchmark::State& state) {
  EditedLine line(static_cast<int>(state.range(0)));
  qel::bench::runPlainVertexDrag(state, line.editor->currentPositions(), static_cast<std::size_t>(line.grabbedIndex));
}

void PolylineEditor_Hover(benchmark::State& state) {
  // Middle points hidden: the scan covers the vertex points alone, as the baseline does.
  EditedLine line(static_cast<int>(state.range(0)), false);
  // Over empty ground far from the line: every handle is tested.
  const qel::GUIEventAdapter move = qel::GUIEventAdapter::makeMove(400.0f, 50.0f);
  for (auto _ : state) benchmark::DoNotOptimize(line.editor->handle(move, line.face));
}

// Project every vertex point into the window in a plain loop.
void PolylineEditor_Hover_Baseline(benchmark::State& state) {
  EditedLine line(static_cast<int>(state.range(0)), false);
  const qel::Camera& camera = line.viewer->getScene().getCamera();
  std::vector<Vector3<double>> points;
  for (const Cartographic& p : line.editor->currentPositions()) {
    points.push_back(qel::Ellipsoid::WGS84.cartographicToCartesian(p));
  }
  for (auto _ : state) {
    int hit = -1;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const auto at = camera.worldToWindow(points[i]);
      if (at && std::abs(at->x - 400.0) < 5.0 && std::abs(at->y - 50.0) < 5.0) {
        hit = static_cast<int>(i);
        break;
      }
    }
    benchmark::DoNotOptimize(hit);
  }
}

struct Band {
  explicit Band(int level) {
    globe.getSurface().tileLevel = level;
    const double metresPerRadian = qel::Ellipsoid::WGS84.getRadii().x * std::cos(kCentre.latitude);
    a = qel::Ellipsoid::WGS84.cartographicToCartesian(kCentre);
    b = qel::Ellipsoid::WGS84.cartographicToCartesian(
        {kCentre.longitude + kBandLength / metresPerRadian, kCentre.latitude, 0.0});
  }
  qel::GlobeImpl globe;  // the procedural relief
  Vector3<double> a;
  Vector3<double> b;
};

void Measure_GroundDistance(benchmark::State& state) {
  Band band(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(qel::Measure::groundDistance(band.globe, band.a, band.b));
}

// As many terrain heights as the measurement reads, in a plain loop.
void Measure_GroundDistance_Baseline(benchmark::State& state) {
  Band band(static_cast<int>(state.range(0)));
  const int level = std::min(static_cast<int>(state.range(0)) + 2, 24);
  const double step = qel::Math::TWO_PI / std::ldexp(1.0, level) / 129.0;
  const auto ga = *qel::Ellipsoid::WGS84.cartesianToCartographic(band.a);
  const auto gb = *qel::Ellipsoid::WGS84.cartesianToCartographic(band.b);
  const double theta = std::acos(band.a.normalized().dot(band.b.normalized()));
  const auto n = static_cast<long long>(std::floor(theta / step));
  for (auto _ : state) {
    double sum = band.globe.getHeight(ga).value_or(0.0) + band.globe.getHeight(gb).value_or(0.0);
    for (long long k = 1; k < n; ++k) {
      const double t = static_cast<double>(k) / static_cast<double>(n);
      sum += band.globe.getHeight({ga.longitude + (gb.longitude - ga.longitude) * t, ga.latitude, 0.0}).value_or(0.0);
    }
    benchmark::DoNotOptimize(sum);
  }
}

}  // namespace

BENCHMARK(PolylineEditor_VertexDrag)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PolylineEditor_VertexDrag_Baseline)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PolylineEditor_Hover)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PolylineEditor_Hover_Baseline)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(Measure_GroundDistance)->Arg(10)->Arg(16)->Arg(22)->Unit(benchmark::kMicrosecond);
BENCHMARK(Measure_GroundDistance_Baseline)->Arg(10)->Arg(16)->Arg(22)->Unit(benchmark::kMicrosecond);
