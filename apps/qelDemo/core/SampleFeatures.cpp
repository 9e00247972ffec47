#include "SampleFeatures.h"

#include <array>
#include <memory>

#include "Common/Ellipsoid.h"
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
#include "Manipulator/HandleImages.h"
#include "NamedPlaces.h"
#include "Scene/SceneImpl.h"

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

std::vector<Cartographic> SampleFeatures::positions(const NamedPlaces& places, std::int64_t id) {
  for (const SampleFeature& sample : kFeatures) {
    if (sample.id == id) return vertices(places, sample);
  }
  return {};
}

}  // namespace qel::demo
