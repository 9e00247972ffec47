#pragma once

#include "Scene/ElementCollection.h"
#include "Scene/PointPrimitive.h"

namespace qel {

/// Points drawn together; see `ElementCollection` for the construction arguments.
class PointPrimitiveCollection : public ElementCollection<PointPrimitive> {
 public:
  using ElementCollection<PointPrimitive>::ElementCollection;

 protected:
  void submit(PointPrimitive& element, FrameState& frameState) const override;
};

}  // namespace qel
