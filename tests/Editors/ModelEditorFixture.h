#pragma once

// A model editor bound to a fresh viewer on the manual clock, with everything it raises
// recorded, and what its scenario tests share: a box model feature and a box tileset in
// the scene, the camera looking at them, what the last frame drew of the gizmo, and
// pointer gestures.

#include <gtest/gtest.h>

#include <GeographicLib/LocalCartesian.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <optional>
#include <variant>
#include <vector>

#include "Common/CapturingLogSink.h"
#include "Common/Ellipsoid.h"
#include "Common/Log.h"
#include "Data/DataSourceDisplay.h"
#include "Feature/Feature.h"
#include "Feature/ModelSymbol.h"
#include "Feature/PointGeometry.h"
#include "Feature/PointStyle.h"
#include "Layers/Qel3DTileset.h"
#include "Manipulator/ModelEditor.h"
#include "Scene/PointPrimitiveCollection.h"
#include "Scene/Primitive.h"
#include "Support/TestHost.h"
#include "Viewer/Viewer.h"

namespace qel::test {

struct ModelChange {
  Cartographic position;
  Vector3<double> translation;
  Vector3<Radian> rotation;
  Vector3<double> scale;
  void* last = nullptr;
};

/// The editor is a process-wide singleton: each test leaves it unbound, idle and
/// without listeners.
class ModelEditorFixture {
 public:
  /// Where the sample objects stand: a model on flat ground, a tileset beside it.
  static constexpr Cartographic kModelPlace = Cartographic::fromDegrees(116.0, 40.0, 0.0);
  static constexpr Cartographic kTilesetPlace = Cartographic::fromDegrees(116.002, 40.0, 0.0);
  static constexpr double kMillimetre = 1e-3;

  ModelEditorFixture() {
    Log::getInstance().addSink(sink);
    editor = ModelEditor::instance();
    face = std::make_unique<Viewer>(host.viewer().shared_from_this());
    editor->bind(face.get());
    changedHandle = editor->getChangedEvent()->addEventListener([this](const Cartographic& p, const Vector3<double>& t,
                                                                       const Vector3<Radian>& r,
                                                                       const Vector3<double>& s, void* last) {
      changes.push_back({p, t, r, s, last});
    });
    stoppedHandle =
        editor->getStoppedEvent()->addEventListener([this](std::shared_ptr<Layer> layer) { stopped.push_back(layer); });
  }

  ~ModelEditorFixture() {
    if (auto handle = changedHandle.lock()) (*handle)();
    if (auto handle = stoppedHandle.lock()) (*handle)();
    editor->stopEditing();
    editor->bind(nullptr);
    Log::getInstance().removeSink(sink);
  }

  ModelEditorImpl& impl() const { return editor->_getImplHandle(); }
  const ModelGizmo& gizmo() const { return impl().getGizmo(); }
  Feature::FeatureGroup& rootGroup() const {
    return *host.scene()._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup();
  }

  /// A box model feature at `place`, turned and scaled as given, in the scene's default
  /// data source; drawn, with its extent known, two frames later.
  std::shared_ptr<Feature::Feature> addModel(const Cartographic& place = kModelPlace,
                                             const Vector3<Radian>& rotation = {},
                                             const Vector3<double>& scale = {1.0, 1.0, 1.0}) {
    auto symbol = std::make_shared<Feature::ModelSymbol>();
    symbol->setUrl(modelFile());
    symbol->setRotation(rotation);
    symbol->setScale(scale);
    auto style = std::make_shared<Feature::PointStyle>();
    style->setModelSymbol(symbol);
    auto feature = std::make_shared<Feature::Feature>();
    feature->setGeometry(std::make_shared<Feature::PointGeometry>(place));
    feature->setStyle(style);
    rootGroup().add(feature);
    return feature;
  }
  /// The sample model: a box of these half sizes (metres), centred on its position; each
  /// side different, so that a size read along the wrong axis shows.
  static constexpr Vector3<double> kModelHalf{6.0, 4.0, 3.0};
  static Vector3<double> modelHalfSize() { return kModelHalf; }
  static const std::string& modelFile() {
    static const std::string path = [] {
      const std::string file = ::testing::TempDir() + "qel-model-editor-box.json";
      if (std::FILE* out = std::fopen(file.c_str(), "w")) {
        std::fprintf(out, R"({"halfSize": [%g, %g, %g], "color": [0.7, 0.7, 0.75, 1]})", kModelHalf.x, kModelHalf.y,
                     kModelHalf.z);
        std::fclose(out);
      }
      return file;
    }();
    return path;
  }
  /// Where a model's box is centred: its point (heights are absolute here).
  static Vector3<double> modelCentre(const Feature::Feature& feature) { return at(pointOf(feature).getPosition()); }

  /// A model feature whose extent is known: added, then two frames.
  std::shared_ptr<Feature::Feature> addDrawnModel(const Cartographic& place = kModelPlace) {
    std::shared_ptr<Feature::Feature> feature = addModel(place);
    host.frame(2);
    return feature;
  }
  /// A tileset standing on the ground at `place`: its root's own frame is the
  /// east-north-up frame there, its bounding sphere of radius 2 × kTileHalf stands
  /// kTileHalf above that origin and holds its content, a cube of half size kTileHalf
  /// resting on the ground. In the scene from the next frame on.
  static constexpr double kTileHalf = 15.0;
  std::shared_ptr<Qel3DTileset> addTileset(const Cartographic& place = kTilesetPlace) {
    char json[512];
    std::snprintf(json, sizeof json,
                  R"({"root": {"origin": {"longitude": %.9f, "latitude": %.9f, "height": %.3f},
                      "boundingVolume": {"sphere": [0, 0, %g, %g]},
                      "content": {"box": [0, 0, %g, %g, 0, 0, 0, %g, 0, 0, 0, %g], "color": [0.8, 0.6, 0.4, 1]}}})",
                  Math::toDegrees(place.longitude), Math::toDegrees(place.latitude), place.height, kTileHalf,
                  2.0 * kTileHalf, kTileHalf, kTileHalf, kTileHalf, kTileHalf);
    std::string error;
    std::shared_ptr<Qel3DTileset> tileset = Qel3DTileset::fromJson(json, &error);
    EXPECT_TRUE(tileset) << error;
    host.scene()._getDataSourceDisplay().addTileset(tileset);
    host.frame();
    return tileset;
  }
  /// The two kinds of object the editor moves.
  enum class Kind { Model, Tileset };
  /// Adds an object of `kind` (kept in `model` or `tiles`), starts editing it and runs
  /// the frame that builds the gizmo.
  void startOn(Kind kind) {
    if (kind == Kind::Model) {
      model = addDrawnModel();
      editor->startEditing(model);
    } else {
      tiles = addTileset();
      editor->startEditing(tiles);
    }
    host.frame();
  }
  std::shared_ptr<Feature::Feature> model;
  std::shared_ptr<Qel3DTileset> tiles;

  static Feature::PointGeometry& pointOf(const Feature::Feature& feature) {
    return static_cast<Feature::PointGeometry&>(*feature.getGeometry());
  }
  static Feature::ModelSymbol& symbolOf(const Feature::Feature& feature) {
    return *feature.getStyle()->asPointStyle()->getModelSymbol();
  }

  static Vector3<double> at(const Cartographic& c) { return Ellipsoid::WGS84.cartographicToCartesian(c); }

  /// Where a step of `east`, `north`, `up` metres from `from` along its local frame
  /// lands, by GeographicLib.
  static Cartographic stepFrom(const Cartographic& from, double east, double north, double up) {
    const GeographicLib::LocalCartesian frame(Math::toDegrees(from.latitude), Math::toDegrees(from.longitude),
                                              from.height);
    double lat = 0.0;
    double lon = 0.0;
    double h = 0.0;
    frame.Reverse(east, north, up, lat, lon, h);
    return Cartographic::fromDegrees(lon, lat, h);
  }

  /// Window position of a point in gizmo coordinates, through the gizmo's model matrix.
  std::optional<Vector2<float>> windowOfLocal(const Vector3<double>& local) const {
    const std::optional<Vector2<double>> w = host.windowOf(gizmo().getModelMatrix().multiplyByPoint(local));
    if (!w) return std::nullopt;
    return Vector2<float>(static_cast<float>(w->x), static_cast<float>(w->y));
  }

  /// The last frame's draw item of the part with instance id `id`.
  const DrawItem* itemOf(const Uuid& id) const {
    for (const DrawItem& item : host.scene().getLastFrame().items()) {
      const auto* uuid = std::get_if<Uuid>(&item.id);
      if (uuid != nullptr && *uuid == id) return &item;
    }
    return nullptr;
  }
  /// The last frame's draw items of the corner points.
  std::vector<const DrawItem*> cornerItems() const {
    std::vector<const DrawItem*> found;
    for (const DrawItem& item : host.scene().getLastFrame().items()) {
      if (gizmo().getCorners() != nullptr && item.primitive == gizmo().getCorners()) found.push_back(&item);
    }
    return found;
  }
  std::size_t partsInScene() const {
    std::size_t n = 0;
    for (const PrimitiveBase* part : gizmo().parts()) n += host.scene().getPrimitives().contains(*part) ? 1 : 0;
    return n;
  }

  void move(Vector2<float> p) { host.send(GUIEventAdapter::makeMove(p.x, p.y)); }
  void press(Vector2<float> p) { host.send(GUIEventAdapter::makePush(p.x, p.y, GUIEventAdapter::LEFT_MOUSE_BUTTON)); }
  void dragTo(Vector2<float> p) { host.send(GUIEventAdapter::makeDrag(p.x, p.y, GUIEventAdapter::LEFT_MOUSE_BUTTON)); }
  void release(Vector2<float> p) {
    host.send(GUIEventAdapter::makeRelease(p.x, p.y, GUIEventAdapter::LEFT_MOUSE_BUTTON));
  }
  /// Hovers `from`, presses there, drags to `to` in one step and releases.
  void dragGizmo(Vector2<float> from, Vector2<float> to) {
    move(from);
    press(from);
    dragTo(to);
    release(to);
  }

  TestHost host;
  std::shared_ptr<CapturingLogSink> sink = std::make_shared<CapturingLogSink>();
  ModelEditor* editor = nullptr;
  std::unique_ptr<Viewer> face;
  std::vector<ModelChange> changes;
  std::vector<std::shared_ptr<Layer>> stopped;
  std::weak_ptr<FunctionWrapper> changedHandle;
  std::weak_ptr<FunctionWrapper> stoppedHandle;
};

}  // namespace qel::test
