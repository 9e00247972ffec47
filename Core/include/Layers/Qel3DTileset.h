#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <boost/thread/future.hpp>

#include "Common/Angle.h"
#include "Common/Matrix4.h"
#include "Common/Vector3.h"
#include "Layers/Layer.h"
#include "Layers/Qel3DTile.h"

namespace qel {

class PrimitiveBase;

/// A 3D tileset read from a small local JSON description: one root tile with its own
/// transform, its bounding volume and a solid box as content.
///
/// The description:
/// ```
/// { "root": {
///     "transform": [16 numbers, column by column],          optional
///     "origin": {"longitude": °, "latitude": °, "height": m}, optional, instead of
///                                       "transform": the east-north-up frame there
///     "boundingVolume": {"sphere": [cx, cy, cz, r]}
///                     | {"box": [cx, cy, cz, x axis (3), y axis (3), z axis (3)]},
///     "content": {"box": [as above], "color": [r, g, b, a]}  optional: the volume's box
/// } }
/// ```
/// Lengths in metres in the tile's own frame; a box's axes are its half-axes. A sphere
/// volume without a content box draws the cube inscribed in it.
///
/// The root is loaded and the ready promise fulfilled while the tileset is made, so that
/// nobody ever waits for it. It is shown in a scene by the scene's data source display
/// (`DataSourceDisplay::addTileset`), which places its layer under the scene's root
/// layer and draws its content each frame: an area item over the content's silhouette,
/// carrying the root's `Qel3DTileFeature`.
///
/// Main thread only, except `getLayer`, `isShow` and `getReadyPromise`.
class Qel3DTileset : public std::enable_shared_from_this<Qel3DTileset> {
 public:
  /// Reads a description; null when it is not valid JSON or lacks a usable root (then
  /// `error`, when given, says why).
  static std::shared_ptr<Qel3DTileset> fromJson(std::string_view json, std::string* error = nullptr);
  /// Reads the description in the file at `path` (either separator); null when the file
  /// cannot be read or its content is not a description.
  static std::shared_ptr<Qel3DTileset> fromFile(const std::string& path, std::string* error = nullptr);
  ~Qel3DTileset();
  Qel3DTileset(const Qel3DTileset&) = delete;
  Qel3DTileset& operator=(const Qel3DTileset&) = delete;

  /// Takes the tileset's frame to the fixed frame; the identity as read. Written by
  /// whoever moves the tileset; a matrix with a NaN or infinite element hides it.
  Matrix4 modelMatrix;

  /// The layer standing for the tileset in a scene: its show flag is the tileset's, its
  /// scene the one the tileset was added to.
  const std::shared_ptr<Layer>& getLayer() const noexcept { return layer_; }
  /// The tileset's own show flag (its layer's).
  bool isShow() const { return layer_->isShow(); }
  void setShow(bool show) { layer_->setShow(show); }
  /// The root tile; never null once made.
  Qel3DTile* getRoot() const noexcept { return root_.get(); }
  /// Fulfilled with the layer while the tileset is made.
  boost::shared_future<Layer*> getReadyPromise() const { return layer_->getReadyPromise(); }

  /// The rotation (radians about the local x, y, z axes) and scale factors an editor
  /// last gave the tileset. Kept for whoever shows them; the model matrix carries the
  /// transform itself.
  void _setModelRotation(const Vector3<Radian>& rotation) noexcept { modelRotation_ = rotation; }
  const Vector3<Radian>& _getModelRotation() const noexcept { return modelRotation_; }
  void _setModelScale(const Vector3<double>& scale) noexcept { modelScale_ = scale; }
  const Vector3<double>& _getModelScale() const noexcept { return modelScale_; }

  /// What the scene updates each frame to draw the tileset's content.
  const std::shared_ptr<PrimitiveBase>& _getPrimitive() const noexcept { return primitive_; }

 private:
  Qel3DTileset();

  std::shared_ptr<Layer> layer_;
  std::unique_ptr<Qel3DTile> root_;
  std::shared_ptr<PrimitiveBase> primitive_;
  Vector3<Radian> modelRotation_;
  Vector3<double> modelScale_{1.0, 1.0, 1.0};
};

}  // namespace qel
