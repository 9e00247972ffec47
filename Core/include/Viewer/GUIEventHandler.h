#pragma once

#include "Viewer/Event.h"
#include "Viewer/EventHandler.h"
#include "Viewer/GUIEventAdapter.h"

namespace qel {

class Viewer;

/// A handler of input and frame events. Returns true for events it used; the viewer
/// then marks the event handled and later handlers ignore it.
class GUIEventHandler : public EventHandler {
 public:
  /// Generic entry: forwards input events to the typed `handle`, ignores the rest.
  virtual bool handle(Event& event, const Viewer& viewer);
  virtual bool handle(const GUIEventAdapter& ea, const Viewer& viewer);
};

}  // namespace qel
