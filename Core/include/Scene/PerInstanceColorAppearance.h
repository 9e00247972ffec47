#pragma once

#include "Scene/Appearance.h"

namespace qel {

/// Paints each geometry instance with its own "color" attribute (outlines, frames);
/// an instance without one is white.
class PerInstanceColorAppearance : public Appearance {
 public:
  /// `flat`: unlit (this host draws everything unlit and keeps the flag for a renderer).
  /// `translucent`: whether it is blended.
  explicit PerInstanceColorAppearance(bool flat = true, bool translucent = false)
      : Appearance(Kind::PerInstanceColor, nullptr, translucent), flat_(flat) {}
  bool isFlat() const noexcept { return flat_; }

 private:
  bool flat_;
};

}  // namespace qel
