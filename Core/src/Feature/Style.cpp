#include "Feature/Style.h"

#include <utility>

namespace qel::Feature {
namespace {

// The highest height reference there is (`RelativeTo3DTile`).
constexpr auto kLastHeightReference = static_cast<std::uint8_t>(HeightReference::RelativeTo3DTile);

}  // namespace

Style::Style(HeightReference reference)
    : heightReference(reference), definitionChanged_(std::make_unique<Publisher<DefinitionChangedListener>>()) {}

Style::~Style() = default;

void Style::setHeightReference(HeightReference reference) {
  if (static_cast<std::uint8_t>(reference) > kLastHeightReference) return;
  heightReference = reference;
  _raiseDefinitionChanged();
}

void Style::setLabelSymbol(std::shared_ptr<LabelSymbol> label) {
  label_.set(std::move(label));
  _raiseDefinitionChanged();
}

std::shared_ptr<Style> Style::clone() const {
  auto copy = std::make_shared<Style>();
  copy->copyStyleFrom(*this);
  return copy;
}

bool Style::_assign(const Style& other) {
  // A plain style takes only another plain style: the kinds hold more than the base.
  if (other.asPointStyle() || other.asPolylineStyle() || other.asPolygonStyle()) return false;
  if (&other == this) return true;
  copyStyleFrom(other);
  _raiseDefinitionChanged();
  return true;
}

void Style::copyStyleFrom(const Style& other) {
  heightReference = other.heightReference;
  const std::shared_ptr<LabelSymbol>& label = other.label_.get();
  label_.set(label ? std::static_pointer_cast<LabelSymbol>(label->clone()) : nullptr);
}

std::weak_ptr<FunctionWrapper> Style::_addDefinitionChangedEventListener(DefinitionChangedListener listener) {
  return definitionChanged_->addEventListener(std::move(listener));
}

std::weak_ptr<FunctionWrapper> Style::_addDefinitionChangedEventListener(std::function<void()> listener) {
  // Handed on empty, so that the publisher refuses it as it refuses any empty listener.
  if (!listener) return definitionChanged_->addEventListener(DefinitionChangedListener());
  return definitionChanged_->addEventListener([call = std::move(listener)](const Style*) { call(); });
}

void Style::onDefinitionChanged() { definitionChanged_->raiseEvent(this); }

}  // namespace qel::Feature
