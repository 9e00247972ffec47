#pragma once

#include <functional>

#include <osgGA/GUIEventHandler>

namespace qel {
class ViewerImpl;
}

namespace qel::demo {

class SessionRecorder;

/// Takes the window's events: mouse, wheel and keys are converted to the host's records
/// and queued into the host viewer (its next frame delivers them to the command keys and
/// the manipulator); size changes and the window closing are reported to the window code.
class InputBridge : public osgGA::GUIEventHandler {
 public:
  /// `isOnCompass` tells whether a window position (pixels, origin at the top left) is on
  /// the compass: a click there becomes the north-up command key instead of a press.
  InputBridge(ViewerImpl& viewer, std::function<void(int, int)> onResize,
              std::function<bool(float, float)> isOnCompass);
  /// Events go through the recorder (which queues them) while one is set.
  void setRecorder(SessionRecorder* recorder) noexcept { recorder_ = recorder; }
  /// Last pointer position seen (pixels, origin at the top left), if any.
  bool getPointer(float& x, float& y) const noexcept {
    x = pointerX_;
    y = pointerY_;
    return hasPointer_;
  }

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
  std::function<bool(float, float)> isOnCompass_;
  SessionRecorder* recorder_ = nullptr;
  // A press on the compass: its drags and release go nowhere.
  bool compassPress_ = false;
  bool hasPointer_ = false;
  float pointerX_ = 0.0f;
  float pointerY_ = 0.0f;
  bool forward_ = true;
  bool closed_ = false;
  unsigned buttonsHeld_ = 0;
};

}  // namespace qel::demo
