// The JSON form of a run's results ("reportapp-verify/2"), written and read
// with nlohmann-json, and the merge of several runs' results (shards).
// Results of the first form ("reportapp-verify/1", without the fixed-point
// diagnosis) are read too; their files then have no diagnosis.
//
// Texts that are not valid UTF-8 (raw tokens, file names) are written with
// U+FFFD in place of each invalid byte, as JSON holds only Unicode text.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "summary/RunSummary.h"

inline constexpr std::string_view kSummarySchema = "reportapp-verify/2";
inline constexpr std::string_view kSummarySchemaWithoutDiagnosis = "reportapp-verify/1";

// The document, indented by two spaces, with a final line end.
std::string SummaryToJson(const CRunSummary& summary);

// Reads a document written by SummaryToJson. Throws std::runtime_error naming
// source (a shard's file name) and what is wrong: not JSON, another schema, a
// missing or mistyped field.
CRunSummary SummaryFromJson(std::string_view text, const std::string& source);

// One shard: its name (for messages) and its results.
using TNamedSummary = std::pair<std::string, CRunSummary>;

// The files of all shards in shard order, under the first shard's project
// unless project is given. Throws std::runtime_error naming the shard when
// its level or real-value setting differs from the first shard's.
CRunSummary MergeSummaries(const std::vector<TNamedSummary>& shards, const std::string& project);
