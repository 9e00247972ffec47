#include "InputBridge.h"

#include "EventConversion.h"
#include "SessionRecorder.h"
#include "Viewer/ViewerImpl.h"

namespace qel::demo {

namespace {
// The demo's north-up command key (AppCommands).
constexpr std::int32_t kNorthUpKey = 'n';
}  // namespace

InputBridge::InputBridge(ViewerImpl& viewer, std::function<void(int, int)> onResize,
                         std::function<bool(float, float)> isOnCompass)
    : viewer_(viewer), onResize_(std::move(onResize)), isOnCompass_(std::move(isOnCompass)) {}

bool InputBridge::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter&) {
  switch (ea.getEventType()) {
    case osgGA::GUIEventAdapter::CLOSE_WINDOW:
    case osgGA::GUIEventAdapter::QUIT_APPLICATION: closed_ = true; return false;
    case osgGA::GUIEventAdapter::RESIZE:
      if (onResize_) onResize_(ea.getWindowWidth(), ea.getWindowHeight());
      return false;
    case osgGA::GUIEventAdapter::PUSH:
    case osgGA::GUIEventAdapter::RELEASE:
    case osgGA::GUIEventAdapter::DRAG:
    case osgGA::GUIEventAdapter::MOVE: buttonsHeld_ = ea.getButtonMask(); break;
    default: break;
  }
  if (!forward_) return false;
  std::optional<GUIEventAdapter> event = convertEvent(ea);
  if (!event) return false;
  const std::uint32_t type = event->getEventType();
  if (type == GUIEventAdapter::MOVE || type == GUIEventAdapter::DRAG || type == GUIEventAdapter::PUSH) {
    hasPointer_ = true;
    pointerX_ = event->getX();
    pointerY_ = event->getY();
  }
  // A click on the compass is the north-up command, delivered like its key so that a
  // recording replays it; the press's drags and release belong to it.
  if (type == GUIEventAdapter::PUSH && !compassPress_ && isOnCompass_ && isOnCompass_(event->getX(), event->getY())) {
    compassPress_ = true;
    event = GUIEventAdapter::makeKeyDown(kNorthUpKey, 0);
    const GUIEventAdapter up = GUIEventAdapter::makeKeyUp(kNorthUpKey, 0);
    if (recorder_) {
      recorder_->queue(*event);
      recorder_->queue(up);
    } else {
      viewer_.queueEvent(*event);
      viewer_.queueEvent(up);
    }
    return false;
  }
  if (compassPress_) {
    if (type == GUIEventAdapter::RELEASE && ea.getButtonMask() == 0) compassPress_ = false;
    if (type == GUIEventAdapter::DRAG || type == GUIEventAdapter::RELEASE) return false;
  }
  if (recorder_) {
    recorder_->queue(*event);
  } else {
    viewer_.queueEvent(*event);
  }
  return false;
}

}  // namespace qel::demo
