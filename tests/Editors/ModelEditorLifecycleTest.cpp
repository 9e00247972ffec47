// Taking a model or a tileset into editing and letting it go: the checks of a start,
// waiting for a model's extent, the values read from a moved tileset, the stopped event,
// and the gizmo's parts, sizes and looks.

#include <atomic>
#include <cmath>
#include <thread>

#include "Common/AsyncSystem.h"
#include "Common/Transforms.h"
#include "ModelEditorFixture.h"

namespace qel::test {
namespace {

class ModelEditorLifecycle : public ModelEditorFixture, public ::testing::Test {};

// ---------------------------------------------------------------------------------------
// Start and stop

TEST_F(ModelEditorLifecycle, StoppingRaisesTheLayerOnceAndResetsTheValues) {
  const std::shared_ptr<Feature::Feature> model = addDrawnModel();
  editor->startEditing(model);
  host.frame();
  editor->translate({3.0, 0.0, 0.0});
  editor->rotate({Radian(0.0), Radian(0.0), Radian(0.5)});
  editor->setScale({2.0, 2.0, 2.0});

  editor->stopEditing();
  ASSERT_EQ(stopped.size(), 1u);
  EXPECT_EQ(stopped[0], model->getLayer());
  EXPECT_EQ(editor->getTranslation(), (Vector3<double>{}));
  EXPECT_EQ(editor->getRotation(), (Vector3<Radian>{}));
  EXPECT_EQ(editor->getScale(), (Vector3<double>{1.0, 1.0, 1.0}));
  EXPECT_EQ(editor->getPosition(), Cartographic{});
  EXPECT_EQ(partsInScene(), 0u);

  editor->stopEditing();
  EXPECT_EQ(stopped.size(), 1u);
}

TEST_F(ModelEditorLifecycle, ANewStartLetsTheOldTargetGoFirst) {
  const std::shared_ptr<Qel3DTileset> tiles = addTileset();
  editor->startEditing(tiles);
  host.frame();
  const std::shared_ptr<Feature::Feature> model = addDrawnModel();
  editor->startEditing(model);
  ASSERT_EQ(stopped.size(), 1u);
  EXPECT_EQ(stopped[0], tiles->getLayer());
  EXPECT_EQ(impl().getFeature(), model);
  EXPECT_EQ(impl().getTileset(), nullptr);
  EXPECT_EQ(editor->getPosition(), kModelPlace);
}

TEST_F(ModelEditorLifecycle, AModelStartsWithTheValuesOfItsSymbol) {
  const Vector3<Radian> turn{Radian(0.1), Radian(-0.2), Radian(0.7)};
  const std::shared_ptr<Feature::Feature> model = addModel(kModelPlace, turn, {1.5, 2.0, 0.5});
  host.frame(2);
  editor->startEditing(model);
  EXPECT_EQ(editor->getRotation(), turn);
  EXPECT_EQ(editor->getScale(), (Vector3<double>{1.5, 2.0, 0.5}));
  EXPECT_EQ(editor->getPosition(), kModelPlace);
  EXPECT_EQ(editor->getTranslation(), (Vector3<double>{}));
}

TEST_F(ModelEditorLifecycle, ATargetOutsideAnySceneIsRefusedWithAWarning) {
  auto loose = std::make_shared<Feature::Feature>();
  loose->setGeometry(std::make_shared<Feature::PointGeometry>(kModelPlace));
  editor->startEditing(loose);
  host.frame();
  const std::vector<LogRecord> records = sink->records();
  ASSERT_EQ(records.size(), 1u);
  const LogRecord& record = records[0];
  EXPECT_EQ(record.text, "无法编辑不在场景中的对象。");
  EXPECT_EQ(record.level, 3);
  EXPECT_EQ(record.location.file, "Components/src/Manipulator/ModelEditor");
  EXPECT_EQ(record.location.function, "qel::ModelEditor::startEditing");
  EXPECT_EQ(record.location.line, 1);
  EXPECT_EQ(impl().getFeature(), nullptr);
  EXPECT_EQ(partsInScene(), 0u);
}

TEST_F(ModelEditorLifecycle, OnTheMainThreadAModelNotYetDrawnIsNotTakenAndNothingIsLogged) {
  const std::shared_ptr<Feature::Feature> model = addModel();
  editor->startEditing(model);  // not built yet
  host.frame();
  editor->startEditing(model);  // built, extent pending
  EXPECT_EQ(impl().getFeature(), nullptr);
  host.frame();
  editor->startEditing(model);  // drawn
  EXPECT_EQ(impl().getFeature(), model);
  EXPECT_TRUE(sink->records().empty());
}

TEST_F(ModelEditorLifecycle, FromAnApplicationThreadAPendingModelIsTakenWithinThreeFrames) {
  host.viewer().registerMainThread();
  const std::shared_ptr<Feature::Feature> model = addModel();
  std::atomic<bool> returned{false};
  std::thread application([&] {
    editor->startEditing(model);
    returned = true;
  });
  // Before each frame the application thread gets the time to post what it has to
  // (it may also be waiting for a frame instead, with nothing to post).
  const auto letItPost = [&returned] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (!returned && AsyncSystem::instance(false).mainThreadTasks.empty() &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  int frames = 0;
  constexpr int kGiveUp = 20;
  while (impl().getFeature() != model && frames < kGiveUp) {
    letItPost();
    host.frame();
    ++frames;
  }
  application.join();
  EXPECT_EQ(impl().getFeature(), model);
  EXPECT_LE(frames, 3);
  EXPECT_TRUE(returned);
}

TEST_F(ModelEditorLifecycle, ATilesetTurnedAndScaledYieldsValuesThatRebuildIt) {
  // The matrix is made here from its parts: a turn about the local vertical and a
  // uniform scale, both about the centre of the tileset's bounding volume.
  const std::shared_ptr<Qel3DTileset> tiles = addTileset();
  const Matrix4 e = Transforms::eastNorthUpToFixedFrame(tiles->getRoot()->getBoundingVolume().getCenter());
  const double turn = 0.8;
  const double k = 1.7;
  const Matrix4 local =
      Matrix4::fromRotationTranslation(Matrix3::fromEulerAnglesXYZ({Radian(0.0), Radian(0.0), Radian(turn)}), {}) *
      Matrix4::fromScale({k, k, k});
  const Matrix4 built = e * local * e.inverse();
  tiles->modelMatrix = built;

  editor->startEditing(tiles);
  const Vector3<Radian> rotation = editor->getRotation();
  const Vector3<double> scale = editor->getScale();
  // Turned the other way round: the editor's rotation is applied negated.
  EXPECT_NEAR(rotation.z.value(), -turn, 1e-12);
  EXPECT_NEAR(rotation.x.value(), 0.0, 1e-12);
  EXPECT_NEAR(rotation.y.value(), 0.0, 1e-12);
  for (double factor : {scale.x, scale.y, scale.z}) EXPECT_NEAR(factor, k, 1e-12);
  editor->stopEditing();

  // The same values given to the untouched tileset make the same matrix.
  tiles->modelMatrix = Matrix4::identity();
  editor->startEditing(tiles);
  editor->rotate(rotation);
  editor->setScale(scale);
  for (int col = 0; col < 4; ++col) {
    for (int row = 0; row < 4; ++row) {
      // Translations are Earth-sized: compare them relative to a radius.
      const double size = col == 3 ? Ellipsoid::WGS84.getMaximumRadius() : 1.0;
      EXPECT_NEAR(tiles->modelMatrix(row, col), built(row, col), 1e-9 * size) << row << "," << col;
    }
  }
}

// ---------------------------------------------------------------------------------------
// The gizmo

TEST_F(ModelEditorLifecycle, OneFrameAfterTheStartTheSixPartsStandAroundTheModel) {
  const std::shared_ptr<Feature::Feature> model = addDrawnModel();
  editor->startEditing(model);
  EXPECT_EQ(partsInScene(), 0u);
  host.frame();
  EXPECT_EQ(partsInScene(), 6u);
  host.frame();

  const Vector3<double> half = modelHalfSize();
  const double reach = half.length();  // |D| / 2
  const std::vector<Vector3<double>>& ring = gizmo().getRingPoints();
  ASSERT_EQ(ring.size(), 101u);
  EXPECT_EQ(ring.front(), ring.back());
  for (std::size_t i = 0; i < 100; ++i) {
    const double theta = static_cast<double>(i) * 2.0 * Math::PI / 100.0;
    EXPECT_NEAR(ring[i].x, reach * std::cos(theta), 1e-9);
    EXPECT_NEAR(ring[i].y, reach * std::sin(theta), 1e-9);
    EXPECT_EQ(ring[i].z, 0.0);
  }
  // Top face from (−x, +y) clockwise seen from above, then the bottom face.
  const double signs[8][3] = {{-1, 1, 1},  {1, 1, 1},  {1, -1, 1},  {-1, -1, 1},
                              {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}, {-1, -1, -1}};
  ASSERT_EQ(gizmo().getCorners()->size(), 8u);
  for (std::size_t i = 0; i < 8; ++i) {
    const Vector3<double> p = gizmo().getCorners()->get(i)->get().position;
    EXPECT_NEAR(p.x, signs[i][0] * half.x, 1e-9) << i;
    EXPECT_NEAR(p.y, signs[i][1] * half.y, 1e-9) << i;
    EXPECT_NEAR(p.z, signs[i][2] * half.z, 1e-9) << i;
  }
  // Arrows reach half the box diagonal, drawn 12 px wide; the ring 2 px.
  const Controller axes[] = {Controller::XAxis, Controller::YAxis, Controller::ZAxis};
  for (std::size_t i = 0; i < 3; ++i) {
    const auto& line = std::get<PolylineGeometry>(gizmo().getAxis(axes[i])->getGeometryInstances()[0].geometry);
    ASSERT_EQ(line.positions.size(), 2u);
    Vector3<double> tip;
    (i == 0 ? tip.x : i == 1 ? tip.y : tip.z) = reach;
    EXPECT_EQ(line.positions[0], Vector3<double>{});
    EXPECT_NEAR(Vector3<double>::distance(line.positions[1], tip), 0.0, 1e-9);
    EXPECT_EQ(line.width, 12.0);
  }
  EXPECT_EQ(std::get<PolylineGeometry>(gizmo().getRing()->getGeometryInstances()[0].geometry).width, 2.0);
  // The gizmo stands on the model's centre.
  EXPECT_LT(Vector3<double>::distance(gizmo().getModelMatrix().getTranslation(), modelCentre(*model)), kMillimetre);
}

TEST_F(ModelEditorLifecycle, EachPartIsDrawnInItsOwnColour) {
  editor->startEditing(addDrawnModel());
  host.frame(2);
  struct Expected {
    const Uuid& id;
    Color color;
  };
  const Expected table[] = {{ModelGizmo::boxId(), Color::WHITE},
                            {ModelGizmo::axisId(Controller::XAxis), Color::RED},
                            {ModelGizmo::axisId(Controller::YAxis), Color::GREEN},
                            {ModelGizmo::axisId(Controller::ZAxis), Color::BLUE},
                            {ModelGizmo::ringId(), Color::BLUE}};
  for (const Expected& row : table) {
    const DrawItem* item = itemOf(row.id);
    ASSERT_NE(item, nullptr) << row.id.toString();
    EXPECT_EQ(item->color, row.color) << row.id.toString();
  }
  const std::vector<const DrawItem*> corners = cornerItems();
  ASSERT_EQ(corners.size(), 8u);
  for (const DrawItem* corner : corners) EXPECT_EQ(corner->color, Color::GREEN);
}

TEST_F(ModelEditorLifecycle, TheGizmoHidesWithTheObject) {
  const std::shared_ptr<Feature::Feature> model = addDrawnModel();
  editor->startEditing(model);
  host.frame(2);
  ASSERT_TRUE(itemOf(ModelGizmo::ringId())->shown);
  model->setShow(false);
  host.frame();
  for (const DrawItem& item : host.scene().getLastFrame().items()) {
    for (const PrimitiveBase* part : gizmo().parts()) {
      if (item.primitive == part) {
        EXPECT_FALSE(item.shown);
      }
    }
  }
  model->setShow(true);
  host.frame();
  EXPECT_TRUE(itemOf(ModelGizmo::ringId())->shown);
}

TEST_F(ModelEditorLifecycle, TheGizmoLeavesWithATargetThatLeavesTheScene) {
  const std::shared_ptr<Feature::Feature> model = addDrawnModel();
  editor->startEditing(model);
  host.frame();
  ASSERT_EQ(partsInScene(), 6u);
  rootGroup().remove(*model);
  host.frame();
  EXPECT_EQ(partsInScene(), 0u);
  EXPECT_EQ(itemOf(ModelGizmo::ringId()), nullptr);
  // The target is still held until the next stop, which reports nothing: the feature
  // has no layer any more.
  editor->stopEditing();
  EXPECT_TRUE(stopped.empty());
}

}  // namespace
}  // namespace qel::test
