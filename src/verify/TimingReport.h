// Turns the records of one timing file into report rows and clock figures.
//
// The first record of a file is its start record; every later record is an
// output record. The clock count of the first output record is the latency;
// the counts of all later output records give the smallest and largest
// number of clocks between outputs.
#pragma once

#include <cstdint>
#include <functional>
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
};

// Sees every compared value pair of the output records as the report is
// written, in the same pass (per-file results, plots). Record numbers count
// the file's records from 1 (the start record is record 1); pair numbers
// count a record's pairs from 1.
class CPairObserver {
 public:
  virtual ~CPairObserver() = default;
  // Before the pairs of one output record.
  virtual void BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t clocks) = 0;
  // One pair as compared: the raw tokens (rtl is empty for an unpaired last
  // value) and whether they agree.
  virtual void Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
                    bool agrees) = 0;
  // After the last pair of the record.
  virtual void EndRecord() {}
};

struct CTimingReportHooks {
  // A skipped record: the message names the file and line.
  std::function<void(const std::string& message)> warn;
  // Called now and then with the bytes read so far.
  std::function<void(std::uint64_t bytesRead)> progress;
  // Told of every output record and its pairs; may be null.
  CPairObserver* observer = nullptr;
};

// Reads every line of the file from reader and writes one row per record.
// figures carries latency and extremes across the files of one command call;
// fileName is used in warnings.
CTimingFileSummary WriteTimingRows(CLineReader& reader, CHtmlReportWriter& writer,
                                   CClockFigures& figures, const std::string& fileName,
                                   const CTimingReportHooks& hooks = {});
