#pragma once

#include <chrono>
#include <memory>

#include "Common/Clock.h"
#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"
#include "Manipulator/GlobeManipulator.h"
#include "Scene/Terrain.h"
#include "Viewer/ViewerImpl.h"

namespace qel::bench {

/// A viewer on the procedural terrain with a globe manipulator, 5 km above hilly land
/// in the Alps, looking 45° down, on the manual clock: the start every camera benchmark
/// shares, so that their figures compare.
struct GlobeRig {
  /// One frame at 60 Hz.
  static constexpr std::chrono::milliseconds kFrameStep{16};

  GlobeRig() {
    Clock::useManualTime();
    viewer = ViewerImpl::create();
    viewer->getScene().getGlobe().setTerrain(Terrain::createProcedural());
    viewer->getScene().setWindowSize(1280, 800);
    manipulator = std::make_shared<GlobeManipulator>();
    viewer->setCameraManipulator(manipulator);
    start = Ellipsoid::WGS84.cartographicToCartesian(Cartographic::fromDegrees(8.0, 46.0, 5000.0));
    startOrientation = Transforms::viewHeadingPitchRollToViewQuaternion(
        start, HeadingPitchRoll{0.3, Math::toRadians(-45.0), 0.0}, Ellipsoid::WGS84);
    impl().setPosition(start);
    impl().setOrientation(startOrientation);
    frame();
  }
  ~GlobeRig() { Clock::useRealTime(); }
  GlobeRig(const GlobeRig&) = delete;
  GlobeRig& operator=(const GlobeRig&) = delete;

  GlobeManipulatorImpl& impl() const { return manipulator->_getGlobeImpl(); }
  /// One whole viewer frame, a frame step after the last.
  void frame() {
    Clock::advance(kFrameStep);
    viewer->frame();
  }

  std::shared_ptr<ViewerImpl> viewer;
  std::shared_ptr<GlobeManipulator> manipulator;
  Vector3<double> start;
  Quaternion startOrientation;
};

}  // namespace qel::bench
