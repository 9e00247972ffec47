#pragma once

#include <functional>
#include <memory>

#include "Common/Publisher.h"
#include "Manipulator/FlightOptions.h"
#include "Scene/TweenOptions.h"

namespace qel {

class ViewerImpl;

/// A flight path that an application builds, installs with
/// `GlobeManipulator::setFlightPath` and then starts, pauses and stops through the
/// manipulator. Every operation runs on the viewer's main thread.
///
/// Also home of `createTween`, which turns one `FlightOptions` into the animation that
/// the manipulator's tween collection runs.
class FlightPath {
 public:
  using CompletedPublisher = Publisher<std::function<void()>>;
  using ProgressPublisher = Publisher<std::function<void(double)>>;

  FlightPath();
  virtual ~FlightPath();
  FlightPath(const FlightPath&) = delete;
  FlightPath& operator=(const FlightPath&) = delete;

  /// Starts the path, or resumes it after `pauseFlight`.
  virtual void startFlight(ViewerImpl& viewer) = 0;
  /// Remembers where the path was paused (the manipulator stops the running leg).
  virtual void pauseFlight(const ViewerImpl& viewer) = 0;
  /// Back to the start: the next `startFlight` flies the whole path again.
  virtual void stopFlight() = 0;

  /// Raised once when the path has been flown to its end. Owned by the path.
  CompletedPublisher* getFlightCompleted() const noexcept { return flightCompleted.get(); }
  /// Raised with the fraction of the whole path flown, [0, 1], as it advances. Owned by the path.
  ProgressPublisher* getFlightProgress() const noexcept { return flightProgress.get(); }

  /// The animation of one flight of the viewer's globe manipulator from its current pose
  /// to `options.destination` (see `FlightOptions` for every field).
  ///
  /// The result's value runs from 0 to the duration (seconds, eased); its update writes
  /// the manipulator's pose and allocates nothing. A flight with nothing to do is an
  /// "empty" animation (start, stop and duration 0) whose completion does what is left:
  /// in a morphing scene it has no callables at all; when the camera is already there it
  /// carries the options' `complete` and `cancel`; for a duration of 0 or less its
  /// completion first places the camera on the destination, then calls `complete`.
  /// Main thread only; a viewer whose manipulator is not a globe manipulator gets an
  /// empty animation with the options' `complete` and `cancel`.
  static TweenOptions createTween(ViewerImpl& viewer, const FlightOptions& options);

 private:
  std::unique_ptr<CompletedPublisher> flightCompleted;
  std::unique_ptr<ProgressPublisher> flightProgress;
};

}  // namespace qel
