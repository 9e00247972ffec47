#include "Common/Clock.h"

#include "Common/Log.h"

#include <atomic>
#include <limits>

namespace qel {

namespace {

using Ticks = Clock::duration::rep;

std::atomic<bool> manualMode{false};
std::atomic<Ticks> manualTicks{0};

void refuse(int line, const char* function, const char* text) {
  Log::getInstance().log(SourceLocation{"Core/src/Common/Clock.cpp", line, function}, Log::kRefused, text);
}

}  // namespace

Clock::time_point Clock::now() {
  if (manualMode.load(std::memory_order_acquire)) {
    return time_point(duration(manualTicks.load(std::memory_order_acquire)));
  }
  return clock::now();
}

void Clock::useRealTime() { manualMode.store(false, std::memory_order_release); }

void Clock::useManualTime(time_point start) {
  manualTicks.store(start.time_since_epoch().count(), std::memory_order_release);
  manualMode.store(true, std::memory_order_release);
}

bool Clock::isManual() { return manualMode.load(std::memory_order_acquire); }

void Clock::advance(std::chrono::nanoseconds step) {
  if (!isManual()) {
    refuse(__LINE__, "qel::Clock::advance", "The clock follows real time and cannot be advanced.");
    return;
  }
  const Ticks ticks = std::chrono::duration_cast<duration>(step).count();
  if (ticks < 0) {
    refuse(__LINE__, "qel::Clock::advance", "The clock cannot be moved backwards.");
    return;
  }
  Ticks current = manualTicks.load(std::memory_order_acquire);
  do {
    if (current > std::numeric_limits<Ticks>::max() - ticks) {
      refuse(__LINE__, "qel::Clock::advance", "The step would run the clock past its range.");
      return;
    }
  } while (!manualTicks.compare_exchange_weak(current, current + ticks, std::memory_order_acq_rel));
}

void Clock::set(time_point t) {
  if (!isManual()) {
    refuse(__LINE__, "qel::Clock::set", "The clock follows real time and cannot be set.");
    return;
  }
  manualTicks.store(t.time_since_epoch().count(), std::memory_order_release);
}

}  // namespace qel
