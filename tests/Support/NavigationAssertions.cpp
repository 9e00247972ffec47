#include "Support/NavigationAssertions.h"

#include <cmath>
#include <limits>
#include <sstream>

#include "Common/Log.h"

namespace qel::test {

/// How far from 1 an orientation's length may be after many exact rotations.
constexpr double kUnitOrientationTolerance = 1e-9;

CameraPose poseOf(const GlobeManipulatorImpl& manipulator) {
  return CameraPose{manipulator.getPosition(), manipulator.getOrientation()};
}

::testing::AssertionResult poseIsUsable(const GlobeManipulatorImpl& manipulator) {
  const Vector3<double>& p = manipulator.getPosition();
  const Quaternion& q = manipulator.getOrientation();
  if (!p.isFinite() || !q.isFinite() || std::abs(q.length() - 1.0) > kUnitOrientationTolerance) {
    return ::testing::AssertionFailure() << "eye (" << p.x << ", " << p.y << ", " << p.z << "), orientation (" << q.x
                                         << ", " << q.y << ", " << q.z << ", " << q.w << ")";
  }
  return ::testing::AssertionSuccess();
}

double rotationAngleBetween(const Quaternion& a, const Quaternion& b) {
  const Quaternion r = (b * a.inverse()).normalized();
  // atan2 of sin(angle / 2) and cos(angle / 2) keeps small angles accurate.
  return 2.0 * std::atan2(std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z), std::abs(r.w));
}

double signedTurnAbout(const Quaternion& a, const Quaternion& b, const Vector3<double>& axis) {
  Quaternion r = (b * a.inverse()).normalized();
  if (r.w < 0.0) r = Quaternion(-r.x, -r.y, -r.z, -r.w);  // the shorter of the two turns
  return 2.0 * std::atan2(r.x * axis.x + r.y * axis.y + r.z * axis.z, r.w);
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
  const double applied = static_cast<double>(2 * (kSteps - done_) - 1) / (kSteps * kSteps) * remainder_;
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
  for (const LogRecord& r : sink_->records()) out << "[" << r.level << "] " << r.location.file << " " << r.text << "\n";
  return out.str();
}

}  // namespace qel::test
