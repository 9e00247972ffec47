#pragma once

#include <memory>

#include "Scene/Scene.h"
#include "Viewer/CursorAction.h"

namespace qel {

class ViewerImpl;
class CameraManipulator;

/// The public face of a viewer. A `Viewer` built by `ViewerImpl` for its handlers does
/// not own the implementation; one built by the application does.
class Viewer {
 public:
  /// A new viewer over a new scene.
  Viewer();
  /// A face over an existing viewer; throws std::invalid_argument for a null one.
  explicit Viewer(std::shared_ptr<ViewerImpl> impl);

  ViewerImpl& _getImplHandle() const noexcept { return *impl_; }
  /// An owning pointer to the implementation, also from the viewer's own (non-owning)
  /// face; empty while the implementation is being destroyed.
  std::shared_ptr<ViewerImpl> _getImplShared() const noexcept;
  const Scene& getScene() const noexcept;
  void setSceneCursor(CursorAction action) const;
  void setCameraManipulator(const std::shared_ptr<CameraManipulator>& manipulator) const;
  void frame() const;

 private:
  std::shared_ptr<ViewerImpl> impl_;
};

}  // namespace qel
