// Cost of raising an event to N listeners, beside a plain loop over std::function.
#include "Common/Publisher.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace {

using IntPublisher = qel::Publisher<std::function<void(int)>>;

void Publisher_Raise(benchmark::State& state) {
  const auto n = state.range(0);
  IntPublisher publisher;
  std::int64_t sum = 0;
  for (std::int64_t i = 0; i < n; ++i) {
    publisher.addEventListener([&sum](int value) { sum += value; });
  }
  for (auto _ : state) {
    publisher.raiseEvent(1);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(Publisher_Raise)->Arg(1)->Arg(10)->Arg(100);

void Publisher_Raise_Baseline(benchmark::State& state) {
  const auto n = state.range(0);
  std::vector<std::function<void(int)>> listeners;
  std::int64_t sum = 0;
  for (std::int64_t i = 0; i < n; ++i) {
    listeners.emplace_back([&sum](int value) { sum += value; });
  }
  for (auto _ : state) {
    for (const auto& listener : listeners) {
      listener(1);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(Publisher_Raise_Baseline)->Arg(1)->Arg(10)->Arg(100);

}  // namespace
