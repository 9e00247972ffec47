#include "Scene/SceneTransforms.h"

#include <cmath>

#include "Scene/SceneImpl.h"

namespace qel {

std::optional<Vector2<double>> SceneTransforms::wgs84ToWindowCoordinates(const SceneImpl& scene,
                                                                         const Vector3<double>& position) {
  return scene.getCamera().worldToWindow(position);
}

std::optional<Vector3<double>> SceneTransforms::drawingBufferToWgs84Coordinates(const SceneImpl& scene,
                                                                                const Vector2<double>& position) {
  if (!position.isFinite()) return std::nullopt;
  const Ray ray = scene.getCamera().getPickRay(Vector2<float>(position));
  return scene.getGlobe().pick(ray, scene);
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
  return depth * 2.0 * std::tan(0.5 * camera.getFrustum().getFovy()) / viewport.height();
}

}  // namespace qel
