// `reportapp summarize`: merges the JSON results of separate verify runs
// (shards, for example one per compute-farm job) into one index page, JSON,
// JUnit and Markdown file, with the exit status rules of `reportapp verify`.
//
//   reportapp summarize [--project DIR] [--json FILE] [--junit FILE]
//                       [--junit-flavor F] [--markdown FILE]
//                       [--no-index] [--allow-empty] [--quiet] SHARD.json...
#pragma once

#include <iosfwd>

// argv holds the words after "summarize".
int RunSummarizeCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

const char* SummarizeUsageText();
