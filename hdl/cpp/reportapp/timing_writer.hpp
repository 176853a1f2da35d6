// Timing-file writer for C++ testbenches (Verilator C++, SystemC); header
// only, C++17.
//
//   reportapp::TimingWriter timing("kv_timing_Korvel_TestVector_1.txt", 2, 16);
//   ...at reset release:        timing.Start(timeNs);
//   ...on every clock after it: timing.Tick();
//   ...on every valid output:   timing.Output(timeNs, {model1, model2}, {rtl1, rtl2});
//
// Lines written:  "<time> start 0"  and  "<time> out <clocks> <model1> <rtl1> <model2> <rtl2> ..."
// The clock count is the number of Tick() calls since the previous record.
// Values are two's-complement bit patterns masked to the word length, in
// lower-case hex of ceil(word length / 4) digits. Times are integer counts of
// nanoseconds: NsFromTicks() converts Verilator's time, NsFromSeconds()
// SystemC's sc_time_stamp().to_seconds().
//
// Bad input throws std::runtime_error naming the file (let it end the
// simulation): a file that cannot be opened or written, a word length outside
// 1 to 64, a record whose value count does not match the channel count, a
// record before Start().
#ifndef REPORTAPP_HDL_TIMING_WRITER_HPP
#define REPORTAPP_HDL_TIMING_WRITER_HPP

#include <cmath>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace reportapp {

class TimingWriter {
 public:
  TimingWriter(std::string path, int channels, int wordLength)
      : path_(std::move(path)), channels_(channels), wordLength_(wordLength) {
    if (channels_ < 1) {
      Fail("channel count " + std::to_string(channels_) + " (at least 1)");
    }
    if (wordLength_ < 1 || wordLength_ > 64) {
      Fail("word length " + std::to_string(wordLength_) + " (1 to 64)");
    }
    file_.open(path_, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file_) {
      Fail("cannot open the file for writing");
    }
  }

  TimingWriter(const TimingWriter&) = delete;
  TimingWriter& operator=(const TimingWriter&) = delete;

  // The start record (reset release).
  void Start(std::uint64_t timeNs) {
    if (started_) {
      Fail("Start called twice");
    }
    Put(std::to_string(timeNs) + " start 0\n");
    started_ = true;
    clocks_ = 0;
  }

  // Counts clocks toward the next output record.
  void Tick(std::uint64_t clocks = 1) { clocks_ += clocks; }

  // One output record: one model and one RTL value per channel.
  template <typename Values>
  void Output(std::uint64_t timeNs, const Values& model, const Values& rtl) {
    if (!started_) {
      Fail("Output before Start");
    }
    CheckCount("model", model.size());
    CheckCount("RTL", rtl.size());
    std::string line = std::to_string(timeNs) + " out " + std::to_string(clocks_);
    auto m = std::begin(model);
    auto r = std::begin(rtl);
    for (; m != std::end(model); ++m, ++r) {
      line += ' ';
      line += Hex(static_cast<std::int64_t>(*m));
      line += ' ';
      line += Hex(static_cast<std::int64_t>(*r));
    }
    line += '\n';
    Put(line);
    clocks_ = 0;
  }

  void Output(std::uint64_t timeNs, std::initializer_list<std::int64_t> model,
              std::initializer_list<std::int64_t> rtl) {
    Output(timeNs, std::vector<std::int64_t>(model), std::vector<std::int64_t>(rtl));
  }

  // Flushes and closes; a write that failed on the way is reported here.
  void Close() {
    if (!file_.is_open()) {
      return;
    }
    file_.close();
    if (!file_) {
      Fail("writing the file failed");
    }
  }

  ~TimingWriter() {
    if (file_.is_open()) {
      file_.close();
    }
  }

  // The value's bit pattern as the timing file holds it.
  std::string Hex(std::int64_t value) const {
    static constexpr char kDigits[] = "0123456789abcdef";
    const int digits = (wordLength_ + 3) / 4;
    auto bits = static_cast<std::uint64_t>(value);
    if (wordLength_ < 64) {
      bits &= (std::uint64_t{1} << wordLength_) - 1;
    }
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, bits >>= 4) {
      text[static_cast<std::size_t>(i)] = kDigits[bits & 0xf];
    }
    return text;
  }

  const std::string& Path() const { return path_; }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("reportapp timing writer: " + path_ + ": " + what);
  }

  void CheckCount(const char* what, std::size_t count) const {
    if (count != static_cast<std::size_t>(channels_)) {
      Fail(std::string("the ") + what + " record has " + std::to_string(count) +
           " values, the file was opened for " + std::to_string(channels_) + " channels");
    }
  }

  void Put(const std::string& text) {
    if (!file_.is_open()) {
      Fail("record after Close");
    }
    file_.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!file_) {
      Fail("writing the file failed");
    }
  }

  std::string path_;
  int channels_;
  int wordLength_;
  std::ofstream file_;
  bool started_ = false;
  std::uint64_t clocks_ = 0;
};

// Verilator's time (contextp->time()) in ns, given contextp->timeprecision()
// (the power of ten of one tick, -12 for ps); rounded to the nearest ns.
inline std::uint64_t NsFromTicks(std::uint64_t ticks, int precisionExponent) {
  std::uint64_t scale = 1;
  if (precisionExponent >= -9) {
    for (int e = precisionExponent; e > -9; --e) {
      scale *= 10;
    }
    return ticks * scale;
  }
  for (int e = precisionExponent; e < -9; ++e) {
    scale *= 10;
  }
  return (ticks + scale / 2) / scale;
}

// SystemC's sc_core::sc_time_stamp().to_seconds() in ns, rounded to the nearest ns.
inline std::uint64_t NsFromSeconds(double seconds) {
  return static_cast<std::uint64_t>(std::llround(seconds * 1e9));
}

}  // namespace reportapp

#endif  // REPORTAPP_HDL_TIMING_WRITER_HPP
