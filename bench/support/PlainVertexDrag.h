#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

#include "Common/Cartographic.h"
#include "Common/Ellipsoid.h"
#include "Common/Vector3.h"

namespace qel::bench {

/// The least a vertex drag must do, the baseline of the line and area editors' drags:
/// per step, copy the positions, nudge the vertex at `changed` back and forth, and
/// rebuild a plain record (point, colour, size) per vertex.
inline void runPlainVertexDrag(benchmark::State& state, const std::vector<Cartographic>& source, std::size_t changed) {
  struct PointRecord {
    Vector3<double> position;
    float color[4];
    double pixelSize;
  };
  std::vector<PointRecord> records;
  double nudge = 1e-9;
  for (auto _ : state) {
    std::vector<Cartographic> positions = source;
    positions[changed].longitude += nudge;
    benchmark::DoNotOptimize(positions.data());
    nudge = -nudge;
    records.clear();
    for (const Cartographic& p : positions) {
      records.push_back({Ellipsoid::WGS84.cartographicToCartesian(p), {1.0f, 1.0f, 0.0f, 1.0f}, 5.0});
    }
    benchmark::DoNotOptimize(records.data());
  }
}

}  // namespace qel::bench
