#pragma once

#include <memory>

#include "Feature/FeatureGroup.h"
#include "Layers/Layer.h"

namespace qel {

/// A layer of features: the tree under its root feature group. Added to a scene's data
/// source display, its features are drawn by that scene. Ready at once.
class DataSource : public Layer {
 public:
  static std::shared_ptr<DataSource> create();
  ~DataSource() override;

  /// The root of the feature tree; features added under it belong to this layer.
  const std::shared_ptr<Feature::FeatureGroup>& getRootFeatureGroup() const noexcept { return root_; }

 protected:
  DataSource();

 private:
  std::shared_ptr<Feature::FeatureGroup> root_;
};

}  // namespace qel
