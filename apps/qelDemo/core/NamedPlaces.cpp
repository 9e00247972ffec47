#include "NamedPlaces.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Scene/Terrain.h"

namespace qel::demo {

namespace {

constexpr double kDeg = Math::RADIANS_PER_DEGREE;

// The global search grid for the mountain (degrees): fine enough that every broad range
// has samples on its flanks, coarse enough (65 000 samples) to take a few milliseconds.
constexpr double kGlobalStepDeg = 1.0;
// Coarse candidates climbed to their summit: the highest sample is not always on the
// highest range, so several are refined and the best summit kept.
constexpr std::size_t kSummitCandidates = 12;
// Hill climbing starts at this step (degrees) and halves down to the last one (about a
// metre on the ground), far below the shortest relief wavelength (about 19 km).
constexpr double kClimbStartDeg = 0.25;
constexpr double kClimbEndDeg = 1e-5;
// Valley search: a square of this half size around the mountain, sampled at this step,
// each sample compared with the ring of samples this far away (all degrees; the ring is
// a few kilometres, the width of the valleys between the relief's peaks).
constexpr double kValleyHalfSizeDeg = 1.5;
constexpr double kValleyStepDeg = 0.03;
constexpr double kValleyRingDeg = 0.06;
// A valley must be land well above the coastal plain, not a strip of the shore.
constexpr double kValleyMinHeight = 300.0;
// Coast search: the crossing between a land and a sea sample is bisected this many times
// (down to far under a metre).
constexpr int kCoastBisections = 40;

// How each place is looked at: heading, pitch (degrees) and range (metres). Oblique
// views near the ground show the relief; the pole is seen from high above.
constexpr double kMountainPitchDeg = -25.0;
constexpr double kMountainRange = 35000.0;
constexpr double kValleyHeadingDeg = 45.0;
constexpr double kValleyPitchDeg = -30.0;
constexpr double kValleyRange = 8000.0;
constexpr double kCoastPitchDeg = -50.0;
constexpr double kCoastRange = 150000.0;
constexpr double kPolePitchDeg = -90.0;
constexpr double kPoleRange = 4.0e6;

struct LonLat {
  double lon = 0.0;  // degrees
  double lat = 0.0;  // degrees
};

double heightDeg(const Terrain& terrain, const LonLat& p) {
  return terrain.heightAt(p.lon * kDeg, std::clamp(p.lat, -90.0, 90.0) * kDeg);
}

double wrapLon(double lon) {
  while (lon > 180.0) lon -= 360.0;
  while (lon <= -180.0) lon += 360.0;
  return lon;
}

LonLat offset(const LonLat& p, double dLon, double dLat) {
  return {wrapLon(p.lon + dLon), std::clamp(p.lat + dLat, -90.0, 90.0)};
}

// Steepest ascent (sign +1) or descent (−1) over the 8 neighbours with a halving step.
LonLat climb(const Terrain& terrain, LonLat p, double sign) {
  double best = sign * heightDeg(terrain, p);
  for (double step = kClimbStartDeg; step >= kClimbEndDeg; step *= 0.5) {
    bool moved = true;
    while (moved) {
      moved = false;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          if (dx == 0 && dy == 0) continue;
          const LonLat q = offset(p, dx * step, dy * step);
          const double h = sign * heightDeg(terrain, q);
          if (h > best) {
            best = h;
            p = q;
            moved = true;
          }
        }
      }
    }
  }
  return p;
}

LonLat findMountain(const Terrain& terrain) {
  struct Sample {
    double h;
    LonLat p;
  };
  std::vector<Sample> samples;
  for (double lat = -89.5; lat < 90.0; lat += kGlobalStepDeg) {
    for (double lon = -179.5; lon < 180.0; lon += kGlobalStepDeg) {
      samples.push_back({heightDeg(terrain, {lon, lat}), {lon, lat}});
    }
  }
  const std::size_t n = std::min(kSummitCandidates, samples.size());
  std::partial_sort(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(n), samples.end(),
                    [](const Sample& a, const Sample& b) { return a.h > b.h; });
  LonLat best = samples.front().p;
  double bestHeight = -std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < n; ++i) {
    const LonLat summit = climb(terrain, samples[i].p, 1.0);
    const double h = heightDeg(terrain, summit);
    if (h > bestHeight) {
      bestHeight = h;
      best = summit;
    }
  }
  return best;
}

LonLat findValley(const Terrain& terrain, const LonLat& mountain) {
  LonLat best = mountain;
  double bestDepth = -std::numeric_limits<double>::infinity();
  for (double dy = -kValleyHalfSizeDeg; dy <= kValleyHalfSizeDeg; dy += kValleyStepDeg) {
    for (double dx = -kValleyHalfSizeDeg; dx <= kValleyHalfSizeDeg; dx += kValleyStepDeg) {
      const LonLat p = offset(mountain, dx, dy);
      const double h = heightDeg(terrain, p);
      if (h < kValleyMinHeight) continue;
      double ring = 0.0;
      int count = 0;
      for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
          if (i == 0 && j == 0) continue;
          ring += heightDeg(terrain, offset(p, i * kValleyRingDeg, j * kValleyRingDeg));
          ++count;
        }
      }
      const double depth = ring / count - h;
      if (depth > bestDepth) {
        bestDepth = depth;
        best = p;
      }
    }
  }
  // To the valley floor.
  return climb(terrain, best, -1.0);
}

struct Coast {
  LonLat point;
  double headingDeg = 0.0;  // from the land toward the sea
};

double angularDistance(const LonLat& a, const LonLat& b) {
  const double la = a.lat * kDeg, lb = b.lat * kDeg;
  const double c = std::sin(la) * std::sin(lb) + std::cos(la) * std::cos(lb) * std::cos((a.lon - b.lon) * kDeg);
  return std::acos(std::clamp(c, -1.0, 1.0));
}

// The land/sea boundary nearest to the mountain: among neighbouring samples of the global
// grid where one is land and the other sea, the pair whose land sample is closest;
// the crossing between them is then bisected to the coastline.
Coast findCoast(const Terrain& terrain, const LonLat& mountain) {
  const int columns = static_cast<int>(360.0 / kGlobalStepDeg);
  const int rows = static_cast<int>(180.0 / kGlobalStepDeg);
  const auto sampleAt = [&](int i, int j) {
    return LonLat{-180.0 + (i + 0.5) * kGlobalStepDeg, -90.0 + (j + 0.5) * kGlobalStepDeg};
  };
  std::vector<char> land(static_cast<std::size_t>(columns * rows));
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < columns; ++i) {
      land[static_cast<std::size_t>(j * columns + i)] = heightDeg(terrain, sampleAt(i, j)) > 0.0;
    }
  }
  const auto isLand = [&](int i, int j) {
    return land[static_cast<std::size_t>(j * columns + (i + columns) % columns)] != 0;
  };
  LonLat bestLand = mountain;
  LonLat bestSea = mountain;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < columns; ++i) {
      if (!isLand(i, j)) continue;
      const std::array<std::pair<int, int>, 4> neighbours{{{i + 1, j}, {i - 1, j}, {i, j + 1}, {i, j - 1}}};
      for (const auto& [ni, nj] : neighbours) {
        if (nj < 0 || nj >= rows || isLand(ni, nj)) continue;
        const LonLat p = sampleAt(i, j);
        const double d = angularDistance(p, mountain);
        if (d < bestDistance) {
          bestDistance = d;
          bestLand = p;
          bestSea = sampleAt((ni + columns) % columns, nj);
        }
      }
    }
  }
  if (!std::isfinite(bestDistance)) return {mountain, 0.0};
  // Bisect the straight step from the land sample (lo) to the sea sample (hi).
  double dLon = bestSea.lon - bestLand.lon;
  if (dLon > 180.0) dLon -= 360.0;
  if (dLon < -180.0) dLon += 360.0;
  const double dLat = bestSea.lat - bestLand.lat;
  double lo = 0.0;
  double hi = 1.0;
  for (int k = 0; k < kCoastBisections; ++k) {
    const double mid = 0.5 * (lo + hi);
    (heightDeg(terrain, offset(bestLand, dLon * mid, dLat * mid)) > 0.0 ? lo : hi) = mid;
  }
  const double heading = std::atan2(dLon * std::cos(bestLand.lat * kDeg), dLat) / kDeg;
  return {offset(bestLand, dLon * hi, dLat * hi), heading < 0.0 ? heading + 360.0 : heading};
}

NamedPlace makePlace(const Terrain& terrain, std::string name, const LonLat& target, double headingDeg, double pitchDeg,
                     double range) {
  NamedPlace place;
  place.name = std::move(name);
  place.view.longitude = target.lon * kDeg;
  place.view.latitude = target.lat * kDeg;
  place.view.height = heightDeg(terrain, target);
  place.view.heading = headingDeg * kDeg;
  place.view.pitch = pitchDeg * kDeg;
  place.view.range = range;
  const Viewpose pose = Transforms::viewpointToViewpose(place.view);
  place.position = pose.position;
  place.orientation = pose.orientation;
  return place;
}

}  // namespace

NamedPlaces NamedPlaces::find(const Terrain& terrain) {
  NamedPlaces result;
  const LonLat mountain = findMountain(terrain);
  const LonLat valley = findValley(terrain, mountain);
  const Coast coast = findCoast(terrain, mountain);
  result.places_.push_back(makePlace(terrain, "mountain", mountain, 0.0, kMountainPitchDeg, kMountainRange));
  result.places_.push_back(makePlace(terrain, "valley", valley, kValleyHeadingDeg, kValleyPitchDeg, kValleyRange));
  result.places_.push_back(makePlace(terrain, "coast", coast.point, coast.headingDeg, kCoastPitchDeg, kCoastRange));
  result.places_.push_back(makePlace(terrain, "north pole", {0.0, 90.0}, 0.0, kPolePitchDeg, kPoleRange));
  return result;
}

const NamedPlace* NamedPlaces::forKey(int number) const noexcept {
  if (number < 1 || static_cast<std::size_t>(number) > places_.size()) return nullptr;
  return &places_[static_cast<std::size_t>(number - 1)];
}

}  // namespace qel::demo
