#pragma once

#include <memory>

#include "Feature/ExtrusionSymbol.h"
#include "Feature/LineSymbol.h"
#include "Feature/Style.h"

namespace qel::Feature {

/// How a line feature is drawn: a line, a wall raised along it and a label, each
/// optional.
class PolylineStyle : public Style {
 public:
  /// A style with no symbols: its feature draws nothing until it gets one.
  explicit PolylineStyle(HeightReference reference = HeightReference::None);
  ~PolylineStyle() override;

  /// Null draws no line.
  const std::shared_ptr<LineSymbol>& getLineSymbol() const noexcept { return line_.get(); }
  void setLineSymbol(std::shared_ptr<LineSymbol> line);
  /// Null raises no wall.
  const std::shared_ptr<ExtrusionSymbol>& getExtrusionSymbol() const noexcept { return extrusion_.get(); }
  void setExtrusionSymbol(std::shared_ptr<ExtrusionSymbol> extrusion);

  std::shared_ptr<Style> clone() const override;
  PolylineStyle* asPolylineStyle() noexcept override { return this; }
  const PolylineStyle* asPolylineStyle() const noexcept override { return this; }
  bool _assign(const Style& other) override;

 private:
  Part<LineSymbol> line_{*this};
  Part<ExtrusionSymbol> extrusion_{*this};
};

}  // namespace qel::Feature
