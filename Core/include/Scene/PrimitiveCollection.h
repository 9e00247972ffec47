#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "Scene/HostChangeJournal.h"
#include "Scene/PrimitiveBase.h"

namespace qel {

/// The scene's primitives, updated once per frame in order.
class PrimitiveCollection : public PrimitiveBase {
 public:
  /// Adds at `index` (clamped to the end) or at the end; a null or already present
  /// primitive is ignored.
  virtual void add(std::shared_ptr<PrimitiveBase> primitive, std::optional<int> index = std::nullopt);
  /// Removes the primitive; false when it is not in the collection.
  virtual bool remove(const PrimitiveBase& primitive);
  bool contains(const PrimitiveBase& primitive) const;
  std::size_t size() const noexcept { return primitives_.size(); }
  std::shared_ptr<PrimitiveBase> get(std::size_t i) const { return primitives_.at(i); }
  const std::vector<std::shared_ptr<PrimitiveBase>>& all() const noexcept { return primitives_; }

  /// Updates every primitive; primitives added or removed during the update take
  /// effect from the next frame.
  void update(FrameState& frameState) override;
  /// Nearest hit among the shown, selectable primitives.
  std::optional<double> intersect(const Ray& ray) const override;

  /// Where successful adds and removes are recorded (null: nowhere). The scene sets its
  /// own journal on its top-level collection.
  void _setJournal(HostChangeJournal* journal) noexcept { journal_ = journal; }

 private:
  HostChangeJournal* journal_ = nullptr;
  std::vector<std::shared_ptr<PrimitiveBase>> primitives_;
};

}  // namespace qel
