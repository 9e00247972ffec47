// The places of keys 1–4 as the demo finds them on the default terrain at start-up: a
// summit higher than every point of a global sample, a valley lower than the ground
// around it, a point of the real coastline with land on one side and sea on the other,
// and the north pole; each looked at from the range and angle the key promises.
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "NamedPlaces.h"
#include "Scene/Terrain.h"

namespace {

using qel::Math;

// The global sample the summit must top (degrees): coarser than the demo's own search,
// and offset from it, so it is an independent look at the relief.
constexpr double kSampleStepDeg = 1.3;
// The valley lies below the mean of a ring of points this far around it (degrees, ~5 km).
constexpr double kValleyRingDeg = 0.05;
// On either side of the coast point, this far along its heading (degrees, ~3 km): land
// behind it, sea in front.
constexpr double kCoastProbeDeg = 0.03;

double heightDeg(const qel::Terrain& t, double lonDeg, double latDeg) {
  return t.heightAt(Math::toRadians(lonDeg), Math::toRadians(latDeg));
}

TEST(NamedPlaces, AreASummitAValleyACoastAndThePoleOfTheRealContinents) {
  const auto terrain = qel::Terrain::createProcedural();
  const qel::demo::NamedPlaces places = qel::demo::NamedPlaces::find(*terrain);
  ASSERT_EQ(places.all().size(), 4u);

  const qel::demo::NamedPlace& mountain = *places.forKey(1);
  const double summitLon = Math::toDegrees(mountain.view.longitude);
  const double summitLat = Math::toDegrees(mountain.view.latitude);
  const double summit = heightDeg(*terrain, summitLon, summitLat);
  double sampledTop = 0.0;
  for (double lat = -89.0; lat < 90.0; lat += kSampleStepDeg) {
    for (double lon = -179.3; lon < 180.0; lon += kSampleStepDeg)
      sampledTop = std::max(sampledTop, heightDeg(*terrain, lon, lat));
  }
  EXPECT_GE(summit, sampledTop);
  EXPECT_DOUBLE_EQ(mountain.view.height, summit);

  const qel::demo::NamedPlace& valley = *places.forKey(2);
  const double vLon = Math::toDegrees(valley.view.longitude);
  const double vLat = Math::toDegrees(valley.view.latitude);
  double ring = 0.0;
  for (int k = 0; k < 8; ++k) {
    const double a = k * Math::PI / 4.0;
    ring += heightDeg(*terrain, vLon + kValleyRingDeg * std::cos(a), vLat + kValleyRingDeg * std::sin(a)) / 8.0;
  }
  EXPECT_GT(valley.view.height, 0.0);
  EXPECT_LT(valley.view.height, ring);

  const qel::demo::NamedPlace& coast = *places.forKey(3);
  const double cLon = Math::toDegrees(coast.view.longitude);
  const double cLat = Math::toDegrees(coast.view.latitude);
  const double heading = coast.view.heading;  // from the land toward the sea
  const double east = std::sin(heading) / std::cos(Math::toRadians(cLat));
  const double north = std::cos(heading);
  EXPECT_NEAR(coast.view.height, 0.0, 1.0);
  EXPECT_GT(heightDeg(*terrain, cLon - kCoastProbeDeg * east, cLat - kCoastProbeDeg * north), 0.0);
  EXPECT_EQ(heightDeg(*terrain, cLon + kCoastProbeDeg * east, cLat + kCoastProbeDeg * north), 0.0);

  const qel::demo::NamedPlace& pole = *places.forKey(4);
  EXPECT_DOUBLE_EQ(Math::toDegrees(pole.view.latitude), 90.0);

  // Each is seen from its range: the eye is that far from the place.
  for (const qel::demo::NamedPlace& p : places.all()) {
    const auto target =
        qel::Ellipsoid::WGS84.cartographicToCartesian({p.view.longitude, p.view.latitude, p.view.height});
    EXPECT_NEAR((p.position - target).length(), p.view.range, 1e-6 * p.view.range) << p.name;
  }
}

}  // namespace
