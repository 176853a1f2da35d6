#include "verify/TimingReport.h"

#include <span>
#include <string_view>
#include <vector>

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

void ObservePairs(CPairObserver& observer, const CHtmlReportWriter& writer,
                  std::span<const std::string_view> values) {
  const std::size_t pairs = writer.PairCount();
  for (std::size_t n = 0; n < pairs; ++n) {
    const std::size_t k = 2 * n;
    const std::string_view rtl = k + 1 < values.size() ? values[k + 1] : std::string_view();
    observer.Pair(n + 1, values[k], rtl, writer.PairAgrees(n));
  }
  observer.EndRecord();
}

std::string SkipMessage(const std::string& fileName, std::uint64_t line, std::size_t tokens) {
  return "timing file \"" + fileName + "\" line " + std::to_string(line) +
         ": skipped a record of " + std::to_string(tokens) + (tokens == 1 ? " token" : " tokens") +
         " (a record needs a time, a second field and a clock count)";
}

}  // namespace

void CClockFigures::FillFromLatency() {
  if (maxClocks == -1) {
    maxClocks = latency;
  }
  if (minClocks == -1) {
    minClocks = latency;
  }
}

CTimingFileSummary WriteTimingRows(CLineReader& reader, CHtmlReportWriter& writer,
                                   CClockFigures& figures, const std::string& fileName,
                                   const CTimingReportHooks& hooks) {
  CTimingFileSummary summary;
  std::vector<std::string_view> tokens;
  std::string_view line;
  bool startRecord = true;
  while (reader.Next(line)) {
    if (hooks.progress && reader.LineNumber() % kProgressEveryLines == 0) {
      hooks.progress(reader.BytesRead());
    }
    const bool escape = SplitRecord(line, tokens);
    if (tokens.empty()) {
      continue;  // an empty line, or one of white space only
    }
    if (tokens.size() <= kClockToken) {
      if (hooks.warn && summary.skipped < kNamedSkipsPerFile) {
        hooks.warn(SkipMessage(fileName, reader.LineNumber(), tokens.size()));
      }
      ++summary.skipped;
      continue;
    }
    ++summary.records;
    if (startRecord) {
      writer.WriteStartRow(tokens[kTimeToken], tokens[kClockToken], escape);
      startRecord = false;
      continue;
    }
    const std::span<const std::string_view> values(tokens.data() + kFirstValueToken,
                                                   tokens.size() - kFirstValueToken);
    summary.disagreeing +=
        writer.WriteOutputRow(tokens[kTimeToken], tokens[kClockToken], values, escape);
    const std::int32_t clocks = ParseClockCount(tokens[kClockToken]);
    if (hooks.observer) {
      hooks.observer->BeginRecord(reader.LineNumber(), summary.records, clocks);
      ObservePairs(*hooks.observer, writer, values);
    }
    const bool firstOutput = summary.outputRecords == 0;
    TakeClockCount(clocks, firstOutput, figures);
    TakeClockCount(clocks, firstOutput, summary.own);
    ++summary.outputRecords;
  }
  summary.hasLatency = summary.outputRecords > 0;
  if (hooks.warn && summary.skipped > kNamedSkipsPerFile) {
    hooks.warn("timing file \"" + fileName +
               "\": " + std::to_string(summary.skipped - kNamedSkipsPerFile) +
               " further records of fewer than three tokens skipped");
  }
  if (hooks.progress) {
    hooks.progress(reader.BytesRead());
  }
  return summary;
}
