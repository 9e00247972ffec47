#pragma once

#include <cstdint>
#include <string>

#include "Common/Color.h"
#include "Common/Vector2.h"
#include "Feature/Material.h"

namespace qel::Feature {

/// How an image material's tile size is read.
enum class TileSizeUnit : std::int32_t {
  Repeat = 0,  ///< the tile size is the number of repeats across and up the surface
  Meter = 1,   ///< the tile size is the tile's width and height in metres
};

/// An image tiled over a surface.
class ImageMaterial : public Material {
 public:
  explicit ImageMaterial(std::string image = {});

  MaterialType getType() const noexcept override { return MaterialType::Image; }
  std::shared_ptr<Material> clone() const override;
  /// An `ImageMaterialProperty` whose repeat is the tile size (the painter of a surface
  /// whose size it knows replaces it for a tile size in metres).
  std::shared_ptr<MaterialProperty> _getMaterial() const override;

  /// Path of a PNG file (either folder separator).
  const std::string& getImage() const noexcept { return image_; }
  void setImage(std::string image);
  /// Colour the image is multiplied by. New materials: white.
  const Color& getColor() const noexcept { return color_; }
  void setColor(const Color& color);
  /// Width and height of one tile, in the unit of `getTileSizeUnit`; both > 0 and finite
  /// (anything else is ignored). New materials: (1, 1).
  const Vector2<double>& getTileSize() const noexcept { return tileSize_; }
  void setTileSize(const Vector2<double>& size);
  /// New materials: `Repeat`. Values outside the enumeration are ignored.
  TileSizeUnit getTileSizeUnit() const noexcept { return tileSizeUnit_; }
  void setTileSizeUnit(TileSizeUnit unit);

 private:
  std::string image_;
  Color color_;
  Vector2<double> tileSize_{1.0, 1.0};
  TileSizeUnit tileSizeUnit_ = TileSizeUnit::Repeat;
};

}  // namespace qel::Feature
