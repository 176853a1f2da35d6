#include "summary/PlotOutput.h"

#include <stdexcept>

#include "summary/IndexPage.h"
#include "summary/PlotPage.h"
#include "summary/RunSummary.h"
#include "util/FilePath.h"
#include "verify/FileCompanions.h"
#include "verify/ReportFile.h"

void CPlotRun::BeginFile(const CFileCompanions& companions) {
  collector_.Start(CPlotScale::FromCompanions(companions));
}

CPlotOutput CPlotRun::EndFile(const CFileCompanions& companions, bool realValues) {
  CPlotOutput output;
  output.pagePath = companions.plotPagePath;
  CPlotPageInfo info;
  info.vectorName = CFilePath(companions.timingPath).BaseName();
  info.timingPath = companions.timingPath;
  info.reportLink = RelativeUrl(ReportFileName(companions.reportPath));
  info.indexLink = linkIndex_ ? RelativeUrl("index.htm") : "";
  info.realValues = realValues;
  WritePlotPageHtml(collector_.Data(), info, page_);
  // The file's report, just written into the same folder, has swept it.
  CReportFile file(output.pagePath, CReportFile::ETemporary::kUnnamed, CReportFile::ESweep::kNone);
  file.Write(page_);
  file.Commit();
  output.strip = MakePlotStrip(collector_.Data());
  return output;
}
