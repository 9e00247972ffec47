// The manipulator facade's flights as an application sees them: refused targets and
// their messages, where each kind of target puts the camera, the completion event, the
// viewpoint query, waits for layers and features, and a detached facade.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "Common/BoundingRegion.h"
#include "Common/CapturingLogSink.h"
#include "Common/GlobeRectangle.h"
#include "Common/Log.h"
#include "Data/DataSource.h"
#include "Data/DataSourceDisplay.h"
#include "Data/Entity.h"
#include "Feature/Feature.h"
#include "Feature/FeatureGroup.h"
#include "Feature/PolylineGeometry.h"
#include "Feature/Style.h"
#include "Layers/Layer.h"
#include "Renderer/Camera.h"
#include "Support/FlightFixtures.h"

namespace qel::test {
namespace {

/// The range from which a sphere fills the default camera's view (metres), computed
/// from the camera's lens.
double fittingRange(const TestHost& host, double radius) {
  const PerspectiveFrustum& f = host.camera().getFrustum();
  const double t = std::tan(f.getFovy() / 2.0);
  return std::max(radius / t, radius / (f.getAspectRatio() * t));
}

class FlightFacade : public ::testing::Test {
 protected:
  TestHost host;
  std::shared_ptr<CapturingLogSink> log = std::make_shared<CapturingLogSink>();
  int completions = 0;

  void SetUp() override {
    Log::getInstance().addSink(log);
    host.manipulator().getFlyCompleted()->addEventListener([this](int code) {
      EXPECT_EQ(code, 0);
      ++completions;
    });
    host.setPose(Cartographic(0.3, 0.6, 40000.0), 0.0, -90.0);
  }
  void TearDown() override { Log::getInstance().removeSink(log); }

  int flyOut(int limit = 1000) {
    int frames = 0;
    do {
      host.frame();
      ++frames;
    } while (host.impl().isFlying() && frames < limit);
    return frames;
  }

  /// The eye must sit where the viewpoint's own pose is.
  void expectAt(const Viewpoint& vp, double tolerance = 1e-3) {
    const Viewpose pose = Transforms::viewpointToViewpose(vp, Ellipsoid::WGS84);
    EXPECT_LT(Vector3<double>::distance(host.impl().getPosition(), pose.position), tolerance);
    const Vector3<double> view = host.impl().getOrientation() * Vector3<double>(0, 0, -1);
    EXPECT_GT(view.dot(pose.orientation * Vector3<double>(0, 0, -1)), 1.0 - 1e-9);
  }
};

struct RefusedCase {
  const char* name;
  int line;
  const char* message;
  std::function<void(GlobeManipulator&)> call;
};

class FlightFacadeRefused : public FlightFacade, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(FlightFacadeRefused, NaNTargetIsLoggedAndNothingMoves) {
  const RefusedCase& c = GetParam();
  const Vector3<double> before = host.impl().getPosition();
  log->clear();
  c.call(host.manipulator());
  host.frame(5);
  ASSERT_EQ(log->size(), 1u);
  const LogRecord r = *log->last();
  EXPECT_EQ(r.level, 4);
  EXPECT_EQ(r.text, c.message);
  EXPECT_EQ(r.location,
            (SourceLocation{"Components/src/Manipulator/GlobeManipulator", c.line, "qel::GlobeManipulator::flyTo"}));
  EXPECT_FALSE(host.impl().isFlying());
  EXPECT_EQ(host.impl().getPosition(), before);
  EXPECT_EQ(completions, 0);
  EXPECT_EQ(host.scene().getPostCull().listenerCount(), 0u);
}

const double kNaN = std::nan("");
const Viewpoint kNoLatitude{0.1, kNaN, 0, 0, -1, 100};
const Viewpoint kNoHeight{0.1, 0.2, kNaN, 0, -1, 100};
const Viewpoint kNoLongitude{kNaN, 0.2, 0, 0, -1, 100};
const Viewpose kNoEye{Vector3<double>(1e7, kNaN, 0), Quaternion()};
const char* const kBadPoint = "飞行目标点的经纬高为无效值。";
INSTANTIATE_TEST_SUITE_P(
    Cases, FlightFacadeRefused,
    ::testing::Values(
        RefusedCase{"viewpointLatitude", 326, kBadPoint, [](GlobeManipulator& m) { m.flyTo(kNoLatitude, 1.0); }},
        RefusedCase{"viewpointHeight", 326, kBadPoint, [](GlobeManipulator& m) { m.flyTo(kNoHeight); }},
        RefusedCase{"viewpose", 365, "飞行相机终点坐标为无效值。", [](GlobeManipulator& m) { m.flyTo(kNoEye, 1.0); }},
        RefusedCase{"heightReferenced", 404, kBadPoint,
                    [](GlobeManipulator& m) { m.flyTo(kNoLongitude, HeightReference::RelativeToTerrain, 1.0); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlightFacade, ViewpointFlightLandsAndAnnouncesItOnce) {
  const Viewpoint vp{0.31, 0.61, 200.0, 1.0, -0.7, 3000.0};
  host.manipulator().flyTo(vp, 1.0);
  flyOut();
  expectAt(vp);
  EXPECT_EQ(completions, 1);
  // The query reads the view back: the globe under the view centre at its range.
  const Viewpoint back = host.manipulator().getViewpoint();
  // (The centre pixel's ray passes within a pixel's width of the view axis.)
  EXPECT_NEAR(back.heading, 1.0, 1e-4);
  EXPECT_NEAR(back.pitch, -0.7, 1e-4);
  EXPECT_NEAR(back.range, Vector3<double>::distance(host.impl().getPosition(), *host.globeUnder({400.0f, 300.0f})),
              1e-3);
}

TEST_F(FlightFacade, PoseIsTakenAtOnceWhateverTheDuration) {
  const Viewpose pose = TestHost::poseAt(Cartographic(0.5, 0.2, 9000.0), 45.0, -30.0);
  host.manipulator().flyTo(pose, 5.0);
  EXPECT_EQ(completions, 1);
  EXPECT_FALSE(host.impl().isFlying());
  EXPECT_LT(Vector3<double>::distance(host.impl().getPosition(), pose.position), 1e-6);
  // The attitude is read from the quaternion's own yaw and pitch, with no roll.
  const Quaternion& q = pose.orientation;
  const double heading = -std::atan2(2.0 * (q.w * q.z + q.x * q.y), 1.0 - 2.0 * (q.y * q.y + q.z * q.z));
  const double pitch = -std::asin(2.0 * (q.w * q.y - q.z * q.x));
  const HeadingPitchRoll hpr = attitudeOf(host.impl());
  EXPECT_NEAR(angleDiff(hpr.heading, heading), 0.0, 1e-9);
  EXPECT_NEAR(hpr.pitch, pitch, 1e-9);
  EXPECT_NEAR(angleDiff(hpr.roll, 0.0), 0.0, 1e-9);
}

TEST_F(FlightFacade, PointSphereIsSeenFrom100MetresAt45Degrees) {
  const Cartographic c(0.32, 0.62, 50.0);
  host.manipulator().flyTo(BoundingSphere{Ellipsoid::WGS84.cartographicToCartesian(c), 0.0});
  flyOut();
  expectAt(Viewpoint{c.longitude, c.latitude, c.height, 0.0, -Math::PI_OVER_FOUR, 100.0});

  // A sphere with a radius and an offset range keeps that range.
  GlobeManipulator::ZoomOptions o;
  o.duration = 0.5;
  o.offset = std::array<double, 3>{0.5, -1.0, 2500.0};
  host.manipulator().flyTo(BoundingSphere{Ellipsoid::WGS84.cartographicToCartesian(c), 300.0}, &o);
  EXPECT_LE(flyOut(), 33);
  expectAt(Viewpoint{c.longitude, c.latitude, c.height, 0.5, -1.0, 2500.0});
  host.manipulator().flyTo(BoundingSphere{Ellipsoid::WGS84.cartographicToCartesian(c), 300.0});
  flyOut();
  expectAt(Viewpoint{c.longitude, c.latitude, c.height, 0.0, -Math::PI_OVER_FOUR, fittingRange(host, 300.0)});
}

TEST_F(FlightFacade, RegionIsSeenFromAboveUnlessItHasNoCentre) {
  const Vector3<double> before = host.impl().getPosition();
  host.manipulator().flyTo(BoundingRegion(GlobeRectangle::MAX_VALUE, -100.0, 100.0));  // centred at the origin
  host.manipulator().flyTo(BoundingRegion());                                          // empty
  host.frame(5);
  EXPECT_EQ(host.impl().getPosition(), before);
  EXPECT_FALSE(host.impl().isFlying());

  const BoundingRegion region(GlobeRectangle::fromDegrees(17.0, 34.0, 18.0, 35.0), 0.0, 300.0);
  host.manipulator().flyTo(region, 1.0);
  flyOut();
  const OrientedBoundingBox box = region.getBoundingBox();
  const Cartographic c = geographic(box.center);
  const double radius = BoundingSphere::fromOrientedBoundingBox(box).radius;
  expectAt(Viewpoint{c.longitude, c.latitude, c.height, 0.0, -Math::PI_OVER_TWO, 3.0 * radius});
}

std::shared_ptr<Layer> layerIn(TestHost& host, const GlobeRectangle& rectangle, bool ready) {
  std::shared_ptr<Layer> layer = Layer::create(ready);
  layer->_setParent(host.scene()._getDataSourceDisplay().getRootLayer());
  layer->setBoundingRegion(BoundingRegion(rectangle, 0.0, 100.0));
  return layer;
}

TEST_F(FlightFacade, NearlyGlobalLayerIsShownFromTheFixedPlace) {
  const std::shared_ptr<Layer> layer = layerIn(host, GlobeRectangle::fromDegrees(-150, -30, 150, 30), true);
  host.manipulator().flyTo(*layer, 1.0);
  host.frame();  // the surface height is read after a frame
  flyOut();
  expectAt(
      Viewpoint{1.8438314131989626, 0.7146133503510438, 0.0, 0.0, -Math::PI_OVER_TWO, fittingRange(host, 6378137.0)});
  EXPECT_EQ(completions, 1);
}

TEST_F(FlightFacade, LayerReadyLaterOnAnotherThreadIsFlownToUnlessTheFacadeIsGone) {
  const GlobeRectangle rect = GlobeRectangle::fromDegrees(20.0, 30.0, 21.0, 31.0);
  const std::shared_ptr<Layer> orphaned = layerIn(host, rect, false);
  const Vector3<double> before = host.impl().getPosition();
  {
    GlobeManipulator other;
    other._setViewer(host.viewer().shared_from_this());
    other.flyTo(*orphaned, 1.0);
  }
  std::thread([&] { orphaned->_setReady(); }).join();
  host.frame(5);
  EXPECT_EQ(host.impl().getPosition(), before);
  EXPECT_EQ(host.scene().getPostCull().listenerCount(), 0u);

  const std::shared_ptr<Layer> later = layerIn(host, rect, false);
  host.manipulator().flyTo(*later, 1.0);
  host.frame(3);
  EXPECT_FALSE(host.impl().isFlying());
  std::thread([&] { later->_setReady(); }).join();
  host.frame();
  flyOut();
  const BoundingSphere s = BoundingSphere::fromOrientedBoundingBox(later->getBoundingRegion()->getBoundingBox());
  const Cartographic c = geographic(s.center);
  // Heights are relative to the (flat, sea-level) terrain.
  expectAt(Viewpoint{c.longitude, c.latitude, c.height, 0.0, -Math::PI_OVER_TWO, fittingRange(host, s.radius)});
}

TEST_F(FlightFacade, SecondHeightReferencedFlightRemovesTheFirst) {
  const Viewpoint first{0.5, 0.5, 10.0, 0.0, -1.0, 2000.0};
  const Viewpoint second{0.31, 0.62, 20.0, 0.3, -0.9, 1500.0};
  host.manipulator().flyTo(first, HeightReference::RelativeToTerrain, 1.0);
  host.manipulator().flyTo(second, HeightReference::RelativeToTerrain, 1.0);
  EXPECT_EQ(host.scene().getPostCull().listenerCount(), 1u);
  host.frame();
  flyOut();
  expectAt(second);
  EXPECT_EQ(completions, 1);
  host.frame(3);
  EXPECT_EQ(host.scene().getPostCull().listenerCount(), 0u);  // removed once flown
}

TEST_F(FlightFacade, FeatureExtentKnownOnlyToTheSceneIsWaitedFor) {
  auto feature = std::make_shared<Feature::Feature>();
  feature->setGeometry(std::make_shared<Feature::PolylineGeometry>(
      std::vector<Cartographic>{Cartographic(0.30, 0.60, 100.0), Cartographic(0.301, 0.601, 300.0)}));
  host.scene()._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->add(feature);

  host.viewer().registerMainThread();
  std::atomic<bool> returned{false};
  std::thread caller([&] {
    host.manipulator().flyTo(*feature, 1.0);
    returned = true;
  });
  // Frames run until the caller has its answer (the caller may take a while to start).
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!returned && std::chrono::steady_clock::now() < giveUp) {
    host.frame();
    std::this_thread::yield();
  }
  caller.join();
  ASSERT_TRUE(returned);
  BoundingSphere drawn;
  ASSERT_EQ(host.scene()._getDataSourceDisplay().getBoundingSphere(*feature->_getAllEntities().front(), false, drawn),
            BoundingSphereState::Done);
  flyOut();
  const Cartographic c = geographic(drawn.center);
  expectAt(Viewpoint{c.longitude, c.latitude, c.height, 0.0, -Math::PI_OVER_TWO, fittingRange(host, drawn.radius)});
}

TEST_F(FlightFacade, ClampedFeatureIsFlownToFromItsGeometry) {
  auto feature = std::make_shared<Feature::Feature>();
  const std::vector<Cartographic> line{Cartographic(0.30, 0.60, 0.0), Cartographic(0.302, 0.601, 0.0)};
  feature->setGeometry(std::make_shared<Feature::PolylineGeometry>(line));
  feature->setStyle(std::make_shared<Feature::Style>(HeightReference::ClampToGround));
  host.scene()._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->add(feature);
  host.manipulator().flyTo(*feature, 1.0);  // no wait: runs on the frames' own thread
  host.frame();
  flyOut();
  const BoundingSphere s =
      BoundingSphere::fromRectangle3D(*GlobeRectangle::fromCartographicArray(line), Ellipsoid::WGS84, 0.0);
  const Cartographic c = geographic(s.center);
  // Clamped: the target height is the (sea-level) surface's.
  expectAt(Viewpoint{c.longitude, c.latitude, 0.0, 0.0, -Math::PI_OVER_TWO, fittingRange(host, s.radius)});

  feature->setShow(false);  // hidden features are not flown to
  host.setPose(Cartographic(0.3, 0.6, 40000.0), 0.0, -90.0);
  host.manipulator().flyTo(*feature, 1.0);
  host.frame(3);
  EXPECT_FALSE(host.impl().isFlying());
}

}  // namespace
}  // namespace qel::test
