#include "Scene/SceneTransforms.h"

#include <cmath>

#include "Scene/SceneImpl.h"

namespace qel {

std::optional<Vector2<double>> SceneTransforms::wgs84ToWindowCoordinates(const SceneImpl& scene,
                                                                         const Vector3<double>& position) {
  return scene.getCamera().worldToWindow(position);
}

std::optional<Vector3<double>> SceneTransforms::drawingBufferToWgs84Coordinates(const SceneImpl& scene,
                                                                                const Vector2<double>& position,
                                                                                double depth) {
  const Camera& camera = scene.getCamera();
  const Viewport& viewport = camera.getViewport();
  if (!position.isFinite() || !std::isfinite(depth) || depth < 0.0 || depth > 1.0 || viewport.isEmpty()) {
    return std::nullopt;
  }
  const double windowY = scene.getContext().getDrawingBufferHeight() - position.y;
  const Ray ray = camera.getPickRay(Vector2<float>(Vector2<double>(position.x, windowY)));
  // A perspective depth buffer stores d = (1/n − 1/z) / (1/n − 1/f) for eye depth z.
  const double n = camera.getFrustum().near;
  const double f = camera.getFrustum().far;
  const double eyeDepth = 1.0 / (1.0 / n - depth * (1.0 / n - 1.0 / f));
  const double alongView = ray.direction.dot(camera.getDirection());
  if (!(alongView > 0.0)) return std::nullopt;
  return ray.getPoint(eyeDepth / alongView);
}

double SceneTransforms::computeRealLengthOfOnePixel(const SceneImpl& scene, const Vector3<double>& position,
                                                    const Vector3<double>&) {
  // The frustum is symmetric and its aspect ratio is the viewport's, so pixels are
  // square: one pixel spans the same length in every window direction and the step's
  // direction does not change the answer.
  const Camera& camera = scene.getCamera();
  const Viewport& viewport = camera.getViewport();
  if (viewport.isEmpty() || !position.isFinite()) return 0.0;
  const double depth = (position - camera.getPosition()).dot(camera.getDirection());
  if (!(depth > 0.0)) return 0.0;
  return depth * 2.0 * camera.getFrustum().getHalfTangentY() / viewport.height();
}

}  // namespace qel
