#pragma once

// What the line and area editors' drawing previews share: the line drawn in space or
// draped, the wall an extrusion raises under it, the scene material of a feature's
// material, and what a draped preview lies on for each height reference.

#include <memory>
#include <optional>
#include <vector>

#include "Common/Cartographic.h"
#include "Common/HeightReference.h"
#include "Common/Uuid.h"
#include "Data/MaterialProperty.h"
#include "Feature/ExtrusionSymbol.h"
#include "Feature/Geometry.h"
#include "Feature/PolygonSymbol.h"
#include "Scene/Appearance.h"
#include "Scene/ClassificationType.h"
#include "Scene/Material.h"
#include "Scene/PrimitiveBase.h"
#include "Scene/WallGeometry.h"

namespace qel::vertexPreview {

/// `reference` as what a draped preview of the editor of `editor` geometries (lines or
/// areas) lies on: None and values above 6 give nothing; the clamping references their
/// surface; the relative ones that of their clamping counterpart, each call with that
/// editor's level-3 warning for it.
std::optional<ClassificationType> classificationFor(HeightReference reference, Feature::GeometryType editor);

/// The scene's material for what a feature's material gives at drawing time.
std::shared_ptr<Material> sceneMaterialOf(const MaterialProperty& property);

/// The wall an extrusion symbol asks for.
struct Extrusion {
  /// Height of the extrusion (metres): its top (reference 1) or its extent (reference 0).
  double height = 0.0;
  /// How `height` is read: 0 from each position's height, 1 as an absolute height,
  /// anything else gives a wall without heights.
  int heightReference = 0;
  /// The body material only needs normals (no texture coordinates).
  bool normalsOnly = false;
  /// The area symbol painting the wall (owned by the style).
  const Feature::PolygonSymbol* body = nullptr;
};
/// Empty without `extrusion`, when its body is not an area symbol or, with
/// `enabledBodyOnly`, when the body is switched off.
std::optional<Extrusion> extrusionOf(const Feature::ExtrusionSymbol* extrusion, bool enabledBodyOnly);
/// A wall over `base` (fixed frame) whose bottom and top heights per position of
/// `positions` follow `extrusion`, with the vertex format its body material needs.
WallGeometry wallOver(std::vector<Vector3<double>> base, const std::vector<Cartographic>& positions,
                      const Extrusion& extrusion);

/// The process-wide id of one editor's preview lines (`Tag`: the editor's
/// implementation), made the first time it is asked for.
template <class Tag>
const Uuid& previewId() {
  static const Uuid id = uuid4();
  return id;
}

/// A preview line through `positions`: draped (a `GroundPolylinePrimitive` on
/// `classification`, drawn at `zIndex` among draped lines) when `draped`, else a
/// `Primitive` in space. The instance carries `id`.
struct PreviewLine {
  std::vector<Vector3<double>> positions;
  double width = 1.0;
  std::shared_ptr<Appearance> appearance;
  Uuid id;
  bool draped = false;
  std::optional<ClassificationType> classification;
  int zIndex = 0;
};
std::shared_ptr<PrimitiveBase> makePreviewLine(PreviewLine line);

}  // namespace qel::vertexPreview
