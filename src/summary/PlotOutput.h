// The plots of a run's timing files: one collector looks on as each report
// is written, and after each file its plot page is written beside the
// report (Reports/<report base name>_plot.htm) and its index strip kept.
#pragma once

#include <string>

#include "analysis/PlotCollector.h"
#include "summary/PlotStrip.h"

struct CFileCompanions;

struct CPlotOutput {
  std::string pagePath;
  CPlotStrip strip;
};

class CPlotRun {
 public:
  // linkIndex: the plot pages link to Reports/index.htm.
  explicit CPlotRun(bool linkIndex = true) : linkIndex_(linkIndex) {}

  // The observer to hand to the report run (CVerifyHooks::observers).
  CPairObserver* Observer() { return &collector_; }

  // Before a file: the value axis from its test-vector file's quantizer
  // header, raw codes when there is none.
  void BeginFile(const CFileCompanions& companions);
  // After a file was read whole: writes its plot page under a temporary
  // name and renames it into place. Throws std::runtime_error naming the
  // page when it cannot be written; an earlier page of that name then stays.
  // realValues: the report shows values as reals (the page says where it
  // reads them differently).
  CPlotOutput EndFile(const CFileCompanions& companions, bool realValues = false);

  const CPlotData& Data() const { return collector_.Data(); }

 private:
  CPlotCollector collector_;
  bool linkIndex_;
  std::string page_;  // the last page's text, its storage reused
};
