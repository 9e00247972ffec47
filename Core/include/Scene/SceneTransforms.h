#pragma once

#include <optional>

#include "Common/Vector2.h"
#include "Common/Vector3.h"

namespace qel {

class SceneImpl;

/// Conversions between the fixed frame and the window of a scene's camera.
struct SceneTransforms {
  /// Window position (pixels, origin top left) of a fixed-frame point; empty when the
  /// point is behind the eye (off screen). Points in front but outside the viewport
  /// get positions outside it.
  static std::optional<Vector2<double>> wgs84ToWindowCoordinates(const SceneImpl& scene,
                                                                 const Vector3<double>& position);
  /// The fixed-frame point at normalised depth `depth` on the ray through a
  /// drawing-buffer position (pixels, origin bottom left). Depth 0 is the near plane,
  /// 1 the far plane, between them the perspective depth a depth buffer holds (most of
  /// its range lies just beyond the near plane). Empty for a position or depth that is
  /// not finite, a depth outside [0, 1], or an empty viewport.
  static std::optional<Vector3<double>> drawingBufferToWgs84Coordinates(const SceneImpl& scene,
                                                                        const Vector2<double>& position, double depth);
  /// Real length (metres) of one window pixel at a fixed-frame point, for a step in the
  /// window direction `direction` (x, y in pixels; only its direction matters). 0 when
  /// the point is behind the eye or the viewport is empty.
  static double computeRealLengthOfOnePixel(const SceneImpl& scene, const Vector3<double>& position,
                                            const Vector3<double>& direction);
};

}  // namespace qel
