#pragma once

#include <functional>

#include <osgGA/GUIEventHandler>

namespace qel {
class ViewerImpl;
}

namespace qel::demo {

/// Takes the window's events: mouse, wheel and keys are converted to the host's records
/// and queued into the host viewer (its next frame delivers them to the command keys and
/// the manipulator); size changes and the window closing are reported to the window code.
class InputBridge : public osgGA::GUIEventHandler {
 public:
  InputBridge(ViewerImpl& viewer, std::function<void(int, int)> onResize);

  /// Off while a script drives the host: only the script's input counts then.
  void setForwarding(bool forward) noexcept { forward_ = forward; }
  bool isClosed() const noexcept { return closed_; }
  /// True while a mouse button is held in the window.
  bool isButtonHeld() const noexcept { return buttonsHeld_ != 0; }

  using osgGA::GUIEventHandler::handle;
  bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;

 private:
  ViewerImpl& viewer_;
  std::function<void(int, int)> onResize_;
  bool forward_ = true;
  bool closed_ = false;
  unsigned buttonsHeld_ = 0;
};

}  // namespace qel::demo
