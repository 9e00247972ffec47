// What the line editor reads of a line style.
#include "PolylineEditorStyle.h"

namespace qel::polylineStyle {

namespace {
// Width of a line without a line symbol (pixels).
constexpr double kDefaultLineWidth = 0.8;
}  // namespace

std::shared_ptr<Feature::Style> makeStyle() { return std::make_shared<Feature::Style>(); }

bool isPolylineStyle(const Feature::Style&) { return true; }

void applyDefaults(Feature::Style&) {}

std::shared_ptr<Feature::Style> cloneOf(const Feature::Style& style) {
  return std::make_shared<Feature::Style>(style.getHeightReference());
}

double lineWidth(const Feature::Style&) { return kDefaultLineWidth; }

std::optional<Extrusion> extrusionOf(const Feature::Style&) { return std::nullopt; }

std::shared_ptr<Material> wallMaterial(const Feature::Style&, double, double, std::chrono::steady_clock::time_point) {
  return nullptr;
}

}  // namespace qel::polylineStyle
