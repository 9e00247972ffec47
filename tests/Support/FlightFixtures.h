#pragma once

// Helpers shared by the flight scenarios: poses from geographic values, the pose's
// geographic reading, and a flight recorder counting completions.

#include <cmath>
#include <memory>

#include "Common/Ellipsoid.h"
#include "Common/HeadingPitchRoll.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Manipulator/FlightOptions.h"
#include "Support/TestHost.h"

namespace qel::test {

inline Vector3<double> at(double lonDeg, double latDeg, double height) {
  return Ellipsoid::WGS84.cartographicToCartesian(
      Cartographic(Math::toRadians(lonDeg), Math::toRadians(latDeg), height));
}

inline Cartographic geographic(const Vector3<double>& p) {
  return Ellipsoid::WGS84.cartesianToCartographic(p).value_or(Cartographic());
}

inline HeadingPitchRoll attitudeOf(const GlobeManipulatorImpl& m) {
  return Transforms::viewQuaternionToViewHeadingPitchRoll(m.getPosition(), m.getOrientation(), Ellipsoid::WGS84);
}

/// Difference of two angles, brought into (−π, π].
inline double angleDiff(double a, double b) { return Math::negativePiToPi(a - b); }

/// Runs frames while the manipulator flies (at most `limit`); the number of frames run.
inline int flyOut(TestHost& host, int limit = 2000) {
  int frames = 0;
  for (; host.impl().isFlying() && frames < limit; ++frames) host.frame();
  return frames;
}

/// Counts the completions and cancellations of the flights it is attached to.
struct FlightRecorder {
  std::shared_ptr<int> completed = std::make_shared<int>(0);
  std::shared_ptr<int> cancelled = std::make_shared<int>(0);

  FlightOptions attach(FlightOptions options) const {
    options.complete = [c = completed] { ++*c; };
    options.cancel = [c = cancelled] { ++*c; };
    return options;
  }
};

}  // namespace qel::test
