// Undo snapshots: a cloned feature is a free-standing copy, and assigning it back
// restores the content into the very geometry and style objects an editor follows,
// telling their listeners only of what really changed.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Common/Ellipsoid.h"
#include "Data/DataSourceDisplay.h"
#include "Feature/CircleGeometry.h"
#include "Feature/ColorMaterial.h"
#include "Feature/Feature.h"
#include "Feature/FeatureGroup.h"
#include "Feature/PointGeometry.h"
#include "Feature/PointStyle.h"
#include "Feature/PolygonGeometry.h"
#include "Feature/PolygonStyle.h"
#include "Feature/PolylineGeometry.h"
#include "Feature/PolylineStyle.h"
#include "Feature/RectangleGeometry.h"
#include "Scene/SceneImpl.h"

namespace qel {
namespace {

using namespace Feature;

const Cartographic kA = Cartographic::fromDegrees(10.0, 20.0, 5.0);
const Cartographic kB = Cartographic::fromDegrees(10.5, 20.5, 7.0);
const Cartographic kC = Cartographic::fromDegrees(11.0, 20.0, 0.0);
const std::vector<Cartographic> kLine{kA, kB};
const std::vector<Cartographic> kLongerLine{kA, kB, kC};
const PolygonHierarchy kTriangle{{kA, kB, kC}, {}};
const PolygonHierarchy kTriangleWithHole{{kA, kB}, {{kC}}};

// A geometry of one kind, and a change of its definition.
struct GeometryCase {
  std::string name;
  std::function<std::shared_ptr<Geometry>()> make;
  std::function<void(Geometry&)> change;
};

std::string geometryName(const ::testing::TestParamInfo<GeometryCase>& info) { return info.param.name; }
void PrintTo(const GeometryCase& c, std::ostream* os) { *os << c.name; }

const std::vector<GeometryCase> kGeometries = {
    {"Point", [] { return std::make_shared<PointGeometry>(kA); },
     [](Geometry& g) { static_cast<PointGeometry&>(g).setPosition(kB); }},
    {"Polyline", [] { return std::make_shared<PolylineGeometry>(kLine); },
     [](Geometry& g) { static_cast<PolylineGeometry&>(g).setPositions(kLongerLine); }},
    {"Polygon", [] { return std::make_shared<PolygonGeometry>(kTriangle); },
     [](Geometry& g) { static_cast<PolygonGeometry&>(g).setHierarchy(kTriangleWithHole); }},
    {"Rectangle", [] { return std::make_shared<RectangleGeometry>(GlobeRectangle(0.1, 0.2, 0.3, 0.4), 10.0); },
     [](Geometry& g) { static_cast<RectangleGeometry&>(g).setHeight(20.0); }},
    {"Circle", [] { return std::make_shared<CircleGeometry>(kA, 100.0); },
     [](Geometry& g) { static_cast<CircleGeometry&>(g).setRadius(50.0); }},
};

class FeatureSnapshotTest : public ::testing::TestWithParam<GeometryCase> {
 protected:
  void SetUp() override {
    geometry = GetParam().make();
    feature->setGeometry(geometry);
    feature->setStyle(style);
    auto line = std::make_shared<LineSymbol>();
    line->setMaterial(material);
    style->setLineSymbol(line);
    group->add(feature);
    geometryHandle = geometry->_addDefinitionChangedEventListener([this] { ++geometryHeard; });
    styleHandle = style->_addDefinitionChangedEventListener([this] { ++styleHeard; });
  }

  std::shared_ptr<FeatureGroup> group = std::make_shared<FeatureGroup>();
  std::shared_ptr<Feature::Feature> feature = std::make_shared<Feature::Feature>(42);
  std::shared_ptr<Geometry> geometry;
  std::shared_ptr<PolylineStyle> style = std::make_shared<PolylineStyle>(HeightReference::ClampToGround);
  std::shared_ptr<ColorMaterial> material = std::make_shared<ColorMaterial>(0.5f, 1.0f, 0.5f, 1.0f);
  int geometryHeard = 0;
  int styleHeard = 0;
  std::weak_ptr<FunctionWrapper> geometryHandle;
  std::weak_ptr<FunctionWrapper> styleHandle;
};

TEST_P(FeatureSnapshotTest, ACloneIsFreeStandingAndUntouchedByLaterChanges) {
  const std::shared_ptr<FeatureBase> base(feature->clone());
  auto* snapshot = base->_asFeature();
  ASSERT_TRUE(snapshot);
  EXPECT_FALSE(snapshot->getId());
  EXPECT_FALSE(snapshot->getParent());
  EXPECT_EQ(feature->getParent(), group) << "the original stays in its group";
  ASSERT_TRUE(snapshot->getGeometry());
  ASSERT_TRUE(snapshot->getStyle());
  EXPECT_NE(snapshot->getGeometry(), geometry);
  EXPECT_NE(snapshot->getStyle(), style);
  EXPECT_EQ(snapshot->getGeometry()->getType(), geometry->getType());
  EXPECT_EQ(snapshot->getStyle()->getHeightReference(), HeightReference::ClampToGround);

  GetParam().change(*geometry);
  material->setColor({1.0f, 0.0f, 0.0f, 1.0f});
  EXPECT_EQ(geometryHeard, 1);
  EXPECT_EQ(styleHeard, 1);
  // Assigning the snapshot back must now change something, which a shared geometry or
  // material would not.
  geometryHeard = styleHeard = 0;
  *feature = *snapshot;
  EXPECT_EQ(geometryHeard, 1) << "the restored definition differs from the changed one";
  EXPECT_EQ(feature->getGeometry(), geometry) << "an editor following the geometry keeps it";
  EXPECT_EQ(feature->getStyle(), style);
  EXPECT_EQ(feature->getId(), 42);
  const auto* restored = dynamic_cast<const ColorMaterial*>(
      style->getLineSymbol() ? style->getLineSymbol()->getMaterial().get() : nullptr);
  ASSERT_TRUE(restored);
  EXPECT_EQ(restored->getColor(), (Color{0.5f, 1.0f, 0.5f, 1.0f}));
  // Restored twice: the second time nothing differs and nobody is told.
  geometryHeard = 0;
  *feature = *snapshot;
  EXPECT_EQ(geometryHeard, 0);
  // And the restored definition is the snapshot's: changing it again is heard once more.
  GetParam().change(*geometry);
  EXPECT_EQ(geometryHeard, 1);
  // Once its handle is invoked, a geometry's listener hears no more.
  ASSERT_TRUE(geometryHandle.lock());
  (*geometryHandle.lock())();
  *feature = *snapshot;
  EXPECT_EQ(geometryHeard, 1);
}

INSTANTIATE_TEST_SUITE_P(Geometries, FeatureSnapshotTest, ::testing::ValuesIn(kGeometries), geometryName);

TEST(FeatureAssignmentTest, AGeometryOrStyleOfAnotherKindIsReplacedByAClone) {
  Feature::Feature edited;
  auto point = std::make_shared<PointGeometry>(kA);
  auto pointStyle = std::make_shared<PointStyle>();
  edited.setGeometry(point);
  edited.setStyle(pointStyle);

  Feature::Feature other;
  auto line = std::make_shared<PolylineGeometry>(kLine);
  auto lineStyle = std::make_shared<PolylineStyle>();
  other.setGeometry(line);
  other.setStyle(lineStyle);

  edited = other;
  ASSERT_TRUE(edited.getGeometry());
  EXPECT_NE(edited.getGeometry(), line) << "not shared with the other feature";
  EXPECT_EQ(edited.getGeometry()->getType(), GeometryType::Polyline);
  EXPECT_EQ(static_cast<const PolylineGeometry&>(*edited.getGeometry()).getPositions(), kLine);
  ASSERT_TRUE(edited.getStyle());
  EXPECT_NE(edited.getStyle(), lineStyle);
  EXPECT_TRUE(edited.getStyle()->asPolylineStyle());

  Feature::Feature empty;
  edited = empty;
  EXPECT_FALSE(edited.getGeometry());
  EXPECT_FALSE(edited.getStyle());
}

TEST(FeatureAssignmentTest, TheSceneDrawsTheRestoredContentTheNextFrame) {
  SceneImpl scene;
  auto feature = std::make_shared<Feature::Feature>();
  auto geometry = std::make_shared<PolylineGeometry>(kLine);
  feature->setGeometry(geometry);
  scene._getDataSourceDisplay().getDefaultDataSource()->getRootFeatureGroup()->add(feature);
  auto now = std::chrono::steady_clock::time_point(std::chrono::seconds(1));
  scene.render(now);
  const std::shared_ptr<FeatureBase> snapshot(feature->clone());
  geometry->setPositions({kC});
  scene.render(now += std::chrono::milliseconds(16));
  ASSERT_TRUE(feature->_isEntityReady());
  *feature = *snapshot->_asFeature();
  EXPECT_FALSE(feature->_isEntityReady()) << "the restore is a change to draw";
  scene.render(now += std::chrono::milliseconds(16));
  EXPECT_TRUE(feature->_isEntityReady());
  EXPECT_EQ(feature->_getImplHandle()->getPosition(),
            std::optional<Vector3<double>>(Ellipsoid::WGS84.cartographicToCartesian(kA)));
}

}  // namespace
}  // namespace qel
