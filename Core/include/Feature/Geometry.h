#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "Common/FunctionWrapper.h"
#include "Common/Publisher.h"

namespace qel::Feature {

/// What kind of geometry a `Geometry` is: the codes its `getType` returns.
enum class GeometryType : std::int32_t {
  Point = 300,      ///< `PointGeometry`
  Polyline = 301,   ///< `PolylineGeometry`
  Polygon = 302,    ///< `PolygonGeometry`
  Rectangle = 303,  ///< `RectangleGeometry`: a geographic rectangle
  Circle = 304,     ///< `CircleGeometry`: a centre and a radius
};

/// The shape of a feature. Plain data: the setters of the concrete geometries record a
/// change (`_getVersion`) and raise the definition-changed event, which is how a scene
/// learns to redraw the feature. Changed and read on the main thread.
class Geometry {
 public:
  virtual ~Geometry();
  Geometry(const Geometry&) = delete;
  Geometry& operator=(const Geometry&) = delete;

  /// The kind of geometry (see `GeometryType`).
  virtual GeometryType getType() const noexcept = 0;

  /// A new geometry of the same kind holding a copy of this one's definition, with no
  /// listeners.
  virtual std::shared_ptr<Geometry> clone() const = 0;
  /// Makes this geometry hold `other`'s definition; announces the change only when the
  /// definition differs, so that a listener is not told of a change it cannot see.
  /// False, and nothing changes, when `other` is of another kind.
  virtual bool _assign(const Geometry& other) = 0;

  /// Calls `listener` after every change of the definition; invoking the returned handle
  /// removes it. An empty listener is refused (logged) and gets an expired handle.
  std::weak_ptr<FunctionWrapper> _addDefinitionChangedEventListener(std::function<void()> listener);
  /// Counts the changes of the definition: a drawing built from version v is current as
  /// long as the version is still v.
  std::uint64_t _getVersion() const noexcept { return version_; }
  /// Records a change made by writing a public member directly, and announces it.
  void _raiseDefinitionChanged();

 protected:
  Geometry();

 private:
  std::uint64_t version_ = 0;
  std::unique_ptr<Publisher<std::function<void()>>> definitionChanged_;
};

}  // namespace qel::Feature
