#pragma once

// What the model editor reads of the objects it edits, in one place: the root tile of a
// tileset and its frames and bounds, a model's box, and which tileset a pick hit.

#include <optional>

#include "Common/Matrix4.h"
#include "Common/Vector3.h"

namespace qel {

class Entity;
class PickObject;
class Qel3DTile;
class Qel3DTileset;

/// The root tile; null while the tileset is still loading it.
const Qel3DTile* rootTile(const Qel3DTileset& tileset);
/// The tile's own transform (the identity when it has none).
Matrix4 tileOwnTransform(const Qel3DTile& tile);
/// The centre the tile's description gives its bounding volume (fixed frame, metres),
/// before any model matrix.
Vector3<double> tileHeaderCentre(const Qel3DTile& tile);
/// The centre of the tile's bounding volume as it stands now (fixed frame, metres).
Vector3<double> tileBoundingCentre(const Qel3DTile& tile);
/// The full sizes of the tile's bounding volume as it stands now (metres): 2r along each
/// axis for a sphere of radius r, twice the half-axes' lengths for an oriented box.
Vector3<double> tileBoundingSize(const Qel3DTile& tile);
/// Half the sizes of a model entity's box (metres, the model's own frame); empty when
/// the entity draws no model.
std::optional<Vector3<double>> modelHalfSize(const Entity& model);
/// The tileset whose tile content `picked` is; null for anything else.
const Qel3DTileset* pickedTileset(const PickObject& picked);

}  // namespace qel
