#pragma once

#include <memory>

#include "Scene/SceneImpl.h"

namespace qel {

/// The public face of a scene; `_getImplHandle` reaches the implementation.
class Scene {
 public:
  explicit Scene(std::shared_ptr<SceneImpl> impl) : impl_(std::move(impl)) {}
  SceneImpl& _getImplHandle() const noexcept { return *impl_; }
  const std::shared_ptr<SceneImpl>& _getImplShared() const noexcept { return impl_; }

 private:
  std::shared_ptr<SceneImpl> impl_;
};

}  // namespace qel
