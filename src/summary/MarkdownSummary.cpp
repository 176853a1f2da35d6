#include "summary/MarkdownSummary.h"

#include <string_view>
#include <vector>

#include "analysis/Diagnosis.h"
#include "summary/MarkupEscape.h"
#include "summary/VectorNames.h"

namespace {

// ASCII punctuation that can start or end Markdown syntax; a backslash
// before each makes it literal.
bool IsMarkdownPunctuation(char c) {
  return std::string_view("\\`*_[]{}()<>#+-.!|~=:\"'$%/?@^,").find(c) != std::string_view::npos;
}

}  // namespace

std::string MarkdownText(std::string_view text, std::size_t limit) {
  std::string escaped = EscapeMarkup(text);
  if (escaped.size() > limit) {
    escaped.resize(MarkupCutPoint(escaped, limit));
    escaped += "\u2026";
  }
  std::string out;
  out.reserve(escaped.size() + escaped.size() / 4);
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    const char c = escaped[i];
    if (c == '&') {
      // A character reference as EscapeMarkup wrote it: kept whole.
      const std::size_t end = escaped.find(';', i);
      out.append(escaped, i, end - i + 1);
      i = end;
    } else if (c == '\n' || c == '\r' || c == '\t') {
      out += ' ';
    } else {
      if (IsMarkdownPunctuation(c)) {
        out += '\\';
      }
      out += c;
    }
  }
  return out;
}

namespace {

std::string Cell(std::string_view text) {
  return MarkdownText(text, kMarkdownCellLimit);
}

std::string Verdict(int exitStatus) {
  switch (exitStatus) {
    case kExitPass:
      return "pass";
    case kExitFail:
      return "fail";
    default:
      return "error";
  }
}

void AppendTotals(std::string& out, const CRunSummary& summary, bool allowEmpty) {
  const CRunTotals t = summary.Totals();
  const CClockFigures f = summary.Figures();
  out += "## reportapp verify: " + Verdict(summary.ExitStatus(allowEmpty)) + "\n\n";
  out += "| verdict | files | passed | failed | empty | errors | values compared | disagreeing |\n";
  out += "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: |\n";
  out += "| **" + Verdict(summary.ExitStatus(allowEmpty)) + "** | " + std::to_string(t.files) +
         " | " + std::to_string(t.passed) + " | " + std::to_string(t.failed) + " | " +
         std::to_string(t.empty) + (allowEmpty && t.empty > 0 ? " (allowed)" : "") + " | " +
         std::to_string(t.errors) + " | " + std::to_string(t.values) + " | " +
         std::to_string(t.disagreeing) + " |\n\n";
  out += "Level " + summary.Level() + (summary.realValues ? ", real values" : "") + "; latency " +
         std::to_string(f.latency) + ", clocks between outputs min " + std::to_string(f.minClocks) +
         ", max " + std::to_string(f.maxClocks) + "; project " + Cell(summary.project) + "\n\n";
}

std::string Disagreements(const CFileResult& file) {
  return std::to_string(file.disagreeing) + " of " + std::to_string(file.values);
}

std::string FirstDisagreement(const CFileResult& file) {
  if (file.firstDisagreements.empty()) {
    return "";
  }
  const CDisagreement& d = file.firstDisagreements.front();
  return "line " + std::to_string(d.line) + ", clock " + std::to_string(d.clock) + ", pair " +
         std::to_string(d.pair) + ": fixed point " + Cell(d.fixedPoint) + ", RTL " +
         (d.rtl.empty() ? std::string("(none)") : Cell(d.rtl));
}

// What else there is to say of a file that does not pass.
std::string Details(const CFileResult& file) {
  switch (file.status) {
    case EFileStatus::kError:
      return Cell(file.error);
    case EFileStatus::kEmpty:
      return "no value compared (" + std::to_string(file.records) + " records)";
    case EFileStatus::kFail:
      // Why the values disagree, leading classes first.
      return file.diagnosis ? Cell(LeadingClassesText(file.diagnosis->classes)) : "";
    case EFileStatus::kPass:
      break;
  }
  return "";
}

void AppendFailingVectors(std::string& out, const CRunSummary& summary, bool allowEmpty) {
  std::vector<std::size_t> failing;
  for (std::size_t i = 0; i < summary.files.size(); ++i) {
    if (!FilePasses(summary.files[i], allowEmpty)) {
      failing.push_back(i);
    }
  }
  if (failing.empty()) {
    out += "All " + std::to_string(summary.files.size()) + " vectors pass.\n\n";
    return;
  }
  const std::vector<std::string> names = UniqueVectorNames(summary.files);
  out += "### Vectors that do not pass (" + std::to_string(failing.size()) + ")\n\n";
  out += "| status | vector | disagreeing | first disagreement | details |\n";
  out += "| --- | --- | ---: | --- | --- |\n";
  for (std::size_t row = 0; row < failing.size() && row < kMarkdownRowLimit; ++row) {
    const CFileResult& file = summary.files[failing[row]];
    out += "| " + std::string(FileStatusName(file.status)) + " | " + Cell(names[failing[row]]) +
           " | " + Disagreements(file) + " | " + FirstDisagreement(file) + " | " + Details(file) +
           " |\n";
  }
  out += "\n";
  if (failing.size() > kMarkdownRowLimit) {
    out += "and " + std::to_string(failing.size() - kMarkdownRowLimit) +
           " more vectors that do not pass (see the index page or the JSON results).\n\n";
  }
}

void AppendLinks(std::string& out, const CMarkdownLinks& links) {
  const std::pair<const char*, const std::string*> documents[] = {{"Index page", &links.indexPath},
                                                                  {"JSON results", &links.jsonPath},
                                                                  {"JUnit XML", &links.junitPath}};
  for (const auto& [what, path] : documents) {
    if (!path->empty()) {
      out += "- " + std::string(what) + ": " + MarkdownText(*path) + "\n";
    }
  }
}

}  // namespace

std::string SummaryToMarkdown(const CRunSummary& summary, bool allowEmpty,
                              const CMarkdownLinks& links) {
  std::string out;
  AppendTotals(out, summary, allowEmpty);
  AppendFailingVectors(out, summary, allowEmpty);
  AppendLinks(out, links);
  return out;
}
