#pragma once

#include "Common/Vector3.h"

namespace qel {

/// The foot of the ellipsoid normal through a point: where that normal meets the surface,
/// the unit normal there and how far along it the point lies. Callers that need the
/// local "up" and the height together (a terrain pick samples both many times per ray)
/// get them from one solve instead of converting to angles and back.
struct GeodeticFoot {
  Vector3<double> point;   ///< surface point nearest the query point, on its side (metres)
  Vector3<double> normal;  ///< unit surface normal at `point`
  double height = 0.0;     ///< signed distance from `point` to the query point (negative inside)
};

}  // namespace qel
