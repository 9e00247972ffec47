#pragma once

#include <memory>

#include "Common/HeightReference.h"
#include "Feature/ColorMaterial.h"
#include "Feature/LineSymbol.h"
#include "Feature/PointStyle.h"
#include "Feature/PolylineStyle.h"

namespace qel::test {

/// A line style as the editor makes its own: a 1 px light green line, with `reference`.
inline std::shared_ptr<Feature::PolylineStyle> lineStyle(HeightReference reference) {
  auto style = std::make_shared<Feature::PolylineStyle>(reference);
  auto symbol = std::make_shared<Feature::LineSymbol>();
  symbol->setMaterial(std::make_shared<Feature::ColorMaterial>(0.5f, 1.0f, 0.5f, 1.0f));
  style->setLineSymbol(std::move(symbol));
  return style;
}

/// A style the line editor refuses.
inline std::shared_ptr<Feature::Style> otherKindOfStyle() { return std::make_shared<Feature::PointStyle>(); }

}  // namespace qel::test
