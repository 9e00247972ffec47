// How a feature editor on the frame follows what it edits: outside changes of the
// geometry refresh it and its own writes do not, its style is the caller's object and a
// refused one changes nothing, a new height reference reaches it once, and edited
// positions are read through the height reference.

#include <gtest/gtest.h>

#include <memory>

#include "Common/CapturingLogSink.h"
#include "Common/Log.h"
#include "Feature/PointGeometry.h"
#include "Support/FrameTestEditor.h"
#include "Support/TestHost.h"

namespace qel::test {
namespace {

class EditorFrameFollow : public ::testing::Test {
 protected:
  void SetUp() override { Log::getInstance().addSink(sink); }
  void TearDown() override { Log::getInstance().removeSink(sink); }

  std::shared_ptr<CapturingLogSink> sink = std::make_shared<CapturingLogSink>();
  std::shared_ptr<FrameTestEditor> editor = std::make_shared<FrameTestEditor>();
};

TEST_F(EditorFrameFollow, OutsideChangesRefreshAndOwnWritesDoNot) {
  auto geometry = std::make_shared<Feature::PointGeometry>(Cartographic::fromDegrees(10, 20, 0));
  editor->setGeometry(geometry);
  EXPECT_EQ(editor->refreshes, 1);  // read once when taken up

  geometry->setPosition(Cartographic::fromDegrees(11, 20, 0));  // the application's edit
  EXPECT_EQ(editor->refreshes, 2);

  editor->markSelfChange();
  geometry->setPosition(Cartographic::fromDegrees(12, 20, 0));  // the editor's own drag
  EXPECT_EQ(editor->refreshes, 2);

  geometry->setPosition(Cartographic::fromDegrees(13, 20, 0));  // the mark is used up
  EXPECT_EQ(editor->refreshes, 3);
}

TEST_F(EditorFrameFollow, ALeftGeometryIsNoLongerFollowed) {
  auto first = std::make_shared<Feature::PointGeometry>();
  auto second = std::make_shared<Feature::PointGeometry>();
  editor->setGeometry(first);
  editor->setGeometry(second);
  const int afterSwitch = editor->refreshes;
  first->setPosition(Cartographic::fromDegrees(1, 1, 0));
  EXPECT_EQ(editor->refreshes, afterSwitch);
  editor->setGeometry(nullptr);
  second->setPosition(Cartographic::fromDegrees(2, 2, 0));
  EXPECT_EQ(editor->refreshes, afterSwitch);
}

TEST_F(EditorFrameFollow, RefusedStylesAreLoggedAndChangeNothing) {
  const std::shared_ptr<Feature::Style> before = editor->getStyle();
  for (const std::shared_ptr<Feature::Style>& refused :
       {std::shared_ptr<Feature::Style>(), std::make_shared<Feature::Style>(HeightReference::ClampToGround)}) {
    sink->clear();
    editor->setStyle(refused);
    ASSERT_EQ(sink->size(), 1u);
    EXPECT_EQ(*sink->last(), (LogRecord{FrameTestEditor::refusedAt(), Log::kRefused, FrameTestEditor::kRefusedText}));
    EXPECT_EQ(editor->getStyle(), before);
  }
}

TEST_F(EditorFrameFollow, AcceptedStyleIsTheCallersObjectAndItsHeightReferenceReachesTheEditorOnce) {
  editor->setGeometry(std::make_shared<Feature::PointGeometry>());
  auto style = std::make_shared<MarkStyle>(HeightReference::RelativeToGround);
  editor->setStyle(style);
  EXPECT_EQ(editor->getStyle(), style);
  EXPECT_EQ(editor->getHeightReference(), HeightReference::RelativeToGround);

  style->setHeightReference(HeightReference::RelativeToGround);  // same value: nothing new
  style->setHeightReference(HeightReference::ClampToTerrain);
  const std::vector<HeightReference> expected{HeightReference::RelativeToGround, HeightReference::ClampToTerrain};
  EXPECT_EQ(editor->seenReferences, expected);
  EXPECT_TRUE(sink->records().empty());

  // A style the editor has let go of no longer reaches it.
  editor->setStyle(std::make_shared<MarkStyle>(HeightReference::ClampToTerrain));
  style->setHeightReference(HeightReference::None);
  EXPECT_EQ(editor->seenReferences, expected);
}

TEST_F(EditorFrameFollow, WithoutAGeometryAStyleChangeWaits) {
  auto style = std::make_shared<MarkStyle>(HeightReference::ClampToGround);
  editor->setStyle(style);
  EXPECT_EQ(editor->heightReferenceChanges, 0);
  EXPECT_EQ(editor->getHeightReference(), HeightReference::None);
}

struct AdjustCase {
  const char* name;
  HeightReference reference;
  double inputHeight;
  double expectedHeight;  // over flat terrain 250 m above the ellipsoid
};

class EditorFrameHeight : public ::testing::TestWithParam<AdjustCase> {};

TEST_P(EditorFrameHeight, PositionIsReadThroughTheHeightReference) {
  constexpr double kTerrainHeight = 250.0;
  TestHost host(Terrain::createFlat(kTerrainHeight));
  auto editor = std::make_shared<FrameTestEditor>();
  editor->bindScene(&host.scene());
  editor->setGeometry(std::make_shared<Feature::PointGeometry>());
  editor->setStyle(std::make_shared<MarkStyle>(GetParam().reference));

  const Cartographic input = Cartographic::fromDegrees(116.3, 39.9, GetParam().inputHeight);
  const Cartographic adjusted = editor->adjustHeight(input);
  EXPECT_EQ(adjusted.longitude, input.longitude);
  EXPECT_EQ(adjusted.latitude, input.latitude);
  EXPECT_NEAR(adjusted.height, GetParam().expectedHeight, 1e-6);
  EXPECT_FALSE(editor->isHeightQueryActive());
}

INSTANTIATE_TEST_SUITE_P(
    References, EditorFrameHeight,
    ::testing::Values(AdjustCase{"None", HeightReference::None, 42.0, 42.0},
                      AdjustCase{"ClampToGround", HeightReference::ClampToGround, 42.0, 250.0},
                      AdjustCase{"ClampToTerrain", HeightReference::ClampToTerrain, -9.0, 250.0},
                      AdjustCase{"RelativeToGround", HeightReference::RelativeToGround, 42.0, 292.0},
                      AdjustCase{"RelativeToTerrain", HeightReference::RelativeToTerrain, -9.0, 241.0}),
    [](const ::testing::TestParamInfo<AdjustCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qel::test
