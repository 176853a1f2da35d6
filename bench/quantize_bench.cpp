// Throughput of CQuantizer::QuantizeInPlace against a per-value loop over
// CQuantizer::Quantize, for the common round and overflow modes.
//
// Usage: quantize_bench [values] [repetitions] [--help]
// Prints, per mode, the values per second of both and whether their results
// are bit-identical; exits non-zero when they are not.
#include <tcl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "fixedpoint/Quantizer.h"
#include "host/HostInterp.h"
#include "host/HostProcs.h"

namespace {

constexpr const char* kUsage =
    "usage: quantize_bench [VALUES] [REPETITIONS] [--help]\n"
    "  VALUES       values quantized per mode (default 8388608)\n"
    "  REPETITIONS  rounds per mode, each side keeps its best (default 7)\n";

// A whole number above 0 from a command-line word; 0 when it is not one.
unsigned long long PositiveNumber(const char* word) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(word, &end, 10);
  return end != word && *end == '\0' && word[0] != '-' ? value : 0;
}

using Clock = std::chrono::steady_clock;

struct Mode {
  const char* name;
  int roundMode;
  int overflowMode;
};

// Values spread over the signed 16/8 range and 25 % beyond it, with exact
// ties (odd multiples of half an LSB) mixed in.
std::vector<double> MakeInput(std::size_t n) {
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> spread(-160.0, 160.0);
  std::uniform_int_distribution<int> tie(-40000, 40000);
  std::vector<double> values(n);
  for (std::size_t i = 0; i < n; ++i) {
    values[i] = (i % 8 == 0) ? (2 * tie(random) + 1) / 512.0 : spread(random);
  }
  return values;
}

template <class F>
double Seconds(const std::vector<double>& input, std::vector<double>& work, F&& run) {
  std::copy(input.begin(), input.end(), work.begin());
  const auto start = Clock::now();
  run(work);
  const std::chrono::duration<double> elapsed = Clock::now() - start;
  return elapsed.count();
}

bool SetUpHost(const char* argv0) {
  Tcl_FindExecutable(argv0);
  Tcl_Interp* interp = Tcl_CreateInterp();
  if (!InitHostStubs(interp)) {
    std::fprintf(stderr, "cannot set up Tcl: %s\n", Tcl_GetStringResult(interp));
    return false;
  }
  BindHostInterp(interp);
  return DefineDefaultHostProcs(interp, "") == TCL_OK;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const std::size_t count = argc > 1 ? PositiveNumber(argv[1]) : 8u << 20;
  const unsigned long long rounds = argc > 2 ? PositiveNumber(argv[2]) : 7;
  if (argc > 3 || count == 0 || rounds == 0 || rounds > 1000) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const int repetitions = static_cast<int>(rounds);
  if (!SetUpHost(argv[0])) {
    return 2;
  }

  const Mode modes[] = {
      {"floor/wrap", kRoundFloor, kOverflowWrap},
      {"floor/saturate", kRoundFloor, kOverflowSaturate},
      {"nearest/wrap", kRoundNearest, kOverflowWrap},
      {"nearest/saturate", kRoundNearest, kOverflowSaturate},
      {"convergent/wrap", kRoundConvergent, kOverflowWrap},
      {"convergent/saturate", kRoundConvergent, kOverflowSaturate},
  };
  const std::vector<double> input = MakeInput(count);
  std::vector<double> fast(count);
  std::vector<double> naive(count);

  std::printf("QuantizeInPlace vs per-value Quantize, fixed 16/8, %zu values, best of %d\n", count,
              repetitions);
  std::printf("%-20s %16s %16s %8s %10s\n", "mode", "in place (M/s)", "per value (M/s)", "speedup",
              "identical");
  bool allIdentical = true;
  for (const Mode& mode : modes) {
    const CQuantizer q(kTypeFixed, mode.overflowMode, mode.roundMode, 16, 8);
    // Rounds alternate between the two loops, so both see the same machine
    // load; each keeps its best round.
    double fastSeconds = 1e30;
    double naiveSeconds = 1e30;
    for (int r = 0; r < repetitions; ++r) {
      fastSeconds =
          std::min(fastSeconds,
                   Seconds(input, fast, [&q](std::vector<double>& v) { q.QuantizeInPlace(v); }));
      naiveSeconds = std::min(naiveSeconds, Seconds(input, naive, [&q](std::vector<double>& v) {
                                for (double& x : v) {
                                  x = q.Quantize(x);
                                }
                              }));
    }
    const bool identical = std::memcmp(fast.data(), naive.data(), count * sizeof(double)) == 0;
    allIdentical = allIdentical && identical;
    const double fastRate = count / fastSeconds / 1e6;
    const double naiveRate = count / naiveSeconds / 1e6;
    std::printf("%-20s %16.1f %16.1f %7.1fx %10s\n", mode.name, fastRate, naiveRate,
                fastRate / naiveRate, identical ? "yes" : "NO");
  }
  std::printf("requirement: in place >= 100 M values/s per mode\n");
  return allIdentical ? 0 : 1;
}
