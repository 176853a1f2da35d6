#include "summary/PlotOutput.h"

#include <stdexcept>

#include "summary/PlotPage.h"
#include "util/FilePath.h"
#include "verify/ReportFile.h"
#include "verify/TestVectorFile.h"
#include "verify/VerifyReportRun.h"

namespace {

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void CPlotRun::BeginFile(const CVerifyReportRun& run, const std::string& timingPath) {
  if (!VectorSuffix(timingPath)) {
    collector_.Start(CPlotScale::RawCodes(
        "the timing file's name does not end in \"kv_timing_Korvel_TestVector_<n>.txt\", so "
        "no test-vector file belongs to it"));
    return;
  }
  collector_.Start(CPlotScale::FromVectorFile(run.VectorPathFor(timingPath)));
}

CPlotOutput CPlotRun::EndFile(const std::string& timingPath, const std::string& reportPath) {
  CPlotOutput output;
  output.pagePath = PlotPagePathFor(reportPath);
  CPlotPageInfo info;
  info.vectorName = CFilePath(timingPath).BaseName();
  info.timingPath = timingPath;
  info.reportLink = FileNameOf(reportPath);
  info.indexLink = linkIndex_ ? "index.htm" : "";
  const std::string page = PlotPageHtml(collector_.Data(), info);
  CReportFile file(output.pagePath);
  file.Write(page);
  file.Commit();
  output.strip = MakePlotStrip(collector_.Data());
  return output;
}
