// What a click or a dragged rectangle finds in what the last frame drew: each kind of
// drawn thing is hit on its last covered pixel and missed one pixel further, hidden
// things are never found, select-disabled ones only by a click pick, and overlapping
// things are decided by the window centre, then the eye, then the order drawn.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"
#include "Scene/BillboardCollection.h"
#include "Scene/DrawList.h"
#include "Scene/LabelCollection.h"
#include "Scene/PointPrimitiveCollection.h"
#include "Scene/PolylineCollection.h"
#include "Scene/SceneImpl.h"
#include "Scene/SceneTransforms.h"

namespace qel {
namespace {

const Vector2<int> kCentre{400, 300};
constexpr double kEyeHeight = 2000.0;  // metres over the land
// Image of the test billboards (pixels).
constexpr int kImageWidth = 24;
constexpr int kImageHeight = 32;

// Writes the header of a PNG of the given size: all a billboard reads of its image.
std::string writePngHeader(int width, int height) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("qel-pick-" + std::to_string(width) + "x" + std::to_string(height) + ".png");
  const unsigned char bytes[24] = {0x89,
                                   'P',
                                   'N',
                                   'G',
                                   '\r',
                                   '\n',
                                   0x1a,
                                   '\n',
                                   0,
                                   0,
                                   0,
                                   13,
                                   'I',
                                   'H',
                                   'D',
                                   'R',
                                   0,
                                   0,
                                   static_cast<unsigned char>(width >> 8),
                                   static_cast<unsigned char>(width),
                                   0,
                                   0,
                                   static_cast<unsigned char>(height >> 8),
                                   static_cast<unsigned char>(height)};
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
  return path.string();
}

PointPrimitive::ConstructorOptions pointAt(const Vector3<double>& position, double pixelSize) {
  PointPrimitive::ConstructorOptions o;
  o.position = position;
  o.pixelSize = pixelSize;
  return o;
}

// A view 2 km above the land, looking 45° down toward the north-east, 800 × 600 pixels.
class ScenePickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const Cartographic site = Cartographic::fromDegrees(10.0, 20.0);
    const double land = *scene.getGlobe().getHeight(site);
    const Vector3<double> eye =
        Ellipsoid::WGS84.cartographicToCartesian({site.longitude, site.latitude, land + kEyeHeight});
    scene.getCamera().setPosition(eye);
    scene.getCamera().setOrientation(
        Transforms::viewHeadingPitchRollToViewQuaternion(eye, {Math::toRadians(45.0), Math::toRadians(-45.0), 0.0}));
  }

  // The point `distance` metres from the eye whose window position is `pixel`.
  Vector3<double> atPixel(Vector2<int> pixel, double distance = 1000.0) const {
    return scene.getCamera()
        .getPickRay(Vector2<float>(static_cast<float>(pixel.x), static_cast<float>(pixel.y)))
        .getPoint(distance);
  }

  void frame() { scene.render(std::chrono::steady_clock::now()); }

  const PrimitiveBase* pickedPrimitive(Vector2<int> pixel, int size = 1) {
    const std::shared_ptr<PickObject> picked = scene.pick(pixel, size, size).lock();
    return picked ? picked->getPrimitive() : nullptr;
  }

  SceneImpl scene;
};

enum class Kind { Billboard, Label, Point, Polyline };

struct FootprintCase {
  std::string name;
  Kind kind;
  Vector2<int> lastCovered;  // the last pixel covered along the probed direction
  Vector2<int> oneBeyond;    // the pixel next to it, outside
};

class ScenePickFootprintTest : public ScenePickTest, public ::testing::WithParamInterface<FootprintCase> {
 protected:
  // One element of the case's kind anchored at the window centre, in a collection drawn
  // over the terrain.
  std::shared_ptr<PrimitiveBase> addElement(bool show) {
    const Vector3<double> anchor = atPixel(kCentre);
    switch (GetParam().kind) {
      case Kind::Billboard: {
        // Centred across, standing on the anchor: x [388, 412), y [268, 300).
        auto c = std::make_shared<BillboardCollection>(&scene, false, std::nullopt);
        Billboard::ConstructorOptions o;
        o.position = anchor;
        o.image = writePngHeader(kImageWidth, kImageHeight);
        o.id = std::string("mark");
        o.verticalOrigin = VerticalOrigin::Bottom;
        o.show = show;
        c->add(o);
        return c;
      }
      case Kind::Label: {
        // Four ASCII characters of 16 px: 32 × 16 starting 20 px right of the anchor:
        // x [420, 452), y [300, 316).
        auto c = std::make_shared<LabelCollection>(&scene, false, std::nullopt);
        Label::ConstructorOptions o;
        o.position = anchor;
        o.text = "abcd";
        o.fontSize = 16.0;
        o.pixelOffset = {20.0, 0.0};
        o.horizontalOrigin = HorizontalOrigin::Left;
        o.verticalOrigin = VerticalOrigin::Top;
        o.show = show;
        c->add(o);
        return c;
      }
      case Kind::Point: {
        // 10 px around the anchor: [395, 405) both ways.
        auto c = std::make_shared<PointPrimitiveCollection>(&scene, false, std::nullopt);
        PointPrimitive* point = c->add(pointAt(anchor, 10.0));
        point->setShow(show);
        return c;
      }
      case Kind::Polyline: {
        // 2 px wide, from the anchor 50 px to the right: covers the pixel rows whose
        // centres lie within 1 px of y = 300 (rows 299 and 300), up to x = 450.
        auto c = std::make_shared<PolylineCollection>(&scene, false, std::nullopt, false);
        Polyline* line = c->add();
        line->setShow(show);
        line->setWidth(2.0);
        line->setPositions({{0.0, 0.0, 0.0}, {50.0, 0.0, 0.0}});
        line->setOrigin(anchor, true);
        return c;
      }
    }
    return nullptr;
  }
};

TEST_P(ScenePickFootprintTest, HitOnTheLastCoveredPixelAndMissedOnePixelBeyond) {
  const std::shared_ptr<PrimitiveBase> drawn = addElement(true);
  scene.getPrimitives().add(drawn);
  frame();
  EXPECT_EQ(pickedPrimitive(GetParam().lastCovered), drawn.get());
  EXPECT_EQ(pickedPrimitive(GetParam().oneBeyond), nullptr);
  // A 3 × 3 window centred on the pixel beyond reaches back to it; one centred a pixel
  // further does not.
  const Vector2<int> step = GetParam().oneBeyond - GetParam().lastCovered;
  EXPECT_EQ(pickedPrimitive(GetParam().oneBeyond, 3), drawn.get());
  EXPECT_EQ(pickedPrimitive(GetParam().oneBeyond + step, 3), nullptr);
}

TEST_P(ScenePickFootprintTest, HiddenElementsOrCollectionsAreNeverPicked) {
  const std::shared_ptr<PrimitiveBase> hiddenElement = addElement(false);
  scene.getPrimitives().add(hiddenElement);
  const std::shared_ptr<PrimitiveBase> hiddenCollection = addElement(true);
  hiddenCollection->setShow(false);
  scene.getPrimitives().add(hiddenCollection);
  frame();
  EXPECT_EQ(pickedPrimitive(GetParam().lastCovered, 10), nullptr);
  EXPECT_TRUE(scene.rectanglePick({0, 0}, 800, 600).empty());
  // Both were still submitted, as hidden: what a renderer and a test see.
  ASSERT_EQ(scene.getLastFrame().size(), 2u);
  EXPECT_FALSE(scene.getLastFrame().items()[0].shown);
  EXPECT_FALSE(scene.getLastFrame().items()[1].shown);
}

TEST_P(ScenePickFootprintTest, SelectDisabledElementsAreFoundByAClickPickButNotByARectangle) {
  const std::shared_ptr<PrimitiveBase> handle = addElement(true);
  handle->setSelectEnabled(false);
  scene.getPrimitives().add(handle);
  frame();
  EXPECT_EQ(pickedPrimitive(GetParam().lastCovered), handle.get());
  EXPECT_TRUE(scene.rectanglePick({0, 0}, 800, 600).empty());

  handle->setSelectEnabled(true);
  frame();
  const std::vector<std::shared_ptr<PickObject>> inside = scene.rectanglePick({0, 0}, 800, 600);
  ASSERT_EQ(inside.size(), 1u);
  EXPECT_EQ(inside[0]->getPrimitive(), handle.get());
  // A rectangle ending just before the covered pixel finds nothing; one including it does.
  const Vector2<int> p = GetParam().lastCovered;
  const Vector2<int> beyond = GetParam().oneBeyond;
  const Vector2<int> corner{std::min(p.x, beyond.x), std::min(p.y, beyond.y)};
  EXPECT_EQ(scene.rectanglePick(beyond, 1, 1).size(), 0u);
  EXPECT_EQ(scene.rectanglePick(corner, 2, 2).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ScenePickFootprintTest,
                         ::testing::Values(FootprintCase{"BillboardRightEdge", Kind::Billboard, {411, 299}, {412, 299}},
                                           FootprintCase{
                                               "BillboardBottomEdge", Kind::Billboard, {388, 299}, {388, 300}},
                                           FootprintCase{"BillboardTopEdge", Kind::Billboard, {400, 268}, {400, 267}},
                                           FootprintCase{"LabelRightEdge", Kind::Label, {451, 315}, {452, 315}},
                                           FootprintCase{"LabelLeftEdge", Kind::Label, {420, 300}, {419, 300}},
                                           FootprintCase{"PointLeftEdge", Kind::Point, {395, 400 - 100}, {394, 300}},
                                           FootprintCase{"PointBottomEdge", Kind::Point, {404, 304}, {404, 305}},
                                           FootprintCase{"LineBelow", Kind::Polyline, {425, 300}, {425, 301}},
                                           FootprintCase{"LineAbove", Kind::Polyline, {425, 299}, {425, 298}},
                                           FootprintCase{"LineEnd", Kind::Polyline, {450, 300}, {451, 300}}),
                         [](const auto& info) { return info.param.name; });

struct WinnerCase {
  std::string name;
  Vector2<int> first;  // window position of the point submitted first
  double firstDistance;
  Vector2<int> second;
  double secondDistance;
  Vector2<int> pick;  // 10 × 10 pick centred here
  bool firstWins;
};

class ScenePickWinnerTest : public ScenePickTest, public ::testing::WithParamInterface<WinnerCase> {};

TEST_P(ScenePickWinnerTest, NearestTheCentreThenTheEyeThenTheLastDrawn) {
  const WinnerCase& c = GetParam();
  auto points = std::make_shared<PointPrimitiveCollection>(&scene, false, std::nullopt);
  // 4 px points: they cover the window centre only when they stand on it.
  points->add(pointAt(atPixel(c.first, c.firstDistance), 4.0))->setId(std::string("first"));
  points->add(pointAt(atPixel(c.second, c.secondDistance), 4.0))->setId(std::string("second"));
  scene.getPrimitives().add(points);
  frame();
  const std::shared_ptr<PickObject> picked = scene.pick(c.pick, 10, 10).lock();
  ASSERT_TRUE(picked);
  EXPECT_EQ(std::get<std::string>(picked->getId()), c.firstWins ? "first" : "second");
  EXPECT_EQ(picked->getElement(), points->get(c.firstWins ? 0 : 1));
}

INSTANTIATE_TEST_SUITE_P(
    Rule, ScenePickWinnerTest,
    ::testing::Values(WinnerCase{"SamePlaceLastDrawnWins", {400, 300}, 1000.0, {400, 300}, 1000.0, {400, 300}, false},
                      WinnerCase{"SamePlaceNearerEyeWins", {400, 300}, 500.0, {400, 300}, 1000.0, {400, 300}, true},
                      WinnerCase{"CentreBeatsNearerEye", {400, 300}, 1000.0, {403, 300}, 500.0, {400, 300}, true},
                      WinnerCase{"CloserToCentreWins", {396, 300}, 500.0, {402, 300}, 1000.0, {401, 300}, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(ScenePickTest, PicksReadTheLastFrameAndKeepTheirResultUntilTheNextPick) {
  auto points = std::make_shared<PointPrimitiveCollection>(&scene, false, std::nullopt);
  PointPrimitive* point = points->add(pointAt(atPixel(kCentre), 10.0));
  scene.getPrimitives().add(points);
  EXPECT_TRUE(scene.pick(kCentre, 10, 10).expired()) << "nothing drawn before the first frame";
  frame();
  const std::weak_ptr<PickObject> first = scene.pick(kCentre, 10, 10);
  ASSERT_FALSE(first.expired());
  // Moving the point does not move what was drawn until the next frame.
  point->setPosition(atPixel({100, 100}));
  EXPECT_FALSE(scene.pick(kCentre, 10, 10).expired());
  EXPECT_TRUE(first.expired()) << "the scene keeps only the latest result";
  frame();
  EXPECT_TRUE(scene.pick(kCentre, 10, 10).expired());
  EXPECT_FALSE(scene.pick({100, 100}, 10, 10).expired());
  EXPECT_EQ(scene.getPickCount(), 5u);
  ASSERT_TRUE(scene.getLastPick());
  EXPECT_EQ(scene.getLastPick()->position, Vector2<int>(100, 100));
}

TEST_F(ScenePickTest, ARectangleListsEachObjectOnceInTheOrderDrawn) {
  auto points = std::make_shared<PointPrimitiveCollection>(&scene, false, std::nullopt);
  auto marks = std::make_shared<BillboardCollection>(&scene, false, std::nullopt);
  PointPrimitive* a = points->add(pointAt(atPixel({500, 400}), 10.0));
  Billboard* b = marks->add();
  b->setPosition(atPixel({300, 200}));
  PointPrimitive* c = points->add(pointAt(atPixel({310, 210}), 10.0));
  points->add(pointAt(atPixel({700, 500}), 10.0));  // outside the rectangle
  scene.getPrimitives().add(points);
  scene.getPrimitives().add(marks);
  frame();
  const std::vector<std::shared_ptr<PickObject>> found = scene.rectanglePick({250, 150}, 300, 300);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0]->getElement(), a);
  EXPECT_EQ(found[1]->getElement(), c);
  EXPECT_EQ(found[2]->getElement(), b);
  EXPECT_TRUE(scene.rectanglePick({250, 150}, 0, 300).empty());
}

TEST_F(ScenePickTest, DepthTestedThingsBeyondTheHorizonAreNotDrawn) {
  // A point on the far side of the Earth, straight behind the globe from the eye.
  const Vector3<double> eye = scene.getCamera().getPosition();
  auto tested = std::make_shared<PointPrimitiveCollection>(&scene, true, std::nullopt);
  auto overTerrain = std::make_shared<PointPrimitiveCollection>(&scene, false, std::nullopt);
  const Vector3<double> farSide = eye * -1.0;
  tested->add(pointAt(farSide, 10.0));
  overTerrain->add(pointAt(farSide, 10.0));
  const Vector3<double> near = atPixel(kCentre, 100.0);
  tested->add(pointAt(near, 10.0));
  scene.getPrimitives().add(tested);
  scene.getPrimitives().add(overTerrain);
  // Look at the far side through the Earth.
  scene.getCamera().setOrientation(
      Transforms::viewHeadingPitchRollToViewQuaternion(eye, {0.0, Math::toRadians(-90.0), 0.0}));
  frame();
  const std::span<const DrawItem> drawn = scene.getLastFrame().items();
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_FALSE(drawn[0].shown);
  EXPECT_TRUE(drawn[2].shown);
}

TEST_F(ScenePickTest, AFrameDrawnInTheSlotsOfAnEarlierOneKeepsNothingOfIt) {
  // A billboard, a label and a line, then in their place three plain points: the list
  // reuses its items across frames, and no image, text, id or path may outlive them.
  auto marks = std::make_shared<BillboardCollection>(&scene, false, std::nullopt);
  Billboard::ConstructorOptions mark;
  mark.position = atPixel(kCentre);
  mark.image = writePngHeader(kImageWidth, kImageHeight);
  mark.id = std::string("a billboard id too long to fit in place");
  marks->add(mark);
  auto labels = std::make_shared<LabelCollection>(&scene, false, std::nullopt);
  Label::ConstructorOptions text;
  text.position = atPixel(kCentre);
  text.text = "a label text too long to fit in place";
  labels->add(text);
  auto lines = std::make_shared<PolylineCollection>(&scene, false, std::nullopt, false);
  lines->add()->setPositions({atPixel({100, 100}), atPixel({200, 200})});
  for (const auto& c : std::initializer_list<std::shared_ptr<PrimitiveBase>>{marks, labels, lines}) {
    scene.getPrimitives().add(c);
  }
  frame();
  frame();
  for (const auto& c : std::initializer_list<std::shared_ptr<PrimitiveBase>>{marks, labels, lines}) {
    scene.getPrimitives().remove(*c);
  }
  auto points = std::make_shared<PointPrimitiveCollection>(&scene, false, std::nullopt);
  for (const Vector2<int> pixel : {Vector2<int>{300, 300}, Vector2<int>{400, 300}, Vector2<int>{500, 300}}) {
    points->add(pointAt(atPixel(pixel), 10.0));
  }
  scene.getPrimitives().add(points);
  for (int i = 0; i < 2; ++i) {  // both buffers of the list
    frame();
    const std::span<const DrawItem> drawn = scene.getLastFrame().items();
    ASSERT_EQ(drawn.size(), 3u);
    for (const DrawItem& item : drawn) {
      EXPECT_EQ(item.kind, DrawKind::Point);
      EXPECT_TRUE(item.image.empty());
      EXPECT_TRUE(item.text().empty());
      EXPECT_TRUE(item.path.empty());
      EXPECT_TRUE(std::holds_alternative<std::monostate>(item.id));
      EXPECT_EQ(item.primitive, points.get());
      EXPECT_TRUE(item.shown);
    }
  }
  // And a pick reads the points, not what stood there before.
  const std::shared_ptr<PickObject> picked = scene.pick(kCentre, 3, 3).lock();
  ASSERT_TRUE(picked);
  EXPECT_EQ(picked->getPrimitive(), points.get());
}

struct DepthCase {
  double depth;
  double eyeDistanceAlongView;  // expected, from the near and far planes
};

class DrawingBufferDepthTest : public ScenePickTest, public ::testing::WithParamInterface<double> {};

TEST_P(DrawingBufferDepthTest, APixelAndADepthGiveThePointOnThePixelsRay) {
  const Camera& camera = scene.getCamera();
  const double n = camera.getFrustum().near;
  const double f = camera.getFrustum().far;
  const double d = GetParam();
  // Perspective depth: d = f (z − n) / (z (f − n)), solved for the eye depth z.
  const double z = n * f / (f - d * (f - n));
  // Pixel (200, 450) from the top is (200, 150) from the bottom of the 600 px buffer.
  const std::optional<Vector3<double>> point =
      SceneTransforms::drawingBufferToWgs84Coordinates(scene, {200.0, 150.0}, d);
  ASSERT_TRUE(point);
  const std::optional<Vector2<double>> window = camera.worldToWindow(*point);
  ASSERT_TRUE(window);
  EXPECT_NEAR(window->x, 200.0, 1e-3);
  EXPECT_NEAR(window->y, 450.0, 1e-3);
  EXPECT_NEAR((*point - camera.getPosition()).dot(camera.getDirection()), z,
              z * 1e-7);  // the pick ray is aimed in single precision
}

INSTANTIATE_TEST_SUITE_P(Depths, DrawingBufferDepthTest, ::testing::Values(0.0, 0.1, 0.5, 0.999, 1.0));

TEST_F(ScenePickTest, DrawingBufferDepthOutsideZeroToOneGivesNothing) {
  for (const double d : {-0.01, 1.01, std::nan("")}) {
    EXPECT_FALSE(SceneTransforms::drawingBufferToWgs84Coordinates(scene, {200.0, 150.0}, d)) << d;
  }
}

TEST(DrawListGrid, ItemsReachingToInfinityArePickedWhereTheyCrossTheWindow) {
  // A line running off towards the horizon can project to an unbounded box: the grid
  // must still file it, and only by the cells it crosses inside the viewport.
  DrawList list;
  list.reset(800, 600);
  DrawItem wide;
  wide.kind = DrawKind::Point;
  wide.box = {100.0, 100.0, std::numeric_limits<double>::infinity(), 110.0};
  list.add(wide);
  DrawItem tall;
  tall.kind = DrawKind::Point;
  tall.box = {300.0, -1e300, 310.0, 1e300};
  list.add(tall);
  EXPECT_EQ(list.pick({700, 105}, 3, 3), std::optional<std::size_t>(0));
  EXPECT_EQ(list.pick({305, 500}, 3, 3), std::optional<std::size_t>(1));
  EXPECT_EQ(list.pick({50, 50}, 3, 3), std::nullopt);
  EXPECT_EQ(list.rectangle({0, 0}, 800, 600), (std::vector<std::size_t>{0, 1}));
}

}  // namespace
}  // namespace qel
