#include "summary/PlotOutput.h"

#include <stdexcept>

#include "summary/IndexPage.h"
#include "summary/PlotPage.h"
#include "summary/RunSummary.h"
#include "util/FilePath.h"
#include "verify/ReportFile.h"
#include "verify/TestVectorFile.h"
#include "verify/VerifyReportRun.h"

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
  info.reportLink = RelativeUrl(ReportFileName(reportPath));
  info.indexLink = linkIndex_ ? RelativeUrl("index.htm") : "";
  WritePlotPageHtml(collector_.Data(), info, page_);
  // The file's report, just written into the same folder, has swept it.
  CReportFile file(output.pagePath, CReportFile::ETemporary::kUnnamed, CReportFile::ESweep::kNone);
  file.Write(page_);
  file.Commit();
  output.strip = MakePlotStrip(collector_.Data());
  return output;
}
