// Globe picks as navigation and editing rely on them: the point returned lies on the
// terrain and is the first surface the ray meets (not a valley behind a ridge), and a
// ray that cannot meet the ground finds nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
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
// A hit must lie on the terrain this closely (vertically)...
constexpr double kSurfaceTolerance = 0.01;
// ...and on the ray this closely.
constexpr double kRayTolerance = 1.0e-3;
// Step of the slow reference march; the pick must agree with it to within one step.
constexpr double kSampleStep = 5.0;
// How far the reference looks for a crossing when the pick found none.
constexpr double kMissRange = 3.0e5;

// The highest summit of the default terrain (about 4 000 m, east of Lake Ilmen), an
// open-ocean spot (the Southern Ocean), a coast that the antimeridian crosses (the Gulf
// of Anadyr's, in Chukotka) and the sea off a fjord coast (degrees).
constexpr double kSummitLon = 33.97;
constexpr double kSummitLat = 59.16;
constexpr double kOceanLon = 0.0;
constexpr double kOceanLat = -60.0;
constexpr double kAntimeridianLat = 65.05;
// Off the fjords of western Norway, looking east: sea, a ragged coast, then mountains.
constexpr double kFjordSeaLon = 4.3;
constexpr double kFjordSeaLat = 61.0;

struct View {
  std::string name;
  double lonDeg;
  double latDeg;
  double heightAboveTerrain;  // metres; negative: under the terrain
  double headingDeg;
  double tiltDeg;  // from straight down; 90 looks at the horizon, 180 straight up
  int minHitPercent;
};

double clearance(const GlobeImpl& globe, const Vector3<double>& p) {
  const Cartographic c = *Ellipsoid::WGS84.cartesianToCartographic(p);
  return c.height - *globe.getHeight(c);
}

// The pick rays through a grid of pixels of the camera placed for `view`.
std::vector<Ray> viewRays(SceneImpl& scene, const View& view) {
  const double lon = Math::toRadians(view.lonDeg);
  const double lat = Math::toRadians(view.latDeg);
  const double ground = *scene.getGlobe().getHeight({lon, lat});
  const Vector3<double> eye = Ellipsoid::WGS84.cartographicToCartesian({lon, lat, ground + view.heightAboveTerrain});
  scene.getCamera().setPosition(eye);
  scene.getCamera().setOrientation(Transforms::viewHeadingPitchRollToViewQuaternion(
      eye, {Math::toRadians(view.headingDeg), Math::toRadians(view.tiltDeg - 90.0), 0.0}));
  std::vector<Ray> rays;
  const Viewport& v = scene.getCamera().getViewport();
  constexpr int kColumns = 8;
  constexpr int kRows = 6;
  for (int i = 0; i <= kColumns; ++i) {
    for (int j = 0; j <= kRows; ++j) {
      rays.push_back(scene.getCamera().getPickRay(
          {static_cast<float>(v.width() * i / kColumns), static_cast<float>(v.height() * j / kRows)}));
    }
  }
  return rays;
}

// The first crossing of the terrain along the ray, found the slow and obvious way: fixed
// steps wherever the ray is within reach of the terrain. Negative when there is none.
double firstCrossingBySampling(const GlobeImpl& globe, const Ray& ray, double limit) {
  const double top = globe.getTerrain().maximumHeight();
  const double bottom = globe.getTerrain().minimumHeight();
  const bool startsBelow = clearance(globe, ray.origin) < 0.0;
  for (double t = 0.0; t < limit;) {
    const Cartographic c = *Ellipsoid::WGS84.cartesianToCartographic(ray.getPoint(t));
    const double gap = c.height - *globe.getHeight(c);
    if (startsBelow ? gap >= 0.0 : gap <= 0.0) return t;
    // Far above every summit (or below every sea floor) skip to that level: the ray's
    // height changes by at most a metre per metre.
    t += std::max({kSampleStep, c.height - top, bottom - c.height});
  }
  return -1.0;
}

class GlobePickTest : public ::testing::TestWithParam<View> {};

TEST_P(GlobePickTest, HitIsTheFirstTerrainPointAlongTheRay) {
  SceneImpl scene;
  const GlobeImpl& globe = scene.getGlobe();
  const std::vector<Ray> rays = viewRays(scene, GetParam());
  std::size_t hits = 0;
  for (std::size_t i = 0; i < rays.size(); ++i) {
    const Ray& ray = rays[i];
    const std::optional<Vector3<double>> hit = globe.pick(ray, scene);
    if (hit) {
      ++hits;
      const Vector3<double> offset = *hit - ray.origin;
      EXPECT_GE(offset.dot(ray.direction), 0.0) << "ray " << i;
      EXPECT_LT(offset.cross(ray.direction).length(), kRayTolerance) << "ray " << i;
      EXPECT_NEAR(clearance(globe, *hit), 0.0, kSurfaceTolerance) << "ray " << i;
    }
    if (i % 3 != 0) continue;  // the sampling reference is slow
    const double limit = hit ? (*hit - ray.origin).length() + kSampleStep : kMissRange;
    const double reference = firstCrossingBySampling(globe, ray, limit);
    if (!hit) {
      EXPECT_LT(reference, 0.0) << "missed a crossing at " << reference << " m (ray " << i << ")";
    } else {
      ASSERT_GE(reference, 0.0) << "ray " << i;
      EXPECT_NEAR((*hit - ray.origin).length(), reference, kSampleStep) << "ray " << i;
    }
  }
  EXPECT_GE(hits * 100, rays.size() * static_cast<std::size_t>(GetParam().minHitPercent));
}

INSTANTIATE_TEST_SUITE_P(
    Views, GlobePickTest,
    ::testing::Values(View{"Walk500mAtSummit", kSummitLon, kSummitLat, 500.0, 40.0, 75.0, 50},
                      View{"Orbit20000km", kSummitLon, kSummitLat, 2.0e7, 0.0, 0.0, 10},
                      View{"SkimmingOpenSea", kOceanLon, kOceanLat, 500.0, 10.0, 85.0, 40},
                      View{"SkimmingInlandRanges", kSummitLon, kSummitLat, 300.0, 200.0, 86.0, 40},
                      View{"SkimmingTowardFjords", kFjordSeaLon, kFjordSeaLat, 800.0, 80.0, 84.0, 30},
                      View{"AcrossAntimeridian", 179.95, kAntimeridianLat, 2000.0, 90.0, 70.0, 80},
                      View{"AcrossNorthPole", 30.0, 89.95, 3000.0, 0.0, 70.0, 80},
                      View{"UndergroundLookingUp", kSummitLon, kSummitLat, -200.0, 0.0, 150.0, 100}),
    [](const ::testing::TestParamInfo<View>& info) { return info.param.name; });

// A level ray that dips just under the terrain at one spot (a ridge or a summit it
// barely clips) and is clear of it everywhere else: a march that steps over the spot finds
// nothing, or the ground far behind.
constexpr double kClipDepth = 2.0;         // metres under the terrain at the spot
constexpr double kClipApproach = 20000.0;  // metres from the ray's origin to the spot

class GlobeClipTest : public ::testing::TestWithParam<double> {};

TEST_P(GlobeClipTest, ARayClippingTheTopOfARidgeHitsItsNearSide) {
  SceneImpl scene;
  const GlobeImpl& globe = scene.getGlobe();
  const Cartographic spot = Cartographic::fromDegrees(kSummitLon, kSummitLat, 0.0);
  const Vector3<double> top =
      Ellipsoid::WGS84.cartographicToCartesian({spot.longitude, spot.latitude, *globe.getHeight(spot) - kClipDepth});
  const Vector3<double> up = Ellipsoid::WGS84.geodeticSurfaceNormal(top);
  const Vector3<double> east = Vector3<double>(0.0, 0.0, 1.0).cross(up).normalized();
  const Vector3<double> north = up.cross(east);
  const double heading = Math::toRadians(GetParam());
  const Vector3<double> along = north * std::cos(heading) + east * std::sin(heading);
  const Ray ray{top - along * kClipApproach, along};

  const std::optional<Vector3<double>> hit = globe.pick(ray, scene);
  const double reference = firstCrossingBySampling(globe, ray, kClipApproach + kSampleStep);
  ASSERT_GE(reference, 0.0);
  ASSERT_TRUE(hit) << "stepped over the ridge";
  EXPECT_NEAR((*hit - ray.origin).length(), reference, kSampleStep);
}

INSTANTIATE_TEST_SUITE_P(Headings, GlobeClipTest, ::testing::Values(0.0, 45.0, 90.0, 200.0, 300.0));

// A point 500 m over the open ocean, its local east and up, and a ray elevated from it.
const Vector3<double> kOceanEye =
    Ellipsoid::WGS84.cartographicToCartesian(Cartographic::fromDegrees(kOceanLon, kOceanLat, 500.0));
const Vector3<double> kOceanUp = Ellipsoid::WGS84.geodeticSurfaceNormal(kOceanEye);
const Vector3<double> kOceanEast = Vector3<double>(0.0, 0.0, 1.0).cross(kOceanUp).normalized();
Ray elevated(double degrees) {
  const double a = Math::toRadians(degrees);
  return {kOceanEye, kOceanEast * std::cos(a) + kOceanUp * std::sin(a)};
}

// From 20 000 km on the +X axis, a ray passing the Earth's centre at `distance`.
Ray passingCentreAt(double distance) {
  return {{2.0e7, 0.0, 0.0}, Vector3<double>(-std::sqrt(4.0e14 - distance * distance), distance, 0.0).normalized()};
}

struct NoGroundCase {
  std::string name;
  Ray ray;
};

class GlobeMissTest : public ::testing::TestWithParam<NoGroundCase> {};

TEST_P(GlobeMissTest, RaysThatCannotMeetTheGroundFindNothing) {
  SceneImpl scene;
  EXPECT_FALSE(scene.getGlobe().pick(GetParam().ray, scene));
  // The globe is still usable afterwards.
  EXPECT_TRUE(scene.getGlobe().pick(elevated(-30.0), scene));
}

INSTANTIATE_TEST_SUITE_P(
    Rays, GlobeMissTest,
    ::testing::Values(NoGroundCase{"LevelOverSea", elevated(0.0)}, NoGroundCase{"Zenith", elevated(90.0)},
                      // Above the highest summits, but well inside the terrain's bounding shell.
                      NoGroundCase{"OrbitGrazingAboveSummits", passingCentreAt(6378137.0 + 4600.0)},
                      NoGroundCase{"NaNOrigin", Ray{{kNaN, 0.0, 0.0}, {-1.0, 0.0, 0.0}}},
                      NoGroundCase{"ZeroDirection", Ray{{2.0e7, 0.0, 0.0}, {0.0, 0.0, 0.0}}}),
    [](const ::testing::TestParamInfo<NoGroundCase>& info) { return info.param.name; });

class GlobeFlatTest : public ::testing::TestWithParam<View> {};

TEST_P(GlobeFlatTest, FlatTerrainAtSeaLevelIsTheEllipsoid) {
  SceneImpl scene;
  scene.getGlobe().setTerrain(Terrain::createFlat(0.0));
  for (const Ray& ray : viewRays(scene, GetParam())) {
    const std::optional<Vector3<double>> hit = scene.getGlobe().pick(ray, scene);
    const std::optional<Interval> exact = IntersectionTests::intersects(ray, Ellipsoid::WGS84);
    ASSERT_EQ(hit.has_value(), exact && exact->start >= 0.0);
    if (hit) {
      EXPECT_LT((*hit - ray.getPoint(exact->start)).length(), kRayTolerance);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Views, GlobeFlatTest,
                         ::testing::Values(View{"Close", 20.0, 45.0, 500.0, 0.0, 60.0, 0},
                                           View{"Orbit", 100.0, -30.0, 2.0e7, 0.0, 5.0, 0}),
                         [](const ::testing::TestParamInfo<View>& info) { return info.param.name; });

}  // namespace
}  // namespace qel
