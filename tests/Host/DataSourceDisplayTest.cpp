// Features drawn by a scene: their entities are built in the frame after they are added
// or changed, their extents follow the style's height reference over the terrain, and a
// caller waiting for an extent is never left hanging.
#include <gtest/gtest.h>

#include <GeographicLib/Geocentric.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <boost/thread/future.hpp>

#include "Data/DataSourceDisplay.h"
#include "Feature/CircleGeometry.h"
#include "Feature/Feature.h"
#include "Feature/FeatureGroup.h"
#include "Feature/PointGeometry.h"
#include "Feature/PolygonGeometry.h"
#include "Feature/PolylineGeometry.h"
#include "Feature/RectangleGeometry.h"
#include "Scene/SceneImpl.h"

namespace qel {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFrame = std::chrono::milliseconds(16);
// Rounding of Earth-sized coordinates; far below a millimetre.
constexpr double kSlack = 1e-6;

Vector3<double> oracle(double lonDeg, double latDeg, double h) {
  Vector3<double> p;
  GeographicLib::Geocentric::WGS84().Forward(latDeg, lonDeg, h, p.x, p.y, p.z);
  return p;
}

class DataSourceDisplayTest : public ::testing::Test {
 protected:
  void frame() { scene->render(now += kFrame); }
  DataSourceDisplay& display() { return scene->_getDataSourceDisplay(); }
  const std::shared_ptr<Feature::FeatureGroup>& root() {
    return display().getDefaultDataSource()->getRootFeatureGroup();
  }
  // Terrain height under a place (degrees), as the scene's globe has it.
  double terrain(double lonDeg, double latDeg) {
    return scene->getGlobe().getHeight(Cartographic::fromDegrees(lonDeg, latDeg)).value();
  }

  static std::shared_ptr<Feature::Feature> feature(std::shared_ptr<Feature::Geometry> geometry,
                                                   HeightReference reference = HeightReference::None) {
    auto f = std::make_shared<Feature::Feature>();
    f->setGeometry(std::move(geometry));
    f->setStyle(std::make_shared<Feature::Style>(reference));
    return f;
  }

  std::unique_ptr<SceneImpl> scene = std::make_unique<SceneImpl>();
  Clock::time_point now{std::chrono::seconds(100)};
};

// Builds a feature in the scene's terms; says which points (fixed frame) its extent
// must hold and how large it may be at most.
struct ExtentCase {
  std::string name;
  std::function<std::shared_ptr<Feature::Geometry>()> geometry;
  HeightReference reference;
  BoundingSphereState expected;
  // Points to hold, from the terrain function (lon, lat → terrain height).
  std::function<std::vector<Vector3<double>>(const std::function<double(double, double)>&)> points;
  double maximumRadius;
};

class DataSourceExtentTest : public DataSourceDisplayTest, public ::testing::WithParamInterface<ExtentCase> {};

TEST_P(DataSourceExtentTest, ExtentHoldsWhatIsDrawnAtTheReferencedHeights) {
  const ExtentCase& c = GetParam();
  const std::shared_ptr<Feature::Feature> f = feature(c.geometry(), c.reference);
  root()->add(f);
  frame();
  ASSERT_TRUE(f->_isEntityReady());
  ASSERT_EQ(f->_getAllEntities().size(), 1u);
  BoundingSphere sphere{{1.0, 2.0, 3.0}, 4.0};
  EXPECT_EQ(display().getBoundingSphere(*f->_getAllEntities().front(), false, sphere), c.expected);
  if (c.expected != BoundingSphereState::Done) {
    EXPECT_EQ(sphere.radius, 4.0) << "a failed answer leaves the sphere alone";
    return;
  }
  for (const Vector3<double>&p : c.points([this](double lon, double lat) { return terrain(lon, lat); })) {
    EXPECT_LE((p - sphere.center).length(), sphere.radius + kSlack);
  }
  EXPECT_LE(sphere.radius, c.maximumRadius);
}

using Points = std::vector<Vector3<double>>;

std::shared_ptr<Feature::Geometry> point() {
  return std::make_shared<Feature::PointGeometry>(Cartographic::fromDegrees(10, 20, 300));
}

std::shared_ptr<Feature::Geometry> line() {
  return std::make_shared<Feature::PolylineGeometry>(std::vector<Cartographic>{
      Cartographic::fromDegrees(8.0, 46.0, 100.0), Cartographic::fromDegrees(8.2, 46.1, 200.0),
      Cartographic::fromDegrees(8.4, 46.0, 300.0)});
}

std::vector<Vector3<double>> linePoints(const std::function<double(double, double)>& terrainAt, bool relative) {
  const auto h = [&](double lon, double lat, double height) {
    return relative ? height + terrainAt(lon, lat) : height;
  };
  return {oracle(8.0, 46.0, h(8.0, 46.0, 100.0)), oracle(8.2, 46.1, h(8.2, 46.1, 200.0)),
          oracle(8.4, 46.0, h(8.4, 46.0, 300.0))};
}

// The line is about 31 km long: its sphere need not be wider than that.
constexpr double kLineSpan = 31000.0;

INSTANTIATE_TEST_SUITE_P(
    Geometries, DataSourceExtentTest,
    ::testing::Values(
        ExtentCase{"PointAbsolute", point, HeightReference::None, BoundingSphereState::Done,
                   [](const auto&) { return Points{oracle(10, 20, 300)}; }, kSlack},
        ExtentCase{"PointClampedToTerrain", point, HeightReference::ClampToTerrain, BoundingSphereState::Done,
                   [](const auto& t) { return Points{oracle(10, 20, t(10, 20))}; }, kSlack},
        ExtentCase{"PointRelativeToGround", point, HeightReference::RelativeToGround, BoundingSphereState::Done,
                   [](const auto& t) { return Points{oracle(10, 20, 300 + t(10, 20))}; }, kSlack},
        ExtentCase{"PointOnTheScreen",
                   [] { return std::make_shared<Feature::PointGeometry>(Cartographic(120.0, 80.0), true); },
                   HeightReference::None, BoundingSphereState::Failed, nullptr, 0.0},
        ExtentCase{"LineAbsolute", line, HeightReference::None, BoundingSphereState::Done,
                   [](const auto& t) { return linePoints(t, false); }, kLineSpan},
        ExtentCase{"LineRelativeToTerrain", line, HeightReference::RelativeToTerrain, BoundingSphereState::Done,
                   [](const auto& t) { return linePoints(t, true); }, kLineSpan},
        ExtentCase{"LineWithoutPositions", [] { return std::make_shared<Feature::PolylineGeometry>(); },
                   HeightReference::None, BoundingSphereState::Failed, nullptr, 0.0},
        ExtentCase{"PolygonWithAHole",
                   [] {
                     return std::make_shared<Feature::PolygonGeometry>(
                         Feature::PolygonHierarchy{{Cartographic::fromDegrees(0, 0), Cartographic::fromDegrees(1, 0),
                                                    Cartographic::fromDegrees(1, 1)},
                                                   {{Cartographic::fromDegrees(0.6, 0.2, 5000.0)}}});
                   },
                   HeightReference::None, BoundingSphereState::Done,
                   [](const auto&) {
                     return Points{oracle(0, 0, 0), oracle(1, 0, 0), oracle(1, 1, 0), oracle(0.6, 0.2, 5000.0)};
                   },
                   160000.0},
        ExtentCase{
            "Circle",
            [] { return std::make_shared<Feature::CircleGeometry>(Cartographic::fromDegrees(-60, -10, 50), 750.0); },
            HeightReference::None, BoundingSphereState::Done, [](const auto&) { return Points{oracle(-60, -10, 50)}; },
            750.0 + kSlack},
        ExtentCase{
            "RectangleClampedToGround",
            [] {
              return std::make_shared<Feature::RectangleGeometry>(GlobeRectangle::fromDegrees(30.0, 10.0, 30.1, 10.1),
                                                                  9999.0);
            },
            HeightReference::ClampToGround, BoundingSphereState::Done,
            [](const auto& t) {
              const double h = t(30.05, 10.05);
              return Points{oracle(30.0, 10.0, h), oracle(30.1, 10.1, h), oracle(30.0, 10.1, h), oracle(30.1, 10.0, h)};
            },
            12000.0}),
    [](const ::testing::TestParamInfo<ExtentCase>& info) { return info.param.name; });

TEST_F(DataSourceDisplayTest, AnAddedOrChangedFeatureIsPendingUntilTheNextFrameDrawsIt) {
  auto point = std::make_shared<Feature::PointGeometry>(Cartographic::fromDegrees(1, 2, 3));
  const auto f = feature(point);
  root()->add(f);
  EXPECT_FALSE(f->_isEntityReady());
  EXPECT_TRUE(f->_getAllEntities().empty());
  EXPECT_EQ(f->_getImplHandle(), nullptr);
  frame();
  EXPECT_TRUE(f->_isEntityReady());
  ASSERT_EQ(f->_getAllEntities().size(), 1u);
  const std::shared_ptr<Entity> entity = f->_getImplHandle();
  EXPECT_EQ(entity, f->_getAllEntities().front());
  EXPECT_EQ(entity->_getFeature(), f);

  point->setPosition(Cartographic::fromDegrees(4, 5, 6));
  BoundingSphere sphere;
  EXPECT_FALSE(f->_isEntityReady());
  EXPECT_EQ(display().getBoundingSphere(*entity, false, sphere), BoundingSphereState::Pending);
  EXPECT_EQ(sphere.center, Vector3<double>());
  frame();
  EXPECT_TRUE(f->_isEntityReady());
  EXPECT_EQ(f->_getImplHandle(), entity) << "the same entity, drawn anew";
  ASSERT_EQ(display().getBoundingSphere(*entity, false, sphere), BoundingSphereState::Done);
  EXPECT_LE((sphere.center - oracle(4, 5, 6)).length(), kSlack);

  // A new style is a change too.
  f->setStyle(std::make_shared<Feature::Style>(HeightReference::ClampToTerrain));
  EXPECT_EQ(display().getBoundingSphere(*entity, false, sphere), BoundingSphereState::Pending);
  frame();
  ASSERT_EQ(display().getBoundingSphere(*entity, false, sphere), BoundingSphereState::Done);
  EXPECT_LE((sphere.center - oracle(4, 5, terrain(4, 5))).length(), kSlack);
}

TEST_F(DataSourceDisplayTest, NothingToWaitForWithoutGeometryOrOutsideAScene) {
  const auto noGeometry = std::make_shared<Feature::Feature>();
  root()->add(noGeometry);
  EXPECT_TRUE(noGeometry->_isEntityReady());
  EXPECT_TRUE(noGeometry->_getAllEntities().empty());

  const auto loose = feature(std::make_shared<Feature::PointGeometry>());
  EXPECT_EQ(loose->getLayer(), nullptr);
  EXPECT_TRUE(loose->_isEntityReady());
  EXPECT_TRUE(loose->_getAllEntities().empty());
  EXPECT_FALSE(loose->isShowing());
}

TEST_F(DataSourceDisplayTest, AnEntityLeftBehindOrOfAnotherSceneHasNoExtent) {
  const auto f = feature(std::make_shared<Feature::PointGeometry>(Cartographic::fromDegrees(1, 2, 3)));
  root()->add(f);
  frame();
  const std::shared_ptr<Entity> entity = f->_getImplHandle();
  BoundingSphere sphere;

  SceneImpl other;
  EXPECT_EQ(other._getDataSourceDisplay().getBoundingSphere(*entity, false, sphere), BoundingSphereState::Failed);

  // Moved to a group outside any layer: the scene no longer draws it.
  const auto elsewhere = std::make_shared<Feature::FeatureGroup>();
  elsewhere->add(f);
  EXPECT_EQ(root()->size(), 0u);
  EXPECT_EQ(display().getBoundingSphere(*entity, false, sphere), BoundingSphereState::Failed);
  EXPECT_TRUE(f->_isEntityReady());
  EXPECT_TRUE(f->_getAllEntities().empty());
  frame();
  EXPECT_EQ(f->_getImplHandle(), nullptr);
}

struct FeatureShowCase {
  std::string name;
  bool feature;
  bool group;
  bool source;
  bool rootLayer;
};

class FeatureShowingTest : public DataSourceDisplayTest, public ::testing::WithParamInterface<FeatureShowCase> {};

TEST_P(FeatureShowingTest, AFeatureIsShowingWhenItItsGroupsAndItsLayersAreShown) {
  const FeatureShowCase& c = GetParam();
  const auto group = std::make_shared<Feature::FeatureGroup>();
  const auto f = feature(std::make_shared<Feature::PointGeometry>());
  root()->add(group);
  group->add(f);
  EXPECT_EQ(f->getLayer(), display().getDefaultDataSource());
  EXPECT_EQ(f->getLayer()->getParent(), display().getRootLayer());
  EXPECT_EQ(f->getLayer()->getParent()->_getScene().get(), scene.get());
  EXPECT_EQ(f->getParent(), group);

  f->setShow(c.feature);
  group->setShow(c.group);
  display().getDefaultDataSource()->setShow(c.source);
  display().getRootLayer()->setShow(c.rootLayer);
  EXPECT_EQ(f->isShowing(), c.feature && c.group && c.source && c.rootLayer);
  EXPECT_EQ(f->isShow(), c.feature);
}

INSTANTIATE_TEST_SUITE_P(Flags, FeatureShowingTest,
                         ::testing::Values(FeatureShowCase{"AllShown", true, true, true, true},
                                           FeatureShowCase{"FeatureHidden", false, true, true, true},
                                           FeatureShowCase{"GroupHidden", true, false, true, true},
                                           FeatureShowCase{"DataSourceHidden", true, true, false, true},
                                           FeatureShowCase{"RootLayerHidden", true, true, true, false}),
                         [](const ::testing::TestParamInfo<FeatureShowCase>& info) { return info.param.name; });

TEST_F(DataSourceDisplayTest, AGroupCannotHoldItselfOrAGroupAboveIt) {
  const auto outer = std::make_shared<Feature::FeatureGroup>();
  const auto inner = std::make_shared<Feature::FeatureGroup>();
  outer->add(inner);
  inner->add(outer);
  inner->add(inner);
  inner->add(nullptr);
  EXPECT_EQ(inner->size(), 0u);
  EXPECT_EQ(outer->getParent(), nullptr);
  EXPECT_EQ(inner->getParent(), outer);

  // Not held by shared pointers: refused or answered, never thrown.
  Feature::FeatureGroup onStack;
  onStack.add(std::make_shared<Feature::Feature>());
  EXPECT_EQ(onStack.size(), 0u);
  const Feature::Feature loose;
  EXPECT_FALSE(loose.isShowing());
}

// The wait a feature flight does: a caller blocks on a promise that a one-shot post-cull
// listener fulfils once the feature's entities are built.
struct ExtentWait {
  boost::promise<BoundingSphere> promise;
  boost::future<BoundingSphere> future = promise.get_future();
  std::weak_ptr<FunctionWrapper> handle;
  int framesSeen = 0;
};

void listenForExtent(SceneImpl& scene, const std::shared_ptr<Feature::Feature>& f,
                     const std::shared_ptr<ExtentWait>& wait) {
  auto promise = std::make_shared<boost::promise<BoundingSphere>>(std::move(wait->promise));
  wait->handle = scene.getPostCull().addEventListener(
      [f, promise, wait = std::weak_ptr<ExtentWait>(wait)](SceneImpl& s, const Clock::time_point&) {
        const std::shared_ptr<ExtentWait> w = wait.lock();
        if (w) ++w->framesSeen;
        if (!f->_isEntityReady()) return;
        std::vector<BoundingSphere> spheres;
        for (const std::shared_ptr<Entity>& entity : f->_getAllEntities()) {
          BoundingSphere sphere;
          if (s._getDataSourceDisplay().getBoundingSphere(*entity, false, sphere) == BoundingSphereState::Done) {
            spheres.push_back(sphere);
          }
        }
        promise->set_value(BoundingSphere::fromBoundingSpheres(spheres));
        if (w) {
          if (auto remove = w->handle.lock()) (*remove)();
        }
      });
}

TEST_F(DataSourceDisplayTest, AWaitingCallerGetsTheExtentFromTheFrameAfterTheAdd) {
  const auto f = feature(std::make_shared<Feature::CircleGeometry>(Cartographic::fromDegrees(3, 4, 5), 20.0));
  root()->add(f);
  auto wait = std::make_shared<ExtentWait>();
  boost::future<BoundingSphere> future = std::move(wait->future);
  listenForExtent(*scene, f, wait);

  std::optional<BoundingSphere> got;
  std::thread caller([&] { got = future.get(); });
  frame();
  caller.join();
  ASSERT_TRUE(got);
  EXPECT_EQ(wait->framesSeen, 1);
  EXPECT_LE((got->center - oracle(3, 4, 5)).length(), kSlack);
  EXPECT_EQ(got->radius, 20.0);
  frame();
  EXPECT_EQ(wait->framesSeen, 1) << "the listener removed itself";
  EXPECT_EQ(scene->getPostCull().listenerCount(), 0u);
}

TEST_F(DataSourceDisplayTest, DestroyingTheSceneReleasesAWaitingCaller) {
  const auto f = feature(std::make_shared<Feature::PointGeometry>(Cartographic::fromDegrees(3, 4, 5)));
  root()->add(f);
  auto wait = std::make_shared<ExtentWait>();
  boost::future<BoundingSphere> future = std::move(wait->future);
  listenForExtent(*scene, f, wait);

  bool broken = false;
  std::thread caller([&] {
    try {
      (void)future.get();
    } catch (const boost::broken_promise&) {
      broken = true;
    }
  });
  const std::shared_ptr<DataSource> source = display().getDefaultDataSource();
  scene.reset();  // before any frame built the feature
  caller.join();
  EXPECT_TRUE(broken);
  EXPECT_EQ(source->_getScene(), nullptr);
  EXPECT_TRUE(f->_isEntityReady()) << "no scene is left to build it";
}

}  // namespace
}  // namespace qel
