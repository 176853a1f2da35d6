#include "analysis/FileResult.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<EFileStatus, std::string_view>, 4> kStatusNames{{
    {EFileStatus::kPass, "pass"},
    {EFileStatus::kFail, "fail"},
    {EFileStatus::kEmpty, "empty"},
    {EFileStatus::kError, "error"},
}};

// GenerateVerifyReport's running minimum: a count replaces it when smaller
// or when the minimum is still negative ("none yet", or a negative count).
std::int32_t NextRunningMin(std::int32_t runningMin, std::int32_t clocks) {
  return clocks < runningMin || runningMin < 0 ? clocks : runningMin;
}

}  // namespace

std::string_view FileStatusName(EFileStatus status) {
  for (const auto& [value, name] : kStatusNames) {
    if (value == status) {
      return name;
    }
  }
  return "error";
}

bool ParseFileStatus(std::string_view name, EFileStatus& status) {
  for (const auto& [value, text] : kStatusNames) {
    if (text == name) {
      status = value;
      return true;
    }
  }
  return false;
}

CClockFigures CFileResult::OwnFigures() const {
  CClockFigures own;
  FoldFileFigures(own, figures);
  own.FillFromLatency();
  return own;
}

void CFileResult::SetStatusFromCounts() {
  if (figures.outputRecords == 0 || values == 0) {
    status = EFileStatus::kEmpty;
  } else {
    status = disagreeing == 0 ? EFileStatus::kPass : EFileStatus::kFail;
  }
}

void ClassifyDisagreements(std::vector<CDisagreement>& disagreements, const CPlotScale& format) {
  for (CDisagreement& d : disagreements) {
    const CPairClass c = ClassifyPair(d.fixedPoint, d.rtl, format);
    d.valueClass = c.valueClass;
    d.errorLsb = HasErrorLsb(c.valueClass) ? std::optional<double>(c.errorLsb) : std::nullopt;
  }
}

void FoldFileFigures(CClockFigures& run, const CFileFigures& file) {
  if (file.outputRecords == 0) {
    return;
  }
  run.latency = file.latency;
  if (file.outputRecords == 1) {
    return;
  }
  run.maxClocks = std::max(run.maxClocks, file.maxClocks);
  // Without a negative count the file's counts lower a set minimum or
  // replace an unset one; after a negative count the running minimum restarts,
  // so it ends where the file's own running minimum ends.
  if (run.minClocks < 0 || file.negativeClock) {
    run.minClocks = file.minClocks;
  } else {
    run.minClocks = std::min(run.minClocks, file.minClocks);
  }
}

CClockFigures FoldRunFigures(const std::vector<CFileResult>& files) {
  CClockFigures run;
  for (const CFileResult& file : files) {
    if (file.status == EFileStatus::kError) {
      continue;
    }
    FoldFileFigures(run, file.figures);
    run.FillFromLatency();
  }
  return run;
}

CFileResultObserver::CFileResultObserver(CFileResult& result, std::size_t keep)
    : result_(result), keep_(keep) {}

void CFileResultObserver::BeginRecord(std::uint64_t line, std::uint64_t record,
                                      std::int32_t clocks) {
  line_ = line;
  record_ = record;
  clocks_ = clocks;
  CFileFigures& figures = result_.figures;
  if (figures.outputRecords++ == 0) {
    figures.latency = clocks;
    return;
  }
  // The largest count over all later records, whatever its sign (the run's
  // maximum may already be below -1 when a latency filled it).
  figures.maxClocks = figures.outputRecords == 2 ? clocks : std::max(figures.maxClocks, clocks);
  figures.minClocks = NextRunningMin(figures.minClocks, clocks);
  figures.negativeClock = figures.negativeClock || clocks < 0;
}

void CFileResultObserver::Pair(std::uint64_t pair, std::string_view fixedPoint,
                               std::string_view rtl, bool agrees) {
  ++result_.values;
  if (!agrees) {
    ++result_.disagreeing;
    Keep(pair, fixedPoint, rtl);
  }
}

void CFileResultObserver::Record(const CRecordPairs& pairs) {
  BeginRecord(pairs.line, pairs.record, pairs.clocks);
  result_.values += pairs.Pairs();
  result_.disagreeing += pairs.disagreeing;
  if (pairs.disagreeing == 0 || result_.firstDisagreements.size() >= keep_) {
    return;
  }
  for (std::size_t n = 0; n < pairs.Pairs(); ++n) {
    if (pairs.agrees[n] == 0) {
      Keep(n + 1, pairs.FixedPoint(n), pairs.Rtl(n));
    }
  }
}

void CFileResultObserver::Keep(std::uint64_t pair, std::string_view fixedPoint,
                               std::string_view rtl) {
  if (result_.firstDisagreements.size() < keep_) {
    result_.firstDisagreements.push_back(
        {line_, record_, clocks_, pair, std::string(fixedPoint), std::string(rtl), {}, {}});
  }
}

void CPairObserverFanOut::RecordTime(std::string_view time) {
  for (CPairObserver* observer : observers_) {
    observer->RecordTime(time);
  }
}

void CPairObserverFanOut::BeginRecord(std::uint64_t line, std::uint64_t record,
                                      std::int32_t clocks) {
  for (CPairObserver* observer : observers_) {
    observer->BeginRecord(line, record, clocks);
  }
}

void CPairObserverFanOut::Pair(std::uint64_t pair, std::string_view fixedPoint,
                               std::string_view rtl, bool agrees) {
  for (CPairObserver* observer : observers_) {
    observer->Pair(pair, fixedPoint, rtl, agrees);
  }
}

void CPairObserverFanOut::EndRecord() {
  for (CPairObserver* observer : observers_) {
    observer->EndRecord();
  }
}

void CPairObserverFanOut::Record(const CRecordPairs& pairs) {
  for (CPairObserver* observer : observers_) {
    observer->Record(pairs);
  }
}
