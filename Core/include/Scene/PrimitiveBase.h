#pragma once

#include <optional>

#include "Common/Ray.h"

namespace qel {

class FrameState;

/// Base of everything the scene updates once per frame and may pick.
class PrimitiveBase {
 public:
  virtual ~PrimitiveBase() = default;
  /// Called once per frame by the scene.
  virtual void update(FrameState& frameState) = 0;
  /// Ray parameter of the first hit of the primitive's geometry in front of the ray's
  /// origin, if it has pickable geometry and is hit. Used by world-position picks.
  virtual std::optional<double> intersect(const Ray& ray) const {
    (void)ray;
    return std::nullopt;
  }

  void setSelectEnabled(bool enabled) noexcept { selectEnabled_ = enabled; }
  bool isSelectEnabled() const noexcept { return selectEnabled_; }
  void setShow(bool show) noexcept { show_ = show; }
  bool isShow() const noexcept { return show_; }
  /// True: what the primitive draws is hidden where the Earth stands between it and the
  /// eye. False: it is drawn over the terrain (handles, outlines of a tool).
  void setDepthTestEnabled(bool enabled) noexcept { depthTest_ = enabled; }
  bool isDepthTestEnabled() const noexcept { return depthTest_; }

 private:
  bool selectEnabled_ = true;
  bool show_ = true;
  bool depthTest_ = true;
};

}  // namespace qel
