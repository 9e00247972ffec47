#include "InputBridge.h"

#include "EventConversion.h"
#include "Viewer/ViewerImpl.h"

namespace qel::demo {

InputBridge::InputBridge(ViewerImpl& viewer, std::function<void(int, int)> onResize)
    : viewer_(viewer), onResize_(std::move(onResize)) {}

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
  if (const auto event = convertEvent(ea)) viewer_.queueEvent(*event);
  return false;
}

}  // namespace qel::demo
