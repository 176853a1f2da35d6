// Reports/index.htm: one self-contained page over a run's results (no
// external file; works from file://). Totals and an overall verdict at the
// top, then one row per timing file: files that do not pass first, then the
// rest, each group in the given order. Every text is escaped; the table turns
// into one block per file on narrow screens.
#pragma once

#include <string>

#include "summary/RunSummary.h"

std::string SummaryToIndexPage(const CRunSummary& summary, bool allowEmpty);

// A file name as a relative URL: bytes outside the unreserved set of URLs
// percent-encoded, so names with '#', '?', '%' or spaces link correctly.
std::string RelativeUrl(std::string_view fileName);
