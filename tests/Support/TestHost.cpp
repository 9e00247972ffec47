#include "Support/TestHost.h"

#include "Common/BoundingSphere.h"
#include "Common/Clock.h"
#include "Common/Ellipsoid.h"
#include "Common/IntersectionTests.h"
#include "Common/Transforms.h"
#include "Scene/SceneTransforms.h"

namespace qel::test {

TestHost::TestHost(std::shared_ptr<const Terrain> terrain) {
  Clock::useManualTime();
  viewer_ = ViewerImpl::create();
  viewer_->getScene().getGlobe().setTerrain(std::move(terrain));
  viewer_->getScene().setWindowSize(800, 600);
  manipulator_ = std::make_shared<GlobeManipulator>();
  viewer_->setCameraManipulator(manipulator_);
  GUIEventAdapter::ResetKeyNaviTable();
}

TestHost::~TestHost() {
  // Settings are module-wide: leave the defaults for the next test.
  impl().setKeyOperaterSpeed(400.0, 6.0, 36.0, 400.0);
  impl().setMouseZoomSpeed(1.0 / 600.0);
  impl().setMouseTiltLessZeroEnable(true);
  viewer_->stop();
  Clock::useRealTime();
}

void TestHost::frame(int n, std::chrono::nanoseconds dt) {
  for (int i = 0; i < n; ++i) {
    Clock::advance(dt);
    viewer_->frame();
  }
}

void TestHost::send(const GUIEventAdapter& event, std::chrono::nanoseconds dt) {
  viewer_->queueEvent(event);
  frame(1, dt);
}

Viewpose TestHost::poseAt(const Cartographic& eye, double headingDegrees, double pitchDegrees) {
  const Vector3<double> p = Ellipsoid::WGS84.cartographicToCartesian(eye);
  const HeadingPitchRoll hpr{Math::toRadians(headingDegrees), Math::toRadians(pitchDegrees), 0.0};
  return Viewpose{p, Transforms::viewHeadingPitchRollToViewQuaternion(p, hpr, Ellipsoid::WGS84)};
}

void TestHost::setPose(const Cartographic& eye, double headingDegrees, double pitchDegrees) {
  const Viewpose pose = poseAt(eye, headingDegrees, pitchDegrees);
  impl().setPosition(pose.position);
  impl().setOrientation(pose.orientation);
  frame();
}

std::optional<Vector2<double>> TestHost::windowOf(const Vector3<double>& point) const {
  return SceneTransforms::wgs84ToWindowCoordinates(scene(), point);
}

std::optional<Vector3<double>> TestHost::globeUnder(const Vector2<float>& window) const {
  return scene().getGlobe().pick(camera().getPickRay(window), scene());
}

std::optional<Vector3<double>> TestHost::sphereUnder(const Vector2<float>& window, double radius) const {
  const Ray ray = camera().getPickRay(window);
  const auto interval = IntersectionTests::intersects(ray, BoundingSphere{Vector3<double>(), radius});
  if (!interval || !(interval->start > 0.0)) return std::nullopt;
  return ray.getPoint(interval->start);
}

double TestHost::eyeHeightAboveTerrain() const {
  const auto c = Ellipsoid::WGS84.cartesianToCartographic(impl().getPosition());
  if (!c) return 0.0;
  return c->height - scene().getGlobe().getHeight(*c).value_or(0.0);
}

void TestHost::drag(std::uint32_t button, Vector2<float> from, Vector2<float> to, int steps, bool release,
                    std::chrono::nanoseconds dt) {
  send(GUIEventAdapter::makePush(from.x, from.y, button), dt);
  for (int i = 1; i <= steps; ++i) {
    const float t = static_cast<float>(i) / static_cast<float>(steps);
    const Vector2<float> p = from + (to - from) * t;
    send(GUIEventAdapter::makeDrag(p.x, p.y, button), dt);
  }
  if (release) send(GUIEventAdapter::makeRelease(to.x, to.y, button), dt);
}

}  // namespace qel::test
