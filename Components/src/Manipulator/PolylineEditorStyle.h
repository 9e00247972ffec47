#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "Feature/Style.h"
#include "Scene/Material.h"

namespace qel::polylineStyle {

/// What the line editor reads of a line style, in one place.

/// A new line style (defaults not yet applied).
std::shared_ptr<Feature::Style> makeStyle();
bool isPolylineStyle(const Feature::Style& style);
/// The defaults: a line symbol of colour (0.5, 1, 0.5, 1), no extrusion, no label.
void applyDefaults(Feature::Style& style);
/// A copy of `style` that shares nothing with it; null when it cannot be copied.
std::shared_ptr<Feature::Style> cloneOf(const Feature::Style& style);
/// Width (pixels) of the style's line symbol; 0.8 without one.
double lineWidth(const Feature::Style& style);

/// The extrusion a line style asks for under its line.
struct Extrusion {
  /// Height of the extrusion (metres): its top (reference 1) or its extent (reference 0).
  double height = 0.0;
  /// How `height` is read: 0 from each position's height, 1 as an absolute height,
  /// anything else gives a wall without heights.
  int heightReference = 0;
  /// The body material only needs normals (no texture coordinates).
  bool normalsOnly = false;
};
/// Empty when the style has no extrusion whose body is an area symbol.
std::optional<Extrusion> extrusionOf(const Feature::Style& style);
/// The body material valued at `time`: an image material first gets its repeat for a
/// wall of base length `length` and largest extent `span` (metres). Null without one.
std::shared_ptr<Material> wallMaterial(const Feature::Style& style, double length, double span,
                                       std::chrono::steady_clock::time_point time);

}  // namespace qel::polylineStyle
