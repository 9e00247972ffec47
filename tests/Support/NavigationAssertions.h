#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "Common/CapturingLogSink.h"
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
::testing::AssertionResult poseIsUsable(const GlobeManipulatorImpl& manipulator);

/// Angle (radians, [0, π]) of the rotation that takes orientation a to orientation b.
double rotationAngleBetween(const Quaternion& a, const Quaternion& b);

/// Signed angle (radians, (−π, π]) of the rotation that takes orientation a to b, read
/// about a unit axis (right-handed); the rotation is assumed to be about that axis.
double signedTurnAbout(const Quaternion& a, const Quaternion& b, const Vector3<double>& axis);

/// Distance in pixels between a window position and a point's image (+∞ behind the eye).
double pixelDistance(const std::optional<Vector2<double>>& image, const Vector2<float>& window);

/// The published easing of wheel zooms and turns: an input joins what remains (same
/// sign) or replaces it (opposite sign) and restarts the count; frame k of 30 applies
/// (2(30 − k) − 1) / 900 of what remains, and nothing after the 30th frame.
class InertiaSchedule {
 public:
  static constexpr int kSteps = 30;
  void input(double amount);
  double step();  // the share the next frame applies
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
  std::size_t size() const { return sink_->size(); }
  std::string describe() const;  // one line per record, for failure messages

 private:
  std::shared_ptr<CapturingLogSink> sink_;
};

}  // namespace qel::test
