// `reportapp verify`: the verification report from the shell and from CI.
//
//   reportapp verify [--project DIR] [--impl] [--real-values] TIMINGFILE...
//
// Writes the same reports as GenerateVerifyReport, prints one line per
// timing file and a total, and exits 0 when every value agrees, 1 when any
// disagrees and 2 on an error.
#pragma once

#include <tcl.h>

#include <iosfwd>

// argv holds the words after "verify". interp has the extension loaded and
// is the bound host interpreter.
int RunVerifyCommandLine(Tcl_Interp* interp, int argc, char** argv);

// The same, writing to the given streams (tests); showProgress forces the
// progress display on or off.
int RunVerifyCommandLine(Tcl_Interp* interp, int argc, char** argv, std::ostream& out,
                         std::ostream& err, bool showProgress);

// The --help text.
const char* VerifyUsageText();
