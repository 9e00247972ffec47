#include "Feature/ChangeNotifier.h"

#include <atomic>

namespace qel::Feature {
namespace {

// Serial of the last change announced anywhere in the process; 0 is never used, so a
// definition that announced nothing yet has seen no serial.
std::atomic<std::uint64_t> lastSerial{0};

}  // namespace

ChangeNotifier::ChangeNotifier() : changed_(std::make_unique<Publisher<ChangeListener>>()) {}

ChangeNotifier::~ChangeNotifier() = default;

std::weak_ptr<FunctionWrapper> ChangeNotifier::_addChangeListener(ChangeListener listener) {
  return changed_->addEventListener(std::move(listener));
}

void ChangeNotifier::_raiseDefinitionChanged() { propagate(lastSerial.fetch_add(1) + 1); }

void ChangeNotifier::propagate(std::uint64_t serial) {
  if (serial == lastSerial_) return;
  lastSerial_ = serial;
  ++version_;
  onDefinitionChanged();
  changed_->raiseEvent(serial);
}

}  // namespace qel::Feature
