#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "Feature/FeatureBase.h"

namespace qel::Feature {

/// A group of features and groups, in the order they were added. Changed on the main
/// thread.
class FeatureGroup : public FeatureBase {
 public:
  FeatureGroup() = default;
  ~FeatureGroup() override;

  /// Adds `child` at the end, taking it out of the group it was in. Null, this group
  /// itself and a group above this one are refused: nothing changes; so is every add
  /// to a group that is not held by a `std::shared_ptr`. Adding a child
  /// already in this group moves it to the end. What a scene built for the child is
  /// dropped; the scene builds it anew in its next frame.
  void add(const std::shared_ptr<FeatureBase>& child);
  /// Takes `child` out of this group; false when it is not a child of this group.
  bool remove(const FeatureBase& child);
  /// Takes `child` out of this group and lets it go: what the scene built for it is
  /// dropped now rather than with the child. False when it is not a child.
  bool removeFromMemory(const FeatureBase& child);

  const std::vector<std::shared_ptr<FeatureBase>>& getChildren() const noexcept { return children_; }
  std::size_t size() const noexcept { return children_.size(); }

  /// A new, empty group with this one's show flag. The children are not copied: a
  /// group can only be their parent once it is held by a `std::shared_ptr`, so a caller
  /// that wants them shares the new group and `add`s clones of them.
  std::unique_ptr<FeatureBase> clone() const override;

  FeatureGroup* _asGroup() noexcept override { return this; }

 protected:
  void _forgetDrawing() override;

 private:
  std::vector<std::shared_ptr<FeatureBase>> children_;
};

}  // namespace qel::Feature
