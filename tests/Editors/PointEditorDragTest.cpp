// Moving an edited point with the point editor through the viewer's frame loop: over
// the globe under the pointer, up and down with its height handles, through each height
// reference, and following what the application changes meanwhile.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>

#include "Common/Math.h"
#include "PointEditorFixture.h"

namespace qel::test {
namespace {

constexpr double kMillimetre = 1e-3;
constexpr double kTerrain = 500.0;   // flat terrain of the height-reference cases
constexpr double kOwnHeight = 20.0;  // the geometry's own height in those cases

Cartographic cartographicOf(const Vector3<double>& p) { return *Ellipsoid::WGS84.cartesianToCartographic(p); }

// ---------------------------------------------------------------------------------------
// Height references

struct ReferenceCase {
  const char* name;
  HeightReference reference;
  bool handlesShown;
  double shownHeight;        // where the point is drawn (and the handles stand) before a drag
  double geometryAfterStep;  // the geometry's height after one drag step
  double handlesAfterStep;   // where the handles stand after it
};

class PointEditorReferences : public ::testing::TestWithParam<ReferenceCase>, public PointEditorFixture {
 protected:
  PointEditorReferences() : PointEditorFixture(kTerrain) {}
  void SetUp() override { host.setPose(Cartographic::fromDegrees(116.0, 40.0, kTerrain + 1000.0), 0.0, -90.0); }
};

TEST_P(PointEditorReferences, HandlesAndDragStepsReadHeightsThroughTheStyle) {
  const ReferenceCase& c = GetParam();
  const std::shared_ptr<Feature::Feature> feature = addPoint(Cartographic::fromDegrees(116.0, 40.0, kOwnHeight));
  editor->startEditing(feature);
  host.frame();
  ASSERT_TRUE(handlesShown());

  // The application switches the edited point's height reference.
  feature->getStyle()->setHeightReference(c.reference);
  host.frame(2);
  EXPECT_EQ(handlesShown(), c.handlesShown);
  const std::optional<Vector3<double>> drawn = drawnAt(*feature);
  ASSERT_TRUE(drawn);
  EXPECT_NEAR(cartographicOf(*drawn).height, c.shownHeight, kMillimetre);
  if (c.handlesShown) {
    EXPECT_NEAR(cartographicOf(handleItem("moveUp")->position).height, c.shownHeight, kMillimetre);
  }

  press(400, 300);
  dragTo(420, 300);
  ASSERT_EQ(changed.size(), 1u);
  const Cartographic written = pointOf(*feature).getPosition();
  EXPECT_NEAR(written.height, c.geometryAfterStep, kMillimetre);
  EXPECT_GT(written.longitude, Math::toRadians(116.0));  // it did move east
  EXPECT_EQ(handlesShown(), c.handlesShown);
  if (c.handlesShown) {
    const Cartographic handle = cartographicOf(handleItem("moveDown")->position);
    EXPECT_NEAR(handle.height, c.handlesAfterStep, kMillimetre);
    // Heights are read through the reference; the place on the globe stays.
    EXPECT_NEAR(handle.longitude, written.longitude, 1e-12);
    EXPECT_NEAR(handle.latitude, written.latitude, 1e-12);
  }
  release(420, 300);
  EXPECT_TRUE(sink->records().empty());
}

// A relative reference adds the surface height twice in a drag: the step writes the
// adjusted height (surface + own height) into the geometry, and the editor then reads
// that back through the reference once more for its handles.
INSTANTIATE_TEST_SUITE_P(
    References, PointEditorReferences,
    ::testing::Values(ReferenceCase{"None", HeightReference::None, true, kOwnHeight, kOwnHeight, kOwnHeight},
                      ReferenceCase{"ClampToGround", HeightReference::ClampToGround, false, kTerrain, kTerrain, 0.0},
                      ReferenceCase{"RelativeToGround", HeightReference::RelativeToGround, true, kTerrain + kOwnHeight,
                                    kTerrain + kOwnHeight, 2.0 * kTerrain + kOwnHeight},
                      ReferenceCase{"ClampToTerrain", HeightReference::ClampToTerrain, false, kTerrain, kTerrain, 0.0},
                      ReferenceCase{"RelativeToTerrain", HeightReference::RelativeToTerrain, true,
                                    kTerrain + kOwnHeight, kTerrain + kOwnHeight, 2.0 * kTerrain + kOwnHeight},
                      ReferenceCase{"ClampTo3DTile", HeightReference::ClampTo3DTile, false, kTerrain, kTerrain, 0.0},
                      ReferenceCase{"RelativeTo3DTile", HeightReference::RelativeTo3DTile, true, kTerrain + kOwnHeight,
                                    kTerrain + kOwnHeight, 2.0 * kTerrain + kOwnHeight}),
    [](const ::testing::TestParamInfo<ReferenceCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// Over the globe

struct HorizontalCase {
  const char* name;
  double longitude;     // degrees; the point and the eye stand here
  double range;         // metres from the eye down to the point
  Vector2<float> step;  // pixels per drag event
};

class PointEditorHorizontal : public ::testing::TestWithParam<HorizontalCase>, public PointEditorFixture {};

TEST_P(PointEditorHorizontal, ThePointKeepsItsOffsetToThePointer) {
  constexpr int kSteps = 10;
  constexpr double kTolerancePx = 2.0;
  const HorizontalCase& c = GetParam();
  host.setPose(Cartographic::fromDegrees(c.longitude, 40.0, c.range), 0.0, -90.0);
  const std::shared_ptr<Feature::Feature> feature = addPoint(Cartographic::fromDegrees(c.longitude, 40.0, 0.0));
  editor->startEditing(feature);
  host.frame();

  const Vector2<double> start = *host.windowOf(at(pointOf(*feature).getPosition()));
  const Vector2<float> pressAt{std::trunc(static_cast<float>(start.x)), std::trunc(static_cast<float>(start.y))};
  const Vector2<double> offset = start - Vector2<double>(pressAt.x, pressAt.y);
  const Vector3<double> eye = host.camera().getPosition();
  press(pressAt.x, pressAt.y);
  for (int i = 1; i <= kSteps; ++i) {
    const Vector2<float> pointer = pressAt + c.step * static_cast<float>(i);
    dragTo(pointer.x, pointer.y);
    const std::optional<Vector2<double>> now = host.windowOf(at(pointOf(*feature).getPosition()));
    ASSERT_TRUE(now);
    const Vector2<double> expected = Vector2<double>(pointer.x, pointer.y) + offset;
    EXPECT_LE(std::hypot(now->x - expected.x, now->y - expected.y), kTolerancePx) << "step " << i;
  }
  // A step that moves nothing still reports.
  const Cartographic before = pointOf(*feature).getPosition();
  const Vector2<float> last = pressAt + c.step * static_cast<float>(kSteps);
  dragTo(last.x, last.y);
  EXPECT_EQ(pointOf(*feature).getPosition().longitude, before.longitude);
  release(last.x, last.y);

  ASSERT_EQ(changed.size(), static_cast<std::size_t>(kSteps + 1));
  for (const ChangedRecord& r : changed) {
    EXPECT_EQ(r.geometry, feature->getGeometry());
    EXPECT_EQ(r.index, 0);
    EXPECT_EQ(r.kind, -1);
  }
  EXPECT_EQ(host.camera().getPosition(), eye);  // the editor took the drag
  const Cartographic end = pointOf(*feature).getPosition();
  EXPECT_NEAR(end.height, 0.0, kMillimetre);
  EXPECT_GT(end.longitude, -Math::PI);
  EXPECT_LE(end.longitude, Math::PI);
}

INSTANTIATE_TEST_SUITE_P(Ranges, PointEditorHorizontal,
                         ::testing::Values(HorizontalCase{"Range1km", 116.0, 1000.0, {30.0f, 0.0f}},
                                           HorizontalCase{"Range50km", 116.0, 50000.0, {-21.0f, 21.0f}},
                                           // 250 m west of the antimeridian; 300 px east is about 400 m.
                                           HorizontalCase{"AcrossTheAntimeridian", 179.997, 1000.0, {30.0f, 0.0f}}),
                         [](const ::testing::TestParamInfo<HorizontalCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(PointEditorAntimeridian, TheLongitudeWrapsToTheWesternHemisphere) {
  PointEditorFixture t;
  t.host.setPose(Cartographic::fromDegrees(179.997, 40.0, 1000.0), 0.0, -90.0);
  const std::shared_ptr<Feature::Feature> feature = t.addPoint(Cartographic::fromDegrees(179.997, 40.0, 0.0));
  t.editor->startEditing(feature);
  t.host.frame();
  t.host.drag(Button::LEFT_MOUSE_BUTTON, {400, 300}, {700, 300}, 10);
  EXPECT_LT(PointEditorFixture::pointOf(*feature).getPosition().longitude, Math::toRadians(-179.99));
}

class PointEditorDrag : public ::testing::Test, public PointEditorFixture {
 protected:
  void SetUp() override { host.setPose(Cartographic::fromDegrees(116.0, 40.0, 1000.0), 0.0, -90.0); }
};

TEST_F(PointEditorDrag, APressOffThePointDeselectsAndTheCameraTakesTheDrag) {
  const Cartographic place = Cartographic::fromDegrees(116.0, 40.0, 0.0);
  const std::shared_ptr<Feature::Feature> feature = addPoint(place);
  editor->startEditing(feature);
  host.frame();
  const Vector3<double> eye = host.camera().getPosition();
  host.drag(Button::LEFT_MOUSE_BUTTON, {600, 200}, {500, 250}, 5);
  EXPECT_FALSE(impl().isSelected());
  EXPECT_GT(Vector3<double>::distance(host.camera().getPosition(), eye), 1.0);
  EXPECT_EQ(pointOf(*feature).getPosition().longitude, place.longitude);
  EXPECT_TRUE(changed.empty());
  EXPECT_FALSE(handleItem("moveUp") != nullptr && handleItem("moveUp")->shown);
}

// ---------------------------------------------------------------------------------------
// Up and down

struct HandleCase {
  const char* name;
  const char* handle;
  float pointerDown;  // pixels the pointer moves down (negative: up)
};

class PointEditorHandles : public ::testing::TestWithParam<HandleCase>, public PointEditorFixture {
 protected:
  void SetUp() override {
    // Looking north and down at 45°, so that a metre up is a step up in the window.
    host.setPose(Cartographic::fromDegrees(116.0, 39.99, 1000.0), 0.0, -45.0);
    place = cartographicOf(*host.globeUnder({400, 300}));
    place.height = 0.0;
    feature = addPoint(place);
    editor->startEditing(feature);
    host.frame();
  }

  // Metres per window pixel at the point's depth, from the window step of a point 1 m
  // below it.
  double metresPerPixel() const {
    Cartographic lower = place;
    lower.height -= 1.0;
    return 1.0 / (host.windowOf(at(lower))->y - host.windowOf(at(place))->y);
  }
  Vector2<float> centreOf(const char* handle) const {
    const WindowBox& box = handleItem(handle)->box;
    return {static_cast<float>(std::trunc(0.5 * (box.x0 + box.x1))),
            static_cast<float>(std::trunc(0.5 * (box.y0 + box.y1)))};
  }

  Cartographic place;
  std::shared_ptr<Feature::Feature> feature;
};

TEST_P(PointEditorHandles, DraggingAHandleMovesThePointByTheMetresPerPixelAtItsDepth) {
  const HandleCase& c = GetParam();
  ASSERT_TRUE(handlesShown());
  EXPECT_LT(Vector3<double>::distance(handleItem("moveUp")->position, at(place)), kMillimetre);
  const DrawItem& up = *handleItem("moveUp");
  const DrawItem& down = *handleItem("moveDown");
  const Vector2<double> point = *host.windowOf(at(place));
  EXPECT_LT(up.box.y1, point.y);    // the raise handle stands above the point
  EXPECT_GT(down.box.y0, point.y);  // the lower handle hangs below it

  const double k = metresPerPixel();
  const Vector3<double> eye = host.camera().getPosition();
  const Vector2<float> grab = centreOf(c.handle);
  press(grab.x, grab.y);
  dragTo(grab.x, grab.y + c.pointerDown);
  release(grab.x, grab.y + c.pointerDown);

  const Cartographic now = pointOf(*feature).getPosition();
  const double expected = place.height - c.pointerDown * k;
  EXPECT_NEAR(now.height, expected, 1e-3 * std::abs(expected - place.height));
  EXPECT_NEAR(now.longitude, place.longitude, 1e-12);
  EXPECT_NEAR(now.latitude, place.latitude, 1e-12);
  EXPECT_EQ(host.camera().getPosition(), eye);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_NEAR(cartographicOf(handleItem("moveUp")->position).height, now.height, kMillimetre);
}

INSTANTIATE_TEST_SUITE_P(Handles, PointEditorHandles,
                         ::testing::Values(HandleCase{"UpHandleDraggedDownLowers", "moveUp", 10.0f},
                                           HandleCase{"UpHandleDraggedUpRaises", "moveUp", -10.0f},
                                           HandleCase{"DownHandleDraggedDownLowers", "moveDown", 10.0f}),
                         [](const ::testing::TestParamInfo<HandleCase>& info) { return std::string(info.param.name); });

TEST_P(PointEditorHandles, AClickOnAHandleLeavesTheNextDragVertical) {
  const Vector2<float> grab = centreOf(GetParam().handle);
  click(grab.x, grab.y);
  const double k = metresPerPixel();
  const Vector2<double> point = *host.windowOf(at(place));
  const Vector2<float> onPoint{std::trunc(static_cast<float>(point.x)), std::trunc(static_cast<float>(point.y))};
  host.drag(Button::LEFT_MOUSE_BUTTON, onPoint, {onPoint.x, onPoint.y + 10.0f}, 1);
  const Cartographic now = pointOf(*feature).getPosition();
  EXPECT_NEAR(now.height, place.height - 10.0 * k, 1e-3 * 10.0 * std::abs(k));
  EXPECT_NEAR(now.longitude, place.longitude, 1e-12);
}

// ---------------------------------------------------------------------------------------
// Following the application

TEST_F(PointEditorDrag, AnOutsideMoveFromAnotherThreadReachesTheHandlesAfterTheNextDrain) {
  host.viewer().registerMainThread();
  const std::shared_ptr<Feature::Feature> feature = addPoint(Cartographic::fromDegrees(116.0, 40.0, 0.0));
  editor->startEditing(feature);
  host.frame();
  const Cartographic moved = Cartographic::fromDegrees(116.001, 40.0005, 30.0);
  std::thread application([&] { pointOf(*feature).setPosition(moved); });
  application.join();
  EXPECT_GT(Vector3<double>::distance(handleItem("moveUp")->position, at(moved)), 1.0);
  host.frame();
  EXPECT_LT(Vector3<double>::distance(handleItem("moveUp")->position, at(moved)), kMillimetre);
  EXPECT_TRUE(changed.empty());
}

TEST_F(PointEditorDrag, AGroupTakenOutOfTheSceneEndsTheEditingSilently) {
  auto group = std::make_shared<Feature::FeatureGroup>();
  rootGroup().add(group);
  auto feature = std::make_shared<Feature::Feature>();
  feature->setGeometry(std::make_shared<Feature::PointGeometry>(Cartographic::fromDegrees(116.0, 40.0, 0.0)));
  feature->setStyle(dotStyle());
  group->add(feature);
  editor->startEditing(feature);
  host.frame();
  ASSERT_TRUE(handlesShown());

  rootGroup().remove(*group);
  host.frame();
  EXPECT_EQ(impl().getFeature(), nullptr);
  EXPECT_EQ(handleItem("moveUp"), nullptr);
  EXPECT_TRUE(stopped.empty());
  host.drag(Button::LEFT_MOUSE_BUTTON, {400, 300}, {450, 300}, 3);
  EXPECT_TRUE(changed.empty());
}

}  // namespace
}  // namespace qel::test
