#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

#include "Common/FunctionWrapper.h"
#include "Common/HeightReference.h"
#include "Common/Publisher.h"
#include "Feature/ChangeNotifier.h"
#include "Feature/LabelSymbol.h"

namespace qel::Feature {

class PointStyle;
class PolylineStyle;
class PolygonStyle;

/// How a feature is drawn. The base holds what every style has: the height reference
/// that says how the geometry's heights are read, and a label. The kinds of style
/// (`PointStyle`, `PolylineStyle`, `PolygonStyle`) add their symbols.
///
/// Any setter of the style, or of a symbol or material it holds (however deep), raises
/// the style's definition-changed event once; a symbol held by two styles raises both.
/// Changed and read on the main thread.
class Style : public ChangeNotifier {
 public:
  using DefinitionChangedListener = std::function<void(const Style*)>;

  /// A style of no particular kind (it draws a feature as a mark). New styles read
  /// heights as absolute (`HeightReference::None`) unless told otherwise.
  explicit Style(HeightReference reference = HeightReference::None);
  ~Style() override;

  /// How the geometry's heights are read (absolute, clamped to or relative to a
  /// surface). Written directly by editors; such a writer calls
  /// `_raiseDefinitionChanged` when it wants the change drawn.
  HeightReference heightReference = HeightReference::None;

  HeightReference getHeightReference() const noexcept { return heightReference; }
  /// Sets the height reference and announces the change. A value outside the
  /// enumeration (above 6) is ignored.
  void setHeightReference(HeightReference reference);

  /// The text drawn beside the feature; null draws none.
  const std::shared_ptr<LabelSymbol>& getLabelSymbol() const noexcept { return label_.get(); }
  void setLabelSymbol(std::shared_ptr<LabelSymbol> label);

  /// A new style of the same kind holding copies of this one's values and clones of its
  /// symbols and materials (a part held twice becomes two parts), with its own, empty
  /// list of listeners. A class derived outside this module that does not override it
  /// clones as a plain `Style`.
  virtual std::shared_ptr<Style> clone() const;

  /// This style as a style of that kind; null when it is not one.
  virtual PointStyle* asPointStyle() noexcept { return nullptr; }
  virtual const PointStyle* asPointStyle() const noexcept { return nullptr; }
  virtual PolylineStyle* asPolylineStyle() noexcept { return nullptr; }
  virtual const PolylineStyle* asPolylineStyle() const noexcept { return nullptr; }
  virtual PolygonStyle* asPolygonStyle() noexcept { return nullptr; }
  virtual const PolygonStyle* asPolygonStyle() const noexcept { return nullptr; }

  /// Makes this style hold what `other` holds (values copied, symbols cloned) and
  /// announces the change once. False, and nothing changes, when `other` is of
  /// another kind. Assigning a style to itself changes nothing.
  virtual bool _assign(const Style& other);

  /// Calls `listener` with this style after every change of its definition, on the
  /// thread that made the change; invoking the returned handle removes the listener.
  /// An empty listener is refused (logged) and gets an expired handle.
  std::weak_ptr<FunctionWrapper> _addDefinitionChangedEventListener(DefinitionChangedListener listener);
  /// The same for a listener that wants no argument.
  std::weak_ptr<FunctionWrapper> _addDefinitionChangedEventListener(std::function<void()> listener);
  /// Any other callable: one that accepts the style gets it (a generic lambda does),
  /// one that takes nothing is called without it.
  template <class F>
  requires(!std::is_same_v<std::remove_cvref_t<F>, DefinitionChangedListener> &&
           !std::is_same_v<std::remove_cvref_t<F>, std::function<void()>> &&
           (std::is_invocable_v<std::decay_t<F>&, const Style*> || std::is_invocable_v<std::decay_t<F>&>))
      std::weak_ptr<FunctionWrapper> _addDefinitionChangedEventListener(F&& listener) {
    if constexpr (std::is_invocable_v<std::decay_t<F>&, const Style*>) {
      return _addDefinitionChangedEventListener(DefinitionChangedListener(std::forward<F>(listener)));
    } else {
      return _addDefinitionChangedEventListener(std::function<void()>(std::forward<F>(listener)));
    }
  }

 protected:
  /// Copies the base's values (height reference, a clone of the label) from `other`,
  /// without announcing it.
  void copyStyleFrom(const Style& other);
  void onDefinitionChanged() override;

 private:
  Part<LabelSymbol> label_{*this};
  std::unique_ptr<Publisher<DefinitionChangedListener>> definitionChanged_;
};

}  // namespace qel::Feature
