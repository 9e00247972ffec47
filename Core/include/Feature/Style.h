#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "Common/FunctionWrapper.h"
#include "Common/HeightReference.h"
#include "Common/Publisher.h"

namespace qel::Feature {

/// How a feature is drawn. The base holds what every style has: the height reference
/// that says how the geometry's heights are read. Changed and read on the main thread.
class Style {
 public:
  explicit Style(HeightReference reference = HeightReference::None);
  virtual ~Style();
  Style(const Style&) = delete;
  Style& operator=(const Style&) = delete;

  /// How the geometry's heights are read (absolute, clamped to or relative to a
  /// surface). Written directly by editors; such a writer calls
  /// `_raiseDefinitionChanged` when it wants the change drawn.
  HeightReference heightReference = HeightReference::None;

  HeightReference getHeightReference() const noexcept { return heightReference; }
  /// Sets the height reference and announces the change.
  void setHeightReference(HeightReference reference);

  /// As `Geometry::_addDefinitionChangedEventListener`.
  std::weak_ptr<FunctionWrapper> _addDefinitionChangedEventListener(std::function<void()> listener);
  std::uint64_t _getVersion() const noexcept { return version_; }
  void _raiseDefinitionChanged();

 private:
  std::uint64_t version_ = 0;
  std::unique_ptr<Publisher<std::function<void()>>> definitionChanged_;
};

}  // namespace qel::Feature
