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

  /// What the smooth fields can do around a position: bounds that hold at every point
  /// within `reach` (radians of great-circle arc) of it. Gradients are per radian of arc.
  struct FieldBounds {
    double landMaximum = 1.0;       // of landFraction: 0 when the whole neighbourhood is sea
    double landGradient = 0.0;      // of landFraction
    double interiorMinimum = 0.0;   // of interiorFraction
    double interiorMaximum = 1.0;   // of interiorFraction
    double interiorGradient = 0.0;  // of interiorFraction
    double reach = 0.0;             // radians, > 0
  };
  /// Bounds of the fields around a longitude and latitude (radians). Empty for non-finite
  /// input and within two blocks of a pole, where the cells narrow to nothing and no
  /// neighbourhood of useful size has a useful bound.
  std::optional<FieldBounds> fieldBoundsNear(double longitude, double latitude) const noexcept;

  /// Heap memory the mask holds (bytes).
  std::size_t memoryBytes() const noexcept;

 private:
  LandMask(int width, int height);
  void summariseNeighbourhoods();
  int blockCellCount(int blockColumn, int blockRow) const noexcept;

  int width_;
  int height_;
  std::vector<std::uint64_t> bits_;      // row-major, one bit per cell
  std::vector<std::uint8_t> blockLand_;  // land cells per block, row-major
  // Per block, over the 5 × 5 blocks around it (every cell or block that the fields of
  // the points within a block of it read): whether the land cells there are all sea or
  // all land, whether all sea, and the extremes of the blocks' land shares.
  struct Neighbourhood {
    bool landUniform = false;
    bool allSea = false;
    std::uint8_t blockLandMin = 0;
    std::uint8_t blockLandMax = 0;
  };
  std::vector<Neighbourhood> neighbourhoods_;
  int blockColumns_;
  int blockRows_;
};

}  // namespace qel
