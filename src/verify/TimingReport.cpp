#include "verify/TimingReport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "host/GlobalSettings.h"
#include "util/StringUtil.h"
#include "verify/TimingRecord.h"

namespace {

// Skipped records are named one by one up to this many per file; the rest
// are counted in one closing warning.
constexpr std::uint64_t kNamedSkipsPerFile = 10;
// Lines between two progress calls.
constexpr std::uint64_t kProgressEveryLines = 1 << 16;

// The update of one output record's clock count.
void TakeClockCount(std::int32_t clocks, bool firstOutput, CClockFigures& figures) {
  if (firstOutput) {
    figures.latency = clocks;
    return;
  }
  if (clocks < figures.minClocks || figures.minClocks < 0) {
    figures.minClocks = clocks;
  }
  if (clocks > figures.maxClocks) {
    figures.maxClocks = clocks;
  }
}

std::string FileLine(const std::string& fileName, std::uint64_t line) {
  return "timing file " + QuotedForMessage(fileName) + " line " + std::to_string(line);
}

std::string SkipMessage(const std::string& fileName, std::uint64_t line, std::size_t tokens) {
  return FileLine(fileName, line) + ": skipped a record of " + std::to_string(tokens) +
         (tokens == 1 ? " token" : " tokens") +
         " (a record needs a time, a second field and a clock count)";
}

}  // namespace

void CPairObserver::Record(const CRecordPairs& pairs) {
  RecordTime(pairs.time);
  BeginRecord(pairs.line, pairs.record, pairs.clocks);
  for (std::size_t n = 0; n < pairs.Pairs(); ++n) {
    Pair(n + 1, pairs.FixedPoint(n), pairs.Rtl(n), pairs.agrees[n] != 0);
  }
  EndRecord();
}

void CClockFigures::FillFromLatency() {
  if (maxClocks == -1) {
    maxClocks = latency;
  }
  if (minClocks == -1) {
    minClocks = latency;
  }
}

namespace {

// What the rows of one file share.
struct CRowContext {
  CHtmlReportWriter& writer;
  CClockFigures& figures;
  CTimingFileSummary& summary;
  const std::string& fileName;
  const CTimingReportHooks& hooks;
};

void TakeOutputClocks(std::int32_t clocks, CRowContext& c) {
  const bool firstOutput = c.summary.outputRecords == 0;
  TakeClockCount(clocks, firstOutput, c.figures);
  TakeClockCount(clocks, firstOutput, c.summary.own);
  ++c.summary.outputRecords;
}

void WarnSkipped(std::uint64_t line, std::size_t tokens, CRowContext& c) {
  if (c.hooks.warn && c.summary.skipped < kNamedSkipsPerFile) {
    c.hooks.warn(SkipMessage(c.fileName, line, tokens));
  }
  ++c.summary.skipped;
}

// A carriage return inside a line (not the one before its line feed): the
// file has CR-only line ends, or stray bytes. Warned once per file.
void NoteStrayCarriageReturn(std::uint64_t line, CRowContext& c) {
  if (c.summary.strayCarriageReturns) {
    return;
  }
  c.summary.strayCarriageReturns = true;
  if (c.hooks.warn) {
    c.hooks.warn(FileLine(c.fileName, line) +
                 ": holds a carriage return that does not end a line; lines end only at line "
                 "feeds, so a file with carriage returns alone as line ends reads as one record");
  }
}

// A clock count that is not a whole number: most often a time written with
// its unit ("80.000 ns"), which shifts every later column by one. Warned once
// per file.
void CheckClockToken(std::uint64_t line, std::string_view clocks, CRowContext& c) {
  if (c.summary.clockNotWhole || IsWholeNumber(clocks)) {
    return;
  }
  c.summary.clockNotWhole = true;
  if (c.hooks.warn) {
    c.hooks.warn(FileLine(c.fileName, line) + ": the clock count (third token) " +
                 QuotedForMessage(clocks) +
                 " is not a whole number; if the time was written with a unit (\"80.000 ns\"), "
                 "every column after it is shifted by one and counts and values are misread");
  }
}

// An output record whose last value has no partner. Warned once per file.
void CheckPairedValues(std::uint64_t line, std::uint64_t values, CRowContext& c) {
  if (c.summary.unpairedValue || values % 2 == 0) {
    return;
  }
  c.summary.unpairedValue = true;
  if (c.hooks.warn) {
    c.hooks.warn(FileLine(c.fileName, line) + ": " + std::to_string(values) +
                 " value tokens, an odd number, so the last has no RTL value beside it (a "
                 "column missing or shifted?)");
  }
}

// The bytes of a long line for its second pass: read again from the input
// where it can be (a regular file), else kept in an unnamed temporary file
// as the first pass reads them.
class CLineReplay {
 public:
  CLineReplay(const CTimingReportHooks& hooks, std::uint64_t offset, std::string where)
      : readAt_(hooks.readAt), offset_(offset), where_(std::move(where)) {}

  void Keep(std::string_view piece) {
    length_ += piece.size();
    if (readAt_) {
      return;
    }
    if (!spool_) {
      spool_.reset(std::tmpfile());
      if (!spool_) {
        Fail("cannot create a temporary file for the long line");
      }
    }
    if (std::fwrite(piece.data(), 1, piece.size(), spool_.get()) != piece.size()) {
      Fail("cannot write the long line to a temporary file");
    }
  }

  bool NextPiece(std::string_view& piece) {
    if (position_ == length_) {
      return false;
    }
    if (block_.empty()) {
      block_.resize(static_cast<std::size_t>(
          std::min<std::uint64_t>(CLineReader::kDefaultBlockSize, length_)));
      if (spool_ && std::fseek(spool_.get(), 0, SEEK_SET) != 0) {
        Fail("cannot read the long line back from its temporary file");
      }
    }
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(block_.size(), length_ - position_));
    const std::size_t n = readAt_ ? readAt_(offset_ + position_, block_.data(), want)
                                  : std::fread(block_.data(), 1, want, spool_.get());
    if (n == 0) {
      Fail("the line ended early when read a second time (the file changed while it was read)");
    }
    position_ += n;
    piece = std::string_view(block_.data(), n);
    return true;
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error(where_ + ": " + what);
  }

 private:
  std::function<std::size_t(std::uint64_t, char*, std::size_t)> readAt_;
  std::uint64_t offset_;
  std::string where_;
  std::uint64_t length_ = 0;
  std::uint64_t position_ = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> spool_{nullptr, &std::fclose};
  std::vector<char> block_;
};

void ReleaseToken(std::string& token) {
  std::string().swap(token);
}

// A line too long to hold, in two passes over its tokens: the first writes
// the time, the clocks and the fixed-point cell and tells the observer of
// each pair; the second reads the line again and writes the RTL cell. At most
// two tokens are held at a time; agree holds one bit per pair.
void WriteLongRecord(CLineReader& reader, CRowContext& c, bool& startRecord,
                     std::vector<bool>& agree) {
  const std::uint64_t line = reader.LineNumber();
  CLineReplay replay(c.hooks, reader.LineOffset(), FileLine(c.fileName, line));
  bool pendingReturn = false;  // the last piece ended in a carriage return
  CTokenStream first([&](std::string_view& piece) {
    if (!reader.NextLinePiece(piece)) {
      return false;
    }
    if (pendingReturn || std::memchr(piece.data(), '\r', piece.size() - 1) != nullptr) {
      NoteStrayCarriageReturn(line, c);
    }
    pendingReturn = piece.back() == '\r';
    replay.Keep(piece);
    return true;
  });
  std::string time;
  std::string clocks;
  std::size_t tokens = 0;
  if (first.Next(time) && ++tokens && first.Skip() && ++tokens && first.Next(clocks)) {
    ++tokens;
  }
  if (tokens == 0) {
    return;  // white space only
  }
  if (tokens <= kClockToken) {
    WarnSkipped(line, tokens, c);
    return;
  }
  ++c.summary.records;
  CheckClockToken(line, clocks, c);
  if (startRecord) {
    c.writer.WriteStartRow(time, clocks, true);
    startRecord = false;
    return;  // the rest of the line is skipped by the reader
  }
  const std::int32_t clockCount = ParseClockCount(clocks);
  c.writer.BeginStreamedRow(time, clocks);
  if (c.hooks.observer) {
    c.hooks.observer->RecordTime(time);
  }
  ReleaseToken(time);
  ReleaseToken(clocks);
  if (c.hooks.observer) {
    c.hooks.observer->BeginRecord(line, c.summary.records, clockCount);
  }

  c.writer.BeginStreamedCell();
  agree.clear();
  std::uint64_t disagreeing = 0;
  bool lastPaired = true;
  std::string fixed;
  std::string rtl;
  for (std::size_t n = 0; first.Next(fixed); ++n) {
    lastPaired = first.Next(rtl);
    const bool agrees =
        lastPaired &&
        (c.hooks.compare == nullptr ? fixed == rtl : c.hooks.compare->Agree(fixed, rtl));
    agree.push_back(agrees);
    disagreeing += agrees ? 0 : 1;
    c.writer.StreamedValue(n, &fixed, agrees);
    if (c.hooks.observer) {
      c.hooks.observer->Pair(n + 1, fixed, lastPaired ? std::string_view(rtl) : std::string_view(),
                             agrees);
    }
    if (!lastPaired) {
      break;
    }
  }
  ReleaseToken(fixed);
  c.writer.EndStreamedCell();
  if (!lastPaired) {
    CheckPairedValues(line, 2 * agree.size() - 1, c);
  }
  if (c.hooks.observer) {
    c.hooks.observer->EndRecord();
  }

  CTokenStream second([&replay](std::string_view& piece) { return replay.NextPiece(piece); });
  for (std::size_t k = 0; k < kFirstValueToken; ++k) {
    second.Skip();
  }
  c.writer.BeginStreamedCell();
  for (std::size_t n = 0; n < agree.size(); ++n) {
    const bool hasFixed = second.Skip();
    const bool paired = hasFixed && second.Next(rtl);
    if (!hasFixed || paired != (n + 1 < agree.size() || lastPaired)) {
      replay.Fail("the line read differently the second time (the file changed while it was read)");
    }
    c.writer.StreamedValue(n, paired ? &rtl : nullptr, agree[n]);
  }
  c.writer.EndStreamedCell();
  c.writer.EndStreamedRow();
  c.summary.disagreeing += disagreeing;
  TakeOutputClocks(clockCount, c);
}

// A line held whole: split in memory and written in one piece.
void WriteRecord(std::string_view line, std::uint64_t lineNumber,
                 std::vector<std::string_view>& tokens, CRowContext& c, bool& startRecord) {
  const bool escape = SplitRecord(line, tokens);
  if (tokens.empty()) {
    return;  // an empty line, or one of white space only
  }
  if (tokens.size() <= kClockToken) {
    WarnSkipped(lineNumber, tokens.size(), c);
    return;
  }
  ++c.summary.records;
  CheckClockToken(lineNumber, tokens[kClockToken], c);
  if (startRecord) {
    c.writer.WriteStartRow(tokens[kTimeToken], tokens[kClockToken], escape);
    startRecord = false;
    return;
  }
  const std::span<const std::string_view> values(tokens.data() + kFirstValueToken,
                                                 tokens.size() - kFirstValueToken);
  CheckPairedValues(lineNumber, values.size(), c);
  const std::uint64_t disagreeing =
      c.writer.WriteOutputRow(tokens[kTimeToken], tokens[kClockToken], values, escape);
  c.summary.disagreeing += disagreeing;
  const std::int32_t clocks = ParseClockCount(tokens[kClockToken]);
  if (c.hooks.observer) {
    c.hooks.observer->Record({lineNumber, c.summary.records, clocks, values, c.writer.Agreements(),
                              disagreeing, tokens[kTimeToken]});
  }
  TakeOutputClocks(clocks, c);
}

}  // namespace

CTimingFileSummary WriteTimingRows(CLineReader& reader, CHtmlReportWriter& writer,
                                   CClockFigures& figures, const std::string& fileName,
                                   const CTimingReportHooks& hooks) {
  CTimingFileSummary summary;
  CRowContext context{writer, figures, summary, fileName, hooks};
  reader.SetLineLimits(hooks.heldLine, hooks.lineLimit, "timing file " + QuotedForMessage(fileName),
                       hooks.lineLimitName);
  std::vector<std::string_view> tokens;
  std::vector<bool> agree;
  std::string_view line;
  bool startRecord = true;
  try {
    while (reader.Next(line)) {
      if (hooks.progress && reader.LineNumber() % kProgressEveryLines == 0) {
        hooks.progress(reader.BytesRead());
      }
      if (reader.InLongLine()) {
        WriteLongRecord(reader, context, startRecord, agree);
        continue;
      }
      if (std::memchr(line.data(), '\r', line.size()) != nullptr) {
        NoteStrayCarriageReturn(reader.LineNumber(), context);
      }
      WriteRecord(line, reader.LineNumber(), tokens, context, startRecord);
    }
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(FileLine(fileName, reader.LineNumber()) +
                             ": out of memory while writing its row");
  }
  summary.hasLatency = summary.outputRecords > 0;
  if (hooks.warn && summary.skipped > kNamedSkipsPerFile) {
    hooks.warn("timing file " + QuotedForMessage(fileName) + ": " +
               std::to_string(summary.skipped - kNamedSkipsPerFile) +
               " further records of fewer than three tokens skipped");
  }
  if (hooks.progress) {
    hooks.progress(reader.BytesRead());
  }
  return summary;
}

std::uint64_t LineLimitSetting() {
  const std::int64_t limit = CGlobalSettings::GetInteger(
      kLineLimitSetting, static_cast<std::int64_t>(CLineReader::kDefaultLineLimit));
  if (limit <= 0) {
    throw std::runtime_error(std::string("setting ::") + kLineLimitSetting +
                             " must be a positive number of bytes, not " + std::to_string(limit));
  }
  return static_cast<std::uint64_t>(limit);
}
