// ::ReportApp::verify: the run of `reportapp verify` from a flow script,
// without shelling out.
//
//   ::ReportApp::verify ?options? timingFile ?timingFile ...?
//
// Takes the options of `reportapp verify` (--json, --junit, --no-index,
// --allow-empty, --first, --jobs, --impl, --real-values, --project), writes
// the same reports and summary files and returns the summary as a dict:
// status (the exit status verify would give), project, level, realValues,
// totals, figures, files (one dict per file with the JSON fields) and index.
// File names follow Tcl's rules, as GenerateVerifyReport's do; two files with
// one report name are warned of, naming both, and the later report is kept.
// --jobs defaults to 1 here: worker interpreters start from the project
// directory and settings, not from the rest of the calling interpreter.
#pragma once

#include <tcl.h>

// Creates the command in interp.
void CreateVerifyTclCommand(Tcl_Interp* interp);
