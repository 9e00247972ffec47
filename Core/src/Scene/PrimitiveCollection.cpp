#include "Scene/PrimitiveCollection.h"

#include <algorithm>

namespace qel {

void PrimitiveCollection::add(std::shared_ptr<PrimitiveBase> primitive, std::optional<int> index) {
  // A collection inside itself would update and pick itself forever.
  if (!primitive || primitive.get() == this || contains(*primitive)) return;
  if (journal_ != nullptr) journal_->record(HostChangeJournal::Kind::PrimitiveAdded, primitive.get());
  if (index && *index >= 0 && static_cast<std::size_t>(*index) < primitives_.size()) {
    primitives_.insert(primitives_.begin() + *index, std::move(primitive));
  } else {
    primitives_.push_back(std::move(primitive));
  }
}

bool PrimitiveCollection::remove(const PrimitiveBase& primitive) {
  const auto it = std::find_if(primitives_.begin(), primitives_.end(),
                               [&](const std::shared_ptr<PrimitiveBase>& p) { return p.get() == &primitive; });
  if (it == primitives_.end()) return false;
  if (journal_ != nullptr) journal_->record(HostChangeJournal::Kind::PrimitiveRemoved, &primitive);
  primitives_.erase(it);
  return true;
}

bool PrimitiveCollection::contains(const PrimitiveBase& primitive) const {
  return std::any_of(primitives_.begin(), primitives_.end(),
                     [&](const std::shared_ptr<PrimitiveBase>& p) { return p.get() == &primitive; });
}

void PrimitiveCollection::update(FrameState& frameState) {
  // A primitive's update may add or remove primitives (an editor creating its handles):
  // walk a copy, which also keeps a primitive removed by an earlier one alive until its
  // own update has returned.
  const std::vector<std::shared_ptr<PrimitiveBase>> snapshot = primitives_;
  for (const std::shared_ptr<PrimitiveBase>& primitive : snapshot) primitive->update(frameState);
}

std::optional<double> PrimitiveCollection::intersect(const Ray& ray) const {
  std::optional<double> nearest;
  for (const std::shared_ptr<PrimitiveBase>& primitive : primitives_) {
    if (!primitive->isShow() || !primitive->isSelectEnabled()) continue;
    const std::optional<double> t = primitive->intersect(ray);
    if (t && *t >= 0.0 && (!nearest || *t < *nearest)) nearest = t;
  }
  return nearest;
}

}  // namespace qel
