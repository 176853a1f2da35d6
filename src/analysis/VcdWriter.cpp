#include "analysis/VcdWriter.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <stdexcept>

#include "util/FilePath.h"
#include "util/StringUtil.h"
#include "verify/ReportFile.h"

namespace {

// Bytes of value changes kept in memory before they go to the spool file.
constexpr std::size_t kSpoolBlock = 1 << 16;
// Signals per channel: model, rtl, error, agree.
constexpr std::size_t kSignals = 4;
// A time token longer than this is no whole number of ns (2^64 has 20 digits).
constexpr std::size_t kLongestTime = 20;

std::uint64_t LowBits(int bits) {
  return bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}

// A name a dump's scope may have: letters, digits and underscores.
std::string ScopeName(std::string name) {
  for (char& c : name) {
    const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    c = word ? c : '_';
  }
  return name.empty() ? std::string("vector") : name;
}

std::int64_t Saturated(__int128 value) {
  constexpr auto kLeast = std::numeric_limits<std::int64_t>::min();
  constexpr auto kMost = std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(std::clamp<__int128>(value, kLeast, kMost));
}

}  // namespace

std::string VcdIdentifier(std::size_t n) {
  constexpr std::size_t kCharacters = '~' - '!' + 1;
  std::string id;
  do {
    id += static_cast<char>('!' + n % kCharacters);
    n /= kCharacters;
  } while (n > 0);
  return id;
}

CVcdWriter::CVcdWriter(std::string timingPath, std::string vcdPath, CPlotScale format)
    : timingPath_(std::move(timingPath)),
      vcdPath_(std::move(vcdPath)),
      format_(std::move(format)) {}

CVcdWriter::~CVcdWriter() = default;

void CVcdWriter::RecordTime(std::string_view time) {
  pendingTime_.assign(time.substr(0, kLongestTime + 1));
}

void CVcdWriter::BeginRecord(std::uint64_t line, std::uint64_t, std::int32_t) {
  std::uint64_t time = 0;
  const char* end = pendingTime_.data() + pendingTime_.size();
  const auto [at, error] = std::from_chars(pendingTime_.data(), end, time);
  const bool whole = error == std::errc() && at == end && !pendingTime_.empty();
  if (!whole || (hasTime_ && time <= time_)) {
    const std::string shown = pendingTime_.size() > kLongestTime
                                  ? pendingTime_.substr(0, kLongestTime) + "..."
                                  : pendingTime_;
    Warn(warnedTime_,
         "timing file " + QuotedForMessage(timingPath_) + " line " + std::to_string(line) +
             ": the time (first token) " + QuotedForMessage(shown) +
             (whole ? " is not later than the time before" : " is not a whole number of ns") +
             "; the waveform " + QuotedForMessage(vcdPath_) +
             " takes the time before plus 1 ns here and wherever else this happens");
    time = hasTime_ ? time_ + 1 : 0;
  }
  time_ = time;
  hasTime_ = true;
  timeWritten_ = false;
  pendingTime_.clear();
}

void CVcdWriter::Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
                      bool agrees) {
  if (pair > kMostChannels) {
    Warn(warnedChannels_, "timing file " + QuotedForMessage(timingPath_) + ": the waveform " +
                              QuotedForMessage(vcdPath_) + " holds the first " +
                              std::to_string(kMostChannels) +
                              " channels only; the values after them are left out");
    return;
  }
  if (channels_.size() < pair) {
    channels_.resize(pair);
  }
  CChannel& channel = channels_[pair - 1];
  const std::size_t first = kSignals * (pair - 1);
  const CValueToken model = ReadValueToken(fixedPoint);
  const CValueToken design = ReadValueToken(rtl);
  Change(channel.model, WordOf(model), first);
  Change(channel.rtl, WordOf(design), first + 1);
  Change(channel.error, ErrorOf(model, design), first + 2);
  ChangeBit(channel.agree, agrees ? '1' : '0', first + 3);
}

CVcdWriter::CWord CVcdWriter::WordOf(const CValueToken& token) {
  CWord word;
  word.written = true;
  if (token.kind == EValueKind::kUnreadable) {
    word.unreadable = true;
    return word;
  }
  // Raw codes are written as wide as the widest token so far.
  rawBits_ = std::max(rawBits_, token.bits);
  word.bits = format_.HasQuantizer() ? format_.WordLength() : rawBits_;
  const std::uint64_t mask = LowBits(word.bits);
  word.pattern = token.pattern & mask;
  word.unknown = token.unknownMask & mask;
  word.floating = token.floatingMask & mask;
  return word;
}

CVcdWriter::CWord CVcdWriter::ErrorOf(const CValueToken& model, const CValueToken& rtl) const {
  CWord error;
  error.written = true;
  error.bits = kErrorBits;
  if (!model.IsNumber() || !rtl.IsNumber()) {
    error.unreadable = true;
    return error;
  }
  __int128 difference = 0;
  if (format_.IsSigned()) {
    difference = __int128{format_.IntegerCode<std::int64_t>(rtl.pattern)} -
                 format_.IntegerCode<std::int64_t>(model.pattern);
  } else {
    difference = __int128{format_.IntegerCode<std::uint64_t>(rtl.pattern)} -
                 format_.IntegerCode<std::uint64_t>(model.pattern);
  }
  error.pattern = static_cast<std::uint64_t>(Saturated(difference));
  return error;
}

void CVcdWriter::BeginChange() {
  if (timeWritten_) {
    return;
  }
  timeWritten_ = true;
  body_ += '#';
  body_ += std::to_string(time_);
  body_ += '\n';
}

void CVcdWriter::Change(CWord& last, const CWord& now, std::size_t signal) {
  if (last == now) {
    return;
  }
  last = now;
  BeginChange();
  body_ += 'b';
  if (now.unreadable) {
    body_ += 'x';
  } else {
    // From the top bit down; leading zeros are left out, as a reader fills
    // the wire with 0 before a 0 or 1 (but with x before x and z before z, so
    // one 0 stays before those).
    bool leading = true;
    for (int bit = now.bits - 1; bit >= 0; --bit) {
      const std::uint64_t at = std::uint64_t{1} << bit;
      const char c = (now.floating & at) != 0  ? 'z'
                     : (now.unknown & at) != 0 ? 'x'
                     : (now.pattern & at) != 0 ? '1'
                                               : '0';
      if (leading && c == '0' && bit > 0) {
        continue;
      }
      if (leading && (c == 'x' || c == 'z') && bit + 1 < now.bits) {
        body_ += '0';
      }
      leading = false;
      body_ += c;
    }
  }
  body_ += ' ';
  body_ += VcdIdentifier(signal);
  body_ += '\n';
  Spool(false);
}

void CVcdWriter::ChangeBit(char& last, char now, std::size_t signal) {
  if (last == now) {
    return;
  }
  last = now;
  BeginChange();
  body_ += now;
  body_ += VcdIdentifier(signal);
  body_ += '\n';
  Spool(false);
}

void CVcdWriter::Spool(bool force) {
  if (body_.size() < kSpoolBlock && !(force && spool_)) {
    return;
  }
  if (!spool_) {
    spool_.reset(std::tmpfile());
    if (!spool_) {
      Fail("cannot create a temporary file for its value changes");
    }
  }
  if (std::fwrite(body_.data(), 1, body_.size(), spool_.get()) != body_.size()) {
    Fail("cannot write its value changes to a temporary file");
  }
  body_.clear();
}

void CVcdWriter::Warn(bool& once, const std::string& message) {
  if (!once) {
    once = true;
    warnings_.push_back(message);
  }
}

std::string CVcdWriter::Declarations() const {
  const int word = format_.HasQuantizer() ? format_.WordLength() : rawBits_;
  std::string text =
      "$comment model and RTL values per channel; error is RTL less model in "
      "LSBs $end\n"
      "$timescale 1ns $end\n"
      "$scope module " +
      ScopeName(CFilePath(timingPath_).BaseName()) + " $end\n";
  const auto variable = [&text](const char* type, int bits, std::size_t signal, const char* name) {
    text += std::string("$var ") + type + ' ' + std::to_string(bits) + ' ' + VcdIdentifier(signal) +
            ' ' + name + " $end\n";
  };
  for (std::size_t n = 0; n < channels_.size(); ++n) {
    text += "$scope module ch" + std::to_string(n + 1) + " $end\n";
    variable("wire", word, kSignals * n, "model");
    variable("wire", word, kSignals * n + 1, "rtl");
    variable("integer", kErrorBits, kSignals * n + 2, "error");
    variable("wire", 1, kSignals * n + 3, "agree");
    text += "$upscope $end\n";
  }
  text += "$upscope $end\n$enddefinitions $end\n";
  return text;
}

void CVcdWriter::Finish() {
  Spool(true);
  CReportFile file(vcdPath_, CReportFile::ETemporary::kUnnamed, CReportFile::ESweep::kNone);
  file.Write(Declarations());
  if (spool_) {
    if (std::fseek(spool_.get(), 0, SEEK_SET) != 0) {
      Fail("cannot read its value changes back from a temporary file");
    }
    body_.resize(kSpoolBlock);
    std::size_t n = 0;
    while ((n = std::fread(body_.data(), 1, body_.size(), spool_.get())) > 0) {
      file.Write(std::string_view(body_.data(), n));
    }
    if (std::ferror(spool_.get()) != 0) {
      Fail("cannot read its value changes back from a temporary file");
    }
    body_.clear();
  } else {
    file.Write(body_);
  }
  file.Commit();
}

void CVcdWriter::Fail(const std::string& what) const {
  throw std::runtime_error("waveform " + QuotedForMessage(vcdPath_) + ": " + what);
}
