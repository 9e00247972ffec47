#include "Viewer/GUIEventHandler.h"

namespace qel {

bool GUIEventHandler::handle(Event& event, const Viewer& viewer) {
  // Only input and frame events have a typed entry; anything else is not ours to use.
  if (auto* ea = dynamic_cast<GUIEventAdapter*>(&event)) {
    return handle(*ea, viewer);
  }
  return false;
}

bool GUIEventHandler::handle(const GUIEventAdapter& ea, const Viewer& viewer) {
  (void)ea;
  (void)viewer;
  return false;
}

}  // namespace qel
