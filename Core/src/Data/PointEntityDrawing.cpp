// A point feature: its billboard or round point, then its label (its model is drawn by
// a child entity).
#include "Data/EntityDrawing.h"
#include "Feature/PointStyle.h"
#include "Scene/Billboard.h"
#include "Scene/ImageSize.h"
#include "Scene/Label.h"

namespace qel::entity_drawing {

EntityGraphic mark(const Vector3<double>& anchor) {
  EntityGraphic graphic;
  graphic.kind = DrawKind::Point;
  graphic.positions = {anchor};
  graphic.size = {kMarkSize, kMarkSize};
  return graphic;
}

void appendLabel(const Feature::Style* style, const Vector3<double>& anchor, std::vector<EntityGraphic>& out) {
  if (!style) return;
  const std::shared_ptr<Feature::LabelSymbol>& symbol = style->getLabelSymbol();
  if (!symbol || !symbol->isEnabled() || symbol->getText().empty()) return;
  EntityGraphic graphic;
  graphic.kind = DrawKind::Label;
  graphic.positions = {anchor};
  graphic.text = symbol->getText();
  graphic.color = symbol->getColor();
  // Measured as the scene measures its own labels, so both kinds take the same room.
  Label::ConstructorOptions options;
  options.text = symbol->getText();
  options.fontSize = symbol->getFontSize();
  graphic.size = {Label(options).getTextWidth(), symbol->getFontSize()};
  graphic.pixelOffset = symbol->getPixelOffset();
  graphic.horizontalOrigin = static_cast<HorizontalOrigin>(symbol->getHorizontalOrigin());
  graphic.verticalOrigin = static_cast<VerticalOrigin>(symbol->getVerticalOrigin());
  out.push_back(std::move(graphic));
}

std::vector<EntityGraphic> drawPoint(const Vector3<double>& anchor, const Feature::Style* style) {
  const Feature::PointStyle* pointStyle = style ? style->asPointStyle() : nullptr;
  if (!pointStyle) {
    // Not a style of this kind: the mark, and the label every style may carry.
    std::vector<EntityGraphic> out{mark(anchor)};
    appendLabel(style, anchor, out);
    return out;
  }
  std::vector<EntityGraphic> out;
  const std::shared_ptr<Feature::PointSymbol>& point = pointStyle->getPointSymbol();
  if (point && point->isEnabled() && point->getPixelSize() > 0.0) {
    EntityGraphic graphic;
    graphic.kind = DrawKind::Point;
    graphic.positions = {anchor};
    graphic.color = point->getColor();
    graphic.size = {point->getPixelSize(), point->getPixelSize()};
    out.push_back(std::move(graphic));
  }
  // A placed model is drawn by the feature's model entity (a box), not here.
  const std::shared_ptr<Feature::BillboardSymbol>& billboard = pointStyle->getBillboardSymbol();
  if (billboard && billboard->isEnabled() && !billboard->getImage().empty() && billboard->getScale() > 0.0) {
    EntityGraphic graphic;
    graphic.kind = DrawKind::Billboard;
    graphic.positions = {anchor};
    graphic.image = billboard->getImage();
    graphic.color = billboard->getColor();
    // An image that cannot be read takes the room the scene's billboards give it.
    const Vector2<int> image = readImageSize(billboard->getImage())
                                   .value_or(Vector2<int>(Billboard::kDefaultImageSize, Billboard::kDefaultImageSize));
    graphic.size = Vector2<double>(image) * billboard->getScale();
    graphic.pixelOffset = billboard->getPixelOffset();
    graphic.horizontalOrigin = static_cast<HorizontalOrigin>(billboard->getHorizontalOrigin());
    graphic.verticalOrigin = static_cast<VerticalOrigin>(billboard->getVerticalOrigin());
    out.push_back(std::move(graphic));
  }
  appendLabel(style, anchor, out);
  return out;
}

}  // namespace qel::entity_drawing
