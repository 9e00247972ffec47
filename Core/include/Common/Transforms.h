#pragma once

#include <optional>

#include "Common/Ellipsoid.h"
#include "Common/HeadingPitchRoll.h"
#include "Common/Matrix4.h"
#include "Common/Quaternion.h"
#include "Common/Vector3.h"
#include "Common/Viewpoint.h"
#include "Common/Viewpose.h"

namespace qel {

/// Local frames on the ellipsoid and the camera's attitude in them.
///
/// Camera convention: the camera looks along its local −Z axis, +Y is up in the image and
/// +X to the right; a camera-space vector v becomes the fixed-frame vector
/// `orientation * v`. Attitude angles are measured in the east-north-up frame at the
/// camera position:
/// - heading: direction of view from north, clockwise seen from above (π/2 = east),
///   returned in [0, 2π);
/// - pitch: elevation of the view above the local horizon, in [−π/2, π/2] (−π/2 =
///   straight down, where the image top points along the heading);
/// - roll: turn about the view direction, positive clockwise as the viewer sees it
///   (the right side of the image goes down), returned in [0, 2π).
/// When the view is vertical (within about 1e-10 rad) heading and roll turn about the
/// same axis; the whole turn is then reported as heading with roll 0.
struct Transforms {
  /// The frame at `origin` with columns east, north, up (unit vectors) and `origin` as
  /// translation; "up" is the ellipsoid normal through `origin` (the geodetic vertical,
  /// also above or below the surface).
  ///
  /// Singular cases: on the polar axis east is (0, 1, 0), the limit at longitude 0
  /// (north is then (−1, 0, 0) at the north pole and (1, 0, 0) at the south pole). At
  /// the centre, or for a non-finite origin, the rotation is the identity.
  static Matrix4 eastNorthUpToFixedFrame(const Vector3<double>& origin,
                                         const Ellipsoid& ellipsoid = Ellipsoid::WGS84) noexcept;

  /// Camera orientation for heading, pitch and roll (radians, any values) at `position`.
  /// At heading 0, pitch −π/2 and roll 0 it is exactly the rotation of the local
  /// east-north-up frame (north up in the image).
  static Quaternion viewHeadingPitchRollToViewQuaternion(const Vector3<double>& position,
                                                         const HeadingPitchRoll& headingPitchRoll,
                                                         const Ellipsoid& ellipsoid = Ellipsoid::WGS84) noexcept;

  /// Inverse of `viewHeadingPitchRollToViewQuaternion` at the same position (ranges in
  /// the class comment). The quaternion need not be unit length; a zero quaternion acts
  /// as the identity, as it does when rotating vectors. Non-finite input gives NaN angles.
  static HeadingPitchRoll viewQuaternionToViewHeadingPitchRoll(const Vector3<double>& position,
                                                               const Quaternion& orientation,
                                                               const Ellipsoid& ellipsoid = Ellipsoid::WGS84) noexcept;

  /// The view of `viewpose` described by its target: target = eye + view direction ×
  /// `range` (metres, ≥ 0); the target's longitude, latitude and height, the heading and
  /// pitch of the view direction in the east-north-up frame at the target, and `range`.
  /// The pose's roll is not kept. Empty when the eye or the target has no geographic
  /// position (the centre, non-finite input), for a negative or non-finite range and for
  /// a zero orientation.
  static std::optional<Viewpoint> viewposeToViewpoint(const Viewpose& viewpose, double range,
                                                      const Ellipsoid& ellipsoid = Ellipsoid::WGS84) noexcept;

  /// Inverse of `viewposeToViewpoint`: the eye lies `range` behind the target along the
  /// view direction given by heading and pitch in the target's east-north-up frame, with
  /// zero roll there. Non-finite input gives a non-finite pose.
  static Viewpose viewpointToViewpose(const Viewpoint& viewpoint,
                                      const Ellipsoid& ellipsoid = Ellipsoid::WGS84) noexcept;
};

}  // namespace qel
