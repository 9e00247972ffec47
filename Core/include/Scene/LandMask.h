#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qel {

/// Where the continents are: a land/sea raster over longitude and latitude, read from the
/// file that `scripts/make-landmask` makes from public-domain land outlines
/// (Resource/Terrain/land-mask.bin). Cells are `getCellDegrees()` wide in both directions,
/// columns from 180° W eastward, rows from 90° S northward.
///
/// It answers with smooth fields rather than raw cells, so that a terrain built on them has
/// no steps: `landFraction` blends the cells around a point (a quadratic B-spline of the
/// 0/1 cells: 0 on the open sea, 1 inland, ½ about on the coastline), `interiorFraction`
/// does the same over blocks of `kBlockCells` × `kBlockCells` cells, each counting as its
/// share of land.
class LandMask {
 public:
  /// Cells per side of the blocks of `interiorFraction`.
  static constexpr int kBlockCells = 8;

  /// Reads and checks a mask file. Empty when the file is missing, is not a mask or is
  /// damaged (runs that do not add up to the width, a truncated row).
  static std::optional<LandMask> load(const std::string& path);
  /// The same from the file's bytes.
  static std::optional<LandMask> parse(const std::vector<std::uint8_t>& bytes);

  int getWidth() const noexcept { return width_; }
  int getHeight() const noexcept { return height_; }
  /// Cell size (degrees).
  double getCellDegrees() const noexcept { return 360.0 / width_; }
  /// Whether a cell is land. The column wraps around the globe; the row is clamped to the
  /// first and last row (the poles).
  bool isLandCell(int column, int row) const noexcept;
  /// Whether the cell containing a longitude and latitude (radians, any finite values) is land.
  bool isLand(double longitude, double latitude) const noexcept;

  /// The smooth land field at a longitude and latitude (radians, any finite values), in
  /// [0, 1]; its ½ line lies within a cell of the coastline of the cells.
  double landFraction(double longitude, double latitude) const noexcept;
  /// The same over blocks of cells: varies over a few tens of kilometres, 1 only well
  /// inside a land mass.
  double interiorFraction(double longitude, double latitude) const noexcept;

  /// Heap memory the mask holds (bytes).
  std::size_t memoryBytes() const noexcept;

 private:
  LandMask(int width, int height);

  int width_;
  int height_;
  std::vector<std::uint64_t> bits_;      // row-major, one bit per cell
  std::vector<std::uint8_t> blockLand_;  // land cells per block, row-major
  int blockColumns_;
  int blockRows_;
};

}  // namespace qel
