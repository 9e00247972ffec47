// Globe picks as navigation and editing rely on them: whatever is clicked, the point
// returned lies on the terrain, is the first surface the ray meets (not a valley behind
// a ridge), and a ray above the horizon finds nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "Common/Ellipsoid.h"
#include "Common/HeadingPitchRoll.h"
#include "Common/IntersectionTests.h"
#include "Common/Transforms.h"
#include "Scene/SceneImpl.h"

namespace qel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kInfinity = kInf;
// A hit must lie on the terrain this closely (vertically)...
constexpr double kSurfaceTolerance = 0.01;
// ...and on the ray this closely.
constexpr double kRayTolerance = 1.0e-3;

// The highest summit of the procedural terrain, an open-ocean spot and a coast that the
// antimeridian crosses (degrees); the test checks each still has that character.
constexpr double kSummitLon = -153.5;
constexpr double kSummitLat = 65.5;
constexpr double kOceanLon = 0.0;
constexpr double kOceanLat = -60.0;
constexpr double kAntimeridianLat = -45.0;

struct View {
  std::string name;
  double lonDeg;
  double latDeg;
  double heightAboveTerrain;  // metres; negative: under the terrain
  double headingDeg;
  double tiltDeg;  // from straight down; 90 looks at the horizon, 180 straight up
  int minHitPercent;
};

double terrainHeightAt(const GlobeImpl& globe, const Vector3<double>& p) {
  const Cartographic c = *Ellipsoid::WGS84.cartesianToCartographic(p);
  return *globe.getHeight(c);
}

double clearance(const GlobeImpl& globe, const Vector3<double>& p) {
  const Cartographic c = *Ellipsoid::WGS84.cartesianToCartographic(p);
  return c.height - *globe.getHeight(c);
}

void placeCamera(SceneImpl& scene, const View& view) {
  const double lon = Math::toRadians(view.lonDeg);
  const double lat = Math::toRadians(view.latDeg);
  const double ground = *scene.getGlobe().getHeight({lon, lat});
  const Vector3<double> eye = Ellipsoid::WGS84.cartographicToCartesian({lon, lat, ground + view.heightAboveTerrain});
  const HeadingPitchRoll attitude{Math::toRadians(view.headingDeg), Math::toRadians(view.tiltDeg - 90.0), 0.0};
  scene.getCamera().setPosition(eye);
  scene.getCamera().setOrientation(Transforms::viewHeadingPitchRollToViewQuaternion(eye, attitude));
}

std::vector<Ray> viewRays(const SceneImpl& scene) {
  std::vector<Ray> rays;
  const Viewport& v = scene.getCamera().getViewport();
  constexpr int kColumns = 8;
  constexpr int kRows = 6;
  for (int i = 0; i <= kColumns; ++i) {
    for (int j = 0; j <= kRows; ++j) {
      rays.push_back(scene.getCamera().getPickRay({static_cast<float>(v.width() * i / kColumns),
                                                   static_cast<float>(v.height() * j / kRows)}));
    }
  }
  return rays;
}

// The first crossing of the terrain along the ray, found the slow and obvious way: fine
// fixed steps wherever the ray is within reach of the terrain. Returns the distance
// along the ray, or a negative value when there is none up to `limit`.
double firstCrossingBySampling(const GlobeImpl& globe, const Ray& ray, double limit, double step) {
  const double top = globe.getTerrain().maximumHeight();
  const double bottom = globe.getTerrain().minimumHeight();
  const bool startsBelow = clearance(globe, ray.origin) < 0.0;
  for (double t = 0.0; t < limit;) {
    const Vector3<double> p = ray.getPoint(t);
    const Cartographic c = *Ellipsoid::WGS84.cartesianToCartographic(p);
    const double gap = c.height - *globe.getHeight(c);
    if (startsBelow ? gap >= 0.0 : gap <= 0.0) return t;
    // High above every summit (or deep below every sea floor) the ray can skip straight
    // to that level: its height changes by at most a metre per metre.
    t += std::max({step, c.height - top, bottom - c.height});
  }
  return -1.0;
}

class GlobePickTest : public ::testing::TestWithParam<View> {
 protected:
  SceneImpl scene;
};

TEST_P(GlobePickTest, HitsLieOnTheTerrainAlongTheRay) {
  placeCamera(scene, GetParam());
  const GlobeImpl& globe = scene.getGlobe();
  const std::vector<Ray> rays = viewRays(scene);
  std::size_t hits = 0;
  for (const Ray& ray : rays) {
    const std::optional<Vector3<double>> hit = globe.pick(ray, scene);
    if (!hit) continue;
    ++hits;
    const Vector3<double> offset = *hit - ray.origin;
    EXPECT_GE(offset.dot(ray.direction), 0.0);
    EXPECT_LT(offset.cross(ray.direction).length(), kRayTolerance);
    const Cartographic c = *Ellipsoid::WGS84.cartesianToCartographic(*hit);
    EXPECT_NEAR(c.height, terrainHeightAt(globe, *hit), kSurfaceTolerance)
        << "at " << Math::toDegrees(c.longitude) << ", " << Math::toDegrees(c.latitude);
  }
  EXPECT_GE(hits * 100, rays.size() * static_cast<std::size_t>(GetParam().minHitPercent));
}

TEST_P(GlobePickTest, HitIsTheFirstSurfaceTheRayMeets) {
  placeCamera(scene, GetParam());
  const GlobeImpl& globe = scene.getGlobe();
  // Every third ray: the sampling reference is slow.
  const std::vector<Ray> rays = viewRays(scene);
  for (std::size_t i = 0; i < rays.size(); i += 3) {
    const Ray& ray = rays[i];
    const std::optional<Vector3<double>> hit = globe.pick(ray, scene);
    constexpr double kSampleStep = 5.0;
    const double limit = hit ? (*hit - ray.origin).length() + kSampleStep : 3.0e5;
    const double reference = firstCrossingBySampling(globe, ray, limit, kSampleStep);
    if (!hit) {
      EXPECT_LT(reference, 0.0) << "missed a crossing at " << reference << " m (ray " << i << ")";
      continue;
    }
    ASSERT_GE(reference, 0.0) << "ray " << i;
    EXPECT_NEAR((*hit - ray.origin).length(), reference, kSampleStep) << "ray " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Views, GlobePickTest,
    ::testing::Values(View{"Walk500mAtSummit", kSummitLon, kSummitLat, 500.0, 40.0, 75.0, 50},
                      View{"Flight50kmOverMountains", kSummitLon, kSummitLat, 5.0e4, 200.0, 30.0, 100},
                      View{"Orbit20000km", kSummitLon, kSummitLat, 2.0e7, 0.0, 0.0, 10},
                      View{"SkimmingOpenSea", kOceanLon, kOceanLat, 500.0, 10.0, 85.0, 40},
                      View{"AcrossAntimeridian", 179.95, kAntimeridianLat, 2000.0, 90.0, 70.0, 80},
                      View{"AcrossNorthPole", 30.0, 89.95, 3000.0, 0.0, 70.0, 80},
                      View{"NearSouthPole", 0.0, -89.99, 1000.0, 135.0, 60.0, 100},
                      View{"UndergroundLookingUp", kSummitLon, kSummitLat, -200.0, 0.0, 150.0, 100},
                      View{"UndergroundLookingAcross", kSummitLon + 0.3, kSummitLat, -50.0, 70.0, 95.0, 100}),
    [](const ::testing::TestParamInfo<View>& info) { return info.param.name; });

// Rays that skim a ridge: aimed a little below and a little above the skyline seen from
// low over the land. Below, the pick must stop at the near slope; above, it must pass
// the crest. These are the rays a march with overlong steps gets wrong.
struct Skyline {
  std::string name;
  double lonDeg;
  double latDeg;
  double heightAboveTerrain;
  double headingDeg;
};

class GlobeSkylineTest : public ::testing::TestWithParam<Skyline> {};

TEST_P(GlobeSkylineTest, RaysSkimmingTheSkylineMeetTheFirstSlope) {
  SceneImpl scene;
  const GlobeImpl& globe = scene.getGlobe();
  const Skyline& view = GetParam();
  const double lon = Math::toRadians(view.lonDeg);
  const double lat = Math::toRadians(view.latDeg);
  const Vector3<double> eye =
      Ellipsoid::WGS84.cartographicToCartesian({lon, lat, *globe.getHeight({lon, lat}) + view.heightAboveTerrain});
  const Matrix4 enu = Transforms::eastNorthUpToFixedFrame(eye);
  const double heading = Math::toRadians(view.headingDeg);
  const Vector3<double> level = enu.getColumn3(0) * std::sin(heading) + enu.getColumn3(1) * std::cos(heading);
  const Vector3<double> up = enu.getColumn3(2);
  const auto rayAt = [&](double elevation) {
    return Ray{eye, level * std::cos(elevation) + up * std::sin(elevation)};
  };
  constexpr double kRange = 40000.0;
  constexpr double kSampleStep = 2.0;
  // The skyline's elevation by bisection on the sampled reference.
  double below = Math::toRadians(-10.0);
  double above = Math::toRadians(10.0);
  ASSERT_GE(firstCrossingBySampling(globe, rayAt(below), kRange, kSampleStep), 0.0);
  ASSERT_LT(firstCrossingBySampling(globe, rayAt(above), kRange, kSampleStep), 0.0);
  for (int i = 0; i < 40; ++i) {
    const double middle = 0.5 * (below + above);
    (firstCrossingBySampling(globe, rayAt(middle), kRange, kSampleStep) >= 0.0 ? below : above) = middle;
  }
  const double crest = firstCrossingBySampling(globe, rayAt(below), kRange, kSampleStep);
  for (double offset : {-3.0, -0.5, 0.5, 3.0}) {  // metres at the crest
    const Ray ray = rayAt(below + offset / crest);
    const double reference = firstCrossingBySampling(globe, ray, kRange, kSampleStep);
    const std::optional<Vector3<double>> hit = globe.pick(ray, scene);
    const double distance = hit ? (*hit - eye).length() : kInfinity;
    if (reference < 0.0) {
      EXPECT_GT(distance, kRange - kSampleStep) << "offset " << offset << ", crest at " << crest;
    } else {
      EXPECT_NEAR(distance, reference, kSampleStep) << "offset " << offset << ", crest at " << crest;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Ridges, GlobeSkylineTest,
                         ::testing::Values(Skyline{"SummitNorth", kSummitLon, kSummitLat - 0.3, 150.0, 0.0},
                                           Skyline{"SummitWest", kSummitLon + 0.4, kSummitLat, 80.0, 270.0},
                                           Skyline{"Hills", 10.0, 20.0, 50.0, 45.0},
                                           Skyline{"Antimeridian", 179.9, kAntimeridianLat, 100.0, 90.0},
                                           Skyline{"NorthPole", 0.0, 89.8, 120.0, 0.0}),
                         [](const ::testing::TestParamInfo<Skyline>& info) { return info.param.name; });

TEST(GlobeSitesTest, TestSitesHaveTheirCharacter) {
  SceneImpl scene;
  const GlobeImpl& globe = scene.getGlobe();
  const auto at = [&](double lon, double lat) { return *globe.getHeight(Cartographic::fromDegrees(lon, lat)); };
  EXPECT_GT(at(kSummitLon, kSummitLat), 3500.0);
  EXPECT_EQ(at(kOceanLon, kOceanLat), 0.0);
  EXPECT_GT(at(179.95, kAntimeridianLat), 500.0);
  EXPECT_GT(at(-179.95, kAntimeridianLat), 500.0);
}

struct SkyRay {
  std::string name;
  Vector3<double> origin;
  Vector3<double> direction;
};

class GlobeMissTest : public ::testing::TestWithParam<SkyRay> {};

TEST_P(GlobeMissTest, RaysAboveTheHorizonFindNothing) {
  SceneImpl scene;
  EXPECT_FALSE(scene.getGlobe().pick(Ray{GetParam().origin, GetParam().direction}, scene));
}

// A point 500 m over the open ocean, with its local east and up.
const Vector3<double> kOceanEye =
    Ellipsoid::WGS84.cartographicToCartesian(Cartographic::fromDegrees(kOceanLon, kOceanLat, 500.0));
const Vector3<double> kOceanUp = Ellipsoid::WGS84.geodeticSurfaceNormal(kOceanEye);
const Vector3<double> kOceanEast = Vector3<double>(0.0, 0.0, 1.0).cross(kOceanUp).normalized();

Vector3<double> elevated(double degrees) {
  const double a = Math::toRadians(degrees);
  return kOceanEast * std::cos(a) + kOceanUp * std::sin(a);
}

// From 20 000 km on the +X axis, a ray whose closest approach to the Earth's centre (in
// the equatorial plane) is `distance`.
const Vector3<double> kOrbit(2.0e7, 0.0, 0.0);
Vector3<double> passingCentreAt(double distance) {
  const double s = distance / kOrbit.x;
  return {-std::sqrt(1.0 - s * s), s, 0.0};
}

INSTANTIATE_TEST_SUITE_P(
    Rays, GlobeMissTest,
    ::testing::Values(SkyRay{"Level", kOceanEye, elevated(0.0)}, SkyRay{"OneDegreeUp", kOceanEye, elevated(1.0)},
                      SkyRay{"Steep", kOceanEye, elevated(45.0)}, SkyRay{"Zenith", kOceanEye, elevated(90.0)},
                      SkyRay{"OrbitFacingAway", kOrbit, {1.0, 0.0, 0.0}},
                      SkyRay{"OrbitPassingBeside", kOrbit, passingCentreAt(7.0e6)},
                      SkyRay{"OrbitGrazingAboveSummits", kOrbit, passingCentreAt(6378137.0 + 4600.0)}),
    [](const ::testing::TestParamInfo<SkyRay>& info) { return info.param.name; });

class GlobeFlatTest : public ::testing::TestWithParam<View> {};

TEST_P(GlobeFlatTest, FlatTerrainAtSeaLevelIsTheEllipsoid) {
  SceneImpl scene;
  scene.getGlobe().setTerrain(Terrain::createFlat(0.0));
  placeCamera(scene, GetParam());
  for (const Ray& ray : viewRays(scene)) {
    const std::optional<Vector3<double>> hit = scene.getGlobe().pick(ray, scene);
    const std::optional<Interval> exact = IntersectionTests::intersects(ray, Ellipsoid::WGS84);
    const bool exactHit = exact && exact->start >= 0.0;
    ASSERT_EQ(hit.has_value(), exactHit);
    if (hit) {
      EXPECT_LT((*hit - ray.getPoint(exact->start)).length(), kRayTolerance);
    }
  }
}

TEST_P(GlobeFlatTest, RaisedFlatTerrainIsHitAtItsHeight) {
  SceneImpl scene;
  constexpr double kPlateau = 1200.0;
  scene.getGlobe().setTerrain(Terrain::createFlat(kPlateau));
  placeCamera(scene, GetParam());
  for (const Ray& ray : viewRays(scene)) {
    const std::optional<Vector3<double>> hit = scene.getGlobe().pick(ray, scene);
    if (hit) {
      EXPECT_NEAR(Ellipsoid::WGS84.cartesianToCartographic(*hit)->height, kPlateau, kSurfaceTolerance);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Views, GlobeFlatTest,
                         ::testing::Values(View{"Close", 20.0, 45.0, 500.0, 0.0, 60.0, 0},
                                           View{"Horizon", -60.0, 10.0, 3000.0, 90.0, 88.0, 0},
                                           View{"Orbit", 100.0, -30.0, 2.0e7, 0.0, 5.0, 0}),
                         [](const ::testing::TestParamInfo<View>& info) { return info.param.name; });

TEST(GlobeCustomTerrainTest, PicksLandOnAnyBoundedHeightFunction) {
  SceneImpl scene;
  // Rolling hills with no derivative information: picks march cautiously but still land.
  const auto hills = [](double lon, double lat) { return 1500.0 + 1000.0 * std::sin(40.0 * lon) * std::cos(30.0 * lat); };
  scene.getGlobe().setTerrain(Terrain::createFromFunction(hills, 500.0, 2500.0));
  for (const View& view : {View{"Down", 10.0, 20.0, 800.0, 0.0, 20.0, 0}, View{"Oblique", 10.0, 20.0, 300.0, 60.0, 80.0, 0},
                           View{"Orbit", 10.0, 20.0, 1.0e7, 0.0, 0.0, 0}}) {
    placeCamera(scene, view);
    std::size_t hits = 0;
    for (const Ray& ray : viewRays(scene)) {
      const std::optional<Vector3<double>> hit = scene.getGlobe().pick(ray, scene);
      if (!hit) continue;
      ++hits;
      const Cartographic c = *Ellipsoid::WGS84.cartesianToCartographic(*hit);
      EXPECT_NEAR(c.height, hills(c.longitude, c.latitude), kSurfaceTolerance) << view.name;
    }
    EXPECT_GT(hits, 0u) << view.name;
  }
}

TEST(GlobeCustomTerrainTest, HeightsAreHeldToTheDeclaredBounds) {
  const auto wild = [](double lon, double) { return lon > 0.0 ? 1.0e9 : kNaN; };
  const std::shared_ptr<Terrain> terrain = Terrain::createFromFunction(wild, 100.0, -50.0);
  ASSERT_TRUE(terrain);
  EXPECT_EQ(terrain->minimumHeight(), -50.0);
  EXPECT_EQ(terrain->maximumHeight(), 100.0);
  EXPECT_EQ(terrain->heightAt(1.0, 0.0), 100.0);
  EXPECT_EQ(terrain->heightAt(-1.0, 0.0), -50.0);
  EXPECT_FALSE(Terrain::createFromFunction({}, 0.0, 1.0));
  EXPECT_FALSE(Terrain::createFromFunction(wild, 0.0, kInf));
}

TEST(GlobeInputTest, NonFiniteInputFindsNothingAndLeavesTheGlobeUsable) {
  SceneImpl scene;
  GlobeImpl& globe = scene.getGlobe();
  const std::shared_ptr<const Terrain> before(&globe.getTerrain(), [](const Terrain*) {});
  globe.setTerrain(nullptr);
  EXPECT_EQ(&globe.getTerrain(), before.get());

  const std::size_t picks = globe.getPickCount();
  const Ray good = scene.getCamera().getPickRay({400.0f, 300.0f});
  for (const Ray& bad : {Ray{{kNaN, 0.0, 0.0}, {-1.0, 0.0, 0.0}}, Ray{{2.0e7, 0.0, 0.0}, {-kInf, 0.0, 0.0}},
                         Ray{{2.0e7, 0.0, 0.0}, {0.0, 0.0, 0.0}}, Ray{{0.0, 0.0, 0.0}, {1.0, 0.0, 0.0}}}) {
    (void)globe.pick(bad, scene);
  }
  EXPECT_EQ(globe.getPickCount(), picks + 4);
  EXPECT_FALSE(globe.getHeight({kNaN, 0.0}));
  EXPECT_FALSE(globe.getHeight({0.0, kInf}));
  const std::optional<Vector3<double>> hit = globe.pick(good, scene);
  ASSERT_TRUE(hit);
  EXPECT_NEAR(clearance(globe, *hit), 0.0, kSurfaceTolerance);
}

// What the default relief looks like: a few kilometres of mountains, flat sea over
// about 40 % of the globe, no seams, derivatives inside the bounds picks rely on.
TEST(GlobeTerrainTest, ProceduralReliefHasSeasAndMountains) {
  const std::shared_ptr<Terrain> terrain = Terrain::createProcedural();
  std::mt19937_64 bits(42);
  std::normal_distribution<double> gauss;
  constexpr int kSamples = 40000;
  int sea = 0;
  double highest = 0.0;
  for (int i = 0; i < kSamples; ++i) {
    const Vector3<double> n = Vector3<double>(gauss(bits), gauss(bits), gauss(bits)).normalized();
    const double h = terrain->heightAtNormal(n);
    ASSERT_GE(h, terrain->minimumHeight());
    ASSERT_LE(h, terrain->maximumHeight());
    sea += h == 0.0;
    highest = std::max(highest, h);
  }
  EXPECT_GT(sea, kSamples * 35 / 100);
  EXPECT_LT(sea, kSamples * 45 / 100);
  EXPECT_GT(highest, 3500.0);
  EXPECT_LE(terrain->maximumHeight(), 5000.0);
}

TEST(GlobeTerrainTest, ProceduralReliefHasNoSeams) {
  const std::shared_ptr<Terrain> terrain = Terrain::createProcedural();
  for (double lat = -89.0; lat <= 89.0; lat += 0.5) {
    const double r = Math::toRadians(lat);
    EXPECT_NEAR(terrain->heightAt(Math::PI - 1e-9, r), terrain->heightAt(-Math::PI + 1e-9, r), 1e-3) << lat;
  }
  for (double pole : {Math::PI_OVER_TWO, -Math::PI_OVER_TWO}) {
    const double reference = terrain->heightAt(0.0, pole);
    for (double lon = -180.0; lon < 180.0; lon += 15.0) {
      EXPECT_NEAR(terrain->heightAt(Math::toRadians(lon), pole), reference, 1e-6);
    }
  }
}

TEST(GlobeTerrainTest, ProceduralReliefStaysWithinItsDerivativeBounds) {
  const std::shared_ptr<Terrain> terrain = Terrain::createProcedural();
  std::mt19937_64 bits(7);
  std::normal_distribution<double> gauss;
  constexpr double kStep = 1.0e-5;  // radians of arc: about 64 m
  for (int i = 0; i < 20000; ++i) {
    const Vector3<double> n = Vector3<double>(gauss(bits), gauss(bits), gauss(bits)).normalized();
    Vector3<double> u(gauss(bits), gauss(bits), gauss(bits));
    u = (u - n * u.dot(n)).normalized();
    const auto along = [&](double a) { return terrain->heightAtNormal(n * std::cos(a) + u * std::sin(a)); };
    const double h0 = along(0.0);
    const double first = (along(kStep) - along(-kStep)) / (2.0 * kStep);
    const double second = (along(kStep) - 2.0 * h0 + along(-kStep)) / (kStep * kStep);
    ASSERT_LE(std::abs(first), terrain->maximumGradient());
    ASSERT_LE(std::abs(second), terrain->maximumSecondDerivative());
    double height = 0.0;
    Vector3<double> gradient;
    ASSERT_TRUE(terrain->heightAndGradientAtNormal(n, height, gradient));
    EXPECT_EQ(height, h0);
    EXPECT_NEAR(gradient.dot(u), first, 1e-3 * terrain->maximumGradient());
  }
}

}  // namespace
}  // namespace qel
