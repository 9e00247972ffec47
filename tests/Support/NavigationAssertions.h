#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "Common/CapturingLogSink.h"
#include "Common/HeadingPitchRoll.h"
#include "Common/Quaternion.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"
#include "Manipulator/GlobeManipulatorImpl.h"

namespace qel::test {

/// The camera pose a user sees: eye and orientation, compared exactly.
struct CameraPose {
  Vector3<double> position;
  Quaternion orientation;
  bool operator==(const CameraPose&) const = default;
};

CameraPose poseOf(const GlobeManipulatorImpl& manipulator);

/// Every navigation rule promises a usable pose: finite, with a unit orientation.
inline constexpr double kUnitOrientationTolerance = 1e-9;
::testing::AssertionResult poseIsUsable(const GlobeManipulatorImpl& manipulator);

/// Heading, pitch and roll of the view at the eye (heading clockwise from north).
HeadingPitchRoll attitudeOf(const GlobeManipulatorImpl& manipulator);
/// Unit view direction and image-up direction of the camera in the fixed frame.
Vector3<double> viewDirectionOf(const Quaternion& orientation);
Vector3<double> imageUpOf(const Quaternion& orientation);

/// Angle (radians, [0, π]) of the rotation that takes orientation a to orientation b.
double rotationAngleBetween(const Quaternion& a, const Quaternion& b);
/// Signed angle from a to b about the unit axis n, after projecting both onto the plane
/// perpendicular to n (right-handed about n).
double signedAngleAbout(const Vector3<double>& a, const Vector3<double>& b, const Vector3<double>& n);

/// Distance in pixels between a window position and a point's image, or +∞ when the
/// point is behind the eye.
double pixelDistance(const std::optional<Vector2<double>>& image, const Vector2<float>& window);

/// The published easing of wheel zooms and turns: an input joins what remains (same
/// sign) or replaces it (opposite sign) and restarts the count; frame k of 30 applies
/// (2(30 − k) − 1) / 900 of what remains, and nothing after the 30th frame.
class InertiaSchedule {
 public:
  static constexpr int kSteps = 30;
  void input(double amount);
  /// The amount the next frame applies (0 once the 30 frames have run).
  double step();
  double remainder() const noexcept { return remainder_; }

 private:
  double remainder_ = 0.0;
  int done_ = kSteps;
};

/// Catches every log record written while it lives.
class ScopedLogCapture {
 public:
  ScopedLogCapture();
  ~ScopedLogCapture();
  ScopedLogCapture(const ScopedLogCapture&) = delete;
  ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;
  const CapturingLogSink& sink() const { return *sink_; }
  /// The captured records as one readable line each (for failure messages).
  std::string describe() const;

 private:
  std::shared_ptr<CapturingLogSink> sink_;
};

}  // namespace qel::test
