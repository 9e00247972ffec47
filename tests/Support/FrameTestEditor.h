#pragma once

#include <memory>
#include <vector>

#include "Common/Cartographic.h"
#include "Feature/Style.h"
#include "Manipulator/EditorFrame.h"

namespace qel::test {

/// The kind of style the test editor accepts (as the point editor accepts point styles).
class MarkStyle : public Feature::Style {
 public:
  using Feature::Style::Style;
};

/// The smallest feature editor on the frame: it records what the frame asks of it.
class FrameTestEditor : public EditorFrame {
 public:
  static constexpr const char* kRefusedText = "style refused";
  static SourceLocation refusedAt() {
    return {"tests/Support/FrameTestEditor", 7, "qel::test::FrameTestEditor::setStyle"};
  }

  FrameTestEditor() : EditorFrame(std::make_shared<MarkStyle>()) {}

  void bindScene(SceneImpl* boundScene) { scene = boundScene; }

  int refreshes = 0;
  int heightReferenceChanges = 0;
  std::vector<HeightReference> seenReferences;

 protected:
  bool isStyleOfKind(const Feature::Style& candidate) const override {
    return dynamic_cast<const MarkStyle*>(&candidate) != nullptr;
  }
  SourceLocation styleRefusedAt() const override { return refusedAt(); }
  const char* styleRefusedMessage() const override { return kRefusedText; }
  void refreshFromGeometry(Feature::Geometry&) override { ++refreshes; }
  void heightReferenceChanged() override {
    ++heightReferenceChanges;
    seenReferences.push_back(heightReference);
  }
};

}  // namespace qel::test
