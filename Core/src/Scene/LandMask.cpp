// The land mask: run-length rows decoded into one bit per cell, plus land counts of
// blocks of cells; smooth fields over both by quadratic B-splines.
//
// File: "QELLAND1", width and height (u16, little-endian), then per row (south to north)
// unsigned LEB128 run lengths, alternately sea and land starting with sea, adding up to
// the width.
#include "Scene/LandMask.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include "Common/Math.h"

namespace qel {
namespace {

constexpr char kMagic[] = "QELLAND1";
constexpr std::size_t kMagicSize = sizeof(kMagic) - 1;
constexpr std::size_t kHeaderSize = kMagicSize + 4;
// A mask must at least resolve the continents, and no sensible one has cells under a
// few metres; the limits only keep a damaged header from asking for absurd memory.
constexpr int kMinRows = 2;
constexpr int kMaxRows = 1 << 15;
// Blocks on each side of a block that its neighbourhood summary covers: the points within
// a block of it read cells and blocks up to one further block away.
constexpr int kNeighbourhoodBlocks = 2;

// Weights of a uniform quadratic B-spline at offset t ∈ [−½, ½] from the nearest node,
// for the nodes before, at and after it. They add up to 1 and are never negative, so the
// field stays within the nodes' range.
std::array<double, 3> splineWeights(double t) noexcept {
  return {0.5 * (0.5 - t) * (0.5 - t), 0.75 - t * t, 0.5 * (0.5 + t) * (0.5 + t)};
}

// The B-spline of node values value(column, row), nodes at the centres of a grid of
// `columns` × `rows` cells spanning the globe; longitude and latitude in radians.
template <typename Value>
double spline(double longitude, double latitude, int columns, int rows, Value value) noexcept {
  const double u = (Math::toDegrees(longitude) + 180.0) * columns / 360.0 - 0.5;
  const double v = (Math::toDegrees(latitude) + 90.0) * rows / 180.0 - 0.5;
  if (!std::isfinite(u) || !std::isfinite(v)) return 0.0;
  const double cu = std::floor(u + 0.5);
  const double cv = std::floor(v + 0.5);
  const std::array<double, 3> wu = splineWeights(u - cu);
  const std::array<double, 3> wv = splineWeights(v - cv);
  // Longitudes far outside [−180°, 180°] wrap; the column is reduced once, here.
  const long long column = static_cast<long long>(std::fmod(cu, static_cast<double>(columns)));
  const int row = static_cast<int>(std::clamp(cv, -1.0, static_cast<double>(rows)));
  double sum = 0.0;
  for (int j = 0; j < 3; ++j) {
    double line = 0.0;
    for (int i = 0; i < 3; ++i) {
      const int c = static_cast<int>(((column + i - 1) % columns + columns) % columns);
      line += wu[static_cast<std::size_t>(i)] * value(c, std::clamp(row + j - 1, 0, rows - 1));
    }
    sum += wv[static_cast<std::size_t>(j)] * line;
  }
  return std::clamp(sum, 0.0, 1.0);
}

}  // namespace

LandMask::LandMask(int width, int height)
    : width_(width),
      height_(height),
      bits_((static_cast<std::size_t>(width) * static_cast<std::size_t>(height) + 63) / 64),
      blockColumns_((width + kBlockCells - 1) / kBlockCells),
      blockRows_((height + kBlockCells - 1) / kBlockCells) {
  blockLand_.resize(static_cast<std::size_t>(blockColumns_) * static_cast<std::size_t>(blockRows_));
}

std::optional<LandMask> LandMask::load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return parse(bytes);
}

std::optional<LandMask> LandMask::parse(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kMagic, kMagicSize) != 0) return std::nullopt;
  const int width = bytes[kMagicSize] | (bytes[kMagicSize + 1] << 8);
  const int height = bytes[kMagicSize + 2] | (bytes[kMagicSize + 3] << 8);
  // Square cells: twice as many columns as rows.
  if (height < kMinRows || height > kMaxRows || width != 2 * height) return std::nullopt;
  LandMask mask(width, height);
  std::size_t at = kHeaderSize;
  const auto readRun = [&](std::uint32_t& run) {
    run = 0;
    for (int shift = 0; shift < 32; shift += 7) {
      if (at >= bytes.size()) return false;
      const std::uint8_t b = bytes[at++];
      run |= static_cast<std::uint32_t>(b & 0x7f) << shift;
      if ((b & 0x80) == 0) return true;
    }
    return false;
  };
  for (int row = 0; row < height; ++row) {
    int column = 0;
    bool land = false;
    while (column < width) {
      std::uint32_t run = 0;
      if (!readRun(run) || run > static_cast<std::uint32_t>(width - column)) return std::nullopt;
      if (land) {
        for (int c = column; c < column + static_cast<int>(run); ++c) {
          const std::size_t index = static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + c;
          mask.bits_[index / 64] |= std::uint64_t{1} << (index % 64);
          ++mask.blockLand_[static_cast<std::size_t>(row / kBlockCells) * mask.blockColumns_ + c / kBlockCells];
        }
      }
      column += static_cast<int>(run);
      land = !land;
    }
  }
  if (at != bytes.size()) return std::nullopt;
  mask.summariseNeighbourhoods();
  return mask;
}

bool LandMask::isLandCell(int column, int row) const noexcept {
  column = ((column % width_) + width_) % width_;
  row = std::clamp(row, 0, height_ - 1);
  const std::size_t index = static_cast<std::size_t>(row) * static_cast<std::size_t>(width_) + column;
  return ((bits_[index / 64] >> (index % 64)) & 1u) != 0;
}

bool LandMask::isLand(double longitude, double latitude) const noexcept {
  const double u = (Math::toDegrees(longitude) + 180.0) * width_ / 360.0;
  const double v = (Math::toDegrees(latitude) + 90.0) * height_ / 180.0;
  if (!std::isfinite(u) || !std::isfinite(v)) return false;
  const int column = static_cast<int>(std::fmod(std::floor(u), static_cast<double>(width_)));
  return isLandCell(column, static_cast<int>(std::clamp(std::floor(v), -1.0, static_cast<double>(height_))));
}

double LandMask::landFraction(double longitude, double latitude) const noexcept {
  return spline(longitude, latitude, width_, height_, [this](int c, int r) { return isLandCell(c, r) ? 1.0 : 0.0; });
}

double LandMask::interiorFraction(double longitude, double latitude) const noexcept {
  constexpr double kCellsPerBlock = kBlockCells * kBlockCells;
  return spline(longitude, latitude, blockColumns_, blockRows_, [this](int c, int r) {
    return blockLand_[static_cast<std::size_t>(r) * blockColumns_ + c] / kCellsPerBlock;
  });
}

int LandMask::blockCellCount(int blockColumn, int blockRow) const noexcept {
  const int columns = std::min(kBlockCells, width_ - blockColumn * kBlockCells);
  const int rows = std::min(kBlockCells, height_ - blockRow * kBlockCells);
  return columns * rows;
}

void LandMask::summariseNeighbourhoods() {
  // Only whole blocks line the cells up with the blocks' own spline; other masks (tests'
  // tiny ones) go without bounds.
  if (width_ % kBlockCells != 0 || height_ % kBlockCells != 0) return;
  neighbourhoods_.resize(blockLand_.size());
  // Rows within kNeighbourhoodBlocks of a pole are never asked (fieldBoundsNear refuses them).
  for (int row = kNeighbourhoodBlocks; row < blockRows_ - kNeighbourhoodBlocks; ++row) {
    for (int column = 0; column < blockColumns_; ++column) {
      Neighbourhood n;
      n.blockLandMin = std::numeric_limits<std::uint8_t>::max();
      bool allLand = true;
      bool allSea = true;
      for (int dr = -kNeighbourhoodBlocks; dr <= kNeighbourhoodBlocks; ++dr) {
        for (int dc = -kNeighbourhoodBlocks; dc <= kNeighbourhoodBlocks; ++dc) {
          const int c = ((column + dc) % blockColumns_ + blockColumns_) % blockColumns_;
          const std::uint8_t land = blockLand_[static_cast<std::size_t>(row + dr) * blockColumns_ + c];
          n.blockLandMin = std::min(n.blockLandMin, land);
          n.blockLandMax = std::max(n.blockLandMax, land);
          allSea = allSea && land == 0;
          allLand = allLand && land == blockCellCount(c, row + dr);
        }
      }
      n.allSea = allSea;
      n.landUniform = allSea || allLand;
      neighbourhoods_[static_cast<std::size_t>(row) * blockColumns_ + column] = n;
    }
  }
}

std::optional<LandMask::FieldBounds> LandMask::fieldBoundsNear(double longitude, double latitude) const noexcept {
  if (neighbourhoods_.empty()) return std::nullopt;
  const double u = (Math::toDegrees(longitude) + 180.0) * blockColumns_ / 360.0;
  const double v = (Math::toDegrees(latitude) + 90.0) * blockRows_ / 180.0;
  if (!std::isfinite(u) || !std::isfinite(v)) return std::nullopt;
  const double rowValue = std::floor(v);
  if (rowValue < kNeighbourhoodBlocks || rowValue >= blockRows_ - kNeighbourhoodBlocks) return std::nullopt;
  const int row = static_cast<int>(rowValue);
  const long long wrapped = static_cast<long long>(std::fmod(std::floor(u), static_cast<double>(blockColumns_)));
  const int column = static_cast<int>((wrapped + blockColumns_) % blockColumns_);
  const Neighbourhood& n = neighbourhoods_[static_cast<std::size_t>(row) * blockColumns_ + column];

  // The points within a block's height of the position lie in the 3 × 3 blocks around
  // its own; along a parallel a block is narrowest at their latitude farthest from the
  // equator, and so are the fields' longitude derivatives largest there.
  const double blockLatitude = Math::PI / blockRows_;
  const double blockLongitude = Math::TWO_PI / blockColumns_;
  const double south = -Math::PI_OVER_TWO + (row - 1) * blockLatitude;
  const double north = -Math::PI_OVER_TWO + (row + 2) * blockLatitude;
  const double cosFar = std::cos(std::max(std::abs(south), std::abs(north)));
  // A quadratic B-spline changes by at most its nodes' largest step per node spacing, in
  // each grid direction; an east step of δ radians of arc is δ / cos φ of longitude.
  const double directions = std::sqrt(1.0 / (cosFar * cosFar) + 1.0);
  constexpr double kCellsPerBlock = kBlockCells * kBlockCells;

  FieldBounds b;
  b.reach = std::min(blockLatitude, blockLongitude * cosFar);
  b.landMaximum = n.allSea ? 0.0 : 1.0;
  b.landGradient = n.landUniform ? 0.0 : (height_ / Math::PI) * directions;
  b.interiorMinimum = std::min(1.0, n.blockLandMin / kCellsPerBlock);
  b.interiorMaximum = std::min(1.0, n.blockLandMax / kCellsPerBlock);
  b.interiorGradient = (n.blockLandMax - n.blockLandMin) / kCellsPerBlock * (blockRows_ / Math::PI) * directions;
  return b;
}

std::size_t LandMask::memoryBytes() const noexcept {
  return bits_.size() * sizeof(std::uint64_t) + blockLand_.size() + neighbourhoods_.size() * sizeof(Neighbourhood);
}

}  // namespace qel
