#include "Feature/Style.h"

#include <utility>

namespace qel::Feature {

Style::Style(HeightReference reference)
    : heightReference(reference), definitionChanged_(std::make_unique<Publisher<std::function<void()>>>()) {}

Style::~Style() = default;

void Style::setHeightReference(HeightReference reference) {
  heightReference = reference;
  _raiseDefinitionChanged();
}

std::weak_ptr<FunctionWrapper> Style::_addDefinitionChangedEventListener(std::function<void()> listener) {
  return definitionChanged_->addEventListener(std::move(listener));
}

void Style::_raiseDefinitionChanged() {
  ++version_;
  definitionChanged_->raiseEvent();
}

}  // namespace qel::Feature
