#pragma once

#include <memory>

#include "Feature/BillboardSymbol.h"
#include "Feature/ModelSymbol.h"
#include "Feature/PointSymbol.h"
#include "Feature/Style.h"

namespace qel::Feature {

/// How a point feature is drawn: an image, a round point, a 3D model and a label, each
/// optional.
class PointStyle : public Style {
 public:
  /// A style with no symbols: its feature draws nothing until it gets one.
  explicit PointStyle(HeightReference reference = HeightReference::None);
  ~PointStyle() override;

  /// Null draws none.
  const std::shared_ptr<BillboardSymbol>& getBillboardSymbol() const noexcept { return billboard_.get(); }
  void setBillboardSymbol(std::shared_ptr<BillboardSymbol> billboard);
  const std::shared_ptr<ModelSymbol>& getModelSymbol() const noexcept { return model_.get(); }
  void setModelSymbol(std::shared_ptr<ModelSymbol> model);
  const std::shared_ptr<PointSymbol>& getPointSymbol() const noexcept { return point_.get(); }
  void setPointSymbol(std::shared_ptr<PointSymbol> point);

  std::shared_ptr<Style> clone() const override;
  PointStyle* asPointStyle() noexcept override { return this; }
  const PointStyle* asPointStyle() const noexcept override { return this; }
  bool _assign(const Style& other) override;

 private:
  Part<BillboardSymbol> billboard_{*this};
  Part<ModelSymbol> model_{*this};
  Part<PointSymbol> point_{*this};
};

}  // namespace qel::Feature
