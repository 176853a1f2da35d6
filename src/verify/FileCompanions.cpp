#include "verify/FileCompanions.h"

#include <stdexcept>

#include "util/FilePath.h"
#include "verify/TestVectorFile.h"

std::string PlotPagePathFor(const std::string& reportPath) {
  CFilePath page(reportPath);
  page.SetFileName(page.BaseName() + "_plot.htm");
  return page;
}

std::string VcdPathFor(const std::string& reportPath) {
  CFilePath waveform(reportPath);
  waveform.SetFileName(waveform.BaseName() + ".vcd");
  return waveform;
}

void ReadVectorHeader(CFileCompanions& companions) {
  companions.headerRead = true;
  if (companions.vectorPath.empty()) {
    return;
  }
  companions.vectorExists = CFilePath(companions.vectorPath).Exists();
  if (!companions.vectorExists) {
    return;
  }
  try {
    companions.vectorLine = ReadFirstLine(companions.vectorPath, "test-vector file");
  } catch (const std::runtime_error& e) {
    companions.vectorError = e.what();
  }
}
