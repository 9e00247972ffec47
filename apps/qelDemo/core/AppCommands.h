#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Common/Cartographic.h"
#include "NamedPlaces.h"
#include "Viewer/GUIEventHandler.h"

namespace qel {
class GlobeManipulatorImpl;
class KeyframeFlightPath;
class ViewerImpl;
}  // namespace qel

namespace qel::demo {

/// The demo's command keys, handled before the manipulator sees them (registered as the
/// viewer's first event handler, so a command key never also moves the camera):
///
/// | key | command |
/// |---|---|
/// | h | home |
/// | n | turn the view north up |
/// | t | toggle the fixed top-down view |
/// | u | toggle underground navigation |
/// | 1–4 | jump to a named place (mountain, valley, coast, north pole) |
/// | f | fly to the next named place (automatic duration) |
/// | o | orbit the view centre once, 360° at 30°/s |
/// | p | fly a path with rounded corners over the places near the mountain |
/// | k | start, pause, resume the keyframe tour of the places |
/// | Esc | stop every motion (flights, momentum, inertia) and the keyframe tour |
/// | F1 | toggle the key help (through `setHelpToggle`) |
///
/// Each command is one call of the library; the app adds no motion of its own. Because
/// it is an ordinary event handler, a scripted session played into a bare viewer with
/// this handler gives the same camera as the demo window does.
class AppCommands : public GUIEventHandler {
 public:
  /// What the last flight key started, while that flight still runs (or the tour is paused).
  enum class FlightKind { None, Place, Orbit, Path, Tour };

  AppCommands(std::shared_ptr<GlobeManipulatorImpl> manipulator, NamedPlaces places);

  using GUIEventHandler::handle;
  bool handle(const GUIEventAdapter& ea, const Viewer& viewer) override;

  /// Called on the main thread when F1 goes down.
  void setHelpToggle(std::function<void()> toggle) { helpToggle_ = std::move(toggle); }
  const NamedPlaces& getPlaces() const noexcept { return places_; }

  /// Jumps to a place (stops every motion first).
  void goTo(const NamedPlace& place);

  /// True for the keys this handler owns.
  static bool isCommandKey(int key) noexcept;

  /// The flight started by a flight key that is still under way; None once it has ended,
  /// was stopped or was cancelled by input. A paused tour still counts as the tour.
  FlightKind getFlightKind() const;
  /// Fraction of the keyframe tour flown, [0, 1]; 0 before it first moves.
  double getTourProgress() const noexcept { return tourProgress_; }
  bool isTourPaused() const;
  /// One line for the heads-up display: the running flight's kind, the tour's progress
  /// and whether it is paused; empty without a flight.
  std::string describeFlight() const;
  /// Name of a kind for the display ("" for None).
  static std::string kindName(FlightKind kind);

  /// Eye positions of the rounded path `p` flies (the places near the mountain, at a
  /// common height above the highest of them). Fewer than two places: empty.
  std::vector<Cartographic> pathPoints() const;

 private:
  void runCommand(int key, ViewerImpl& viewer);
  void flyToNextPlace(ViewerImpl& viewer);
  void orbitViewCentre();
  void flyPath();
  void toggleTour(ViewerImpl& viewer);
  /// A new flight replaces the tour: its path goes back to the start.
  void stopTour();
  /// Esc, home and the number keys: the tour, any flight, momentum and inertia.
  void stopAll();
  /// The tweened flights find their manipulator in the viewer; the demo's timing
  /// stand-in steps aside for them (see DemoHost).
  void installGlobe(ViewerImpl& viewer);

  std::shared_ptr<GlobeManipulatorImpl> manipulator_;
  NamedPlaces places_;
  std::function<void()> helpToggle_;
  /// Index of the place last flown or jumped to; `f` goes to the one after it.
  int currentPlace_ = -1;
  FlightKind kind_ = FlightKind::None;
  std::shared_ptr<KeyframeFlightPath> tour_;
  double tourProgress_ = 0.0;
};

}  // namespace qel::demo
