#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

namespace qel::bench {

/// Heap allocations made by the whole process since it started (every thread). The
/// benchmark programs replace the global `operator new` to count them, so that a case can
/// report how many allocations one iteration makes.
std::uint64_t allocationCount() noexcept;

/// Counts the allocations made while it lives and reports them per iteration as the
/// `allocs` counter of the benchmark.
class AllocationScope {
 public:
  explicit AllocationScope(benchmark::State& state) noexcept : state_(state), start_(allocationCount()) {}
  ~AllocationScope() {
    const auto made = static_cast<double>(allocationCount() - start_);
    state_.counters["allocs"] = benchmark::Counter(made, benchmark::Counter::kAvgIterations);
  }
  AllocationScope(const AllocationScope&) = delete;
  AllocationScope& operator=(const AllocationScope&) = delete;

 private:
  benchmark::State& state_;
  std::uint64_t start_;
};

}  // namespace qel::bench
