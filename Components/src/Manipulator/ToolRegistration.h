#pragma once

#include <memory>

#include "Scene/PrimitiveBase.h"
#include "Viewer/EventHandler.h"
#include "Viewer/ViewerImpl.h"

namespace qel {

/// Registers a tool's implementation with a viewer: as an event handler, and for the
/// feature editors (`primitive` not null) also at the end of the scene's primitives, so
/// that the scene updates it once per frame.
inline void registerTool(ViewerImpl& viewer, std::shared_ptr<EventHandler> handler,
                         std::shared_ptr<PrimitiveBase> primitive = nullptr) {
  viewer.addEventHandler(std::move(handler));
  if (primitive) viewer.getScene().getPrimitives().add(std::move(primitive));
}

/// Undoes `registerTool`; removing what is not registered does nothing.
inline void unregisterTool(ViewerImpl& viewer, EventHandler& handler, const PrimitiveBase* primitive = nullptr) {
  viewer.removeEventHandler(handler);
  if (primitive != nullptr) viewer.getScene().getPrimitives().remove(*primitive);
}

}  // namespace qel
