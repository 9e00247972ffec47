#pragma once

#include <string>

#include "Common/Angle.h"
#include "Common/AxisAlignedBoundingBox.h"
#include "Common/Color.h"
#include "Common/Matrix4.h"
#include "Common/Vector3.h"
#include "Data/GeometryGraphics.h"

namespace qel {

/// A 3D model placed by a point feature's model symbol. This host's models are solid
/// boxes: the model file (the symbol's url) is a small JSON description
/// `{"halfSize": [x, y, z], "color": [r, g, b, a]}` (metres, channels in [0, 1]); a file
/// that cannot be read, or an empty url, gives the default box.
///
/// A model loads during the frame after it is made: until then its extent is not known
/// (the display answers pending) and nothing of it is drawn.
class ModelGraphics final : public GeometryGraphics {
 public:
  /// Half size of the box drawn for a model without a readable file: a small building.
  static constexpr Vector3<double> kDefaultHalfSize{5.0, 5.0, 5.0};

  /// Reads the model file at `url` (either separator) into a not yet loaded model.
  explicit ModelGraphics(std::string url);

  Kind getKind() const noexcept override { return Kind::Model; }

  const std::string& getUrl() const noexcept { return url_; }
  /// The model's box in its own frame, centred on its origin (the feature's position).
  const AxisAlignedBoundingBox& _getBoundingBox() const noexcept { return box_; }
  const Color& getColor() const noexcept { return color_; }

  /// Turns (radians about the local x, y, z axes) and scale factors from the symbol.
  const Vector3<Radian>& getRotation() const noexcept { return rotation_; }
  const Vector3<double>& getScale() const noexcept { return scale_; }
  void _setPlacement(const Vector3<Radian>& rotation, const Vector3<double>& scale) noexcept {
    rotation_ = rotation;
    scale_ = scale;
  }

  /// The model matrix at fixed-frame `position`: the east-north-up frame there, turned
  /// by the negated rotation (x first, then y, then z) and scaled, scale applied first.
  /// A model matrix and a tileset's turn alike for the same rotation.
  Matrix4 computeModelMatrix(const Vector3<double>& position) const;

  /// Whether the model has loaded (its extent is known and it is drawn).
  bool isLoaded() const noexcept { return loaded_; }
  void _setLoaded() noexcept { loaded_ = true; }

 private:
  std::string url_;
  AxisAlignedBoundingBox box_;
  Color color_;
  Vector3<Radian> rotation_;
  Vector3<double> scale_{1.0, 1.0, 1.0};
  bool loaded_ = false;
};

}  // namespace qel
