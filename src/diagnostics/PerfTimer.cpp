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

const CPerfTimer::CounterCalibration& CPerfTimer::Calibration() {
  static const CounterCalibration calibration = Calibrate();
  return calibration;
}

CPerfTimer::CounterCalibration CPerfTimer::Calibrate() {
  CounterCalibration c{CounterFrequency(), 0};
  if (c.frequency == 0) {
    c.frequency = 1;
  }
  // What a start/stop pair costs: the same steps as Start then Stop, with no
  // adjustment yet.
  std::int64_t ticks = ReadCounter();
  ticks -= ReadCounter();
  c.adjustment = ticks < 0 ? ticks : 0;
  return c;
}

CPerfTimer::CPerfTimer(bool start) {
  static_cast<void>(Calibration());
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
  const std::int64_t adjustment = Calibration().adjustment;
  tickCount = tickCount < adjustment ? tickCount - adjustment : 0;
}

double CPerfTimer::ElapsedMs() const {
  CPerfTimer snapshot(*this);
  snapshot.Stop();
  return static_cast<double>(-snapshot.tickCount) * 1000.0 /
         static_cast<double>(Calibration().frequency);
}
