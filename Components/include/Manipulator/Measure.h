#pragma once

#include <string>

#include "Common/HeightReference.h"
#include "Common/Vector3.h"

namespace qel {

class GlobeImpl;

/// The measurements the line editor shows beside its rubber band, from the last vertex A
/// to the pointer B (fixed-frame points, metres).
struct Measure {
  /// Length (metres) of the path from A to B over the terrain: A and B are put on the
  /// terrain, the straight segment between them is cut into pieces about one
  /// (2π / 2^L / 129) radian apart seen from the Earth's centre, L = min(tile level of the
  /// globe's surface + 2, 24), each cut point is put on the terrain, and the straight
  /// pieces are summed. Where the globe has no height the height is 0. Two points
  /// closer than two pieces give the straight distance of their terrain points.
  static double groundDistance(const GlobeImpl& globe, const Vector3<double>& a, const Vector3<double>& b);

  /// Angle (degrees, [0, 360]) at A between the directions to P and to B. With
  /// `reference` None the points are used as they are and the turn is read about A's
  /// up direction; otherwise P and B are laid flat in A's east-north-up plane at height
  /// 0. The angle is measured from A→P to A→B: θ when they turn clockwise seen from
  /// above, 360 − θ otherwise. Straight on is 180. A point on A counts as a zero
  /// direction (angle 90).
  static double includedAngle(const Vector3<double>& p, const Vector3<double>& a, const Vector3<double>& b,
                              HeightReference reference);

  /// Direction from A to B (degrees, [0, 360)): 0 north, 90 east, 180 south, 270 west,
  /// read in A's east-north-up frame. NaN when B lies straight above or below A.
  static double azimuth(const Vector3<double>& a, const Vector3<double>& b);

  /// The text of the measure label, items separated by "\n", numbers with 2 decimals:
  /// with `reference` None first "平距：" the straight length |B − A|, "高差：" the height
  /// difference (B − A), "坡度：" their ratio in percent followed by "%" (all 0 when the
  /// points coincide); then always "方位角：" the azimuth "°" and "距离：" `distance`
  /// followed by "米", or over 1000 m in kilometres followed by "千米".
  static std::string measureText(const Vector3<double>& a, const Vector3<double>& b, HeightReference reference,
                                 double distance);
  /// The text of the angle label: "夹角：" the angle with 2 decimals, "°" and "\n".
  static std::string angleText(double angleDegrees);
};

}  // namespace qel
