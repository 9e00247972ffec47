// The rubber band's measurements: label texts for known geometry, the angle at the last
// vertex, and the ground distance over a ridge against the ridge's own profile.

#include <gtest/gtest.h>

#include <cmath>

#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"
#include "Manipulator/Measure.h"
#include "Scene/GlobeImpl.h"
#include "Support/PolylineEditorFixture.h"

namespace qel::test {
namespace {

const Cartographic kOrigin = Cartographic::fromDegrees(116.0, 40.0, 0.0);

// The point `east`, `north`, `up` metres from `origin` in its east-north-up frame.
Vector3<double> offset(const Cartographic& origin, double east, double north, double up) {
  const Vector3<double> a = Ellipsoid::WGS84.cartographicToCartesian(origin);
  return Transforms::eastNorthUpToFixedFrame(a).multiplyByPoint({east, north, up});
}

struct TextCase {
  const char* name;
  double east;
  double north;
  double up;
  HeightReference reference;
  std::optional<double> distance;  // empty: the straight distance
  const char* expected;
};

class MeasureTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(MeasureTextTest, ShowsWhatTheUserReads) {
  const TextCase& c = GetParam();
  const Vector3<double> a = Ellipsoid::WGS84.cartographicToCartesian(kOrigin);
  const Vector3<double> b = offset(kOrigin, c.east, c.north, c.up);
  const double distance = c.distance.value_or(Vector3<double>::distance(a, b));
  EXPECT_EQ(Measure::measureText(a, b, c.reference, distance), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, MeasureTextTest,
    ::testing::Values(
        TextCase{"eastAndUp", 100, 0, 10, HeightReference::None, std::nullopt,
                 "平距：100.50\n高差：10.00\n坡度：9.95%\n方位角：90.00°\n距离：100.50米"},
        TextCase{"north", 0, 100, 0, HeightReference::None, std::nullopt,
                 "平距：100.00\n高差：0.00\n坡度：0.00%\n方位角：0.00°\n距离：100.00米"},
        TextCase{"west", -100, 0, 0, HeightReference::ClampToGround, std::nullopt, "方位角：270.00°\n距离：100.00米"},
        TextCase{"kilometres", 100, 0, 0, HeightReference::ClampToTerrain, 1500.0, "方位角：90.00°\n距离：1.50千米"},
        TextCase{"justUnderAKilometre", 100, 0, 0, HeightReference::ClampToTerrain, 999.0,
                 "方位角：90.00°\n距离：999.00米"},
        TextCase{"exactlyAKilometre", 100, 0, 0, HeightReference::ClampToTerrain, 1000.0,
                 "方位角：90.00°\n距离：1000.00米"}),
    [](const auto& info) { return std::string(info.param.name); });

struct AngleCase {
  const char* name;
  double pEast, pNorth, bEast, bNorth;
  HeightReference reference;
  double expected;
};

class IncludedAngleTest : public ::testing::TestWithParam<AngleCase> {};

TEST_P(IncludedAngleTest, MeasuresTheTurnAtTheLastVertex) {
  const AngleCase& c = GetParam();
  const Vector3<double> a = Ellipsoid::WGS84.cartographicToCartesian(kOrigin);
  const double angle = Measure::includedAngle(offset(kOrigin, c.pEast, c.pNorth, 0.0), a,
                                              offset(kOrigin, c.bEast, c.bNorth, 0.0), c.reference);
  EXPECT_NEAR(angle, c.expected, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(
    Turns, IncludedAngleTest,
    ::testing::Values(AngleCase{"straightOn", -100, 0, 100, 0, HeightReference::None, 180.0},
                      AngleCase{"straightOnDraped", -100, 0, 100, 0, HeightReference::ClampToTerrain, 180.0},
                      AngleCase{"rightTurn", -100, 0, 0, 100, HeightReference::None, 90.0},
                      AngleCase{"rightTurnDraped", -100, 0, 0, 100, HeightReference::ClampToTerrain, 90.0},
                      AngleCase{"leftTurn", -100, 0, 0, -100, HeightReference::None, 270.0},
                      AngleCase{"leftTurnDraped", -100, 0, 0, -100, HeightReference::ClampToGround, 270.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MeasureAngleText, StraightOnReads180) { EXPECT_EQ(Measure::angleText(180.0), "夹角：180.00°\n"); }

// A triangular ridge 100 m high and 500 m wide across the middle of a 1 km line running
// east: its profile is 250 m flat, two slopes of √(250² + 100²) m, 250 m flat.
TEST(MeasureGroundDistance, FollowsARidgeWithinOnePercent) {
  const double metresPerRadian = Ellipsoid::WGS84.getRadii().x * std::cos(kOrigin.latitude);
  const double length = 1000.0;
  const double middle = kOrigin.longitude + 0.5 * length / metresPerRadian;
  GlobeImpl globe;
  globe.setTerrain(Terrain::createFromFunction(
      [=](double lon, double) { return 100.0 * std::max(0.0, 1.0 - std::abs(lon - middle) * metresPerRadian / 250.0); },
      0.0, 100.0));
  globe.getSurface().tileLevel = 16;
  const Vector3<double> a = Ellipsoid::WGS84.cartographicToCartesian(kOrigin);
  const Vector3<double> b =
      Ellipsoid::WGS84.cartographicToCartesian({kOrigin.longitude + length / metresPerRadian, kOrigin.latitude, 0.0});
  const double profile = 500.0 + 2.0 * std::hypot(250.0, 100.0);
  EXPECT_NEAR(Measure::groundDistance(globe, a, b), profile, 0.01 * profile);
  // Coarse enough that the line is a single piece: the straight distance.
  globe.getSurface().tileLevel = 0;
  EXPECT_NEAR(Measure::groundDistance(globe, a, b), Vector3<double>::distance(a, b), 1e-6);
}

// The labels as drawn while a line is being drawn.
class MeasureLabelsTest : public PolylineEditorFixture {};

TEST_F(MeasureLabelsTest, AngleLabelAppearsAtTheSecondVertex) {
  editor->startEditing(nullptr);
  click(300, 300);
  click(400, 300);
  move(500, 300);
  ASSERT_NE(impl().getAngleLabel(), nullptr);
  EXPECT_TRUE(impl().getAngleLabel()->isShow());
  EXPECT_EQ(impl().getAngleLabel()->get().text, "夹角：180.00°\n");
  const std::string& text = impl().getMeasureLabel()->get().text;
  EXPECT_EQ(text.rfind("平距：", 0), 0u);
  EXPECT_NE(text.find("方位角：90.00°"), std::string::npos);
  // Drawn with the label look at this DPI scale.
  EXPECT_EQ(impl().getMeasureLabel()->get().font, "宋体");
  EXPECT_DOUBLE_EQ(impl().getMeasureLabel()->get().fontSize, 12.0);
  EXPECT_DOUBLE_EQ(impl().getMeasureLabel()->get().backgroundPadding, 11.0);
}

}  // namespace
}  // namespace qel::test
