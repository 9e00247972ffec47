// Cost of carrying calls to the main thread: posting and draining commands in bulk, and the
// round trip of one query answered by an idle main thread. Each case runs beside a plain
// standard-library queue doing the same job.
//
//   Dispatch_PostDrain            runInMainThread + TaskQueue: a packaged task and future per
//                                 call, drained by the main thread (`allocs`: per posted call)
//   Dispatch_PostDrain_Baseline   the same contract written plainly: a boost::packaged_task
//                                 and its future per call in a std::mutex + std::deque,
//                                 drained by swapping the deque out
//   Dispatch_QueuePostDrain       the queue alone, plain closures without futures
#include "AllocationCounter.h"
#include "Common/AsyncSystem.h"
#include "Common/Clock.h"
#include "Common/TaskQueue.h"

#include <benchmark/benchmark.h>
#include <boost/thread/future.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;

// How long an idle main thread sleeps before looking again; the queues wake it earlier.
constexpr std::chrono::milliseconds kIdleWait = 100ms;
// Tasks posted per iteration of the bulk cases.
constexpr int kBatch = 1000;
// Percentiles reported for the round trip.
constexpr double kMedian = 0.50;
constexpr double kTail = 0.99;

/// The standard-library baseline queue: a mutex, a condition variable and a deque of
/// std::function, drained by swapping the whole deque out.
class DequeQueue {
 public:
  void push(std::function<void()> task) {
    {
      std::lock_guard lock(mutex);
      tasks.push_back(std::move(task));
    }
    available.notify_one();
  }

  std::size_t waitAndDrain(std::chrono::milliseconds timeout) {
    std::deque<std::function<void()>> taken;
    {
      std::unique_lock lock(mutex);
      available.wait_for(lock, timeout, [this] { return !tasks.empty(); });
      taken.swap(tasks);
    }
    for (auto& task : taken) {
      task();
    }
    return taken.size();
  }

 private:
  std::mutex mutex;
  std::condition_variable available;
  std::deque<std::function<void()>> tasks;
};

/// The main-thread queue written plainly: every call gets a boost::packaged_task and its
/// future, like runInMainThread's, kept in a deque under a mutex and drained by swapping
/// the whole deque out.
class PackagedTaskQueue {
 public:
  template <class F>
  boost::future<void> post(F&& f) {
    boost::packaged_task<void()> task(std::forward<F>(f));
    boost::future<void> future = task.get_future();
    {
      std::lock_guard lock(mutex);
      tasks.push_back(std::move(task));
    }
    available.notify_one();
    return future;
  }

  std::size_t waitAndDrain(std::chrono::milliseconds timeout) {
    {
      std::unique_lock lock(mutex);
      available.wait_for(lock, timeout, [this] { return !tasks.empty(); });
      taken.swap(tasks);
    }
    for (auto& task : taken) {
      task();
    }
    const std::size_t ran = taken.size();
    taken.clear();
    return ran;
  }

 private:
  std::mutex mutex;
  std::condition_variable available;
  std::deque<boost::packaged_task<void()>> tasks;
  std::deque<boost::packaged_task<void()>> taken;  // the consumer's side of the swap
};

/// Reports the allocations made since `start` per posted call as the `allocs` counter.
void reportAllocationsPerCall(benchmark::State& state, std::uint64_t start, int callsPerIteration) {
  const auto calls = static_cast<double>(state.iterations()) * callsPerIteration;
  if (calls > 0) {
    state.counters["allocs"] = static_cast<double>(qel::bench::allocationCount() - start) / calls;
  }
}

/// A thread that runs `job` once each time `go` is called.
class Producer {
 public:
  explicit Producer(std::function<void()> work) : job(std::move(work)), thread([this] { loop(); }) {}

  ~Producer() {
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    wake.notify_one();
    thread.join();
  }

  void go() {
    {
      std::lock_guard lock(mutex);
      ++requested;
    }
    wake.notify_one();
  }

 private:
  void loop() {
    std::uint64_t done = 0;
    for (;;) {
      {
        std::unique_lock lock(mutex);
        wake.wait(lock, [&] { return stopping || requested > done; });
        if (stopping) {
          return;
        }
        ++done;
      }
      job();
    }
  }

  std::function<void()> job;
  std::mutex mutex;
  std::condition_variable wake;
  std::uint64_t requested = 0;
  bool stopping = false;
  std::thread thread;
};

/// A thread that acts as an idle main thread: it sleeps on the queue and runs what comes.
class MainLoop {
 public:
  explicit MainLoop(std::function<void()> start, std::function<void()> waitAndRun, std::function<void()> nudge)
      : run(std::move(waitAndRun)), wakeUp(std::move(nudge)), thread([this, s = std::move(start)] {
          s();
          while (!stopping) {
            run();
          }
        }) {}

  ~MainLoop() {
    stopping = true;
    wakeUp();
    thread.join();
  }

 private:
  std::function<void()> run;
  std::function<void()> wakeUp;
  std::atomic<bool> stopping{false};
  std::thread thread;
};

void reportPercentiles(benchmark::State& state, std::vector<qel::Clock::duration>& samples) {
  if (samples.empty()) {
    return;
  }
  std::sort(samples.begin(), samples.end());
  auto at = [&](double q) {
    const auto index = static_cast<std::size_t>(q * static_cast<double>(samples.size() - 1));
    return std::chrono::duration<double, std::micro>(samples[index]).count();
  };
  state.counters["p50_us"] = at(kMedian);
  state.counters["p99_us"] = at(kTail);
}

// --- Bulk posting through runInMainThread: a packaged task and future per call, as the
// library's commands do.

void Dispatch_PostDrain(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  qel::AsyncSystem& system = qel::AsyncSystem::instance(true);
  system.registerMainThread();
  int ran = 0;  // main thread only
  {
    Producer producer([&] {
      for (int i = 0; i < n; ++i) {
        system.runInMainThread([&ran] { ++ran; });
      }
    });
    const std::uint64_t start = qel::bench::allocationCount();
    for (auto _ : state) {
      ran = 0;
      producer.go();
      while (ran < n) {
        system.waitAndDrainMainThreadTasks(kIdleWait);
      }
    }
    reportAllocationsPerCall(state, start, n);
  }
  state.SetItemsProcessed(state.iterations() * n);
  qel::AsyncSystem::instance(true);
}
BENCHMARK(Dispatch_PostDrain)->Arg(kBatch)->UseRealTime();

void Dispatch_PostDrain_Baseline(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  PackagedTaskQueue queue;
  int ran = 0;
  {
    Producer producer([&] {
      for (int i = 0; i < n; ++i) {
        queue.post([&ran] { ++ran; });
      }
    });
    const std::uint64_t start = qel::bench::allocationCount();
    for (auto _ : state) {
      ran = 0;
      producer.go();
      while (ran < n) {
        queue.waitAndDrain(kIdleWait);
      }
    }
    reportAllocationsPerCall(state, start, n);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(Dispatch_PostDrain_Baseline)->Arg(kBatch)->UseRealTime();

/// The plain closure queue the bulk queue case is measured against.
void plainClosureQueue(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  DequeQueue queue;
  int ran = 0;
  {
    Producer producer([&] {
      for (int i = 0; i < n; ++i) {
        queue.push([&ran] { ++ran; });
      }
    });
    for (auto _ : state) {
      ran = 0;
      producer.go();
      while (ran < n) {
        queue.waitAndDrain(kIdleWait);
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// --- The queue alone: plain closures pushed as tasks, without futures.

void Dispatch_QueuePostDrain(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  qel::TaskQueue queue;
  int ran = 0;
  {
    Producer producer([&] {
      for (int i = 0; i < n; ++i) {
        queue.push(qel::makeWorkTask([&ran] { ++ran; }));
      }
    });
    for (auto _ : state) {
      ran = 0;
      producer.go();
      while (ran < n) {
        if (queue.waitForTask(kIdleWait)) {
          queue.runAll();
        }
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(Dispatch_QueuePostDrain)->Arg(kBatch)->UseRealTime();

void Dispatch_QueuePostDrain_Baseline(benchmark::State& state) { plainClosureQueue(state); }
BENCHMARK(Dispatch_QueuePostDrain_Baseline)->Arg(kBatch)->UseRealTime();

// --- One query at a time from this thread, answered by a main thread that was asleep.

void Dispatch_QueryRoundTrip(benchmark::State& state) {
  qel::AsyncSystem& system = qel::AsyncSystem::instance(true);
  std::atomic<bool> registered{false};
  std::vector<qel::Clock::duration> samples;
  {
    MainLoop mainLoop(
        [&] {
          system.registerMainThread();
          registered = true;
        },
        [&] { system.waitAndDrainMainThreadTasks(kIdleWait); },
        [&] { system.mainThreadTasks.push(qel::makeWorkTask([] {})); });
    while (!registered) {
      std::this_thread::yield();
    }
    int answer = 0;
    for (auto _ : state) {
      const auto start = qel::Clock::now();
      answer += system.runInMainThread([] { return 1; }).get();
      samples.push_back(qel::Clock::now() - start);
    }
    benchmark::DoNotOptimize(answer);
  }
  reportPercentiles(state, samples);
  qel::AsyncSystem::instance(true);
}
BENCHMARK(Dispatch_QueryRoundTrip)->UseRealTime();

void Dispatch_QueryRoundTrip_Baseline(benchmark::State& state) {
  DequeQueue queue;
  std::vector<qel::Clock::duration> samples;
  {
    MainLoop mainLoop([] {}, [&] { queue.waitAndDrain(kIdleWait); }, [&] { queue.push([] {}); });
    int answer = 0;
    for (auto _ : state) {
      const auto start = qel::Clock::now();
      auto promise = std::make_shared<std::promise<int>>();
      std::future<int> result = promise->get_future();
      queue.push([promise] { promise->set_value(1); });
      answer += result.get();
      samples.push_back(qel::Clock::now() - start);
    }
    benchmark::DoNotOptimize(answer);
  }
  reportPercentiles(state, samples);
}
BENCHMARK(Dispatch_QueryRoundTrip_Baseline)->UseRealTime();

}  // namespace
