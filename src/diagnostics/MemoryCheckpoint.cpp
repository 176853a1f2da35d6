#include "diagnostics/MemoryCheckpoint.h"

#include <cmath>
#include <exception>
#include <sstream>

#include "host/AppMgr.h"
#include "host/GlobalSettings.h"
#include "host/HostInterp.h"
#include "host/TclDataObj.h"

void CMemoryCheckpoints::Checkpoint(const std::string& label) {
  if (!initialised) {
    initialised = true;
    GetGlobalSettings();
    enabled = CGlobalSettings::GetBool("Settings::Debug_MemoryMsgs");
    if (enabled) {
      timer = std::make_unique<CPerfTimer>(true);
    }
  }
  if (!enabled) {
    return;
  }
  try {
    timer->Stop();
    CTclEvalObj memory("::expr [::Report -memory -workingsetsize] / 1024");
    if (!memory.Evaluate(false)) {
      return;  // the timer stays stopped: the next line covers this time too
    }
    const long totalKb = memory.GetResult().GetIntValue();
    const long deltaKb = totalKb - previousKb;
    previousKb = totalKb;
    double wholeMs = 0.0;
    std::modf(timer->ElapsedMs(), &wholeMs);
    std::ostringstream line;
    line << label << " Checkpoint " << counter++ << ": Memory total=" << totalKb
         << " delta=" << deltaKb << " KB  Runtime-delta=" << wholeMs << " ms" << std::endl;
    CAppMgr::SendMsg(kMsgInfo, line.str());
    timer->Start(true);
  } catch (...) {
    timer->Start(true);
  }
}

void MemoryCheckpoint(const std::string& label) {
  GetInterpState().Get<CMemoryCheckpoints>().Checkpoint(label);
}
