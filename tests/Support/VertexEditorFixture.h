#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "Common/CapturingLogSink.h"
#include "Common/Ellipsoid.h"
#include "Common/Log.h"
#include "Data/DataSource.h"
#include "Data/DataSourceDisplay.h"
#include "Feature/Feature.h"
#include "Feature/FeatureGroup.h"
#include "Support/TestHost.h"
#include "Viewer/Viewer.h"

namespace qel::test {

/// A line or area editor (`Editor`, a facade) bound to a fresh host whose eye looks
/// straight down from `kEyeHeight` over flat ground, holding `initialStyle`, with every
/// event it raises and every log record captured. The editor is a process-wide
/// singleton: each test leaves it unbound, idle, in its default modes and without
/// listeners.
template <class Editor>
class VertexEditorFixture : public ::testing::Test {
 protected:
  using Button = GUIEventAdapter::MouseButton;
  static constexpr double kEyeHeight = 2000.0;
  struct Change {
    std::shared_ptr<Feature::Geometry> geometry;
    int index;
    int kind;
  };
  struct Stop {
    std::shared_ptr<Feature::Feature> feature;
    bool drawn;
  };

  VertexEditorFixture(std::shared_ptr<const Terrain> terrain, std::shared_ptr<Feature::Style> initialStyle)
      : host(std::move(terrain)), initialStyle(std::move(initialStyle)) {}

  void SetUp() override {
    host.setPose(Cartographic::fromDegrees(116.0, 40.0, kEyeHeight), 0.0, -90.0);
    editor = Editor::instance();
    ASSERT_NE(editor, nullptr);
    face = std::make_unique<Viewer>(host.viewer().shared_from_this());
    editor->bind(face.get());
    editor->setStyle(initialStyle);
    stoppedHandle =
        editor->getStoppedEvent()->addEventListener([this](std::shared_ptr<Feature::Feature> f, bool drawn) {
          stops.push_back({std::move(f), drawn});
        });
    changedHandle = editor->getGeometryChangedEvent()->addEventListener(
        [this](std::shared_ptr<Feature::Geometry> g, int index, int kind) {
          changes.push_back({std::move(g), index, kind});
        });
    Log::getInstance().addSink(log);
    host.frame();
  }

  void TearDown() override {
    Log::getInstance().removeSink(log);
    if (auto handle = stoppedHandle.lock()) (*handle)();
    if (auto handle = changedHandle.lock()) (*handle)();
    // Twice: a feature still being drawn first becomes the edited one.
    editor->stopEditing(true, true);
    editor->stopEditing(true, true);
    editor->deletePoint(false);
    editor->addPoint(false);
    editor->setObjectMovingEnabled(false);
    editor->setMiddlePointVisible(true);
    host.scene().getContext().setDpiScale(1.0f);
    host.frame();
    editor->bind(nullptr);
    host.frame();
  }

  typename Editor::Impl& impl() const { return editor->_getImplHandle(); }

  void press(float x, float y, std::uint32_t button = Button::LEFT_MOUSE_BUTTON) {
    host.send(GUIEventAdapter::makePush(x, y, button));
  }
  void release(float x, float y, std::uint32_t button = Button::LEFT_MOUSE_BUTTON) {
    host.send(GUIEventAdapter::makeRelease(x, y, button));
  }
  void click(float x, float y) {
    press(x, y);
    release(x, y);
  }
  void doubleClick(float x, float y) {
    click(x, y);
    host.send(GUIEventAdapter::makeDoubleClick(x, y, Button::LEFT_MOUSE_BUTTON));
    release(x, y);
  }
  void move(float x, float y) { host.send(GUIEventAdapter::makeMove(x, y)); }
  void dragTo(float x, float y) { host.send(GUIEventAdapter::makeDrag(x, y, Button::LEFT_MOUSE_BUTTON)); }

  /// The ground position under a window pixel.
  Cartographic groundAt(float x, float y) const {
    const std::optional<Vector3<double>> hit = host.globeUnder({x, y});
    EXPECT_TRUE(hit.has_value());
    return hit ? *Ellipsoid::WGS84.cartesianToCartographic(*hit) : Cartographic{};
  }
  /// Window position of a geographic position.
  Vector2<double> windowAt(const Cartographic& p) const {
    return host.windowOf(Ellipsoid::WGS84.cartographicToCartesian(p)).value_or(Vector2<double>{-1.0, -1.0});
  }
  /// The ground positions under the given pixels, at `height`.
  std::vector<Cartographic> groundUnder(const std::vector<Vector2<float>>& pixels, double height = 0.0) const {
    std::vector<Cartographic> positions;
    for (const Vector2<float>& p : pixels) {
      Cartographic c = groundAt(p.x, p.y);
      c.height = height;
      positions.push_back(c);
    }
    return positions;
  }
  /// A feature of `shape` and `style`, lying in the scene's default data source.
  std::shared_ptr<Feature::Feature> featureOf(std::shared_ptr<Feature::Geometry> shape,
                                              std::shared_ptr<Feature::Style> style) {
    auto f = std::make_shared<Feature::Feature>();
    f->setGeometry(std::move(shape));
    f->setStyle(std::move(style));
    rootGroup().add(f);
    return f;
  }
  Feature::FeatureGroup& rootGroup() const {
    return *host.scene()._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup();
  }
  bool inRootGroup(const Feature::Feature& f) const {
    for (const auto& child : rootGroup().getChildren()) {
      if (child.get() == &f) return true;
    }
    return false;
  }
  /// After the double click that ends a feature: exactly that feature was handed over as
  /// drawn, holding `expected` (read by `positionsOf`), out of the root group; drawing
  /// goes on, and the next click starts a new feature of `nextCount` positions.
  template <class PositionsOf>
  void expectHandedOverAndDrawingGoesOn(const std::vector<Cartographic>& expected, PositionsOf positionsOf,
                                        std::size_t nextCount) {
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_TRUE(stops[0].drawn);
    EXPECT_EQ(positionsOf(*stops[0].feature), expected);
    EXPECT_FALSE(inRootGroup(*stops[0].feature));
    EXPECT_EQ(impl().getFeature(), nullptr);
    EXPECT_TRUE(impl().isDrawing());
    click(250, 350);
    ASSERT_NE(impl().getFeature(), nullptr);
    EXPECT_NE(impl().getFeature(), stops[0].feature);
    EXPECT_EQ(positionsOf(*impl().getFeature()).size(), nextCount);
  }
  std::vector<std::tuple<int, int>> changeList() const {
    std::vector<std::tuple<int, int>> out;
    for (const Change& c : changes) out.emplace_back(c.index, c.kind);
    return out;
  }

  TestHost host;
  std::shared_ptr<Feature::Style> initialStyle;
  Editor* editor = nullptr;
  std::unique_ptr<Viewer> face;
  std::shared_ptr<CapturingLogSink> log = std::make_shared<CapturingLogSink>();
  std::vector<Stop> stops;
  std::vector<Change> changes;
  std::weak_ptr<FunctionWrapper> stoppedHandle;
  std::weak_ptr<FunctionWrapper> changedHandle;
};

}  // namespace qel::test
