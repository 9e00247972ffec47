#pragma once

#include <cstdint>
#include <memory>

#include "Feature/ChangeNotifier.h"

namespace qel::Feature {

/// What kind of symbol a `Symbol` is: the codes its `getType` returns.
enum class SymbolType : std::int32_t {
  Billboard = 1,  ///< `BillboardSymbol`: an image at a point
  Label = 2,      ///< `LabelSymbol`: a text at a point
  Line = 3,       ///< `LineSymbol`: a line of a pixel width
  Point = 4,      ///< `PointSymbol`: a round point of a pixel size
  Polygon = 5,    ///< `PolygonSymbol`: a filled area with an outline (also an extrusion's body)
  Model = 6,      ///< `ModelSymbol`: a 3D model placed at a point
  Extrusion = 7,  ///< `ExtrusionSymbol`: a wall raised from a line or an area's rings
};

/// One way of drawing a feature, held by a style. Every setter announces the change to
/// the styles (and symbols) holding the symbol. Changed and read on the main thread.
class Symbol : public ChangeNotifier {
 public:
  ~Symbol() override;

  /// The kind of symbol (see `SymbolType`).
  virtual SymbolType getType() const noexcept = 0;

  /// A disabled symbol is kept in its style but not drawn. New symbols are enabled.
  bool isEnabled() const noexcept { return enabled_; }
  void setEnabled(bool enabled);

  /// A new symbol of the same kind holding copies of this one's values and parts (the
  /// parts cloned too), with no listeners.
  virtual std::shared_ptr<Symbol> clone() const = 0;

 protected:
  Symbol() = default;
  /// Copies what every symbol has (the enabled flag), without announcing it.
  void copySymbolFrom(const Symbol& other) noexcept { enabled_ = other.enabled_; }

 private:
  bool enabled_ = true;
};

}  // namespace qel::Feature
