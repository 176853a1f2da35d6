// The files that belong to one timing file, worked out once per file and
// handed to the report pass, the observers and the writers of the summaries:
// its report, its plot page, its test-vector file and that file's quantizer
// header line.
//
// A timing file kv_timing_Korvel_TestVector_<suffix>.txt belongs to the
// vector file Korvel_TestVector_<suffix>.txt in the project's FixedPointC
// (C++ projects) or FixedPointM folder; other names have no vector file.
#pragma once

#include <string>

struct CFileCompanions {
  std::string timingPath;    // as opened
  std::string reportPath;    // Reports/<base>_rtl.htm or _impl.htm
  std::string plotPagePath;  // beside the report: <report base>_plot.htm
  std::string vcdPath;       // a waveform file written beside the report; "" for none
  // The test-vector file; "" when the timing file's name has no vector suffix.
  std::string vectorPath;
  // Whether the vector file's first line was looked for, and what came of it.
  bool headerRead = false;
  bool vectorExists = false;
  std::string vectorLine;   // the first line, without its line end
  std::string vectorError;  // why the first line could not be read ("" when it could)

  // The quantizer header: the first line less its marker character; "" when
  // there is no such line.
  std::string Header() const { return vectorLine.empty() ? std::string() : vectorLine.substr(1); }
};

// The plot page beside a report: "<dir>/<base>_rtl.htm" gives
// "<dir>/<base>_rtl_plot.htm".
std::string PlotPagePathFor(const std::string& reportPath);
// The waveform beside a report: "<dir>/<base>_rtl.htm" gives
// "<dir>/<base>_rtl.vcd".
std::string VcdPathFor(const std::string& reportPath);

// Looks for the vector file and reads its first line into companions. Never
// throws: a file that cannot be read leaves its reason in vectorError.
void ReadVectorHeader(CFileCompanions& companions);
