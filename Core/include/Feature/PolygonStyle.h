#pragma once

#include <memory>

#include "Feature/ExtrusionSymbol.h"
#include "Feature/PolygonSymbol.h"
#include "Feature/Style.h"

namespace qel::Feature {

/// How an area feature is drawn: a filled area with its outline, a wall raised along
/// its rings and a label, each optional.
class PolygonStyle : public Style {
 public:
  /// A style with no symbols: its feature draws nothing until it gets one.
  explicit PolygonStyle(HeightReference reference = HeightReference::None);
  ~PolygonStyle() override;

  /// Null draws neither fill nor outline.
  const std::shared_ptr<PolygonSymbol>& getPolygonSymbol() const noexcept { return polygon_.get(); }
  void setPolygonSymbol(std::shared_ptr<PolygonSymbol> polygon);
  /// Null raises no wall.
  const std::shared_ptr<ExtrusionSymbol>& getExtrusionSymbol() const noexcept { return extrusion_.get(); }
  void setExtrusionSymbol(std::shared_ptr<ExtrusionSymbol> extrusion);

  std::shared_ptr<Style> clone() const override;
  PolygonStyle* asPolygonStyle() noexcept override { return this; }
  const PolygonStyle* asPolygonStyle() const noexcept override { return this; }
  bool _assign(const Style& other) override;

 private:
  Part<PolygonSymbol> polygon_{*this};
  Part<ExtrusionSymbol> extrusion_{*this};
};

}  // namespace qel::Feature
