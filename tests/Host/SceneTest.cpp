// The scene as the navigation and the editors use it: what a click picks (models before
// the ground, never an unselectable one), how window positions and metres per pixel
// relate to the view, which heights a reference reads, and the order of a frame's work.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "Common/Ellipsoid.h"
#include "Common/HeadingPitchRoll.h"
#include "Common/Transforms.h"
#include "Common/WorkTask.h"
#include "Scene/BoxPrimitive.h"
#include "Scene/SceneImpl.h"
#include "Scene/SceneTransforms.h"

namespace qel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const Vector2<int> kCentre{400, 300};

// A view 2 km above rolling land, looking 45° down toward the north-east.
class SceneViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const Cartographic site = Cartographic::fromDegrees(10.0, 20.0);
    const double ground = *scene.getGlobe().getHeight(site);
    eye = Ellipsoid::WGS84.cartographicToCartesian({site.longitude, site.latitude, ground + 2000.0});
    scene.getCamera().setPosition(eye);
    scene.getCamera().setOrientation(
        Transforms::viewHeadingPitchRollToViewQuaternion(eye, {Math::toRadians(45.0), Math::toRadians(-45.0), 0.0}));
    ground_ = scene.pickGlobe(kCentre);
    ASSERT_TRUE(ground_);
  }
  Ray centreRay() const { return scene.getCamera().getPickRay({400.0f, 300.0f}); }

  SceneImpl scene;
  Vector3<double> eye;
  std::optional<Vector3<double>> ground_;
};

struct BoxCase {
  std::string name;
  bool selectable;
  bool shown;
  bool picked;
};

class ScenePositionPickTest : public SceneViewTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(ScenePositionPickTest, ABuildingInFrontOfTheGroundIsPickedWhenSelectableAndShown) {
  // A 200 m tower standing on the ground point under the pointer: the view ray meets
  // its wall before the ground.
  const std::shared_ptr<BoxPrimitive> tower = BoxPrimitive::standingOn(*ground_, {30.0, 30.0, 100.0});
  tower->setSelectEnabled(GetParam().selectable);
  tower->setShow(GetParam().shown);
  scene.getPrimitives().add(tower);

  const std::optional<Vector3<double>> picked = scene.pickPositionWorldCoordinates(kCentre);
  ASSERT_TRUE(picked);
  const std::optional<double> wall = tower->intersect(centreRay());
  ASSERT_TRUE(wall);
  if (GetParam().picked) {
    EXPECT_LT((*picked - centreRay().getPoint(*wall)).length(), 1e-6);
    EXPECT_LT((*picked - eye).length(), (*ground_ - eye).length() - 1.0);
  } else {
    EXPECT_EQ(*picked, *ground_);
  }
}

INSTANTIATE_TEST_SUITE_P(Boxes, ScenePositionPickTest,
                         ::testing::Values(BoxCase{"Selectable", true, true, true},
                                           BoxCase{"Unselectable", false, true, false},
                                           BoxCase{"Hidden", true, false, false}),
                         [](const ::testing::TestParamInfo<BoxCase>& info) { return info.param.name; });

TEST_F(SceneViewTest, TheNearestOfSeveralBoxesIsPicked) {
  const double distance = (*ground_ - eye).length();
  const Ray ray = centreRay();
  const auto boxAt = [&](double t) {
    return std::make_shared<BoxPrimitive>(Matrix4::fromTranslation(ray.getPoint(t)), Vector3<double>(5.0, 5.0, 5.0));
  };
  const std::shared_ptr<BoxPrimitive> far = boxAt(0.7 * distance);
  const std::shared_ptr<BoxPrimitive> near = boxAt(0.3 * distance);
  const std::shared_ptr<BoxPrimitive> behind = boxAt(-100.0);
  scene.getPrimitives().add(far);
  scene.getPrimitives().add(behind);
  scene.getPrimitives().add(near, 0);
  // The ray enters a cube of half size 5 centred on it between 5 and 5√3 before the centre.
  const auto expectBoxAt = [&](double centre) {
    const std::optional<Vector3<double>> picked = scene.pickPositionWorldCoordinates(kCentre);
    ASSERT_TRUE(picked);
    const double d = (*picked - eye).length();
    EXPECT_LE(d, centre - 5.0 + 1e-6);
    EXPECT_GE(d, centre - 5.0 * std::sqrt(3.0) - 1e-6);
  };
  expectBoxAt(0.3 * distance);

  // Inside a nested collection the same rules apply, the collection's own flags first.
  scene.getPrimitives().remove(*near);
  auto group = std::make_shared<PrimitiveCollection>();
  group->add(near);
  scene.getPrimitives().add(group);
  expectBoxAt(0.3 * distance);
  group->setSelectEnabled(false);
  expectBoxAt(0.7 * distance);
}

TEST_F(SceneViewTest, PositionPicksAreCounted) {
  const std::size_t before = scene.getPositionPickCount();
  (void)scene.pickPositionWorldCoordinates(kCentre);
  (void)scene.pickPositionWorldCoordinates({-5000, 99999});
  EXPECT_EQ(scene.getPositionPickCount(), before + 2);
}

TEST_F(SceneViewTest, GlobePointsUnderPixelsProjectBackToThosePixels) {
  for (int x = 0; x <= 800; x += 100) {
    for (int y = 200; y <= 600; y += 100) {
      const std::optional<Vector3<double>> ground = scene.pickGlobe({x, y});
      ASSERT_TRUE(ground) << x << "," << y;
      const std::optional<Vector3<double>> buffer =
          SceneTransforms::drawingBufferToWgs84Coordinates(scene, {static_cast<double>(x), static_cast<double>(y)});
      ASSERT_TRUE(buffer);
      EXPECT_EQ(*buffer, *ground);
      const std::optional<Vector2<double>> window = SceneTransforms::wgs84ToWindowCoordinates(scene, *ground);
      ASSERT_TRUE(window);
      EXPECT_NEAR(window->x, x, 1e-6);
      EXPECT_NEAR(window->y, y, 1e-6);
    }
  }
  EXPECT_FALSE(SceneTransforms::wgs84ToWindowCoordinates(scene, eye * 0.5 + eye * 0.6));
  EXPECT_FALSE(SceneTransforms::drawingBufferToWgs84Coordinates(scene, {kNaN, 3.0}));
}

class ScenePixelLengthTest : public SceneViewTest, public ::testing::WithParamInterface<double> {};

TEST_P(ScenePixelLengthTest, OnePixelSpansWhatTheNeighbouringPixelsRaysSpanAtThatDepth) {
  const double depth = GetParam();
  const Camera& camera = scene.getCamera();
  // A point off the view axis at that depth: only the depth along the view counts.
  const Ray ray = camera.getPickRay({250.0f, 420.0f});
  const double t = depth / ray.direction.dot(camera.getDirection());
  const Vector3<double> point = ray.getPoint(t);
  const double length = SceneTransforms::computeRealLengthOfOnePixel(scene, point, {1.0, 0.0, 0.0});
  // The rays through two neighbouring pixels, cut by the plane at that depth.
  const Ray next = camera.getPickRay({251.0f, 420.0f});
  const double tNext = depth / next.direction.dot(camera.getDirection());
  // Points rebuilt from Earth-sized coordinates carry about a nanometre of rounding.
  const double tolerance = 1e-9 * length + 1e-8;
  EXPECT_NEAR(length, (next.getPoint(tNext) - point).length(), tolerance);
  EXPECT_NEAR(SceneTransforms::computeRealLengthOfOnePixel(scene, point, {0.0, -3.0, 0.0}), length, tolerance);
  const double twice = SceneTransforms::computeRealLengthOfOnePixel(scene, ray.getPoint(2.0 * t), {1.0, 0.0, 0.0});
  EXPECT_NEAR(twice, 2.0 * length, 2.0 * tolerance);
}

INSTANTIATE_TEST_SUITE_P(Depths, ScenePixelLengthTest, ::testing::Values(2.0, 3000.0, 2.0e7));

TEST_F(SceneViewTest, PixelLengthIsZeroBehindTheEyeOrWithoutAWindow) {
  const Vector3<double> behind = eye - scene.getCamera().getDirection() * 100.0;
  EXPECT_EQ(SceneTransforms::computeRealLengthOfOnePixel(scene, behind, {1.0, 0.0, 0.0}), 0.0);
  EXPECT_EQ(SceneTransforms::computeRealLengthOfOnePixel(scene, {kNaN, 0.0, 0.0}, {1.0, 0.0, 0.0}), 0.0);
  scene.setWindowSize(0, 0);
  EXPECT_EQ(SceneTransforms::computeRealLengthOfOnePixel(scene, *ground_, {1.0, 0.0, 0.0}), 0.0);
}

class SceneHeightTest : public ::testing::TestWithParam<HeightReference> {};

TEST_P(SceneHeightTest, EverySurfaceReferenceReadsTheTerrain) {
  SceneImpl scene;
  const Cartographic summit = Cartographic::fromDegrees(-153.5, 65.5, 123.0);
  const std::optional<double> height = scene.getHeight(summit, GetParam());
  if (GetParam() == HeightReference::None) {
    EXPECT_FALSE(height);
  } else {
    ASSERT_TRUE(height);
    EXPECT_EQ(*height, *scene.getGlobe().getHeight(summit));
    EXPECT_GT(*height, 3000.0);
  }
  EXPECT_FALSE(scene.getHeight(std::nullopt, GetParam()));
  EXPECT_FALSE(scene.getHeight(Cartographic(kNaN, 0.0), GetParam()));
}

INSTANTIATE_TEST_SUITE_P(References, SceneHeightTest,
                         ::testing::Values(HeightReference::None, HeightReference::ClampToGround,
                                           HeightReference::RelativeToGround, HeightReference::ClampToTerrain,
                                           HeightReference::RelativeToTerrain, HeightReference::ClampTo3DTile,
                                           HeightReference::RelativeTo3DTile));

// A primitive that logs its updates and can act on the scene from inside them.
class ScriptedPrimitive : public PrimitiveBase {
 public:
  ScriptedPrimitive(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
  void update(FrameState& frameState) override {
    log_.push_back(name_ + ".update");
    if (onUpdate) onUpdate(frameState);
  }
  std::function<void(FrameState&)> onUpdate;

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

TEST(SceneFrameTest, RenderUpdatesPrimitivesThenRunsQueuedWorkThenRaisesPostCull) {
  SceneImpl scene;
  std::vector<std::string> log;
  const auto frameTime = std::chrono::steady_clock::time_point(std::chrono::seconds(42));
  auto editor = std::make_shared<ScriptedPrimitive>("editor", log);
  editor->onUpdate = [&](FrameState& state) {
    state.taskQueue.push(makeWorkTask([&] { log.push_back("task"); }));
  };
  scene.getPrimitives().add(editor);
  std::chrono::steady_clock::time_point seen{};
  scene.getPostCull().addEventListener([&](SceneImpl& s, const std::chrono::steady_clock::time_point& time) {
    EXPECT_EQ(&s, &scene);
    seen = time;
    log.push_back("postCull");
  });
  scene.render(frameTime);
  EXPECT_EQ(log, (std::vector<std::string>{"editor.update", "task", "postCull"}));
  EXPECT_EQ(seen, frameTime);
  EXPECT_EQ(scene.getFrameState().time, frameTime);
  EXPECT_TRUE(scene.getFrameState().taskQueue.empty());
}

TEST(SceneFrameTest, PrimitivesAddedOrRemovedDuringAnUpdateTakeEffectNextFrame) {
  SceneImpl scene;
  std::vector<std::string> log;
  auto handle = std::make_shared<ScriptedPrimitive>("handle", log);
  auto editor = std::make_shared<ScriptedPrimitive>("editor", log);
  auto doomed = std::make_shared<ScriptedPrimitive>("doomed", log);
  PrimitiveBase* const editorRaw = editor.get();
  PrimitiveBase* const doomedRaw = doomed.get();
  editor->onUpdate = [&scene, handle, editorRaw, doomedRaw](FrameState&) {
    scene.getPrimitives().add(handle);
    scene.getPrimitives().remove(*doomedRaw);
    scene.getPrimitives().remove(*editorRaw);
  };
  scene.getPrimitives().add(editor);
  scene.getPrimitives().add(doomed);
  const std::weak_ptr<ScriptedPrimitive> editorAlive = editor;
  editor.reset();
  doomed.reset();
  scene.render({});
  EXPECT_EQ(log, (std::vector<std::string>{"editor.update", "doomed.update"}));
  log.clear();
  scene.render({});
  EXPECT_EQ(log, (std::vector<std::string>{"handle.update"}));
  EXPECT_TRUE(editorAlive.expired());
}

TEST(ScenePrimitiveCollectionTest, AddKeepsOrderAndRefusesNullsAndDuplicates) {
  std::vector<std::string> log;
  PrimitiveCollection collection;
  auto a = std::make_shared<ScriptedPrimitive>("a", log);
  auto b = std::make_shared<ScriptedPrimitive>("b", log);
  auto c = std::make_shared<ScriptedPrimitive>("c", log);
  collection.add(a);
  collection.add(b, 99);
  collection.add(c, 1);
  collection.add(a, 0);
  collection.add(nullptr);
  ASSERT_EQ(collection.size(), 3u);
  FrameState state;
  collection.update(state);
  EXPECT_EQ(log, (std::vector<std::string>{"a.update", "c.update", "b.update"}));
  EXPECT_TRUE(collection.remove(*c));
  EXPECT_FALSE(collection.remove(*c));
  EXPECT_FALSE(collection.contains(*c));
  EXPECT_EQ(collection.size(), 2u);
}

TEST(SceneWindowTest, WindowSizeSetsViewportAspectAndDrawingBuffer) {
  SceneImpl scene;
  EXPECT_EQ(scene.getCamera().getViewport(), (Viewport{0, 0, 800, 600}));
  EXPECT_EQ(scene.getContext().getDrawingBufferHeight(), 600);
  scene.setWindowSize(1024, 512);
  EXPECT_EQ(scene.getCamera().getViewport(), (Viewport{0, 0, 1024, 512}));
  EXPECT_DOUBLE_EQ(scene.getCamera().getFrustum().getAspectRatio(), 2.0);
  EXPECT_EQ(scene.getContext().getDrawingBufferWidth(), 1024);
  EXPECT_EQ(scene.getContext().getDrawingBufferHeight(), 512);
  scene.setWindowSize(-3, 100);
  EXPECT_EQ(scene.getCamera().getViewport(), (Viewport{0, 0, 1024, 512}));

  scene.setResolution(2.5);
  for (double bad : {0.0, -1.0, kNaN}) scene.setResolution(bad);
  EXPECT_EQ(scene.getResolution(), 2.5);
}

}  // namespace
}  // namespace qel
