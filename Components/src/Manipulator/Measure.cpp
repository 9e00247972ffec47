// The rubber band's measurements: ground distance over the terrain, azimuth, the angle
// at the last vertex and the label texts.
#include "Manipulator/Measure.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Matrix4.h"
#include "Common/Transforms.h"
#include "Scene/GlobeImpl.h"

namespace qel {

namespace {

// The ground path is sampled this many times more finely than the tiles two levels
// below the one drawn: 129 is the vertex count along a tile edge.
constexpr int kLevelsBelowSurface = 2;
constexpr int kFinestLevel = 24;
constexpr double kSamplesPerTile = 129.0;
// Two points closer than this (metres) count as the same point for the slope.
constexpr double kCoincident = 1e-10;
// Distances above this many metres are shown in kilometres.
constexpr double kMetresPerKilometre = 1000.0;
constexpr double kPercent = 100.0;
constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kFullTurnDegrees = 360.0;
// An east part within rounding of zero: due north reads 0.00, not 360.00.
constexpr double kDueNorthEast = 1e-10;

// `p` moved along its normal to the terrain height there (0 where the globe has none).
// The foot and normal of one solve give the moved point directly, without converting
// the new position back from angles: this runs tens of thousands of times per band.
Vector3<double> onTerrain(const GlobeImpl& globe, const Vector3<double>& p) {
  const std::optional<GeodeticFoot> foot = Ellipsoid::WGS84.geodeticFoot(p);
  if (!foot) return p;
  const Vector3<double>& n = foot->normal;
  // A unit normal cannot overflow: the plain root is exact enough and far cheaper.
  const double horizontal = std::sqrt(n.x * n.x + n.y * n.y);
  const Cartographic at{horizontal > 0.0 ? std::atan2(n.y, n.x) : 0.0, std::atan2(n.z, horizontal), 0.0};
  return foot->point + n * globe.getHeight(at).value_or(0.0);
}

double angleBetween(const Vector3<double>& a, const Vector3<double>& b) {
  const double la = a.length();
  const double lb = b.length();
  if (!(la > 0.0) || !(lb > 0.0)) return 0.0;
  return std::acos(Math::clamp(a.dot(b) / (la * lb), -1.0, 1.0));
}

// `p` at height 0 in the east-north-up plane of `frame` (z dropped).
Vector3<double> flatInFrame(const Matrix4& toLocal, const Vector3<double>& p) {
  const std::optional<Cartographic> at = Ellipsoid::WGS84.cartesianToCartographic(p);
  Vector3<double> local = p;
  if (at) local = toLocal.multiplyByPoint(Ellipsoid::WGS84.cartographicToCartesian({at->longitude, at->latitude, 0.0}));
  local.z = 0.0;
  return local;
}

std::ostringstream fixedStream() {
  std::ostringstream out;
  out << std::fixed << std::setprecision(2);
  return out;
}

}  // namespace

double Measure::groundDistance(const GlobeImpl& globe, const Vector3<double>& a, const Vector3<double>& b) {
  const int level = std::min(globe.getSurface().tileLevel + kLevelsBelowSurface, kFinestLevel);
  const double step = Math::TWO_PI / std::ldexp(1.0, level) / kSamplesPerTile;
  const Vector3<double> start = onTerrain(globe, a);
  const Vector3<double> end = onTerrain(globe, b);
  const double theta = angleBetween(start, end);
  const double pieces = std::floor(theta / step);
  if (!(pieces > 1.0)) return Vector3<double>::distance(start, end);
  const auto n = static_cast<long long>(pieces);
  const Vector3<double> delta = end - start;
  double total = 0.0;
  Vector3<double> previous = start;
  for (long long k = 1; k < n; ++k) {
    const Vector3<double> sample = onTerrain(globe, start + delta * (static_cast<double>(k) / pieces));
    total += Vector3<double>::distance(previous, sample);
    previous = sample;
  }
  return total + Vector3<double>::distance(previous, end);
}

double Measure::includedAngle(const Vector3<double>& p, const Vector3<double>& a, const Vector3<double>& b,
                              HeightReference reference) {
  Vector3<double> toP;
  Vector3<double> toB;
  Vector3<double> up;
  if (reference == HeightReference::None) {
    toP = p - a;
    toB = b - a;
    up = a.normalized();
  } else {
    const std::optional<Cartographic> at = Ellipsoid::WGS84.cartesianToCartographic(a);
    const Vector3<double> origin =
        at ? Ellipsoid::WGS84.cartographicToCartesian({at->longitude, at->latitude, 0.0}) : a;
    const Matrix4 toLocal = Transforms::eastNorthUpToFixedFrame(origin).inverse();
    toP = flatInFrame(toLocal, p);
    toB = flatInFrame(toLocal, b);
  }
  const Vector3<double> u = toP.normalized();
  const Vector3<double> v = toB.normalized();
  const double theta = std::acos(Math::clamp(u.dot(v), -1.0, 1.0)) * kDegreesPerRadian;
  const Vector3<double> turn = u.cross(v);
  if (turn.dot(up) < 0.0) return theta;
  if (up == Vector3<double>::zero() && turn.z < 0.0) return theta;
  return kFullTurnDegrees - theta;
}

double Measure::azimuth(const Vector3<double>& a, const Vector3<double>& b) {
  const Matrix4 toLocal = Transforms::eastNorthUpToFixedFrame(a).inverse();
  const Vector3<double> local = toLocal.multiplyByPointAsVector(b - a);
  const double horizontal = std::sqrt(local.x * local.x + local.y * local.y);
  const double east = local.x / horizontal;
  const double north = local.y / horizontal;
  const double degrees = std::acos(Math::clamp(north, -1.0, 1.0)) * kDegreesPerRadian;
  return east < -kDueNorthEast ? kFullTurnDegrees - degrees : degrees;
}

std::string Measure::measureText(const Vector3<double>& a, const Vector3<double>& b, HeightReference reference,
                                 double distance) {
  std::ostringstream out = fixedStream();
  if (reference == HeightReference::None) {
    const double chord = Vector3<double>::distance(a, b);
    const std::optional<Cartographic> ga = Ellipsoid::WGS84.cartesianToCartographic(a);
    const std::optional<Cartographic> gb = Ellipsoid::WGS84.cartesianToCartographic(b);
    const double dh = ga && gb ? gb->height - ga->height : 0.0;
    const bool apart = std::abs(chord) > kCoincident;
    out << "平距：" << (apart ? chord : 0.0) << "\n";
    out << "高差：" << (apart ? dh : 0.0) << "\n";
    out << "坡度：" << (apart ? dh / chord * kPercent : 0.0) << "%\n";
  }
  out << "方位角：" << azimuth(a, b) << "°\n";
  if (distance > kMetresPerKilometre) {
    out << "距离：" << distance / kMetresPerKilometre << "千米";
  } else {
    out << "距离：" << distance << "米";
  }
  return out.str();
}

std::string Measure::angleText(double angleDegrees) {
  std::ostringstream out = fixedStream();
  out << "夹角：" << angleDegrees << "°\n";
  return out.str();
}

}  // namespace qel
