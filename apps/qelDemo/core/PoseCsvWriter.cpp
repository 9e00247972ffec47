#include "PoseCsvWriter.h"

#include <cmath>
#include <iomanip>
#include <limits>
#include <stdexcept>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Transforms.h"

namespace qel::demo {

PoseCsvWriter::PoseCsvWriter(const std::filesystem::path& path) : path_(path), out_(path, std::ios::trunc) {
  if (!out_) throw std::runtime_error("cannot write " + path.string());
  out_ << std::setprecision(std::numeric_limits<double>::max_digits10) << kHeader << '\n';
}

void PoseCsvWriter::write(std::uint64_t frame, double seconds, const Vector3<double>& position,
                          const Quaternion& orientation) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  double lon = nan, lat = nan, height = nan;
  if (const auto c = Ellipsoid::WGS84.cartesianToCartographic(position)) {
    lon = Math::toDegrees(c->longitude);
    lat = Math::toDegrees(c->latitude);
    height = c->height;
  }
  const HeadingPitchRoll hpr = Transforms::viewQuaternionToViewHeadingPitchRoll(position, orientation);
  out_ << frame << ',' << seconds << ',' << position.x << ',' << position.y << ',' << position.z << ',' << orientation.x
       << ',' << orientation.y << ',' << orientation.z << ',' << orientation.w << ',' << lon << ',' << lat << ','
       << height << ',' << Math::toDegrees(hpr.heading) << ',' << Math::toDegrees(hpr.pitch) << '\n';
  if (!out_) throw std::runtime_error("cannot write " + path_.string());
}

void PoseCsvWriter::flush() {
  out_.flush();
  if (!out_) throw std::runtime_error("cannot write " + path_.string());
}

}  // namespace qel::demo
