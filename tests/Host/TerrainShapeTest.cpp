// What the default terrain says about its shape around a point, which globe picks trust
// to take long steps: the height it returns with it is exactly the plain lookup's, and
// the slope and curvature bounds hold everywhere within the reach it gives (on coasts,
// inland, at sea and at high latitudes), checked against the heights themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "Common/Math.h"
#include "Common/Vector3.h"
#include "Scene/Terrain.h"

namespace qel {
namespace {

// A grid over the globe (degrees), offset so that it does not line up with the mask's
// cells or blocks; within two blocks of the poles the terrain gives no bounds.
constexpr double kGridLonStep = 3.7;
constexpr double kGridLatStep = 2.9;
constexpr double kGridLatLimit = 88.5;
// Directions and distances (fractions of the reach) at which the bounds are checked.
constexpr int kDirections = 8;
constexpr std::array<double, 4> kReachFractions{0.01, 0.3, 0.7, 0.999};
// Rounding of heights of some kilometres (metres).
constexpr double kHeightRounding = 1.0e-6;

Vector3<double> normalAt(double lonDeg, double latDeg) {
  const double lon = Math::toRadians(lonDeg);
  const double lat = Math::toRadians(latDeg);
  return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

// The unit tangent at `n` pointing `angle` radians north of east.
Vector3<double> tangentAt(const Vector3<double>& n, double angle) {
  const double horizontal = std::hypot(n.x, n.y);
  const Vector3<double> east{-n.y / horizontal, n.x / horizontal, 0.0};
  const Vector3<double> north = n.cross(east);
  return east * std::cos(angle) + north * std::sin(angle);
}

struct Counts {
  std::size_t bounded = 0;
  std::size_t sea = 0;
  std::size_t withCurvature = 0;
  std::size_t coastal = 0;  // bounds that do not come from the relief alone
};

TEST(TerrainShape, HeightIsThePlainLookupsAndTheBoundsHoldWithinTheirReach) {
  const auto terrain = Terrain::createProcedural();
  // The relief's own slope bound: the largest slope any inland neighbourhood reports.
  double reliefSlope = 0.0;
  Counts counts;
  for (double lat = -kGridLatLimit; lat <= kGridLatLimit; lat += kGridLatStep) {
    for (double lon = -180.0; lon < 180.0; lon += kGridLonStep) {
      const Vector3<double> n = normalAt(lon, lat);
      double height = NAN;
      Terrain::LocalShape shape;
      const bool known = terrain->heightAndShapeNearNormal(n, height, shape);
      ASSERT_EQ(height, terrain->heightAtNormal(n)) << lon << ", " << lat;
      if (!known) continue;
      ++counts.bounded;
      ASSERT_GT(shape.reach, 0.0);
      ASSERT_GE(shape.slope, 0.0);
      if (shape.slope == 0.0) ++counts.sea;
      if (std::isfinite(shape.curvature)) {
        ++counts.withCurvature;
        reliefSlope = std::max(reliefSlope, shape.slope);
      }
      for (int k = 0; k < kDirections; ++k) {
        const Vector3<double> u = tangentAt(n, Math::TWO_PI * k / kDirections);
        for (const double fraction : kReachFractions) {
          const double delta = fraction * shape.reach;
          const Vector3<double> q = n * std::cos(delta) + u * std::sin(delta);
          const double rise = terrain->heightAtNormal(q) - height;
          EXPECT_LE(std::abs(rise), shape.slope * delta + kHeightRounding)
              << "slope at " << lon << ", " << lat << " toward " << k << " at " << fraction;
          if (std::isfinite(shape.curvature)) {
            EXPECT_LE(std::abs(rise - shape.gradient.dot(u) * delta),
                      0.5 * shape.curvature * delta * delta + kHeightRounding)
                << "curvature at " << lon << ", " << lat << " toward " << k << " at " << fraction;
          }
        }
      }
    }
  }
  // The grid met every kind of neighbourhood: open sea, deep inland, and coasts whose
  // bounds are steeper than the relief's.
  EXPECT_GT(counts.sea, 0u);
  EXPECT_GT(counts.withCurvature, 0u);
  for (double lat = -kGridLatLimit; lat <= kGridLatLimit; lat += kGridLatStep) {
    for (double lon = -180.0; lon < 180.0; lon += kGridLonStep) {
      double height = NAN;
      Terrain::LocalShape shape;
      if (terrain->heightAndShapeNearNormal(normalAt(lon, lat), height, shape) && shape.slope > reliefSlope) {
        ++counts.coastal;
      }
    }
  }
  EXPECT_GT(counts.coastal, 0u);
  // Near the poles no neighbourhood is useful: the plain lookup only.
  double height = NAN;
  Terrain::LocalShape shape;
  EXPECT_FALSE(terrain->heightAndShapeNearNormal(normalAt(10.0, 89.9), height, shape));
  EXPECT_EQ(height, terrain->heightAtNormal(normalAt(10.0, 89.9)));
}

TEST(TerrainShape, OtherTerrainsKnowNothingLocally) {
  const auto terrain = Terrain::createFlat(120.0);
  double height = NAN;
  Terrain::LocalShape shape;
  EXPECT_FALSE(terrain->heightAndShapeNearNormal(normalAt(8.0, 46.0), height, shape));
  EXPECT_EQ(height, 120.0);
}

}  // namespace
}  // namespace qel
