#include "Data/DataSource.h"

namespace qel {

std::shared_ptr<DataSource> DataSource::create() {
  std::shared_ptr<DataSource> source(new DataSource());
  // The root group learns its layer once the layer is shared.
  source->root_->_setLayer(std::weak_ptr<Layer>(source));
  return source;
}

DataSource::DataSource() : Layer(true), root_(std::make_shared<Feature::FeatureGroup>()) {}

DataSource::~DataSource() = default;

}  // namespace qel
