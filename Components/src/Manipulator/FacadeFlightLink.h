#pragma once

// What a globe manipulator facade shares with the callbacks of the flights it starts
// (layer continuations, the height-referenced flight's per-frame listener), which may
// run on other threads and after the facade is gone.

#include <memory>
#include <mutex>

#include "Common/FunctionWrapper.h"
#include "Manipulator/GlobeManipulator.h"

namespace qel {

struct GlobeManipulator::FlightLink {
  /// Guards `facade` and `pendingHeightFlight`.
  std::mutex mutex;
  /// The facade while it lives; cleared by its destructor.
  GlobeManipulator* facade = nullptr;
  /// Invoking it removes the pending height-referenced flight's listener.
  std::weak_ptr<FunctionWrapper> pendingHeightFlight;
};

}  // namespace qel
