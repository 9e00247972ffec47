#pragma once

#include <memory>

#include "Common/HeightReference.h"
#include "Feature/Style.h"

namespace qel::test {

/// A line style with the editor's defaults and `reference`.
inline std::shared_ptr<Feature::Style> lineStyle(HeightReference reference) {
  auto style = std::make_shared<Feature::Style>(reference);
  return style;
}

}  // namespace qel::test

namespace qel::test {

/// A style the line editor refuses; null while there is no other kind of style.
inline std::shared_ptr<Feature::Style> otherKindOfStyle() { return nullptr; }

}  // namespace qel::test
