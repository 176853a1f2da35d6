// What the benchmarks share to time work and to run shell commands.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>

inline double BenchSeconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time (user and system) of this process and of the children it
// has waited for.
inline double BenchCpuSeconds() {
  double seconds = 0;
  for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage{};
    ::getrusage(who, &usage);
    for (const timeval& t : {usage.ru_utime, usage.ru_stime}) {
      seconds += static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    }
  }
  return seconds;
}

// The best wall and processor times of a side over the rounds of a
// benchmark. On a shared machine the processor time is the steadier figure.
class CBenchBest {
 public:
  void Time(const std::function<void()>& work) {
    const double cpuStart = BenchCpuSeconds();
    const double wall = BenchSeconds(work);
    wall_ = std::min(wall_, wall);
    cpu_ = std::min(cpu_, BenchCpuSeconds() - cpuStart);
  }
  double Wall() const { return wall_; }
  double Cpu() const { return cpu_; }

 private:
  double wall_ = 1e300;
  double cpu_ = 1e300;
};

// text in single quotes for the shell.
inline std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

// Runs command with /bin/sh; an exit status above 1 (or a signal) throws,
// naming the start of the command.
inline void BenchShell(const std::string& command) {
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) > 1) {
    throw std::runtime_error("command failed (" + std::to_string(status) +
                             "): " + command.substr(0, 200) + (command.size() > 200 ? " ..." : ""));
  }
}

// The system's load averages over 1, 5 and 15 minutes as /proc/loadavg
// gives them ("2.27 2.19 2.71"), or "unknown": the figures of a shared
// machine are read beside it.
inline std::string BenchLoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one;
  std::string five;
  std::string fifteen;
  if (!(file >> one >> five >> fifteen)) {
    return "unknown";
  }
  return one + " " + five + " " + fifteen;
}
