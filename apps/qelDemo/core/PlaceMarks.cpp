#include "PlaceMarks.h"

#include <map>
#include <memory>
#include <string>

#include "Common/Ellipsoid.h"
#include "Manipulator/HandleImages.h"
#include "NamedPlaces.h"
#include "Scene/BillboardCollection.h"
#include "Scene/LabelCollection.h"
#include "Scene/SceneImpl.h"
#include "Scene/Terrain.h"

namespace qel::demo {

namespace {

// The places marked, with the Chinese half of their labels.
const std::map<std::string, std::string> kMarkedPlaces{
    {"mountain", "山峰"},
    {"coast", "海岸"},
    {"north pole", "北极"},
};
// The label stands above the pin: the marker image is 32 px high, and a few pixels more
// keep the text off its head.
constexpr double kLabelLift = -38.0;  // window pixels, y down
constexpr double kLabelSize = 16.0;   // pixels
const Color kLabelColor{1.0f, 0.95f, 0.6f, 1.0f};

}  // namespace

void addPlaceMarks(SceneImpl& scene, const NamedPlaces& places) {
  auto pins = std::make_shared<BillboardCollection>(&scene, true, std::nullopt);
  auto labels = std::make_shared<LabelCollection>(&scene, true, std::nullopt);
  const Terrain& terrain = scene.getGlobe().getTerrain();
  for (const NamedPlace& place : places.all()) {
    const auto chinese = kMarkedPlaces.find(place.name);
    if (chinese == kMarkedPlaces.end()) continue;
    const double lon = place.view.longitude, lat = place.view.latitude;
    const Vector3<double> ground = Ellipsoid::WGS84.cartographicToCartesian({lon, lat, terrain.heightAt(lon, lat)});
    Billboard::ConstructorOptions pin;
    pin.position = ground;
    pin.image = HandleImages::markerPath();
    pin.id = place.name;
    pin.verticalOrigin = VerticalOrigin::Bottom;  // the pin's tip on the place
    pins->add(pin);
    Label::ConstructorOptions label;
    label.position = ground;
    label.text = chinese->second + " " + place.name;
    label.id = place.name;
    label.fillColor = kLabelColor;
    label.fontSize = kLabelSize;
    label.pixelOffset = {0.0, kLabelLift};
    label.verticalOrigin = VerticalOrigin::Bottom;
    labels->add(label);
  }
  pins->setSelectEnabled(false);
  labels->setSelectEnabled(false);
  scene.getPrimitives().add(pins);
  scene.getPrimitives().add(labels);
}

}  // namespace qel::demo
