// The default terrain on the real continents: land where the map has land, a flat sea at
// height 0 everywhere else, a shore that climbs without a step, and coastlines where an
// atlas puts them (to within the mask's resolution and the outlines' generalisation).
// A damaged mask file is refused rather than read as a wrong Earth.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "Common/Math.h"
#include "Scene/LandMask.h"
#include "Scene/Terrain.h"

namespace qel {
namespace {

// The mask's cells (degrees) and the coastline's tolerance: a cell for the raster and a
// cell for the 1:50 million outlines it was made from, which cut the tips of capes.
constexpr double kCellDeg = 0.05;
constexpr double kCoastToleranceDeg = 2.0 * kCellDeg;
// Step of the walks across a coast (degrees, about 550 m).
constexpr double kWalkStepDeg = 0.005;
// The shore may climb at most this much per walk step (a slope of about 1:5): the coastal
// plain's rise, not a cliff at the water line.
constexpr double kMaxShoreStep = 100.0;
// How far inland the shore walk goes (degrees): past the coastal plain.
constexpr double kShoreWalkDeg = 0.2;

double heightDeg(const Terrain& terrain, double lonDeg, double latDeg) {
  return terrain.heightAt(Math::toRadians(lonDeg), Math::toRadians(latDeg));
}

struct Place {
  std::string name;
  double lonDeg;
  double latDeg;
  bool land;
};

void PrintTo(const Place& p, std::ostream* out) { *out << p.name; }

class TerrainLandSeaTest : public ::testing::TestWithParam<Place> {};

TEST_P(TerrainLandSeaTest, LandStandsAboveTheSeaAndTheSeaIsFlat) {
  const auto terrain = Terrain::createProcedural();
  const Place& p = GetParam();
  // The place and the points a cell around it agree: the answer is not a coastline's.
  for (const double d : {-kCellDeg, 0.0, kCellDeg}) {
    const double h = heightDeg(*terrain, p.lonDeg + d, p.latDeg - d);
    if (p.land) {
      EXPECT_GT(h, 0.0) << d;
    } else {
      EXPECT_EQ(h, 0.0) << d;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Places, TerrainLandSeaTest,
    ::testing::Values(Place{"MidAtlantic", -30.0, 30.0, false}, Place{"CentralAsia", 70.0, 48.0, true},
                      Place{"Sahara", 10.0, 25.0, true}, Place{"Amazonia", -60.0, -5.0, true},
                      Place{"InteriorAustralia", 134.0, -25.0, true}, Place{"Greenland", -40.0, 72.0, true},
                      Place{"NorthPacific", -140.0, 20.0, false}, Place{"IndianOcean", 80.0, -30.0, false},
                      Place{"Mediterranean", 18.0, 35.0, false}, Place{"HudsonBay", -85.0, 60.0, false},
                      Place{"CaspianSea", 51.0, 42.0, false}, Place{"NorthPole", 0.0, 89.99, false},
                      Place{"SouthPole", 0.0, -89.99, true}),
    [](const ::testing::TestParamInfo<Place>& info) { return info.param.name; });

// A walk from the open sea straight toward a cape whose position an atlas gives.
struct Cape {
  std::string name;
  double lonDeg;  // the cape
  double latDeg;
  double dLon;  // walk direction from the sea toward the land (one of them is 0)
  double dLat;
};

void PrintTo(const Cape& c, std::ostream* out) { *out << c.name; }

class TerrainCoastTest : public ::testing::TestWithParam<Cape> {};

TEST_P(TerrainCoastTest, TheCoastIsWhereTheAtlasPutsItAndTheShoreClimbsSmoothly) {
  const auto terrain = Terrain::createProcedural();
  const Cape& c = GetParam();
  // Start a degree out at sea.
  const int steps = static_cast<int>(std::lround((1.0 + kShoreWalkDeg + kCoastToleranceDeg) / kWalkStepDeg));
  double previous = 0.0;
  double coast = NAN;
  for (int k = 0; k <= steps; ++k) {
    const double along = -1.0 + k * kWalkStepDeg;
    const double h = heightDeg(*terrain, c.lonDeg + c.dLon * along, c.latDeg + c.dLat * along);
    if (std::isnan(coast)) {
      if (h > 0.0) coast = along;
    } else if (along - coast < kShoreWalkDeg) {
      EXPECT_LT(h - previous, kMaxShoreStep) << "at " << along << "° from the cape";
    }
    previous = h;
  }
  ASSERT_FALSE(std::isnan(coast)) << "no land on the walk";
  EXPECT_NEAR(coast, 0.0, kCoastToleranceDeg);
}

INSTANTIATE_TEST_SUITE_P(Capes, TerrainCoastTest,
                         ::testing::Values(Cape{"CaboDaRocaFromTheWest", -9.50, 38.78, 1.0, 0.0},
                                           Cape{"CapeAgulhasFromTheSouth", 20.00, -34.83, 0.0, 1.0},
                                           Cape{"KanyakumariFromTheSouth", 77.54, 8.08, 0.0, 1.0},
                                           Cape{"CapeYorkFromTheNorth", 142.53, -10.69, 0.0, -1.0}),
                         [](const ::testing::TestParamInfo<Cape>& info) { return info.param.name; });

// The mask as the terrain reads it, and a made-up 4 × 2 one.
std::vector<std::uint8_t> maskBytes(std::vector<std::uint8_t> rows) {
  std::vector<std::uint8_t> bytes{'Q', 'E', 'L', 'L', 'A', 'N', 'D', '1', 4, 0, 2, 0};
  bytes.insert(bytes.end(), rows.begin(), rows.end());
  return bytes;
}

TEST(LandMaskFile, RunsLayOutTheCells) {
  // Row 0 (south): sea, land, land, sea. Row 1: land ×4 (a leading sea run of 0).
  const auto mask = LandMask::parse(maskBytes({1, 2, 1, 0, 4}));
  ASSERT_TRUE(mask);
  const std::vector<std::vector<bool>> want{{false, true, true, false}, {true, true, true, true}};
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 4; ++column) {
      EXPECT_EQ(mask->isLandCell(column, row), want[row][column]) << column << "," << row;
    }
  }
  // Columns wrap around the globe.
  EXPECT_EQ(mask->isLandCell(5, 0), want[0][1]);
  EXPECT_EQ(mask->isLandCell(-1, 0), want[0][3]);
}

struct BadFile {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

void PrintTo(const BadFile& f, std::ostream* out) { *out << f.name; }

class LandMaskBadFileTest : public ::testing::TestWithParam<BadFile> {};

TEST_P(LandMaskBadFileTest, IsRefused) { EXPECT_FALSE(LandMask::parse(GetParam().bytes)); }

INSTANTIATE_TEST_SUITE_P(
    Files, LandMaskBadFileTest,
    ::testing::Values(BadFile{"Empty", {}}, BadFile{"WrongMagic", {'Q', 'E', 'L', 'X', 'A', 'N', 'D', '1', 4, 0, 2, 0}},
                      BadFile{"RunsPastTheWidth", maskBytes({1, 2, 2, 0, 4})},
                      BadFile{"TruncatedLastRow", maskBytes({1, 2, 1, 0})},
                      BadFile{"TrailingBytes", maskBytes({1, 2, 1, 0, 4, 0})},
                      BadFile{"UnfinishedRunLength", maskBytes({1, 2, 1, 0, 0x84})},
                      BadFile{"NotTwiceAsWideAsHigh", {'Q', 'E', 'L', 'L', 'A', 'N', 'D', '1', 4, 0, 4, 0}}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return info.param.name; });

}  // namespace
}  // namespace qel
