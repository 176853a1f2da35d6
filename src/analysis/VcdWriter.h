// A waveform file of one timing file, written beside its report
// (Reports/<report base name>.vcd) for a waveform viewer: per channel (value
// pair) the model value, the RTL value, the error in LSBs and an agree bit,
// each changing at the time (first token) of the output records.
//
// The file is a value change dump with a time scale of 1 ns. Its layout:
//   module <timing file base name>
//     module ch<n>      one per channel, from 1
//       model  wire     the model's word: the word length of the vector's
//       rtl    wire     quantizer header, or without a header raw codes as
//                       wide as the widest token of the file (4 bits a digit)
//       error  integer  RTL less model in LSBs, 64-bit two's complement
//                       (saturated), x when either value is not a number
//       agree  wire     1 when the pair agreed as the report compared it
// Unknown digits (x X u U w W - ?) are x bits, z and Z digits z bits; a token
// that is no number at all is x. Only values that change are written. (Raw
// codes are written as wide as the widest token so far: a value written
// before a wider token came whose first digit is unknown reads as unknown
// above its digits too.)
//
// Memory is bounded whatever the file's size: the value changes go to an
// unnamed temporary file as the records pass, and Finish writes the
// declarations (which need the channel count and, without a header, the
// widest token) and then copies the changes after them. The last values are
// kept for at most kMostChannels channels; later ones are left out with a
// warning.
//
// Times that are not whole numbers of ns, or not later than the time before,
// are warned once per file and taken as the time before plus 1, so the dump
// stays in order and every record keeps a time of its own.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/PlotScale.h"
#include "analysis/ValueToken.h"
#include "verify/TimingReport.h"

class CVcdWriter final : public CPairObserver {
 public:
  static constexpr std::size_t kMostChannels = 1024;
  static constexpr int kErrorBits = 64;

  // The waveform of timingPath, to be written to vcdPath, the tokens read
  // through format (CPlotScale::FromCompanions: the vector's quantizer header
  // when it has one, else raw codes).
  CVcdWriter(std::string timingPath, std::string vcdPath, CPlotScale format);
  ~CVcdWriter() override;
  CVcdWriter(const CVcdWriter&) = delete;
  CVcdWriter& operator=(const CVcdWriter&) = delete;

  void RecordTime(std::string_view time) override;
  void BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t clocks) override;
  void Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
            bool agrees) override;

  // After the whole file was read: writes the waveform under a temporary
  // name and renames it into place. Throws std::runtime_error naming the
  // file when it cannot be written; an earlier file of that name then stays.
  void Finish();

  // Remarks on the file (times out of order, channels left out), each once.
  const std::vector<std::string>& Warnings() const { return warnings_; }
  const std::string& Path() const { return vcdPath_; }

 private:
  // The last value written of one signal; unset until the first.
  struct CWord {
    bool written = false;
    std::uint64_t pattern = 0;
    std::uint64_t unknown = 0;
    std::uint64_t floating = 0;
    bool unreadable = false;
    int bits = 0;  // the bits written
    bool operator==(const CWord&) const = default;
  };
  struct CChannel {
    CWord model;
    CWord rtl;
    CWord error;  // pattern holds the error's bits; unreadable: x
    char agree = 0;
  };

  CWord WordOf(const CValueToken& token);
  CWord ErrorOf(const CValueToken& model, const CValueToken& rtl) const;
  void Change(CWord& last, const CWord& now, std::size_t signal);
  void ChangeBit(char& last, char now, std::size_t signal);
  void BeginChange();
  void Spool(bool force);
  void Warn(bool& once, const std::string& message);
  std::string Declarations() const;
  [[noreturn]] void Fail(const std::string& what) const;

  std::string timingPath_;
  std::string vcdPath_;
  CPlotScale format_;
  int rawBits_ = 1;  // without a header: the widest token so far
  std::vector<CChannel> channels_;
  std::string pendingTime_;  // the time token of the record to come
  std::uint64_t time_ = 0;
  bool hasTime_ = false;
  bool timeWritten_ = true;  // the current record's time is in the body
  std::string body_;         // changes not yet in the spool
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> spool_{nullptr, &std::fclose};
  std::vector<std::string> warnings_;
  bool warnedTime_ = false;
  bool warnedChannels_ = false;
};

// The identifier of the n-th signal of a value change dump, from 0: printable
// characters from '!' to '~', the first changing fastest.
std::string VcdIdentifier(std::size_t n);
