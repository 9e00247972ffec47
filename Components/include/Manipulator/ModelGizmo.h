#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Common/Color.h"
#include "Common/Matrix4.h"
#include "Common/Ray.h"
#include "Common/Uuid.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"

namespace qel {

class CollectionElement;
class Material;
class PickObject;
class PointPrimitiveCollection;
class Primitive;
class PrimitiveBase;
class PrimitiveCollection;

/// The part of the model editor's gizmo under the pointer, and so what a drag does.
/// Values 4 and 5 are not produced by this editor.
enum class Controller : std::int32_t {
  None = 0,    ///< nothing: a drag does nothing
  XAxis = 1,   ///< the x arrow: move along the object's local x
  YAxis = 2,   ///< the y arrow: move along local y
  ZAxis = 3,   ///< the z arrow: move along local z
  Ring = 6,    ///< the ring: turn about local z
  Corner = 7,  ///< a corner point: scale alike in all three directions
  Object = 8,  ///< the edited object itself: carry a model over the globe
};

/// The transform gizmo drawn around an edited model or tileset: a white box outline
/// that frames it, three arrows (x red, y green, z blue), a blue ring about the local
/// vertical and eight green corner points. All six parts are drawn in gizmo coordinates
/// (the object's box centred at the origin, its axes along x, y, z) through one model
/// matrix G, so that the gizmo moves, turns and scales with the object without being
/// built anew.
///
/// The parts are owned by the scene's primitive collection; the gizmo keeps plain
/// pointers to them from the rebuild that added them until `remove`. Main thread only.
class ModelGizmo {
 public:
  /// Points on the ring: this many segments, the first point repeated to close it.
  static constexpr int kRingSegments = 100;
  /// Window widths of the arrows and of the ring, and the side of a corner point
  /// (pixels).
  static constexpr double kArrowWidth = 12.0;
  static constexpr double kRingWidth = 2.0;
  static constexpr double kCornerPixelSize = 20.0;

  /// The four arrow materials in order: highlight (yellow), x (red), y (green), z (blue).
  ModelGizmo();
  ~ModelGizmo();
  ModelGizmo(const ModelGizmo&) = delete;
  ModelGizmo& operator=(const ModelGizmo&) = delete;

  /// The process-wide instance ids of the parts, made once when the library loads: how
  /// a pick is matched to a part (and a test finds a part's draw item).
  static const Uuid& boxId() noexcept;
  static const Uuid& axisId(Controller axis) noexcept;  ///< x, y or z axis; the x id otherwise
  static const Uuid& ringId() noexcept;

  /// The look the parts have and the highlight of the one under the pointer.
  static constexpr Color kHighlight{1.0f, 1.0f, 0.0f, 1.0f};
  static constexpr Color kXColor{1.0f, 0.0f, 0.0f, 1.0f};
  static constexpr Color kYColor{0.0f, 1.0f, 0.0f, 1.0f};
  static constexpr Color kZColor{0.0f, 0.0f, 1.0f, 1.0f};

  // ---- Geometry in gizmo coordinates (metres), the numbers the parts are built from.

  /// The closed ring of radius `radius` about the z axis in the z = 0 plane:
  /// `kRingSegments` points at equal angles from +x counter-clockwise, then the first
  /// again.
  static std::vector<Vector3<double>> ringPointsFor(double radius);
  /// The eight corners of the box of half sizes `half`: the top face (z = +h.z) from
  /// (−x, +y) clockwise seen from above, then the bottom face in the same order.
  static std::array<Vector3<double>, 8> cornersFor(const Vector3<double>& half);
  /// Where the line of `ray` passes closest to the line of local axis `axis` (1, 2 or 3):
  /// the point on the axis. Empty when the two are parallel or the ray is not finite.
  static std::optional<Vector3<double>> closestPointOnAxis(const Ray& ray, Controller axis);
  /// The point of the ring polyline `ring` nearest to the line of `ray`: on each segment
  /// the point closest to the ray's line, kept within the segment, then the one of them
  /// nearest the line. Empty for fewer than two points, a non-finite ray, or when every
  /// segment is parallel to the ray.
  static std::optional<Vector3<double>> closestPointOnRing(const Ray& ray, const std::vector<Vector3<double>>& ring);
  /// The turn about z (radians) that takes the ring point `from` to `to` as the editor
  /// applies it: the angle between their directions, negative when `to` lies
  /// counter-clockwise of `from` seen from +z (the editor's rotation is applied with the
  /// opposite sign, so the object follows the pointer). Empty when either lies at the
  /// centre.
  static std::optional<double> ringTurn(const Vector3<double>& from, const Vector3<double>& to);

  // ---- The parts.

  /// Whether the parts a drag or a hover needs exist: the three arrows, the ring and the
  /// corner points.
  bool isComplete() const noexcept;
  /// Adds the parts that do not exist yet, sized for the object's full box dimensions
  /// `dimensions`, to `primitives`; then places all six with the model matrix `g`.
  void build(PrimitiveCollection& primitives, const Vector3<double>& dimensions, const Matrix4& g);
  /// Takes every existing part out of `primitives` (null: the scene is gone; only
  /// forgets them).
  void remove(PrimitiveCollection* primitives);
  /// Shows or hides every existing part.
  void setShow(bool show);

  /// Which part `picked` is (see `Controller`), `Object` excluded: that is the editor's
  /// to tell. `isBox` is set when it is the box outline, which is never a controller nor
  /// highlighted.
  Controller classify(const PickObject& picked, bool& isBox) const;
  /// Paints the part picked as `controller` in the highlight colour; for a corner pick
  /// only `point`, and only when it is one of the gizmo's own points. Parts removed since
  /// the pick are skipped.
  void highlight(Controller controller, const CollectionElement* point);
  /// Gives the part of `controller` its own look back at once.
  void restore(Controller controller);

  /// The model matrix the parts stand in (the last `build`'s); the identity before.
  const Matrix4& getModelMatrix() const noexcept { return modelMatrix; }
  const std::vector<Vector3<double>>& getRingPoints() const noexcept { return ringPoints; }

  // The parts, for the SDK's own modules and tests: null while they do not exist.
  const Primitive* getBox() const noexcept { return box; }
  const Primitive* getAxis(Controller axis) const noexcept;
  const Primitive* getRing() const noexcept { return ring; }
  const PointPrimitiveCollection* getCorners() const noexcept { return corners; }
  /// The parts that exist, in order: box, x, y, z, ring, corners.
  std::vector<const PrimitiveBase*> parts() const;

 private:
  Primitive* axisPart(Controller axis) const noexcept;
  const std::shared_ptr<Material>& axisMaterial(Controller axis) const noexcept;

  // The parts, in drawing order.
  Primitive* box = nullptr;
  Primitive* xAxis = nullptr;
  Primitive* yAxis = nullptr;
  Primitive* zAxis = nullptr;
  Primitive* ring = nullptr;
  PointPrimitiveCollection* corners = nullptr;
  // The arrow materials.
  std::shared_ptr<Material> highlightMaterial;
  std::shared_ptr<Material> xMaterial;
  std::shared_ptr<Material> yMaterial;
  std::shared_ptr<Material> zMaterial;
  std::vector<Vector3<double>> ringPoints;
  Matrix4 modelMatrix;
};

}  // namespace qel
