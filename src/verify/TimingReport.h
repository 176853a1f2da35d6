// Turns the records of one timing file into report rows and clock figures.
//
// The first record of a file is its start record; every later record is an
// output record. The clock count of the first output record is the latency;
// the counts of all later output records give the smallest and largest
// number of clocks between outputs.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "verify/HtmlReportWriter.h"
#include "verify/LineReader.h"

// Latency and clock extremes; -1 for an extreme means "none yet".
struct CClockFigures {
  std::int32_t latency = 0;
  std::int32_t maxClocks = -1;
  std::int32_t minClocks = -1;

  // After a file: an extreme still unset takes the latency.
  void FillFromLatency();
};

// What one timing file held.
struct CTimingFileSummary {
  std::uint64_t records = 0;        // rows written, start row included
  std::uint64_t outputRecords = 0;  // rows after the start row
  std::uint64_t disagreeing = 0;    // value pairs that differ
  std::uint64_t skipped = 0;        // records of one or two tokens
  bool hasLatency = false;          // the file had an output record
  CClockFigures own;                // this file's figures alone
  // Some line held a carriage return that does not end it: the file probably
  // has CR-only line ends and was read as fewer, longer records (warned).
  bool strayCarriageReturns = false;
  // The file's size changed while it was read, so the report may not match
  // the file as it was or as it is (warned). Set by the caller that knows the
  // file (CVerifyReportRun); a command line should treat it as an error.
  bool inputChanged = false;
  // Warned once per file, as signs of a file read with its columns shifted:
  // a clock count (third token) that is not a whole number, an output record
  // with an odd number of value tokens.
  bool clockNotWhole = false;
  bool unpairedValue = false;
};

// The compared pairs of one output record held whole, handed on at once.
struct CRecordPairs {
  std::uint64_t line = 0;    // line of the timing file, from 1
  std::uint64_t record = 0;  // record of the file, from 1 (the start record is 1)
  std::int32_t clocks = 0;   // the record's clock count
  // The record's tokens from the fourth on: fixed-point and RTL value in
  // turn; an odd count leaves the last value unpaired.
  std::span<const std::string_view> values;
  // Per pair, from 0: nonzero when its two tokens agree.
  std::span<const unsigned char> agrees;
  std::uint64_t disagreeing = 0;  // the pairs that differ
  // The record's first token, its time as the testbench wrote it.
  std::string_view time;

  std::size_t Pairs() const { return agrees.size(); }
  std::string_view FixedPoint(std::size_t pair) const { return values[2 * pair]; }
  // Empty for an unpaired last value.
  std::string_view Rtl(std::size_t pair) const {
    return 2 * pair + 1 < values.size() ? values[2 * pair + 1] : std::string_view();
  }
};

// Sees every compared value pair of the output records as the report is
// written, in the same pass (per-file results, plots). Record numbers count
// the file's records from 1 (the start record is record 1); pair numbers
// count a record's pairs from 1.
//
// A record held whole comes in one Record call; a record too long to hold
// comes pair by pair, as its tokens stream by, through BeginRecord, Pair and
// EndRecord. Both tell the same. Either way RecordTime comes first, with
// the record's time token.
class CPairObserver {
 public:
  virtual ~CPairObserver() = default;
  // Before BeginRecord: the record's first token, its time, as written. The
  // view is valid for this call only.
  virtual void RecordTime(std::string_view /*time*/) {}
  // Before the pairs of one output record.
  virtual void BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t clocks) = 0;
  // One pair as compared: the raw tokens (rtl is empty for an unpaired last
  // value) and whether they agree.
  virtual void Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
                    bool agrees) = 0;
  // After the last pair of the record.
  virtual void EndRecord() {}
  // A whole record: one call instead of one per pair, for observers that
  // look at every pair. By default, BeginRecord, Pair for each, EndRecord.
  virtual void Record(const CRecordPairs& pairs);
};

struct CTimingReportHooks {
  // A skipped record: the message names the file and line.
  std::function<void(const std::string& message)> warn;
  // Called now and then with the bytes read so far.
  std::function<void(std::uint64_t bytesRead)> progress;
  // Told of every output record and its pairs; may be null.
  CPairObserver* observer = nullptr;
  // Decides agreement in place of equal texts; may be null.
  const CValueComparison* compare = nullptr;
  // Reads the input again at an offset (a regular file), for the second pass
  // over a line too long to hold. Without it such a line is kept in an
  // unnamed temporary file while it is read.
  std::function<std::size_t(std::uint64_t offset, char* data, std::size_t size)> readAt;
  // Lines up to heldLine bytes are split in memory, longer ones streamed; a
  // line longer than lineLimit is an error naming the file and line, which
  // names lineLimitName as the way to change the limit.
  std::size_t heldLine = CLineReader::kDefaultHeldLine;
  std::uint64_t lineLimit = CLineReader::kDefaultLineLimit;
  std::string lineLimitName;
};

// Reads every line of the file from reader and writes one row per record.
// figures carries latency and extremes across the files of one command call;
// fileName is used in warnings and errors.
//
// A line longer than the reader holds is written in two passes over its
// tokens (the fixed-point cell, then the RTL cell), holding one value pair at
// a time: memory is bounded by the reader's block and held-line sizes plus
// twice the longest token, whatever the length of a line. Running out of
// memory is a std::runtime_error naming the file and line.
CTimingFileSummary WriteTimingRows(CLineReader& reader, CHtmlReportWriter& writer,
                                   CClockFigures& figures, const std::string& fileName,
                                   const CTimingReportHooks& hooks = {});

// The variable that sets the line limit of timing files, in bytes.
inline constexpr const char* kLineLimitSetting = "ReportApp::maxLineBytes";
// The line limit the host's settings give: ::ReportApp::maxLineBytes when it
// is set, else CLineReader::kDefaultLineLimit (1 GiB). Throws
// std::runtime_error when the variable is not a positive whole number.
std::uint64_t LineLimitSetting();
