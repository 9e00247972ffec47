#pragma once

// A point editor bound to a fresh viewer on the manual clock, with everything it raises
// recorded, and the helpers its scenario tests share: point features in the scene,
// what the last frame drew for the handles and the features, and pointer gestures.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Common/CapturingLogSink.h"
#include "Common/Ellipsoid.h"
#include "Common/Log.h"
#include "Data/DataSourceDisplay.h"
#include "Feature/Feature.h"
#include "Feature/PointGeometry.h"
#include "Feature/PointStyle.h"
#include "Manipulator/PointEditor.h"
#include "Support/TestHost.h"
#include "Viewer/Viewer.h"

namespace qel::test {

using Button = GUIEventAdapter::MouseButton;

struct StoppedRecord {
  std::shared_ptr<Feature::Feature> feature;
  bool drawn = false;
};

struct ChangedRecord {
  std::shared_ptr<Feature::Geometry> geometry;
  int index = 0;
  int kind = 0;
};

/// The editor is a process-wide singleton: each test leaves it unbound, idle, with a
/// default style and without listeners.
class PointEditorFixture {
 public:
  explicit PointEditorFixture(double terrainHeight = 0.0) : host(Terrain::createFlat(terrainHeight)) {
    Log::getInstance().addSink(sink);
    editor = PointEditor::instance();
    face = std::make_unique<Viewer>(host.viewer().shared_from_this());
    editor->bind(face.get());
    editor->setStyle(std::make_shared<Feature::PointStyle>());
    editor->resetStyle();
    editor->setObjectMovingEnabled(false);
    settleHeightReference();
    stoppedHandle =
        editor->getStoppedEvent()->addEventListener([this](std::shared_ptr<Feature::Feature> f, bool drawn) {
          stopped.push_back({std::move(f), drawn});
        });
    changedHandle = editor->getGeometryChangedEvent()->addEventListener(
        [this](std::shared_ptr<Feature::Geometry> g, int index, int kind) {
          changed.push_back({std::move(g), index, kind});
        });
  }

  ~PointEditorFixture() {
    if (auto handle = stoppedHandle.lock()) (*handle)();
    if (auto handle = changedHandle.lock()) (*handle)();
    editor->stopEditing(true, true);
    editor->stopEditing(true, true);
    editor->bind(nullptr);
    Log::getInstance().removeSink(sink);
  }

  /// The editor reads its style's height reference once per frame and keeps it between
  /// editings; a singleton carries it from one test to the next. One frame of editing a
  /// point with absolute heights leaves it as a new editor has it.
  void settleHeightReference() {
    const std::shared_ptr<Feature::Feature> settle = addPoint(Cartographic::fromDegrees(0.0, 0.0, 0.0));
    editor->startEditing(settle);
    host.frame();
    editor->stopEditing(true, false);
    rootGroup().remove(*settle);
  }

  PointEditorImpl& impl() const { return editor->_getImplHandle(); }
  Feature::FeatureGroup& rootGroup() const {
    return *host.scene()._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup();
  }

  /// A point style drawing a round point of kDotSize pixels centred on the position.
  static std::shared_ptr<Feature::PointStyle> dotStyle(HeightReference reference = HeightReference::None) {
    constexpr double kDotSize = 12.0;
    auto style = std::make_shared<Feature::PointStyle>(reference);
    auto dot = std::make_shared<Feature::PointSymbol>();
    dot->setPixelSize(kDotSize);
    style->setPointSymbol(dot);
    return style;
  }
  /// A point feature with its own point style, placed in the scene's default data source.
  std::shared_ptr<Feature::Feature> addPoint(const Cartographic& position,
                                             HeightReference reference = HeightReference::None) {
    auto feature = std::make_shared<Feature::Feature>();
    feature->setGeometry(std::make_shared<Feature::PointGeometry>(position));
    feature->setStyle(dotStyle(reference));
    rootGroup().add(feature);
    return feature;
  }
  static Feature::PointGeometry& pointOf(const Feature::Feature& feature) {
    return static_cast<Feature::PointGeometry&>(*feature.getGeometry());
  }

  /// The last frame's draw item with the string id `id` ("moveUp", "moveDown").
  const DrawItem* handleItem(const std::string& id) const {
    for (const DrawItem& item : host.scene().getLastFrame().items()) {
      const auto* name = std::get_if<std::string>(&item.id);
      if (name != nullptr && *name == id) return &item;
    }
    return nullptr;
  }
  bool handlesShown() const {
    const DrawItem* up = handleItem("moveUp");
    const DrawItem* down = handleItem("moveDown");
    return up != nullptr && down != nullptr && up->shown && down->shown;
  }
  /// Where the last frame drew `feature` (fixed frame), if it drew it.
  std::optional<Vector3<double>> drawnAt(const Feature::Feature& feature) const {
    for (const DrawItem& item : host.scene().getLastFrame().items()) {
      const std::shared_ptr<Entity> entity = item.entity().lock();
      if (entity && entity->_getFeature().get() == &feature && item.shown) return item.position;
    }
    return std::nullopt;
  }

  static Vector3<double> at(const Cartographic& c) { return Ellipsoid::WGS84.cartographicToCartesian(c); }

  void press(float x, float y, std::uint32_t button = Button::LEFT_MOUSE_BUTTON) {
    host.send(GUIEventAdapter::makePush(x, y, button));
  }
  void release(float x, float y, std::uint32_t button = Button::LEFT_MOUSE_BUTTON) {
    host.send(GUIEventAdapter::makeRelease(x, y, button));
  }
  void dragTo(float x, float y) { host.send(GUIEventAdapter::makeDrag(x, y, Button::LEFT_MOUSE_BUTTON)); }
  void click(float x, float y) {
    press(x, y);
    release(x, y);
  }

  TestHost host;
  std::shared_ptr<CapturingLogSink> sink = std::make_shared<CapturingLogSink>();
  PointEditor* editor = nullptr;
  std::unique_ptr<Viewer> face;
  std::vector<StoppedRecord> stopped;
  std::vector<ChangedRecord> changed;
  std::weak_ptr<FunctionWrapper> stoppedHandle;
  std::weak_ptr<FunctionWrapper> changedHandle;
};

}  // namespace qel::test
