// The model editor's commands on a model feature and on a tileset: where the object ends
// up, what the queries report, and that no command raises the changed event.

#include <cmath>
#include <cstring>
#include <limits>

#include "Common/Transforms.h"
#include "ModelEditorFixture.h"

namespace qel::test {
namespace {

using Kind = ModelEditorFixture::Kind;

std::string kindName(const ::testing::TestParamInfo<Kind>& info) {
  return info.param == Kind::Model ? "ModelFeature" : "Tileset";
}

class ModelEditorCommands : public ModelEditorFixture, public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    startOn(GetParam());
    start = editor->getPosition();
  }

  /// What a command changes of the object itself: the model's point and symbol, or the
  /// tileset's model matrix.
  std::vector<double> objectState() const {
    const std::vector<unsigned char> bytes = objectBytes();
    std::vector<double> values(bytes.size() / sizeof(double));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(double));
    return values;
  }
  /// The same as raw bytes, so that "unchanged" means bitwise.
  std::vector<unsigned char> objectBytes() const {
    std::vector<unsigned char> bytes;
    const auto append = [&bytes](const void* p, std::size_t n) {
      const auto* b = static_cast<const unsigned char*>(p);
      bytes.insert(bytes.end(), b, b + n);
    };
    if (model) {
      const Cartographic place = pointOf(*model).getPosition();
      append(&place, sizeof place);
      const Vector3<Radian>& turn = symbolOf(*model).getRotation();
      for (const Radian& angle : {turn.x, turn.y, turn.z}) {
        const double v = angle.value();
        append(&v, sizeof v);
      }
      const Vector3<double> size = symbolOf(*model).getScale();
      append(&size, sizeof size);
    } else {
      for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
          const double v = tiles->modelMatrix(row, col);
          append(&v, sizeof v);
        }
      }
    }
    return bytes;
  }

  Cartographic start;
};

TEST_P(ModelEditorCommands, TranslatingEastTwiceStepsTenMetresEastEachTimeAtTheSameHeight) {
  editor->translate({10.0, 0.0, 0.0});
  const Cartographic once = editor->getPosition();
  editor->translate({10.0, 0.0, 0.0});
  const Cartographic twice = editor->getPosition();

  const Vector3<double> sum = editor->getTranslation();
  EXPECT_EQ(sum, (Vector3<double>{20.0, 0.0, 0.0}));
  const Cartographic step = stepFrom(start, 10.0, 0.0, 0.0);
  const double expectedStep = step.longitude - start.longitude;
  EXPECT_NEAR(once.longitude - start.longitude, expectedStep, 1e-11);
  EXPECT_NEAR(twice.longitude - once.longitude, expectedStep, 1e-11);
  EXPECT_NEAR(twice.latitude, start.latitude, 1e-11);
  // A horizontal move keeps the height exactly: the curvature of the Earth is not
  // allowed to lift it.
  EXPECT_EQ(twice.height, start.height);
  EXPECT_TRUE(changes.empty());
}

TEST_P(ModelEditorCommands, TranslatingUpRaisesByTheOffsetAndKeepsThePlace) {
  editor->translate({0.0, 0.0, 7.5});
  const Cartographic raised = editor->getPosition();
  EXPECT_NEAR(raised.height - start.height, 7.5, kMillimetre);
  EXPECT_EQ(raised.longitude, start.longitude);
  EXPECT_EQ(raised.latitude, start.latitude);
}

TEST_P(ModelEditorCommands, RotatingToTheSameAnglesTwiceTurnsOnce) {
  const Vector3<Radian> angles{Radian(0.0), Radian(0.0), Radian(0.6)};
  editor->rotate(angles);
  const std::vector<double> once = objectState();
  editor->rotate(angles);
  const std::vector<double> twice = objectState();
  // A turn by nothing may leave rounding in a tileset's matrix, nothing more.
  for (std::size_t i = 0; i < once.size(); ++i) EXPECT_NEAR(twice[i], once[i], 1e-9 * (1.0 + std::abs(once[i])));
  EXPECT_EQ(editor->getRotation(), angles);
  if (model) {
    EXPECT_EQ(symbolOf(*model).getRotation(), angles);
  }
  EXPECT_TRUE(changes.empty());
}

TEST_P(ModelEditorCommands, ScaleFactorsAtOrBelowZeroAreRaisedToTheSmallestScale) {
  editor->setScale({0.0, 2.0, 2.0});
  EXPECT_EQ(editor->getScale(), (Vector3<double>{0.001, 2.0, 2.0}));
  editor->setScale({-3.0, 1.0, 0.5});
  EXPECT_EQ(editor->getScale(), (Vector3<double>{0.001, 1.0, 0.5}));
  if (model) {
    EXPECT_EQ(symbolOf(*model).getScale(), (Vector3<double>{0.001, 1.0, 0.5}));
  }
  EXPECT_TRUE(changes.empty());
}

TEST_P(ModelEditorCommands, PlacingAtTheCurrentPositionLeavesTheObjectBitwiseAlone) {
  editor->rotate({Radian(0.1), Radian(0.0), Radian(0.3)});
  const std::vector<unsigned char> before = objectBytes();
  editor->setPosition(editor->getPosition());
  EXPECT_EQ(objectBytes(), before);
  host.frame();
  EXPECT_EQ(objectBytes(), before);
}

TEST_P(ModelEditorCommands, PlacingElsewhereMovesTheObjectThere) {
  const Cartographic target = Cartographic::fromDegrees(116.01, 40.02, 35.0);
  editor->setPosition(target);
  EXPECT_EQ(editor->getPosition(), target);
  if (model) {
    EXPECT_EQ(pointOf(*model).getPosition(), target);
  } else {
    // The tileset's own origin lands on the target.
    const Vector3<double> origin = tiles->getRoot()->getComputedTransform().getTranslation();
    EXPECT_LT(Vector3<double>::distance(origin, at(target)), kMillimetre);
  }
  EXPECT_TRUE(changes.empty());
}

TEST_P(ModelEditorCommands, NonFiniteArgumentsChangeNothing) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::vector<unsigned char> before = objectBytes();
  editor->translate({kNaN, 0.0, 0.0});
  editor->rotate({Radian(0.0), Radian(kInf), Radian(0.0)});
  editor->setScale({1.0, kNaN, 1.0});
  editor->setPosition({start.longitude, kNaN, 0.0});
  host.frame();
  EXPECT_EQ(objectBytes(), before);
  EXPECT_EQ(editor->getPosition(), start);
  EXPECT_EQ(editor->getTranslation(), (Vector3<double>{}));
  EXPECT_EQ(editor->getScale(), (Vector3<double>{1.0, 1.0, 1.0}));
  EXPECT_TRUE(sink->records().empty());
}

INSTANTIATE_TEST_SUITE_P(Targets, ModelEditorCommands, ::testing::Values(Kind::Model, Kind::Tileset), kindName);

// Without a target the commands keep only the values a later start would replace.
TEST(ModelEditorWithoutTarget, CommandsChangeOnlyTheStoredPosition) {
  ModelEditorFixture f;
  const Cartographic place = Cartographic::fromDegrees(10.0, 20.0, 30.0);
  f.editor->translate({5.0, 0.0, 0.0});
  f.editor->rotate({Radian(1.0), Radian(0.0), Radian(0.0)});
  f.editor->setScale({2.0, 2.0, 2.0});
  f.editor->setPosition(place);
  EXPECT_EQ(f.editor->getTranslation(), (Vector3<double>{}));
  EXPECT_EQ(f.editor->getRotation(), (Vector3<Radian>{}));
  EXPECT_EQ(f.editor->getScale(), (Vector3<double>{1.0, 1.0, 1.0}));
  EXPECT_EQ(f.editor->getPosition(), place);
  EXPECT_TRUE(f.stopped.empty());
}

}  // namespace
}  // namespace qel::test
