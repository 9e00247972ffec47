#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "Common/Cartographic.h"
#include "Common/Vector2.h"
#include "Common/Viewpose.h"
#include "Manipulator/GlobeManipulator.h"
#include "Scene/Terrain.h"
#include "Support/GlobeManipulatorTestAccess.h"
#include "Viewer/GUIEventAdapter.h"
#include "Viewer/ViewerImpl.h"

namespace qel::test {

using namespace std::chrono_literals;

/// A viewer on the manual clock with a globe manipulator installed: what every
/// scenario test drives. Events go through the viewer's real frame loop.
class TestHost {
 public:
  /// Flat terrain at sea level unless another is given; an 800 × 600 window.
  explicit TestHost(std::shared_ptr<const Terrain> terrain = Terrain::createFlat(0.0));
  ~TestHost();
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  ViewerImpl& viewer() const { return *viewer_; }
  SceneImpl& scene() const { return viewer_->getScene(); }
  Camera& camera() const { return scene().getCamera(); }
  GlobeManipulator& manipulator() const { return *manipulator_; }
  GlobeManipulatorImpl& impl() const { return manipulator_->_getGlobeImpl(); }
  const std::shared_ptr<GlobeManipulator>& manipulatorShared() const { return manipulator_; }

  /// Advances the clock by dt, then runs one frame; n times.
  void frame(int n = 1, std::chrono::nanoseconds dt = 16ms);
  /// Queues one event and runs a frame.
  void send(const GUIEventAdapter& event, std::chrono::nanoseconds dt = 16ms);

  /// Places the eye at a geographic position with a heading and pitch (degrees; pitch
  /// −90 looks straight down) and runs a frame so the derived state follows.
  void setPose(const Cartographic& eye, double headingDegrees, double pitchDegrees);
  /// Eye position and view of a pose, without touching the manipulator.
  static Viewpose poseAt(const Cartographic& eye, double headingDegrees, double pitchDegrees);

  /// Window position of a fixed-frame point through the scene's camera.
  std::optional<Vector2<double>> windowOf(const Vector3<double>& point) const;
  /// Globe point under a window position, with the camera at the manipulator's pose.
  std::optional<Vector3<double>> globeUnder(const Vector2<float>& window) const;
  /// Where the pick ray through a window position first meets the sphere of a radius
  /// about the Earth's centre, going forward from the eye.
  std::optional<Vector3<double>> sphereUnder(const Vector2<float>& window, double radius) const;
  /// Terrain height under the eye, and the eye's height above it.
  double eyeHeightAboveTerrain() const;

  /// Drags with a button from `from` to `to` in `steps` equal steps, one per frame;
  /// presses first and releases at the end unless told otherwise.
  void drag(std::uint32_t button, Vector2<float> from, Vector2<float> to, int steps, bool release = true,
            std::chrono::nanoseconds dt = 16ms);

 private:
  std::shared_ptr<ViewerImpl> viewer_;
  std::shared_ptr<GlobeManipulator> manipulator_;
};

}  // namespace qel::test
