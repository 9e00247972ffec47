#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <variant>
#include <vector>

#include "Common/Angle.h"
#include "Common/Cartographic.h"
#include "Common/Clock.h"
#include "Common/HeadingPitchRoll.h"
#include "Common/Publisher.h"
#include "Common/Quaternion.h"
#include "Common/Vector2.h"
#include "Common/Vector3.h"
#include "Common/Viewpoint.h"
#include "Common/Viewpose.h"
#include "Viewer/CameraManipulatorImpl.h"

namespace qel {

class Camera;
class FlightPath;
class GUIEventAdapter;
class SceneImpl;
class Tween;
class TweenCollection;
class Viewer;
class ViewerImpl;
struct FlightOptions;
struct GlobeManipulatorTestAccess;
struct FlightTestAccess;

/// The globe camera manipulator. It owns the camera pose (eye position and orientation
/// in the Earth-fixed frame), turns mouse, wheel and keyboard input into motion of that
/// pose, derives once per frame the navigation quantities the motions read, hands the
/// pose to the render camera, and announces every change of pose as a `Viewpoint`.
///
/// Main thread only: the viewer calls `handle`, `updateCamera` and
/// `doKeyDownOperateSaved`; applications reach it through `GlobeManipulator`.
class GlobeManipulatorImpl : public CameraManipulatorImpl {
 public:
  using ViewpointPublisher = Publisher<std::function<void(const Viewpoint&)>>;

  /// Direction of the keyboard's turn (`pan`) and straight move (`moveEye`).
  enum class PanDir : std::int32_t { Forward = 0, Backward = 1, Left = 2, Right = 3, Up = 4, Down = 5 };

  GlobeManipulatorImpl();
  ~GlobeManipulatorImpl() override;
  GlobeManipulatorImpl(const GlobeManipulatorImpl&) = delete;
  GlobeManipulatorImpl& operator=(const GlobeManipulatorImpl&) = delete;

  // Host entry points.
  using GUIEventHandler::handle;
  /// Takes one input or frame event; true when the manipulator used it.
  ///
  /// Input is bounded where it enters:
  /// - A pointer event with a non-finite position or wheel delta, or one arriving while
  ///   the window has no area, moves nothing and returns false; a release among them
  ///   still ends its gesture (no drag follows, no flick starts) and returns true.
  /// - A wheel event zooms by delta × `mouseZoomSpeed` times the distance to the point
  ///   under the pointer, eased over 30 frames, with what the easing still holds of
  ///   earlier wheel events of the same sign added. That eased amount is bounded to
  ///   ±0.1 × 900 / 59 ≈ ±1.525 (the first frame applies 59/900 of it), so that no frame
  ///   zooms by more than a tenth of the distance: a zoom in never reaches its target in
  ///   one frame, and a zoom out ends at most a tenth beyond where the zoom-out bound
  ///   let it start (a step out by a share s starts only while (1 − s) × distance +
  ///   largest Earth radius ≤ 6 largest radii). Any delta, 1e9 included, is a legal input.
  /// - A motion whose result is not finite (an event's or a frame's) is undone: the pose
  ///   returns to what it was before, every running motion stops (flight, momentum,
  ///   inertia, held keys) and no viewpoint is announced for it.
  bool handle(const GUIEventAdapter& ea, const Viewer& viewer) override;
  void updateCamera(Camera& camera) override;
  void home() override;
  /// True when the eye is below the terrain (height above terrain < 0 at the last frame).
  bool isCameraUnderground() const override;
  void doKeyDownOperateSaved(const Viewer& viewer) override;
  void setKeyOperaterSpeed(double pan, double pitch, double rotate, double move) override;
  void getKeyOperaterSpeed(double& pan, double& pitch, double& rotate, double& move) override;
  /// Wheel units to zoom amount (1/600 by default: a 120-unit notch zooms by a fifth of
  /// the distance). Whatever the speed, the eased amount stays within the bound
  /// described at `handle`; a non-finite product is ignored.
  void setMouseZoomSpeed(double speed) override;
  void getMouseZoomSpeed(double& speed) override;
  void setMouseTiltLessZeroEnable(bool enable) override;
  bool isMouseTiltLessZeroEnable() override;

  // Pose.
  const Vector3<double>& getPosition() const noexcept { return position; }
  void setPosition(const Vector3<double>& p) { position = p; }
  const Quaternion& getOrientation() const noexcept { return orientation; }
  void setOrientation(const Quaternion& q) { orientation = q; }

  // Settings.
  bool isUndergroundAllowed() const noexcept { return undergroundAllowed; }
  void setUndergroundAllowed(bool allowed) { undergroundAllowed = allowed; }
  bool isTopViewFixed() const noexcept { return topViewFixed; }
  /// Turning the fixed top view on first looks straight down; an unchanged value does nothing.
  void setTopViewFixed(bool fixed);
  bool isFlying() const noexcept;

  /// Keeps the tilt and turns the view to face north about the point under the pointer.
  void turnNorthUp();
  /// Makes the view vertical about the point under the pointer, keeping the heading.
  void lookDown();

  /// Stops every motion: a running or paused flight, momentum and all inertia.
  void stopCamera();

  ViewpointPublisher& getViewpointChanged() noexcept { return *viewpointChanged; }

  // Flights (GlobeManipulatorFlight.cpp, CameraStateFlight.cpp, OrbitFlight.cpp,
  // PathFlight.cpp). Main thread only.

  /// How an orbit ends: after |amount| seconds, or after |amount| degrees. Any other
  /// value orbits until the camera is stopped.
  enum class FlyRepeatType : std::int32_t { ByTime = 0, ByAngle = 1 };

  /// Starts a tween flight (see `FlightOptions`), cancelling every motion first. A
  /// duration of 0 or less places the camera at once and calls `complete`.
  void flyTo(const FlightOptions& options, ViewerImpl& viewer);
  /// Places the camera on `pose` when `duration` ≤ 0 (seconds); any other duration does nothing.
  void flyTo(const Viewpose& pose, double duration);
  /// Asks for a stepped flight to `viewpoint` (334 frames) that starts at the next frame;
  /// a second request before that frame replaces the first.
  void flyTo(const Viewpoint& viewpoint);
  /// Installs a flight path, stopping the installed one (and its running leg) first.
  void setFlightPath(std::shared_ptr<FlightPath> path);
  const std::shared_ptr<FlightPath>& getFlightPath() const noexcept { return flightPath; }
  /// Starts or resumes the installed path; refused while a tween flight runs.
  void startFlight(ViewerImpl& viewer);
  /// Pauses the installed path and cancels its running leg.
  void pauseFlight(const ViewerImpl& viewer);
  /// Stops the installed path and cancels its running leg.
  void stopFlight();
  /// Ends the running tween flight at once, calling its completion (the pose stays where
  /// the flight had brought it); nothing without one.
  void completeFlight();
  /// The eye position as of the start of the last frame; safe to read from any thread.
  Vector3<double> getPositionSnapshot() const;
  /// A tween flight is running.
  bool hasCurrentFlight() const noexcept { return currentFlight != nullptr; }
  /// Degrees an orbit turns per frame (a speed in degrees per second / 60).
  void setOrbitStep(double degreesPerFrame) noexcept { orbitStep = degreesPerFrame; }
  double getOrbitStep() const noexcept { return orbitStep; }
  /// Orbits the camera about the vertical through `centre` (radians; its height is not
  /// used), `orbitStep` degrees per frame: for |amount| seconds or degrees by `repeat`,
  /// or without end when `loop` is set. A negative amount turns the other way. `tag` is stored only.
  void flyAroundPoint(const Cartographic& centre, bool loop, double amount, FlyRepeatType repeat, int tag);
  /// Carries the eye along `points` (at least two) at `speed` metres per second, looking
  /// along the direction of travel turned by `attitude` (radians). With `smooth` and a
  /// `turnRadius` > 0 (metres) corners are rounded and flown at `turnSpeed` metres per
  /// second. The seventh argument is not read; `tag` is stored only. Fewer than two
  /// points: nothing happens.
  void flyEyeAlongWithLineRollYawPitch(const std::vector<Cartographic>& points, const HeadingPitchRoll& attitude,
                                       double speed, bool smooth, double turnRadius, double turnSpeed, double unused,
                                       int tag);

  /// Derived navigation state of the last frame (read-only views for the host and tools).
  const Cartographic& getEyeCartographic() const noexcept { return eyeCartographic; }
  double getHeightAboveTerrain() const noexcept { return heightAboveTerrain; }
  double getTerrainHeight() const noexcept { return terrainHeight; }
  Radian getHeading() const noexcept { return heading; }
  Radian getTilt() const noexcept { return tilt; }
  double getViewPitch() const noexcept { return viewPitch; }
  const Vector3<double>& getNavCenter() const noexcept { return navCenter; }
  const Cartographic& getMouseCartographic() const noexcept { return mouseCartographic; }

 private:
  friend struct GlobeManipulatorTestAccess;
  friend struct FlightTestAccess;

  // Stepped flights (GlobeManipulatorFlight.cpp and the flight units).
  void fly(const SceneImpl& scene);
  void prepareFly(const Viewpoint& viewpoint, const SceneImpl& scene);
  void flyToCameraState(const SceneImpl& scene);
  void flyCenterToPoint(const Vector3<double>& point, const SceneImpl& scene);
  void flyCenterToPoint(const SceneImpl& scene);
  void jumpEyeTo(const Viewpoint& viewpoint, const SceneImpl& scene, bool pause);
  void flyAroundAxis(const SceneImpl& scene);
  void flyEyeAlongWithLineRollYawPitch();

  // Frame state (GlobeManipulatorImpl.cpp).
  void updateMembers(const SceneImpl& scene);
  Radian computeHeading() const;
  /// Turns the view to (east-north-up frame at the point under the pointer) × `localTurn`
  /// and keeps the eye's distance from that point; nothing without such a point.
  void faceNavigationPoint(const Quaternion& localTurn);
  void checkViewpointChanged();

  // Input (GlobeManipulatorInput.cpp).
  bool handlePush(const GUIEventAdapter& ea, const Viewer& viewer, SceneImpl& scene);
  bool handleRelease(const GUIEventAdapter& ea, SceneImpl& scene);
  bool handleDrag(const GUIEventAdapter& ea, const Viewer& viewer, SceneImpl& scene);
  bool handleKey(const GUIEventAdapter& ea);
  bool handleScroll(const GUIEventAdapter& ea, SceneImpl& scene);
  bool handleFrame(const Viewer& viewer, SceneImpl& scene);
  /// Globe point under a window position (the navigation ellipsoid instead of the
  /// terrain when the scene asks for ellipsoid picks).
  std::optional<Vector3<double>> pickGlobeAt(const Vector2<float>& window, const SceneImpl& scene) const;
  /// The same pick, recorded as the mouse's globe hit (a miss only clears the hit flag).
  void globeHitTest(const Vector2<float>& window, const SceneImpl& scene);
  /// When the pose is not finite (or the orientation is zero), restores the saved one and
  /// stops every motion (flight, momentum, inertia, held keys); true when it did.
  bool rollBackUnusablePose(const Vector3<double>& savedPosition, const Quaternion& savedOrientation);

  // Drag navigation (GlobeManipulatorDrag.cpp).
  void cameraRotate(const Vector3<double>& axis, const Radian& angle);
  void rotate(const Radian& angle, const Vector3<double>& axis, const SceneImpl& scene);
  void cameraPitch(const Radian& angle);
  void pitchPos(const Radian& angle, const Vector3<double>& pivot, const SceneImpl& scene);
  void pitchCenter(const Radian& angle, const SceneImpl& scene);
  void pan(const Vector3<double>& to, const Vector3<double>& from, const SceneImpl& scene, bool limit);
  void collisionRoll(const Radian& angle, const Vector3<double>& axis, const SceneImpl& scene, bool momentum);
  void collisionPitchPos(const Radian& angle, const Vector3<double>& pivot, const SceneImpl& scene);
  void mouseLeftDrag(const Vector2<float>& previous, const Vector2<float>& current, const SceneImpl& scene);
  bool calMouseSpeedLimitParam(const Vector3<double>& pressPoint, const Vector2<float>& pressMouse,
                               const SceneImpl& scene);
  Radian calculateSpeed(const Vector2<float>& window, const Vector3<double>& point, const Vector3<double>& pressPoint,
                        const SceneImpl& scene);
  bool limitSpeed(Vector3<double>& from, Vector3<double>& to);
  bool naviHitTestSpace(const Vector2<float>& window, const SceneImpl& scene);
  /// Which of the last space and globe picks under the pointer is nearer to the eye.
  enum class PointerHit { None, Space, Globe };
  PointerHit nearerPointerHit() const;
  std::optional<Vector3<double>> getNaviSpaceMouseIntersectPos() const;
  std::optional<Cartographic> getNaviGeoMouseIntersectPos() const;
  double grabSphereRadius(const SceneImpl& scene) const;
  /// The underground depth clamp: how far an underground motion may reach from the eye.
  double undergroundDepthClamp(const SceneImpl& scene) const;
  /// Terrain height under a position, 0 when the globe has none.
  double surfaceHeight(const Cartographic& c, const SceneImpl& scene) const;

  // Zoom and collision (GlobeManipulatorZoom.cpp).
  double calcZoomDistance(const Vector3<double>& target, const SceneImpl& scene) const;
  void collisionZoom(double amount, const Vector3<double>& target, const SceneImpl& scene, const Vector2<float>& mouse);
  void setDistanceZ(double z, const SceneImpl& scene);
  void adjustHeight(const SceneImpl& scene);

  // Inertia and momentum (GlobeManipulatorInertia.cpp).
  void interialZoom(double amount, const Vector3<double>& target, const Vector2<float>& mouse);
  void interiaRoll(const Radian& angle, const Vector3<double>& axis);
  void interia(const SceneImpl& scene);
  void pauseFly();
  void stopFly();
  void pauseCamera();
  void clearMomentum();
  void clearRollInertia();
  void clearInertia();
  void cancelFlight();
  void resetFlightState();

  // Keyboard (GlobeManipulatorKeys.cpp).
  void doKeyDownOperateSaved(float dt, const SceneImpl& scene);
  void pan(PanDir dir, const Radian& angle, const SceneImpl& scene);
  void moveEye(PanDir dir, float distance);

  /// The stepped flight: which one runs and the state its per-frame step keeps. The
  /// frame pipeline reads `flying`, `flightPaused` and `kind`.
  struct FlightState {
    std::int32_t tag = 0;
    bool flying = false;
    bool flightPaused = false;
    std::int32_t kind = 0;  // 1 camera state, 6 orbit, 7 centre to point, 10 path
    double progress = 0.0;

    // Camera-state flight (kind 1).
    double startTilt = 0.0;
    double targetTilt = 0.0;
    double tiltChange = 0.0;
    double targetHeight = 0.0;
    double targetLongitude = 0.0;
    double targetLatitude = 0.0;
    double targetPointHeight = 0.0;
    double targetHeading = 0.0;
    double targetRange = 0.0;
    double targetPitch = 0.0;
    std::uint8_t heightReference = 0;
    bool targetSeen = false;
    double flyDistance = 0.0;

    // Centre-to-point flight (kind 7).
    Vector3<double> startUp;
    Vector3<double> startDirection;
    Vector3<double> startPosition;
    Vector3<double> endPosition;
    Vector3<double> centerDirection;
    double stepFactor = 0.0;
    std::int32_t centerSteps = 0;

    // Orbit (kind 6): start time (by time) or degrees turned so far (by angle).
    std::variant<std::chrono::steady_clock::time_point, double> orbitClock{Clock::now()};
    double orbitAmount = 0.0;
    double orbitLoop = 0.0;
    std::int32_t orbitRepeat = 0;
    Vector3<double> orbitAxis;

    // Path flight (kind 10).
    std::vector<Cartographic> pathPoints;
    std::int32_t pathSegment = 0;
    Vector3<double> pathPosition;
    double pathSpeed = 0.0;
    bool pathSmooth = false;
    double pathTurnRadius = 0.0;
    double pathArc = -1.0;
    double pathTurnSpeed = 0.0;
    HeadingPitchRoll pathAttitude;
  };

  double orbitStep = 1.0;  // degrees per frame of an orbit flight
  Vector3<double> position;
  Quaternion orientation;
  Quaternion pausedOrientation;
  Vector3<double> pausedPosition;
  std::shared_ptr<FlightPath> flightPath;
  std::shared_ptr<Tween> currentFlight;
  std::unique_ptr<TweenCollection> tweens;
  Vector3<double> cachedEyePosition;
  Cartographic eyeCartographic;
  Vector3<double> viewDirection;
  Cartographic mouseCartographic;
  Vector3<double> mouseGlobePosition;
  Vector3<double> navCenter;
  double navCenterLongitude = 0.0;
  double navCenterLatitude = 0.0;
  Radian tilt;
  Radian heading;
  double distanceZ = 0.0;
  double terrainHeight = 0.0;
  double heightAboveTerrain = 0.0;
  double viewPitch = 0.0;
  bool spaceHit = false;
  Cartographic spaceHitCartographic;
  Vector3<double> spaceHitPosition;
  Vector3<double> leftPressPosition;
  Vector3<double> pivotPosition;
  Vector3<double> pivotAxis;
  Vector2<float> leftPressMouse;
  double pixelLength = 0.0;
  double maxZoomDistance = 0.0;
  bool mouseGlobeHit = false;
  bool navCenterFound = true;
  bool mouseMoved = false;
  FlightState flightState;
  // The eye for readers on other threads, refreshed once per frame.
  mutable std::mutex positionSnapshotMutex;
  Vector3<double> positionSnapshot;
  std::unique_ptr<Viewpoint> pendingViewpoint;

  // Inertia.
  bool zoomInertiaActive = false;
  bool rollInertiaActive = false;
  std::int32_t zoomInertiaStep = 0;
  std::int32_t rollInertiaStep = 0;
  std::int32_t inertiaSteps = 30;
  double rollInertiaAngle = 0.0;
  double zoomInertiaAmount = 0.0;
  Vector2<float> zoomInertiaMouse;
  Vector3<double> rollInertiaAxis;
  Vector3<double> zoomInertiaTarget;

  // Momentum.
  bool momentumActive = false;
  Radian momentumAngle;
  Vector3<double> momentumAxis;

  Vector2<float> lastMousePosition;
  Vector2<float> dragMouse;
  Vector2<float> pressMousePosition{-1.0f, -1.0f};
  Vector2<float> lastScrollMouse;
  std::chrono::steady_clock::time_point pressTime{};
  double globeRadius = 6378137.0;
  bool undergroundAllowed = false;
  bool topViewFixed = false;
  Vector3<double> notifiedPosition;
  Quaternion notifiedOrientation;
  std::unique_ptr<ViewpointPublisher> viewpointChanged;
};

}  // namespace qel
