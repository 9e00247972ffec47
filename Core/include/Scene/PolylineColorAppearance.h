#pragma once

#include "Scene/Appearance.h"

namespace qel {

/// Paints lines with each instance's own "color" attribute (a ring whose colour the
/// application changes by instance); an instance without one is white.
class PolylineColorAppearance : public Appearance {
 public:
  /// `translucent`: whether it is blended.
  explicit PolylineColorAppearance(bool translucent = false) : Appearance(Kind::PolylineColor, nullptr, translucent) {}
};

}  // namespace qel
