#include "Viewer/Viewer.h"

#include <stdexcept>
#include <utility>

#include "Viewer/CameraManipulator.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

Viewer::Viewer() : impl_(ViewerImpl::create()) {}

Viewer::Viewer(std::shared_ptr<ViewerImpl> impl) : impl_(std::move(impl)) {
  if (!impl_) {
    throw std::invalid_argument("qel::Viewer: no viewer implementation given");
  }
}

std::shared_ptr<ViewerImpl> Viewer::_getImplShared() const noexcept {
  // The viewer's own face holds a pointer without ownership; hand out an owning one so
  // that callers may keep it (or a weak pointer made from it).
  if (auto owned = impl_->weak_from_this().lock()) {
    return owned;
  }
  return impl_.use_count() > 0 ? impl_ : nullptr;
}

const Scene& Viewer::getScene() const noexcept { return impl_->getPublicScene(); }

void Viewer::setSceneCursor(CursorAction action) const { impl_->setSceneCursor(action); }

void Viewer::setCameraManipulator(const std::shared_ptr<CameraManipulator>& manipulator) const {
  impl_->setCameraManipulator(manipulator);
}

void Viewer::frame() const { impl_->frame(); }

}  // namespace qel
