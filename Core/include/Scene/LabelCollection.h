#pragma once

#include "Scene/ElementCollection.h"
#include "Scene/Label.h"

namespace qel {

/// Texts drawn together; see `ElementCollection` for the construction arguments.
class LabelCollection : public ElementCollection<Label> {
 public:
  using ElementCollection<Label>::ElementCollection;

 protected:
  void submit(Label& element, FrameState& frameState) const override;
};

}  // namespace qel
