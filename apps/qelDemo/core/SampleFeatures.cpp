#include "SampleFeatures.h"

#include <array>
#include <fstream>
#include <memory>

#include <nlohmann/json.hpp>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/ModulePath.h"
#include "Common/Transforms.h"
#include "Data/DataSource.h"
#include "Data/DataSourceDisplay.h"
#include "Feature/Feature.h"
#include "Feature/FeatureGroup.h"
#include "Feature/BillboardSymbol.h"
#include "Feature/PointGeometry.h"
#include "Feature/PointStyle.h"
#include "Feature/PointSymbol.h"
#include "Feature/PolylineGeometry.h"
#include "Feature/Style.h"
#include "Layers/Qel3DTileset.h"
#include "Manipulator/HandleImages.h"
#include "NamedPlaces.h"
#include "Scene/SceneImpl.h"
#include "Scene/Terrain.h"

namespace qel::demo {

namespace {

// The valley is place 2 (key 2); its boxes stand within 300 m of its view target.
constexpr int kValleyKey = 2;

// Each feature's vertices as east, north offsets (metres) from the valley's view target:
// the square's corners are far enough apart to show as separate marks from the view's
// 8 km, and close enough to fit one rectangle drag.
struct SampleFeature {
  std::int64_t id;
  std::vector<std::array<double, 2>> eastNorth;
};
const std::array<SampleFeature, 6> kFeatures{{
    {1, {{-600.0, 600.0}}},
    {2, {{600.0, 600.0}}},
    {3, {{600.0, -600.0}}},
    {4, {{-600.0, -600.0}}},
    {5, {{-900.0, -900.0}, {0.0, -1000.0}, {900.0, -900.0}}},
    {6, {{3500.0, 2500.0}}},
}};

// A point is a marker standing on its anchor (the editors' marker image) over a small
// round point at the anchor itself, which keeps the anchor pickable where the marker's
// tip leaves a gap.
constexpr double kAnchorPointPixels = 6.0;  // a small dot, under the marker's tip
const Color kAnchorPointColor{1.0f, 0.85f, 0.2f, 1.0f};

std::shared_ptr<Feature::Style> pointStyle() {
  auto style = std::make_shared<Feature::PointStyle>(HeightReference::ClampToGround);
  auto marker = std::make_shared<Feature::BillboardSymbol>();
  marker->setImage(HandleImages::markerPath());
  marker->setVerticalOrigin(Feature::BillboardSymbol::kVerticalOriginBottom);
  style->setBillboardSymbol(marker);
  auto dot = std::make_shared<Feature::PointSymbol>();
  dot->setPixelSize(kAnchorPointPixels);
  dot->setColor(kAnchorPointColor);
  style->setPointSymbol(dot);
  return style;
}

std::vector<Cartographic> vertices(const NamedPlaces& places, const SampleFeature& sample) {
  const NamedPlace* valley = places.forKey(kValleyKey);
  if (valley == nullptr) return {};
  const Ellipsoid& e = Ellipsoid::WGS84;
  const Matrix4 enu =
      Transforms::eastNorthUpToFixedFrame(e.cartographicToCartesian({valley->view.longitude, valley->view.latitude}));
  std::vector<Cartographic> out;
  for (const auto& [east, north] : sample.eastNorth) {
    if (auto c = e.cartesianToCartographic(enu.multiplyByPoint({east, north, 0.0}))) {
      c->height = 0.0;
      out.push_back(*c);
    }
  }
  return out;
}

// Where the model and the tileset stand (east, north of the valley's view target,
// metres): left and right of the valley's view, clear of the rectangle the editing tour
// drags over features 1–5.
constexpr std::array<double, 2> kModelEastNorth{-2000.0, 2000.0};
constexpr std::array<double, 2> kTilesetEastNorth{2000.0, -2000.0};
// The sample files, beside the library's images.
constexpr const char* kModelFile = "/Resource/Demo/sample-model.json";
constexpr const char* kTilesetFile = "/Resource/Demo/sample-tileset.json";
// The sample model's half height (sample-model.json): the feature stands this far above
// the ground so that the box, centred on it, rests on the ground.
constexpr double kModelHalfHeight = 50.0;

// The ground point at `eastNorth` from the valley's view target.
std::optional<Cartographic> groundAt(const Terrain& terrain, const NamedPlaces& places,
                                     const std::array<double, 2>& eastNorth) {
  const NamedPlace* valley = places.forKey(kValleyKey);
  if (valley == nullptr) return std::nullopt;
  const Ellipsoid& e = Ellipsoid::WGS84;
  const Matrix4 enu =
      Transforms::eastNorthUpToFixedFrame(e.cartographicToCartesian({valley->view.longitude, valley->view.latitude}));
  std::optional<Cartographic> at = e.cartesianToCartographic(enu.multiplyByPoint({eastNorth[0], eastNorth[1], 0.0}));
  if (!at) return std::nullopt;
  at->height = terrain.heightAt(at->longitude, at->latitude);
  return at;
}

}  // namespace

void SampleFeatures::add(SceneImpl& scene, const NamedPlaces& places) {
  const std::shared_ptr<Feature::FeatureGroup>& root =
      scene._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup();
  for (const SampleFeature& sample : kFeatures) {
    std::vector<Cartographic> at = vertices(places, sample);
    if (at.empty()) return;
    auto feature = std::make_shared<Feature::Feature>(sample.id);
    if (at.size() == 1) {
      feature->setGeometry(std::make_shared<Feature::PointGeometry>(at.front()));
      feature->setStyle(pointStyle());
    } else {
      feature->setGeometry(std::make_shared<Feature::PolylineGeometry>(std::move(at)));
      feature->setStyle(std::make_shared<Feature::Style>(HeightReference::ClampToGround));
    }
    root->add(feature);
  }
}

std::shared_ptr<Qel3DTileset> SampleFeatures::addModels(SceneImpl& scene, const NamedPlaces& places) {
  const std::optional<Cartographic> modelAt = modelGround(scene.getGlobe().getTerrain(), places);
  const std::optional<Cartographic> tilesetAt = tilesetGround(scene.getGlobe().getTerrain(), places);
  if (!modelAt || !tilesetAt) return nullptr;

  auto symbol = std::make_shared<Feature::ModelSymbol>();
  symbol->setUrl(getModulePath("qelCommon") + kModelFile);
  auto style = std::make_shared<Feature::PointStyle>(HeightReference::RelativeToGround);
  style->setModelSymbol(symbol);
  auto model = std::make_shared<Feature::Feature>(kModel);
  model->setGeometry(
      std::make_shared<Feature::PointGeometry>(Cartographic(modelAt->longitude, modelAt->latitude, kModelHalfHeight)));
  model->setStyle(style);
  scene._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->add(model);

  // The shipped tileset is described in its own frame; its root is given an origin on
  // the ground here, so that its tile's own transform places it.
  std::ifstream in(normalizePath(getModulePath("qelCommon") + kTilesetFile));
  nlohmann::json description = nlohmann::json::parse(in, nullptr, false);
  if (!description.is_object() || !description.contains("root")) return nullptr;
  description["root"]["origin"] = {{"longitude", Math::toDegrees(tilesetAt->longitude)},
                                   {"latitude", Math::toDegrees(tilesetAt->latitude)},
                                   {"height", tilesetAt->height}};
  std::shared_ptr<Qel3DTileset> tileset = Qel3DTileset::fromJson(description.dump());
  scene._getDataSourceDisplay().addTileset(tileset);
  return tileset;
}

std::optional<Cartographic> SampleFeatures::modelGround(const Terrain& terrain, const NamedPlaces& places) {
  return groundAt(terrain, places, kModelEastNorth);
}

std::optional<Cartographic> SampleFeatures::tilesetGround(const Terrain& terrain, const NamedPlaces& places) {
  return groundAt(terrain, places, kTilesetEastNorth);
}

std::vector<Cartographic> SampleFeatures::positions(const NamedPlaces& places, std::int64_t id) {
  for (const SampleFeature& sample : kFeatures) {
    if (sample.id == id) return vertices(places, sample);
  }
  return {};
}

}  // namespace qel::demo
