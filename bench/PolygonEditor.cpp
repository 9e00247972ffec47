// The area editor's per-event costs beside plain loops doing the least the same job
// needs. A vertex drag writes the ring, and the next frame rebuilds the handles and the
// outline; a move while drawing writes the ring's floating vertex, and the next frame
// rebuilds the outline.
//
// Argument: vertex count of the ring.
#include <benchmark/benchmark.h>

#include <cmath>
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
#include "Feature/PolygonGeometry.h"
#include "Feature/PolygonStyle.h"
#include "Manipulator/PolygonEditorImpl.h"
#include "Scene/SceneImpl.h"
#include "Viewer/GUIEventAdapter.h"
#include "Viewer/Viewer.h"
#include "Viewer/ViewerImpl.h"

namespace {

using qel::Cartographic;
using qel::GUIEventAdapter;
using qel::Vector3;

constexpr double kEyeHeight = 2000.0;  // metres above flat ground, looking straight down
constexpr double kRadius = 600.0;      // metres from the view's centre to the ring
constexpr float kWindowWidth = 800.0f;
constexpr float kWindowHeight = 600.0f;

const Cartographic kCentre = Cartographic::fromDegrees(10.0, 20.0, 0.0);

// A viewer looking down on flat ground and an area editor bound to it, editing a ring of
// `count` vertices on a circle about the view's centre, or drawing one.
struct AreaScene {
  explicit AreaScene(int count) : viewer(qel::ViewerImpl::create()), face(viewer) {
    qel::SceneImpl& scene = viewer->getScene();
    scene.getGlobe().setTerrain(qel::Terrain::createFlat(0.0));
    scene.setWindowSize(static_cast<int>(kWindowWidth), static_cast<int>(kWindowHeight));
    const Vector3<double> eye =
        qel::Ellipsoid::WGS84.cartographicToCartesian({kCentre.longitude, kCentre.latitude, kEyeHeight});
    scene.getCamera().setPosition(eye);
    scene.getCamera().setOrientation(
        qel::Transforms::viewHeadingPitchRollToViewQuaternion(eye, {0.0, -qel::Math::PI_OVER_TWO, 0.0}));
    const double metresPerRadianEast = qel::Ellipsoid::WGS84.getRadii().x * std::cos(kCentre.latitude);
    const double metresPerRadianNorth = qel::Ellipsoid::WGS84.getRadii().x;
    for (int i = 0; i < count; ++i) {
      const double angle = qel::Math::TWO_PI * i / count;
      ring.push_back({kCentre.longitude + kRadius * std::cos(angle) / metresPerRadianEast,
                      kCentre.latitude + kRadius * std::sin(angle) / metresPerRadianNorth, 0.0});
    }
    editor = std::make_shared<qel::PolygonEditorImpl>();
    editor->attachTo(*viewer, editor);
    // In space: the outline is a plain line, and every vertex keeps its own height.
    editor->setStyle(std::make_shared<qel::Feature::PolygonStyle>(qel::HeightReference::None));
  }
  ~AreaScene() { editor->detachFrom(viewer.get()); }

  void edit() {
    feature = std::make_shared<qel::Feature::Feature>();
    feature->setGeometry(std::make_shared<qel::Feature::PolygonGeometry>(qel::Feature::PolygonHierarchy{ring, {}}));
    feature->setStyle(editor->getStyle());
    viewer->getScene()._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->add(feature);
    editor->startEditing(feature);
    viewer->frame();
    viewer->frame();
  }

  // One update of the editor into a fresh draw list, as the scene's frame runs it.
  void update() {
    qel::FrameState& frameState = viewer->getScene().getFrameState();
    frameState.drawList.reset(static_cast<int>(kWindowWidth), static_cast<int>(kWindowHeight));
    editor->update(frameState);
  }
  bool send(const GUIEventAdapter& event) { return editor->handle(event, face); }

  std::shared_ptr<qel::ViewerImpl> viewer;
  qel::Viewer face;
  std::vector<Cartographic> ring;
  std::shared_ptr<qel::Feature::Feature> feature;
  std::shared_ptr<qel::PolygonEditorImpl> editor;
};

void PolygonEditor_VertexDrag(benchmark::State& state) {
  AreaScene area(static_cast<int>(state.range(0)));
  area.edit();
  // The first vertex lies east of the centre, at the middle height of the window.
  const auto window = area.viewer->getScene().getCamera().worldToWindow(
      qel::Ellipsoid::WGS84.cartographicToCartesian(area.editor->currentPositions().front()));
  if (!window) state.SkipWithError("the ring is out of view");
  const auto x = static_cast<float>(window ? window->x : 0.0);
  const auto y = static_cast<float>(window ? window->y : 0.0);
  area.send(GUIEventAdapter::makePush(x, y, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  if (area.editor->getSelectedIndex() < 0) state.SkipWithError("no vertex was grabbed");
  bool right = true;
  for (auto _ : state) {
    // Back and forth by a pixel, so that the ring stays in view.
    area.send(GUIEventAdapter::makeDrag(x + (right ? 1.0f : 0.0f), y, GUIEventAdapter::LEFT_MOUSE_BUTTON));
    right = !right;
    area.update();
  }
}

// The least a drag must do: copy the ring, change one vertex, rebuild a plain record per
// vertex point.
void PolygonEditor_VertexDrag_Baseline(benchmark::State& state) {
  AreaScene area(static_cast<int>(state.range(0)));
  qel::bench::runPlainVertexDrag(state, area.ring, 0);
}

void PolygonEditor_DrawMove(benchmark::State& state) {
  AreaScene area(static_cast<int>(state.range(0)));
  // Continue drawing the ring: its last vertex now floats under the pointer.
  auto drawn = std::make_shared<qel::Feature::Feature>();
  drawn->setGeometry(std::make_shared<qel::Feature::PolygonGeometry>(qel::Feature::PolygonHierarchy{area.ring, {}}));
  area.editor->startEditing(nullptr);
  area.editor->continueDrawing(drawn);
  area.update();
  const float y = kWindowHeight / 2.0f;
  bool right = true;
  for (auto _ : state) {
    area.send(GUIEventAdapter::makeMove(right ? 300.0f : 301.0f, y));
    right = !right;
    area.update();
  }
}

// The least a move must do: copy the ring with its new last vertex, and build the closed
// list of fixed-frame positions the outline is drawn through.
void PolygonEditor_DrawMove_Baseline(benchmark::State& state) {
  AreaScene area(static_cast<int>(state.range(0)));
  std::vector<Vector3<double>> closed;
  double nudge = 1e-9;
  for (auto _ : state) {
    std::vector<Cartographic> positions = area.ring;
    positions.back().longitude += nudge;
    nudge = -nudge;
    benchmark::DoNotOptimize(positions.data());
    closed.clear();
    for (const Cartographic& p : positions) closed.push_back(qel::Ellipsoid::WGS84.cartographicToCartesian(p));
    closed.push_back(closed.front());
    benchmark::DoNotOptimize(closed.data());
  }
}

}  // namespace

BENCHMARK(PolygonEditor_VertexDrag)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PolygonEditor_VertexDrag_Baseline)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PolygonEditor_DrawMove)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PolygonEditor_DrawMove_Baseline)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
