// A run's results as GitHub-flavoured Markdown, for $GITHUB_STEP_SUMMARY or a
// merge-request note: the verdict and totals, the vectors that do not pass
// with their first disagreement, and where the other documents are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "summary/RunSummary.h"

// The other documents of the run, named at the end ("" for one not written).
struct CMarkdownLinks {
  std::string indexPath;
  std::string jsonPath;
  std::string junitPath;
};

// Rows of vectors that do not pass, at most; the rest are counted.
inline constexpr std::size_t kMarkdownRowLimit = 100;
// Bytes of one table cell's text, at most (long tokens, error texts).
inline constexpr std::size_t kMarkdownCellLimit = 300;

std::string SummaryToMarkdown(const CRunSummary& summary, bool allowEmpty,
                              const CMarkdownLinks& links);

// Text that Markdown shows as it is, in running text or a table cell:
// markup characters as character references, Markdown's punctuation
// backslash-escaped, line ends as spaces, bytes that are not UTF-8 as \xNN.
// Cut on a character boundary, with "…", when longer than limit bytes.
std::string MarkdownText(std::string_view text, std::size_t limit = std::string_view::npos);
