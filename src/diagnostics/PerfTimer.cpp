#include "diagnostics/PerfTimer.h"

#include <chrono>

namespace {

std::int64_t ReadCounter() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t CounterFrequency() {
  using Period = std::chrono::nanoseconds::period;
  return Period::den / Period::num;
}

}  // namespace

std::int64_t CPerfTimer::frequency = 0;
std::int64_t CPerfTimer::adjustment = 0;

CPerfTimer::CPerfTimer(bool start) {
  if (frequency == 0) {
    frequency = CounterFrequency();
    if (frequency == 0) {
      frequency = 1;
    }
    // Measure what a start/stop pair costs, once per process.
    tickCount = 0;
    adjustment = 0;
    Start(false);
    Stop();
    adjustment = tickCount;
  }
  tickCount = start ? ReadCounter() : 0;
}

void CPerfTimer::Start(bool reset) {
  const std::int64_t now = ReadCounter();
  if (!reset && tickCount < 0) {
    tickCount += now;
  } else {
    tickCount = now;
  }
}

void CPerfTimer::Stop() {
  if (tickCount <= 0) {
    return;
  }
  tickCount -= ReadCounter();
  tickCount = tickCount < adjustment ? tickCount - adjustment : 0;
}

double CPerfTimer::ElapsedMs() const {
  CPerfTimer snapshot(*this);
  snapshot.Stop();
  return static_cast<double>(-snapshot.tickCount) * 1000.0 / static_cast<double>(frequency);
}
