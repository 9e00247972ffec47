#include "AppCommands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "Common/Ellipsoid.h"
#include "Common/Math.h"
#include "Common/Transforms.h"
#include "Manipulator/FlightOptions.h"
#include "Manipulator/KeyframeFlightPath.h"
#include "Manipulator/GlobeManipulatorImpl.h"
#include "Viewer/KeyCodes.h"
#include "Viewer/Viewer.h"
#include "Viewer/ViewerImpl.h"

namespace qel::demo {

namespace {

/// The orbit of `o`: one full turn at 30° a second, ended by angle so that it stops
/// exactly where it began.
constexpr double kOrbitDegrees = 360.0;
constexpr double kOrbitDegreesPerSecond = 30.0;
/// The library steps orbits per frame at this rate.
constexpr double kOrbitFramesPerSecond = 60.0;

/// The path of `p` takes in the places within this distance of the first (the mountain,
/// its valley and the coast; the pole is an ocean away and a straight leg there would
/// cut through the Earth).
constexpr double kPathReach = 1000000.0;  // metres
/// The path flies this high above the highest place it passes, so that the relief
/// passes below and ahead of the eye.
constexpr double kPathClearance = 15000.0;  // metres
/// Seconds the whole path takes; its speed follows from its length.
constexpr double kPathSeconds = 20.0;
/// Corner radius (metres; the library shortens it where a leg is too short) and the
/// slower speed through a corner (fraction of the straight speed).
constexpr double kPathTurnRadius = 8000.0;
constexpr double kPathTurnSpeedFraction = 0.5;
/// The eye looks ahead along the path and down onto the relief it flies over.
constexpr double kPathPitchDeg = -30.0;

/// Seconds of each leg of the keyframe tour.
constexpr double kTourLegSeconds = 4.0;

}  // namespace

AppCommands::AppCommands(std::shared_ptr<GlobeManipulatorImpl> manipulator, NamedPlaces places)
    : manipulator_(std::move(manipulator)), places_(std::move(places)) {}

bool AppCommands::isCommandKey(int key) noexcept {
  switch (key) {
    case 'h':
    case 'n':
    case 't':
    case 'u':
    case '1':
    case '2':
    case '3':
    case '4':
    case 'f':
    case 'o':
    case 'p':
    case 'k':
    case Key::Escape:
    case Key::F1: return true;
    default: return false;
  }
}

bool AppCommands::handle(const GUIEventAdapter& ea, const Viewer& viewer) {
  if (ea.getHandled()) return false;
  const auto type = ea.getEventType();
  if (type != GUIEventAdapter::KEYDOWN && type != GUIEventAdapter::KEYUP) return false;
  if (!isCommandKey(ea.getKey())) return false;
  // Commands ignore modifiers: Shift+H is still "home". The key-up is swallowed too, so
  // the manipulator sees neither half of a command key.
  if (type == GUIEventAdapter::KEYDOWN) runCommand(ea.getKey(), viewer._getImplHandle());
  return true;
}

void AppCommands::goTo(const NamedPlace& place) {
  stopAll();
  manipulator_->setPosition(place.position);
  manipulator_->setOrientation(place.orientation);
}

void AppCommands::runCommand(int key, ViewerImpl& viewer) {
  GlobeManipulatorImpl& m = *manipulator_;
  switch (key) {
    case 'h':
      stopAll();
      m.home();
      break;
    case 'f': flyToNextPlace(viewer); break;
    case 'o': orbitViewCentre(); break;
    case 'p': flyPath(); break;
    case 'k': toggleTour(viewer); break;
    case 'n': m.turnNorthUp(); break;
    case 't': m.setTopViewFixed(!m.isTopViewFixed()); break;
    case 'u': m.setUndergroundAllowed(!m.isUndergroundAllowed()); break;
    case Key::Escape: stopAll(); break;
    case Key::F1:
      if (helpToggle_) helpToggle_();
      break;
    default:
      if (const NamedPlace* place = places_.forKey(key - '0')) {
        goTo(*place);
        currentPlace_ = key - '1';
      }
      break;
  }
}

void AppCommands::installGlobe(ViewerImpl& viewer) {
  if (viewer.getCameraManipulator() != manipulator_) viewer.setCameraManipulatorImpl(manipulator_);
}

void AppCommands::stopAll() {
  // The tour first: stopping it cancels its running leg, which would otherwise be ended
  // below and start the next one.
  stopTour();
  // The camera's stop ends the stepped flights, momentum and inertia; a tweened flight
  // (key f) is ended where it has brought the camera.
  manipulator_->completeFlight();
  manipulator_->stopCamera();
}

void AppCommands::stopTour() {
  if (tour_ && manipulator_->getFlightPath() == tour_) manipulator_->stopFlight();
  tourProgress_ = 0.0;
}

void AppCommands::flyToNextPlace(ViewerImpl& viewer) {
  const auto& all = places_.all();
  if (all.empty()) return;
  stopTour();
  installGlobe(viewer);
  currentPlace_ = (currentPlace_ + 1) % static_cast<int>(all.size());
  const NamedPlace& place = all[static_cast<std::size_t>(currentPlace_)];
  const HeadingPitchRoll hpr =
      Transforms::viewQuaternionToViewHeadingPitchRoll(place.position, place.orientation, Ellipsoid::WGS84);
  FlightOptions options;
  options.destination = place.position;
  options.heading = hpr.heading;
  options.pitch = hpr.pitch;
  options.roll = hpr.roll;
  // No duration: the flight chooses its own from the distance.
  manipulator_->flyTo(options, viewer);
  kind_ = FlightKind::Place;
}

void AppCommands::orbitViewCentre() {
  // The navigation centre is where the view's centre ray meets the globe (or a point
  // ahead of the eye when it looks past it).
  const auto centre = Ellipsoid::WGS84.cartesianToCartographic(manipulator_->getNavCenter());
  if (!centre) return;
  stopTour();
  manipulator_->setOrbitStep(kOrbitDegreesPerSecond / kOrbitFramesPerSecond);
  manipulator_->flyAroundPoint(*centre, false, kOrbitDegrees, GlobeManipulatorImpl::FlyRepeatType::ByAngle, 0);
  kind_ = FlightKind::Orbit;
}

std::vector<Cartographic> AppCommands::pathPoints() const {
  const auto& all = places_.all();
  if (all.empty()) return {};
  const Ellipsoid& e = Ellipsoid::WGS84;
  const Vector3<double> first =
      e.cartographicToCartesian(Cartographic(all.front().view.longitude, all.front().view.latitude, 0.0));
  std::vector<Cartographic> points;
  double highest = 0.0;
  for (const NamedPlace& place : all) {
    const Cartographic ground(place.view.longitude, place.view.latitude, 0.0);
    if ((e.cartographicToCartesian(ground) - first).length() > kPathReach) continue;
    points.push_back(ground);
    highest = std::max(highest, place.view.height);
  }
  if (points.size() < 2) return {};
  for (Cartographic& p : points) p.height = highest + kPathClearance;
  return points;
}

void AppCommands::flyPath() {
  const std::vector<Cartographic> points = pathPoints();
  if (points.empty()) return;
  double length = 0.0;
  for (std::size_t i = 1; i < points.size(); ++i) {
    length +=
        (Ellipsoid::WGS84.cartographicToCartesian(points[i]) - Ellipsoid::WGS84.cartographicToCartesian(points[i - 1]))
            .length();
  }
  const double speed = length / kPathSeconds;
  stopTour();
  manipulator_->flyEyeAlongWithLineRollYawPitch(points, HeadingPitchRoll{0.0, Math::toRadians(kPathPitchDeg), 0.0},
                                                speed, true, kPathTurnRadius, speed * kPathTurnSpeedFraction, 0.0, 0);
  kind_ = FlightKind::Path;
}

void AppCommands::toggleTour(ViewerImpl& viewer) {
  GlobeManipulatorImpl& m = *manipulator_;
  if (!tour_) {
    tour_ = std::make_shared<KeyframeFlightPath>();
    std::vector<KeyframeFlightPath::Keyframe> frames;
    for (const NamedPlace& place : places_.all())
      frames.push_back({place.position, place.orientation, kTourLegSeconds});
    tour_->setKeyframes(std::move(frames));
    // The path lives as long as this handler, so a plain pointer to it is safe.
    tour_->getFlightProgress()->addEventListener([this](double progress) { tourProgress_ = progress; });
  }
  installGlobe(viewer);
  // The tour replaces any other flight (the library refuses to start a path under one).
  if (kind_ != FlightKind::Tour && m.isFlying()) stopAll();
  if (m.getFlightPath() != tour_) {
    m.setFlightPath(tour_);
    tourProgress_ = 0.0;
  } else if (!tour_->isPaused() && kind_ == FlightKind::Tour && m.isFlying()) {
    m.pauseFlight(viewer);
    return;
  }
  // A tour that ran to its end or was stopped starts again from the first place.
  if (!tour_->isPaused() && !m.isFlying()) tourProgress_ = 0.0;
  m.startFlight(viewer);
  kind_ = FlightKind::Tour;
}

bool AppCommands::isTourPaused() const { return tour_ && manipulator_->getFlightPath() == tour_ && tour_->isPaused(); }

AppCommands::FlightKind AppCommands::getFlightKind() const {
  if (kind_ == FlightKind::Tour && isTourPaused()) return FlightKind::Tour;
  return manipulator_->isFlying() ? kind_ : FlightKind::None;
}

std::string AppCommands::kindName(FlightKind kind) {
  switch (kind) {
    case FlightKind::Place: return "flight to a place";
    case FlightKind::Orbit: return "orbit";
    case FlightKind::Path: return "path";
    case FlightKind::Tour: return "keyframe tour";
    case FlightKind::None: break;
  }
  return "";
}

std::string AppCommands::describeFlight() const {
  const FlightKind kind = getFlightKind();
  std::string text = kindName(kind);
  if (kind == FlightKind::Place && currentPlace_ >= 0) {
    text += " (" + places_.all()[static_cast<std::size_t>(currentPlace_)].name + ")";
  }
  if (kind == FlightKind::Tour) {
    char progress[32];
    std::snprintf(progress, sizeof progress, " %.0f%%", tourProgress_ * 100.0);
    text += progress;
    if (isTourPaused()) text += " paused (k resumes)";
  }
  return text;
}

}  // namespace qel::demo
