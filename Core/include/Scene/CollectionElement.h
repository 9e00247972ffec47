#pragma once

namespace qel {

/// Base of the things a collection draws (billboards, labels, points, polylines), so
/// that a pick can hand back the element under the pointer; the caller casts it to the
/// kind it expects (`dynamic_cast<PointPrimitive*>`).
class CollectionElement {
 public:
  virtual ~CollectionElement() = default;
};

}  // namespace qel
