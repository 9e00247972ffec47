#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "Feature/Style.h"
#include "Scene/Material.h"
#include "VertexEditorPreview.h"

namespace qel::polylineStyle {

/// What the line editor reads of a line style, in one place.

/// A new line style (defaults not yet applied).
std::shared_ptr<Feature::Style> makeStyle();
/// The defaults: a line symbol of colour (0.5, 1, 0.5, 1), no extrusion, no label.
void applyDefaults(Feature::Style& style);
/// Width (pixels) of the style's line symbol; 0.8 without one.
double lineWidth(const Feature::Style& style);

/// Empty when the style has no extrusion whose body is an area symbol.
std::optional<vertexPreview::Extrusion> extrusionOf(const Feature::Style& style);
/// The body material valued at `time`: an image material first gets its repeat for a
/// wall of base length `length` and largest extent `span` (metres). Null without one.
std::shared_ptr<Material> wallMaterial(const Feature::Style& style, double length, double span,
                                       std::chrono::steady_clock::time_point time);

}  // namespace qel::polylineStyle
