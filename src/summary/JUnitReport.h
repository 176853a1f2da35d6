// The JUnit XML form of a run's results, as Jenkins and GitLab read it: one
// test suite "reportapp verify", one test case per timing file.
#pragma once

#include <string>

#include "summary/RunSummary.h"

// classname is "<project folder name>.<rtl|impl>", name the timing file's
// base name. A disagreement is a failure of type "mismatch" listing the first
// disagreements, an error an <error>, an empty file a failure of type "empty"
// or, with allowEmpty, <skipped>.
std::string SummaryToJUnit(const CRunSummary& summary, bool allowEmpty);
