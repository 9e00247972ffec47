// Cost of flights, beside what the same viewer spends anyway:
//
//   Flight_Frame/<Kind>          one viewer frame while a flight runs: Tween (a long tween
//                                flight), CameraState (the stepped flight to a viewpoint,
//                                restarted when it lands), Orbit (an endless orbit), Path (a
//                                long path flight, restarted at its end)
//   Flight_Frame_Baseline/<Kind> one idle frame of the same viewer from the same start pose
//   Flight_TweenUpdate           one step of a flight tween (writes the pose; must not allocate)
//   Flight_TweenUpdate_Baseline  writing the same pose computed straight from the end points
//   Flight_CreateTween           building a flight from its options
//   Flight_CreateTween_Baseline  the conversions any flight needs: two cartesian to
//                                cartographic, one orientation to heading, pitch and roll

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "AllocationCounter.h"
#include "GlobeRig.h"
#include "Common/Clock.h"
#include "Common/Ellipsoid.h"
#include "Common/Transforms.h"
#include "Manipulator/FlightOptions.h"
#include "Manipulator/FlightPath.h"
#include "Manipulator/GlobeManipulator.h"
#include "Scene/Terrain.h"
#include "Viewer/ViewerImpl.h"

namespace {

using namespace qel;
using namespace std::chrono_literals;

/// Long enough that no tween flight ends during a measurement (seconds).
constexpr double kEndlessSeconds = 1e7;

enum class Kind { Tween, CameraState, Orbit, Path };

/// The shared start, with the flights this file measures.
struct Rig : bench::GlobeRig {
  void startFlight(Kind kind) {
    switch (kind) {
      case Kind::Tween: {
        FlightOptions o;
        o.destination = Ellipsoid::WGS84.cartographicToCartesian(Cartographic::fromDegrees(9.0, 47.0, 3000.0));
        o.duration = kEndlessSeconds;
        impl().flyTo(o, *viewer);
        break;
      }
      case Kind::CameraState:
        // Back and forth between two views, so that the pose stays in the same region.
        toggle = !toggle;
        impl().flyTo(Viewpoint{Math::toRadians(toggle ? 8.05 : 8.0), Math::toRadians(46.0), 0.0, 0.3, -0.8, 6000.0});
        break;
      case Kind::Orbit:
        impl().setOrbitStep(0.5);
        impl().flyAroundPoint(Cartographic::fromDegrees(8.0, 46.05, 0.0), true, 1.0,
                              GlobeManipulatorImpl::FlyRepeatType::ByTime, 0);
        break;
      case Kind::Path:
        impl().flyEyeAlongWithLineRollYawPitch(
            {Cartographic::fromDegrees(8.0, 46.0, 5000.0), Cartographic::fromDegrees(8.3, 46.1, 5000.0),
             Cartographic::fromDegrees(8.5, 46.0, 5000.0)},
            HeadingPitchRoll{0.0, 0.5, 0.0}, 600.0, true, 2000.0, 300.0, 0.0, 0);
        break;
    }
  }

  bool toggle = false;
};

void Flight_Frame(benchmark::State& state, Kind kind) {
  Rig rig;
  rig.startFlight(kind);
  rig.frame();
  qel::bench::AllocationScope allocs(state);
  for (auto _ : state) {
    if (!rig.impl().isFlying()) rig.startFlight(kind);
    rig.frame();
  }
}

void Flight_Frame_Baseline(benchmark::State& state, Kind) {
  Rig rig;
  qel::bench::AllocationScope allocs(state);
  for (auto _ : state) rig.frame();
}

BENCHMARK_CAPTURE(Flight_Frame, Tween, Kind::Tween);
BENCHMARK_CAPTURE(Flight_Frame_Baseline, Tween, Kind::Tween);
BENCHMARK_CAPTURE(Flight_Frame, CameraState, Kind::CameraState);
BENCHMARK_CAPTURE(Flight_Frame_Baseline, CameraState, Kind::CameraState);
BENCHMARK_CAPTURE(Flight_Frame, Orbit, Kind::Orbit);
BENCHMARK_CAPTURE(Flight_Frame_Baseline, Orbit, Kind::Orbit);
BENCHMARK_CAPTURE(Flight_Frame, Path, Kind::Path);
BENCHMARK_CAPTURE(Flight_Frame_Baseline, Path, Kind::Path);

FlightOptions farFlight() {
  FlightOptions o;
  o.destination = Ellipsoid::WGS84.cartographicToCartesian(Cartographic::fromDegrees(120.0, -30.0, 2000.0));
  o.heading = 1.0;
  o.pitch = -0.6;
  o.duration = 3.0;
  return o;
}

void Flight_TweenUpdate(benchmark::State& state) {
  Rig rig;
  const TweenOptions t = FlightPath::createTween(*rig.viewer, farFlight());
  double value = 0.0;
  qel::bench::AllocationScope allocs(state);
  for (auto _ : state) {
    value = value < 3.0 ? value + 0.001 : 0.0;
    t.update(value);
  }
  benchmark::DoNotOptimize(rig.impl().getPosition());
}

void Flight_TweenUpdate_Baseline(benchmark::State& state) {
  Rig rig;
  const FlightOptions o = farFlight();
  const Cartographic a = *Ellipsoid::WGS84.cartesianToCartographic(rig.start);
  const Cartographic b = *Ellipsoid::WGS84.cartesianToCartographic(o.destination);
  double t = 0.0;
  qel::bench::AllocationScope allocs(state);
  for (auto _ : state) {
    t = t < 1.0 ? t + 0.001 : 0.0;
    const Vector3<double> p = Ellipsoid::WGS84.cartographicToCartesian(
        Cartographic((1 - t) * a.longitude + t * b.longitude, (1 - t) * a.latitude + t * b.latitude,
                     (1 - t) * a.height + t * b.height));
    rig.impl().setPosition(p);
    rig.impl().setOrientation(
        Transforms::viewHeadingPitchRollToViewQuaternion(p, HeadingPitchRoll{t, -0.6 * t, 0.0}, Ellipsoid::WGS84));
  }
  benchmark::DoNotOptimize(rig.impl().getPosition());
}

BENCHMARK(Flight_TweenUpdate);
BENCHMARK(Flight_TweenUpdate_Baseline);

void Flight_CreateTween(benchmark::State& state) {
  Rig rig;
  const FlightOptions o = farFlight();
  qel::bench::AllocationScope allocs(state);
  for (auto _ : state) benchmark::DoNotOptimize(FlightPath::createTween(*rig.viewer, o));
}

void Flight_CreateTween_Baseline(benchmark::State& state) {
  Rig rig;
  const FlightOptions o = farFlight();
  qel::bench::AllocationScope allocs(state);
  for (auto _ : state) {
    benchmark::DoNotOptimize(Ellipsoid::WGS84.cartesianToCartographic(rig.impl().getPosition()));
    benchmark::DoNotOptimize(Ellipsoid::WGS84.cartesianToCartographic(o.destination));
    benchmark::DoNotOptimize(Transforms::viewQuaternionToViewHeadingPitchRoll(
        rig.impl().getPosition(), rig.impl().getOrientation(), Ellipsoid::WGS84));
  }
}

BENCHMARK(Flight_CreateTween);
BENCHMARK(Flight_CreateTween_Baseline);

}  // namespace
