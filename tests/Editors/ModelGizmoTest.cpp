// The model editor's gizmo under the pointer: which part a hover finds and how it is
// painted, and what dragging each part does to the object, the four values and the
// changed event, with the camera left alone.

#include <algorithm>
#include <cmath>

#include "Common/Transforms.h"
#include "ModelEditorFixture.h"

namespace qel::test {
namespace {

using Kind = ModelEditorFixture::Kind;

// How far the eye stands from the gizmo's centre, in reaches: the whole gizmo in sight.
constexpr double kEyeDistance = 5.0;

/// The editor on a model or a tileset, and the camera placed to look at the gizmo from
/// a chosen side.
class GizmoFixture : public ModelEditorFixture {
 protected:
  void startOnWithGizmo(Kind kind) {
    startOn(kind);
    ASSERT_TRUE(gizmo().isComplete());
  }

  /// Half the box diagonal: the arrows' length and the ring's radius (metres, gizmo
  /// coordinates).
  double reach() const { return gizmo().getRingPoints().front().length(); }
  /// Half the box's sizes (gizmo coordinates), read off the corner (+x, +y, +z).
  Vector3<double> half() const { return gizmo().getCorners()->get(1)->get().position; }

  /// Places the eye on the side `towardEye` of the gizmo (in its own axes, any length)
  /// at `distance` times the reach, looking at its centre, and runs a frame.
  void lookFrom(const Vector3<double>& towardEye, double distance = kEyeDistance) {
    const Matrix4& g = gizmo().getModelMatrix();
    const Vector3<double> centre = g.getTranslation();
    // The gizmo's axes without their scale, and its largest scale for the distance.
    const Vector3<double> s = g.getScale();
    const Matrix3 turn = Matrix3::fromColumns(g.getColumn3(0) / s.x, g.getColumn3(1) / s.y, g.getColumn3(2) / s.z);
    const Vector3<double> out = (turn * towardEye).normalized();
    const Vector3<double> eye = centre + out * (distance * reach() * std::max({s.x, s.y, s.z}));
    // The view direction in the east-north-up frame at the eye.
    const Vector3<double> d = Transforms::eastNorthUpToFixedFrame(eye).inverse().multiplyByPointAsVector(-out);
    const double heading = Math::toDegrees(std::atan2(d.x, d.y));
    const double pitch = Math::toDegrees(std::atan2(d.z, std::hypot(d.x, d.y)));
    host.setPose(*Ellipsoid::WGS84.cartesianToCartographic(eye), heading, pitch);
    // The pose reaches the camera after the scene's frame work: one more frame draws
    // what the new view shows, which is what a pick reads.
    host.frame();
  }

  /// The window position of a point of the gizmo, asserted to be on screen.
  Vector2<float> screen(const Vector3<double>& local) const {
    const std::optional<Vector2<float>> w = windowOfLocal(local);
    EXPECT_TRUE(w);
    return w.value_or(Vector2<float>{});
  }
};

// ---------------------------------------------------------------------------------------
// Hover

struct HoverCase {
  const char* name;
  Kind kind;
  Vector3<double> towardEye;
  // Where the pointer rests, in units of the reach (x, y, z) or of the half box (h).
  Vector3<double> inReach;
  Vector3<double> inHalf;
  Controller expected;
};

// Each part is looked at from a side where the point hovered lies outside the object's
// silhouette, so that nothing of the object stands in front of or behind it on screen.
constexpr Vector3<double> kFromAbove{-0.15, -0.05, 1.0};
constexpr Vector3<double> kFromAboveY{-0.1, -0.3, 1.0};
constexpr Vector3<double> kFromTheSide{-1.0, -0.3, 0.4};
constexpr Vector3<double> kTowardCorner{1.0, -0.8, 0.6};

const HoverCase kHoverCases[] = {
    {"XArrow", Kind::Model, kFromAbove, {0.95, 0.0, 0.0}, {}, Controller::XAxis},
    {"YArrow", Kind::Model, kFromAboveY, {0.0, 0.95, 0.0}, {}, Controller::YAxis},
    {"ZArrow", Kind::Model, kFromTheSide, {0.0, 0.0, 0.85}, {}, Controller::ZAxis},
    {"Ring", Kind::Model, kFromAbove, {-1.0, 0.0, 0.0}, {}, Controller::Ring},
    {"Corner", Kind::Model, kTowardCorner, {}, {1.0, -1.0, 1.0}, Controller::Corner},
    {"ModelItself", Kind::Model, kFromAbove, {}, {-0.5, -0.5, 1.0}, Controller::Object},
    {"TilesetItself", Kind::Tileset, kFromAbove, {}, {-0.27, -0.33, 0.5}, Controller::Object},
    {"BoxOutline", Kind::Tileset, kFromAbove, {}, {-1.0, 0.0, 1.0}, Controller::None},
};

class GizmoHover : public GizmoFixture, public ::testing::TestWithParam<HoverCase> {};

TEST_P(GizmoHover, FindsThePartUnderThePointerAndPaintsItUntilThePointerLeaves) {
  const HoverCase& c = GetParam();
  startOnWithGizmo(c.kind);
  lookFrom(c.towardEye);
  const Vector3<double> h = half();
  const Vector3<double> local =
      c.inReach * reach() + Vector3<double>{c.inHalf.x * h.x, c.inHalf.y * h.y, c.inHalf.z * h.z};
  move(screen(local));
  EXPECT_EQ(impl().getController(), c.expected);

  // The highlight shows in the frame after the move.
  host.frame();
  const auto colourOf = [this, &c]() -> std::optional<Color> {
    switch (c.expected) {
      case Controller::XAxis:
      case Controller::YAxis:
      case Controller::ZAxis: return itemOf(ModelGizmo::axisId(c.expected))->color;
      case Controller::Ring: return itemOf(ModelGizmo::ringId())->color;
      default: return std::nullopt;
    }
  };
  if (const std::optional<Color> painted = colourOf()) {
    EXPECT_EQ(*painted, ModelGizmo::kHighlight);
  }
  if (c.expected == Controller::Corner) {
    int yellow = 0;
    for (const DrawItem* corner : cornerItems()) yellow += corner->color == ModelGizmo::kHighlight ? 1 : 0;
    EXPECT_EQ(yellow, 1);
  }
  // Nothing else is ever painted, the box outline least of all.
  EXPECT_EQ(itemOf(ModelGizmo::boxId())->color, Color::WHITE);

  // A pointer off the gizmo gives every part its own look back.
  move({3.0f, 3.0f});
  host.frame();
  EXPECT_EQ(impl().getController(), Controller::None);
  EXPECT_EQ(itemOf(ModelGizmo::axisId(Controller::XAxis))->color, Color::RED);
  EXPECT_EQ(itemOf(ModelGizmo::axisId(Controller::YAxis))->color, Color::GREEN);
  EXPECT_EQ(itemOf(ModelGizmo::axisId(Controller::ZAxis))->color, Color::BLUE);
  EXPECT_EQ(itemOf(ModelGizmo::ringId())->color, Color::BLUE);
  for (const DrawItem* corner : cornerItems()) EXPECT_EQ(corner->color, Color::GREEN);
}

INSTANTIATE_TEST_SUITE_P(Parts, GizmoHover, ::testing::ValuesIn(kHoverCases),
                         [](const ::testing::TestParamInfo<HoverCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------
// Drags

class GizmoDrag : public GizmoFixture, public ::testing::Test {
 protected:
  /// The last changed event carries the values the queries report.
  void expectLastChangeMatchesTheQueries() {
    ASSERT_FALSE(changes.empty());
    const ModelChange& last = changes.back();
    EXPECT_EQ(last.position, editor->getPosition());
    EXPECT_EQ(last.translation, editor->getTranslation());
    EXPECT_EQ(last.rotation, editor->getRotation());
    EXPECT_EQ(last.scale, editor->getScale());
    EXPECT_EQ(last.last, nullptr);
  }
};

struct AxisCase {
  const char* name;
  Controller axis;
  Vector3<double> towardEye;
  double turn;  // of the model about its vertical before the drag (radians)
};

const AxisCase kAxisCases[] = {
    {"X", Controller::XAxis, kFromAbove, 0.0},
    {"Y", Controller::YAxis, kFromAboveY, 0.0},
    {"Z", Controller::ZAxis, kFromTheSide, 0.0},
    {"XOfATurnedModel", Controller::XAxis, kFromAbove, 0.5},
};

class GizmoAxisDrag : public GizmoDrag, public ::testing::WithParamInterface<AxisCase> {};

TEST_P(GizmoAxisDrag, MovesTheObjectAlongThatLocalAxisByTheDistanceCovered) {
  const AxisCase& c = GetParam();
  startOnWithGizmo(Kind::Model);
  editor->rotate({Radian(0.0), Radian(0.0), Radian(c.turn)});
  host.frame();
  lookFrom(c.towardEye);
  Vector3<double> unit;
  (c.axis == Controller::XAxis ? unit.x : c.axis == Controller::YAxis ? unit.y : unit.z) = 1.0;
  // From near the arrow's tip, outside the model, on along the axis.
  const double covered = 0.3 * reach();
  const Vector3<double> from = unit * (0.92 * reach());
  const Vector3<double> to = unit * (0.92 * reach() + covered);
  // Where the object's local axis points in the fixed frame, read from the gizmo before
  // the drag moves it.
  const Vector3<double> axisWorld = gizmo().getModelMatrix().multiplyByPointAsVector(unit).normalized();
  const Vector3<double> centreBefore = at(editor->getPosition());
  const Vector3<double> eyeBefore = host.camera().getPosition();

  dragGizmo(screen(from), screen(to));

  EXPECT_NEAR(Vector3<double>(editor->getTranslation()).dot(unit), covered, 0.01);
  EXPECT_NEAR((editor->getTranslation() - unit * editor->getTranslation().dot(unit)).length(), 0.0, 1e-9);
  // The reference point moved along the axis; a horizontal move keeps the height.
  const Vector3<double> moved = at(editor->getPosition()) - centreBefore;
  EXPECT_NEAR(moved.dot(axisWorld), covered, 0.01);
  EXPECT_LT((moved - axisWorld * moved.dot(axisWorld)).length(), 0.01);
  ASSERT_EQ(changes.size(), 1u);
  expectLastChangeMatchesTheQueries();
  // The drag went to the gizmo, not to the camera.
  EXPECT_EQ(host.camera().getPosition(), eyeBefore);
}

INSTANTIATE_TEST_SUITE_P(Axes, GizmoAxisDrag, ::testing::ValuesIn(kAxisCases),
                         [](const ::testing::TestParamInfo<AxisCase>& info) { return info.param.name; });

TEST_F(GizmoDrag, AQuarterTurnCounterClockwiseAlongTheRingTurnsByMinusAQuarterAboutZ) {
  startOnWithGizmo(Kind::Model);
  lookFrom({-0.3, -0.4, 1.0});
  // Two ring vertices a quarter turn apart, counter-clockwise seen from above.
  const std::vector<Vector3<double>>& ring = gizmo().getRingPoints();
  const Vector3<double> from = ring[84];
  const Vector3<double> to = ring[9];
  const Vector3<double> eyeBefore = host.camera().getPosition();
  dragGizmo(screen(from), screen(to));
  EXPECT_NEAR(editor->getRotation().z.value(), -Math::PI / 2.0, 1e-6);
  EXPECT_EQ(editor->getRotation().x.value(), 0.0);
  EXPECT_NEAR(symbolOf(*model).getRotation().z.value(), -Math::PI / 2.0, 1e-6);
  ASSERT_EQ(changes.size(), 1u);
  expectLastChangeMatchesTheQueries();
  EXPECT_EQ(host.camera().getPosition(), eyeBefore);
}

struct CornerCase {
  const char* name;
  int sign;  // +1 away from the centre, −1 toward it
  double pixels;
  double expected;
};

const CornerCase kCornerCases[] = {
    {"TenPixelsAway", +1, 10.0, 1.05},
    {"TenPixelsToward", -1, 10.0, 0.95},
};

constexpr double kCornerEyeDistance = 2.0;

class GizmoCornerDrag : public GizmoDrag, public ::testing::WithParamInterface<CornerCase> {};

TEST_P(GizmoCornerDrag, ScalesAlikeByTheShareOfTheViewportCovered) {
  const CornerCase& c = GetParam();
  host.scene().setWindowSize(1000, 1000);
  startOnWithGizmo(Kind::Model);
  // Close enough that the corner stands a few hundred pixels from the centre.
  lookFrom(kTowardCorner, kCornerEyeDistance);
  const Vector3<double> h = half();
  const Vector2<float> corner = screen({h.x, -h.y, h.z});
  const Vector2<float> centre = screen({});
  // 10 px right or left and 10 px down or up, whichever leads away from (or toward) the
  // centre on both window axes.
  const float sx = (corner.x >= centre.x ? 1.0f : -1.0f) * static_cast<float>(c.sign);
  const float sy = (corner.y >= centre.y ? 1.0f : -1.0f) * static_cast<float>(c.sign);
  const auto step = static_cast<float>(c.pixels);
  dragGizmo(corner, {corner.x + sx * step, corner.y + sy * step});
  for (double factor : {editor->getScale().x, editor->getScale().y, editor->getScale().z}) {
    EXPECT_NEAR(factor, c.expected, 1e-9);
  }
  ASSERT_EQ(changes.size(), 1u);
  expectLastChangeMatchesTheQueries();
}

TEST_F(GizmoDrag, ShrinkingStopsWhereTheXScaleReachesTheSmallestAndTheOthersFollowAlike) {
  host.scene().setWindowSize(1000, 1000);
  startOnWithGizmo(Kind::Model);
  editor->setScale({0.0011, 1.0, 1.0});
  host.frame();
  lookFrom(kTowardCorner, kCornerEyeDistance);
  const Vector3<double> h = half();
  const Vector2<float> corner = screen({h.x, -h.y, h.z});
  const Vector2<float> centre = screen({});
  // 30 px toward the centre on both axes would shrink by 0.85: below the smallest x.
  const float sx = corner.x >= centre.x ? -30.0f : 30.0f;
  const float sy = corner.y >= centre.y ? -30.0f : 30.0f;
  dragGizmo(corner, {corner.x + sx, corner.y + sy});
  const double f = 0.001 / 0.0011;
  EXPECT_NEAR(editor->getScale().x, 0.001, 1e-12);
  EXPECT_NEAR(editor->getScale().y, f, 1e-12);
  EXPECT_NEAR(editor->getScale().z, f, 1e-12);
  EXPECT_EQ(changes.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Corners, GizmoCornerDrag, ::testing::ValuesIn(kCornerCases),
                         [](const ::testing::TestParamInfo<CornerCase>& info) { return info.param.name; });

TEST_F(GizmoDrag, AModelDraggedItselfFollowsTheGlobeAtItsHeight) {
  startOnWithGizmo(Kind::Model);
  lookFrom(kFromAbove, 8.0);
  const Vector3<double> h = half();
  const Vector2<float> from = screen({-0.5 * h.x, -0.5 * h.y, h.z});
  const Vector2<float> to{from.x + 40.0f, from.y - 25.0f};
  const Cartographic before = editor->getPosition();
  // Where the pointer's rays meet the sphere through the model, by the host's camera.
  const double radius = at(before).length();
  const std::optional<Vector3<double>> a = host.sphereUnder(from, radius);
  const std::optional<Vector3<double>> b = host.sphereUnder(to, radius);
  ASSERT_TRUE(a && b);
  const Cartographic ca = *Ellipsoid::WGS84.cartesianToCartographic(*a);
  const Cartographic cb = *Ellipsoid::WGS84.cartesianToCartographic(*b);
  const Vector3<double> eyeBefore = host.camera().getPosition();

  dragGizmo(from, to);
  const Cartographic after = pointOf(*model).getPosition();
  EXPECT_NEAR(after.longitude - before.longitude, cb.longitude - ca.longitude, 1e-10);
  EXPECT_NEAR(after.latitude - before.latitude, cb.latitude - ca.latitude, 1e-10);
  EXPECT_EQ(after.height, before.height);
  EXPECT_EQ(editor->getPosition(), after);
  ASSERT_EQ(changes.size(), 1u);
  expectLastChangeMatchesTheQueries();
  EXPECT_EQ(host.camera().getPosition(), eyeBefore);
}

TEST_F(GizmoDrag, ATilesetDraggedItselfStaysAndTheCameraTakesTheDrag) {
  startOnWithGizmo(Kind::Tileset);
  lookFrom(kFromAbove);
  const Vector3<double> h = half();
  const Vector2<float> from = screen({-0.27 * h.x, -0.33 * h.y, 0.5 * h.z});
  move(from);
  ASSERT_EQ(impl().getController(), Controller::Object);
  const Matrix4 before = tiles->modelMatrix;
  const Vector3<double> eyeBefore = host.camera().getPosition();
  press(from);
  dragTo({from.x + 60.0f, from.y + 30.0f});
  dragTo({from.x + 120.0f, from.y + 60.0f});
  release({from.x + 120.0f, from.y + 60.0f});
  EXPECT_EQ(tiles->modelMatrix, before);
  EXPECT_TRUE(changes.empty());
  EXPECT_NE(host.camera().getPosition(), eyeBefore);
}

TEST_F(GizmoDrag, ADragWithNothingUnderThePointerLeavesTheObjectToTheCamera) {
  startOnWithGizmo(Kind::Model);
  lookFrom(kFromAbove);
  const Cartographic before = editor->getPosition();
  const Vector3<double> eyeBefore = host.camera().getPosition();
  dragGizmo({20.0f, 20.0f}, {80.0f, 60.0f});
  EXPECT_EQ(editor->getPosition(), before);
  EXPECT_TRUE(changes.empty());
  EXPECT_NE(host.camera().getPosition(), eyeBefore);
}

TEST_F(GizmoDrag, AnArrowSeenEndOnMissesAndChangesNothing) {
  // Hovered from the side, then dragged from straight above, where every pick ray runs
  // along the z arrow: no closest point, no step, no event.
  startOnWithGizmo(Kind::Model);
  lookFrom(kFromTheSide);
  move(screen({0.0, 0.0, 0.85 * reach()}));
  ASSERT_EQ(impl().getController(), Controller::ZAxis);
  const Vector3<double> centre = gizmo().getModelMatrix().getTranslation();
  const Cartographic above = *Ellipsoid::WGS84.cartesianToCartographic(
      Transforms::eastNorthUpToFixedFrame(centre).multiplyByPoint({0.0, 0.0, 5.0 * reach()}));
  host.setPose(above, 0.0, -90.0);
  host.frame();
  const Vector2<float> middle = screen({});
  press(middle);
  dragTo(middle);
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(editor->getTranslation(), (Vector3<double>{}));
}

}  // namespace
}  // namespace qel::test
