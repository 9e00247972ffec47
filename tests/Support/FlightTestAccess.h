#pragma once

#include "Manipulator/GlobeManipulatorImpl.h"
#include "Scene/SceneImpl.h"

namespace qel {

/// Reaches the stepped flights of the manipulator from tests: the flights that no public
/// operation starts (centre-to-point) and the state a test watches (kind, progress).
struct FlightTestAccess {
  static bool flying(const GlobeManipulatorImpl& m) { return m.flightState.flying; }
  static int kind(const GlobeManipulatorImpl& m) { return m.flightState.kind; }
  static double progress(const GlobeManipulatorImpl& m) { return m.flightState.progress; }
  static int pathSegment(const GlobeManipulatorImpl& m) { return m.flightState.pathSegment; }
  static void flyCenterToPoint(GlobeManipulatorImpl& m, const Vector3<double>& point, const SceneImpl& s) {
    m.flyCenterToPoint(point, s);
  }
  static void jumpEyeTo(GlobeManipulatorImpl& m, const Viewpoint& vp, const SceneImpl& s) { m.jumpEyeTo(vp, s, false); }
};

}  // namespace qel
