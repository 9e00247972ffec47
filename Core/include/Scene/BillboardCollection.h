#pragma once

#include "Scene/ElementCollection.h"
#include "Scene/Billboard.h"

namespace qel {

/// Billboards (images at points) drawn together; see `ElementCollection` for the construction arguments.
class BillboardCollection : public ElementCollection<Billboard> {
 public:
  using ElementCollection<Billboard>::ElementCollection;

 protected:
  void submit(Billboard& element, FrameState& frameState) const override;
};

}  // namespace qel
