#include "summary/RunSummary.h"

std::string ReportFileName(const std::string& reportPath) {
  const std::size_t slash = reportPath.find_last_of('/');
  return slash == std::string::npos ? reportPath : reportPath.substr(slash + 1);
}

std::string TimingBaseName(const std::string& timingPath) {
  std::string name = ReportFileName(timingPath);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) {
    name.resize(dot);
  }
  return name;
}

bool LacksDiagnosis(const CFileResult& file) {
  return file.status != EFileStatus::kError && !file.diagnosis;
}

bool FilePasses(const CFileResult& file, bool allowEmpty) {
  return file.status == EFileStatus::kPass || (allowEmpty && file.status == EFileStatus::kEmpty);
}

CRunTotals CRunSummary::Totals() const {
  CRunTotals totals;
  for (const CFileResult& file : files) {
    ++totals.files;
    totals.records += file.records;
    totals.values += file.values;
    totals.disagreeing += file.disagreeing;
    if (file.diagnosis) {
      totals.classes.Add(file.diagnosis->classes);
    }
    switch (file.status) {
      case EFileStatus::kPass:
        ++totals.passed;
        break;
      case EFileStatus::kFail:
        ++totals.failed;
        break;
      case EFileStatus::kEmpty:
        ++totals.empty;
        break;
      case EFileStatus::kError:
        ++totals.errors;
        break;
    }
  }
  return totals;
}

double CRunSummary::Seconds() const {
  double seconds = 0;
  for (const CFileResult& file : files) {
    seconds += file.seconds;
  }
  return seconds;
}

int CRunSummary::ExitStatus(bool allowEmpty) const {
  const CRunTotals totals = Totals();
  if (totals.errors > 0) {
    return kExitError;
  }
  if (totals.failed > 0 || (!allowEmpty && totals.empty > 0)) {
    return kExitFail;
  }
  return kExitPass;
}
