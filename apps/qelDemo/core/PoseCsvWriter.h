#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "Common/Quaternion.h"
#include "Common/Vector3.h"

namespace qel::demo {

/// One row per frame of the camera's pose:
/// `frame,time,x,y,z,qx,qy,qz,qw,lon,lat,height,heading,pitch` — frame number (1 for
/// the first), seconds since the session started, the eye in the Earth-fixed frame
/// (metres), the orientation quaternion, then the eye's longitude, latitude (degrees)
/// and height (metres above the ellipsoid) and the view's heading and pitch (degrees).
/// Numbers are written with 17 significant digits so that a reader gets back the exact
/// doubles.
class PoseCsvWriter {
 public:
  static constexpr const char* kHeader = "frame,time,x,y,z,qx,qy,qz,qw,lon,lat,height,heading,pitch";

  /// Opens (truncates) the file and writes the header. Throws std::runtime_error naming
  /// the file when it cannot be written.
  explicit PoseCsvWriter(const std::filesystem::path& path);

  void write(std::uint64_t frame, double seconds, const Vector3<double>& position, const Quaternion& orientation);
  void flush();

 private:
  std::filesystem::path path_;
  std::ofstream out_;
};

}  // namespace qel::demo
