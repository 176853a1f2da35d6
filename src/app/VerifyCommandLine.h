// `reportapp verify`: the verification reports of a regression from the shell
// and from CI, with its summary as JSON, JUnit XML and Reports/index.htm.
//
//   reportapp verify [options] TIMINGFILE...
//
// Writes the same reports as GenerateVerifyReport, prints one line per
// timing file and a total. Exit status: 0 every file passes, 1 some value
// disagrees or (without --allow-empty) some file compared no value, 2 an
// error (a file that could not be read, a bad option, two files with one
// report name).
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

// A name from the shell as a path the interpreter takes literally: a leading
// "~" would be read as a home directory, so it gets "./" in front.
std::string LiteralPath(const std::string& name);
