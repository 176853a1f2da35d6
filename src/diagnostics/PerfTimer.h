// A start/stop stopwatch on the high-resolution monotonic counter. Every
// measurement loses the measured cost of one start/stop pair, and never goes
// below zero.
#pragma once

#include <cstdint>

class CPerfTimer {
 public:
  explicit CPerfTimer(bool start = false);
  CPerfTimer(const CPerfTimer&) = default;
  CPerfTimer& operator=(const CPerfTimer&) = default;
  virtual ~CPerfTimer() = default;

  // Resumes a stopped timer, keeping what it counted, or restarts from zero
  // when reset is set (or when it is running).
  void Start(bool reset = false);
  void Stop();
  // Elapsed milliseconds; a running timer keeps running.
  double ElapsedMs() const;
  bool IsRunning() const { return tickCount > 0; }

  static bool IsSupported() { return Calibration().frequency > 1; }
  static double Resolution() { return 1.0 / static_cast<double>(Calibration().frequency); }
  static double ResolutionMs() { return 1000.0 / static_cast<double>(Calibration().frequency); }
  static double ResolutionUs() { return 1000000.0 / static_cast<double>(Calibration().frequency); }
  // Ticks that one Start followed by one Stop costs, as a negative number.
  static std::int64_t Adjustment() { return Calibration().adjustment; }

 private:
  // Shared by every timer of the process: measured once, by whichever thread
  // constructs the first timer, and never changed after.
  struct CounterCalibration {
    std::int64_t frequency;
    std::int64_t adjustment;
  };
  static const CounterCalibration& Calibration();
  static CounterCalibration Calibrate();

  // Running: the counter at the (virtual) start. Stopped: minus the ticks so far.
  std::int64_t tickCount = 0;
};
