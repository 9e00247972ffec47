#pragma once

#include <memory>

#include "Feature/Style.h"

namespace qel {

/// A new point style holding the point editor's defaults.
std::shared_ptr<Feature::Style> newDefaultPointStyle();
/// Writes the point editor's defaults into `style` (a point style; others are left
/// alone): the marker image standing on the point, a label to its right, clamped to the
/// terrain, no model and no round point.
void writeDefaultPointStyle(Feature::Style& style);

}  // namespace qel
