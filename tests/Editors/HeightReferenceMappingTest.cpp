// What a draped line preview lies on for each height reference, and the warnings for the
// relative references a draped line cannot honour.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Common/CapturingLogSink.h"
#include "Common/Log.h"
#include "Scene/GroundPolylinePrimitive.h"
#include "Manipulator/PolylineEditorImpl.h"
#include "Support/PolylineEditorFixture.h"

namespace qel::test {
namespace {

struct MappingCase {
  int reference;
  std::optional<ClassificationType> expected;
  int warningLine;  // 0: nothing logged
  const char* warning;
};

class HeightReferenceMappingTest : public ::testing::TestWithParam<MappingCase> {
 protected:
  void SetUp() override { Log::getInstance().addSink(log); }
  void TearDown() override { Log::getInstance().removeSink(log); }
  std::shared_ptr<CapturingLogSink> log = std::make_shared<CapturingLogSink>();
};

TEST_P(HeightReferenceMappingTest, MapsAndWarnsOncePerCall) {
  const MappingCase& c = GetParam();
  const auto reference = static_cast<HeightReference>(c.reference);
  EXPECT_EQ(heightReferenceToClassificationType(reference), c.expected);
  EXPECT_EQ(heightReferenceToClassificationType(reference), c.expected);
  if (c.warningLine == 0) {
    EXPECT_EQ(log->size(), 0u);
    return;
  }
  // Every call warns again.
  ASSERT_EQ(log->size(), 2u);
  const LogRecord expected{
      {"Components/src/Manipulator/PolylineEditor", c.warningLine, "qel::heightReferenceToClassificationType"},
      3,
      c.warning};
  EXPECT_EQ(log->records()[0], expected);
  EXPECT_EQ(log->records()[1], expected);
}

INSTANTIATE_TEST_SUITE_P(
    AllReferences, HeightReferenceMappingTest,
    ::testing::Values(MappingCase{0, std::nullopt, 0, ""}, MappingCase{1, ClassificationType::Both, 0, ""},
                      MappingCase{2, ClassificationType::Both, 344,
                                  "折线不支持相对于地表的高度参考，改为使用贴合地表的高度参考。"},
                      MappingCase{3, ClassificationType::Terrain, 0, ""},
                      MappingCase{4, ClassificationType::Terrain, 349,
                                  "折线不支持相对于地形的高度参考，改为使用贴合地形的高度参考。"},
                      MappingCase{5, ClassificationType::Cesium3DTile, 0, ""},
                      MappingCase{6, ClassificationType::Cesium3DTile, 354,
                                  "折线不支持相对于3DTiles的高度参考，改为使用贴合3DTiles的高度参考。"},
                      MappingCase{7, std::nullopt, 0, ""}));

// Drawing with a relative terrain reference builds a draped rubber band on terrain and
// warns once for each rebuild of it, and only then.
class HeightReferenceDrawingTest : public PolylineEditorFixture {};

TEST_F(HeightReferenceDrawingTest, RelativeReferenceWarnsOncePerRubberRebuild) {
  editor->setStyle(lineStyle(HeightReference::RelativeToTerrain));
  editor->startEditing(nullptr);
  click(300, 300);
  host.frame();
  const auto warnings = [&] {
    std::size_t n = 0;
    for (const LogRecord& r : log->records()) n += r.location.line == 349 ? 1 : 0;
    return n;
  };
  EXPECT_EQ(warnings(), 1u);
  const auto* line = dynamic_cast<const GroundPolylinePrimitive*>(impl().getRubberLine().get());
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->getClassificationType(), ClassificationType::Terrain);
  // Two moves within one frame: one rebuild.
  host.viewer().queueEvent(GUIEventAdapter::makeMove(350, 300));
  host.viewer().queueEvent(GUIEventAdapter::makeMove(360, 300));
  EXPECT_EQ(warnings(), 1u);
  host.frame();
  EXPECT_EQ(warnings(), 2u);
  host.frame(3);  // nothing to rebuild
  EXPECT_EQ(warnings(), 2u);
}

}  // namespace
}  // namespace qel::test
