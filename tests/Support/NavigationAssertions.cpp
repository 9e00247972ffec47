#include "Support/NavigationAssertions.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

#include "Common/Ellipsoid.h"
#include "Common/Log.h"
#include "Common/Transforms.h"

namespace qel::test {

CameraPose poseOf(const GlobeManipulatorImpl& manipulator) {
  return CameraPose{manipulator.getPosition(), manipulator.getOrientation()};
}

::testing::AssertionResult poseIsUsable(const GlobeManipulatorImpl& manipulator) {
  const Vector3<double>& p = manipulator.getPosition();
  const Quaternion& q = manipulator.getOrientation();
  if (!p.isFinite()) {
    return ::testing::AssertionFailure() << "eye (" << p.x << ", " << p.y << ", " << p.z << ") is not finite";
  }
  if (!q.isFinite() || std::abs(q.length() - 1.0) > kUnitOrientationTolerance) {
    return ::testing::AssertionFailure() << "orientation (" << q.x << ", " << q.y << ", " << q.z << ", " << q.w
                                         << ") has length " << q.length();
  }
  return ::testing::AssertionSuccess();
}

HeadingPitchRoll attitudeOf(const GlobeManipulatorImpl& manipulator) {
  return Transforms::viewQuaternionToViewHeadingPitchRoll(manipulator.getPosition(), manipulator.getOrientation(),
                                                          Ellipsoid::WGS84);
}

Vector3<double> viewDirectionOf(const Quaternion& orientation) {
  return (orientation * Vector3<double>(0.0, 0.0, -1.0)).normalized();
}

Vector3<double> imageUpOf(const Quaternion& orientation) {
  return (orientation * Vector3<double>(0.0, 1.0, 0.0)).normalized();
}

double rotationAngleBetween(const Quaternion& a, const Quaternion& b) {
  const Quaternion relative = (b * a.inverse()).normalized();
  // |w| = cos(angle / 2); the vector part's length is sin(angle / 2): atan2 of the two
  // keeps small angles accurate.
  const double s = std::sqrt(relative.x * relative.x + relative.y * relative.y + relative.z * relative.z);
  return 2.0 * std::atan2(s, std::abs(relative.w));
}

double signedAngleAbout(const Vector3<double>& a, const Vector3<double>& b, const Vector3<double>& n) {
  const Vector3<double> pa = a - n * n.dot(a);
  const Vector3<double> pb = b - n * n.dot(b);
  return std::atan2(n.dot(pa.cross(pb)), pa.dot(pb));
}

double pixelDistance(const std::optional<Vector2<double>>& image, const Vector2<float>& window) {
  if (!image) return std::numeric_limits<double>::infinity();
  return std::hypot(image->x - static_cast<double>(window.x), image->y - static_cast<double>(window.y));
}

void InertiaSchedule::input(double amount) {
  if (amount == 0.0) return;
  remainder_ = remainder_ / amount > 0.0 ? remainder_ + amount : amount;
  done_ = 0;
}

double InertiaSchedule::step() {
  if (done_ >= kSteps) return 0.0;
  const double fraction = static_cast<double>(2 * (kSteps - done_) - 1) / static_cast<double>(kSteps * kSteps);
  const double applied = fraction * remainder_;
  remainder_ -= applied;
  ++done_;
  return applied;
}

ScopedLogCapture::ScopedLogCapture() : sink_(std::make_shared<CapturingLogSink>()) {
  Log::getInstance().addSink(sink_);
}

ScopedLogCapture::~ScopedLogCapture() { Log::getInstance().removeSink(sink_); }

std::string ScopedLogCapture::describe() const {
  std::ostringstream out;
  for (const LogRecord& record : sink_->records()) {
    out << "[" << record.level << "] " << record.location.file << ":" << record.location.line << " " << record.text
        << "\n";
  }
  return out.str();
}

}  // namespace qel::test
