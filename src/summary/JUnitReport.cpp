#include "summary/JUnitReport.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "summary/MarkupEscape.h"
#include "summary/VectorNames.h"

namespace {

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

std::string ProjectFolderName(const std::string& project) {
  std::string folder = project;
  while (folder.size() > 1 && folder.back() == '/') {
    folder.pop_back();
  }
  const std::string name = ReportFileName(folder);
  return name.empty() || name == "." ? "project" : name;
}

// The escaped text, cut to at most limit bytes with a note when longer.
void AppendCappedMarkup(std::string& out, std::string_view text, std::size_t limit,
                        const std::string& whereInFull) {
  const std::string escaped = EscapeMarkup(text);
  if (escaped.size() <= limit) {
    out += escaped;
    return;
  }
  const std::string note =
      EscapeMarkup(" [cut at " + std::to_string(limit / 1024) + " KB of " +
                   std::to_string(escaped.size()) + " bytes; " + whereInFull + "]");
  const std::size_t room = limit > note.size() ? limit - note.size() : 0;
  out.append(escaped, 0, MarkupCutPoint(escaped, room));
  out += note;
}

void AppendAttribute(std::string& out, const char* name, std::string_view value) {
  out += ' ';
  out += name;
  out += "=\"";
  AppendEscapedMarkup(out, value);
  out += '"';
}

void AppendCappedAttribute(std::string& out, const char* name, std::string_view value,
                           const std::string& whereInFull) {
  out += ' ';
  out += name;
  out += "=\"";
  AppendCappedMarkup(out, value, kJUnitMessageLimit, whereInFull);
  out += '"';
}

std::string WhereInFull(const CFileResult& file) {
  return file.report.empty() ? "the whole text is in the JSON results"
                             : "every disagreement is in the report " + file.report;
}

// How the message names the pairs of a class: "6 unknown (X/Z) values".
std::string_view JUnitClassWords(EValueClass c) {
  switch (c) {
    case EValueClass::kUnknown:
      return "unknown (X/Z)";
    case EValueClass::kUnreadable:
      return "unreadable (not a number)";
    case EValueClass::kTextOnly:
      return "letter case or width only";
    case EValueClass::kLsb:
      return "off by one LSB";
    case EValueClass::kOverflow:
      return "overflow (saturate vs wrap)";
    case EValueClass::kSign:
      return "sign-flipped";
    case EValueClass::kScale:
      return "binary point shifted";
    case EValueClass::kNumeric:
      break;
  }
  return "numerically different";
}

// Led by the class with the most pairs, and the first kept pair of it.
std::string MismatchMessage(const CFileResult& file) {
  const std::optional<EValueClass> dominant =
      file.diagnosis ? file.diagnosis->classes.Dominant() : std::nullopt;
  std::string message;
  const CDisagreement* first =
      file.firstDisagreements.empty() ? nullptr : &file.firstDisagreements.front();
  if (dominant) {
    message = std::to_string(file.diagnosis->classes[*dominant]) + " " +
              std::string(JUnitClassWords(*dominant)) + " values of " +
              std::to_string(file.disagreeing) + " disagreeing (" + std::to_string(file.values) +
              " compared)";
    for (const CDisagreement& d : file.firstDisagreements) {
      if (d.valueClass == dominant) {
        first = &d;
        break;
      }
    }
  } else {
    message = std::to_string(file.disagreeing) + " of " + std::to_string(file.values) +
              " values disagree";
  }
  if (first != nullptr) {
    message += "; first at line " + std::to_string(first->line) + " (clock " +
               std::to_string(first->clock) + "): fixed point " + first->fixedPoint + ", RTL " +
               first->rtl;
  }
  return message;
}

// The classes with their counts, one a line, as a table.
std::string ClassTable(const CFileResult& file) {
  if (!file.diagnosis) {
    return {};
  }
  const CClassCounts& classes = file.diagnosis->classes;
  std::string text = "class        values\n";
  for (const EValueClass c : kAllValueClasses) {
    if (classes[c] > 0) {
      std::string name(ValueClassName(c));
      name.resize(std::max<std::size_t>(name.size(), 12), ' ');
      text +=
          name + " " + std::to_string(classes[c]) + "  " + std::string(ValueClassWords(c)) + "\n";
    }
  }
  if (classes.maxErrorLsb) {
    text += "largest error " + ErrorLsbText(*classes.maxErrorLsb) + " LSB\n";
  }
  return text + "\n";
}

std::string DisagreementList(const CFileResult& file) {
  std::string text = ClassTable(file);
  for (const CDisagreement& d : file.firstDisagreements) {
    text += "line " + std::to_string(d.line) + ", record " + std::to_string(d.record) + ", clock " +
            std::to_string(d.clock) + ", pair " + std::to_string(d.pair) + ": fixed point " +
            d.fixedPoint + ", RTL " + d.rtl;
    if (d.valueClass) {
      text += " (" + std::string(ValueClassName(*d.valueClass)) + ")";
    }
    text += "\n";
  }
  if (file.disagreeing > file.firstDisagreements.size()) {
    text += std::to_string(file.disagreeing - file.firstDisagreements.size()) +
            " further disagreeing values; report " + file.report + "\n";
  }
  return text;
}

void AppendOutcome(std::string& out, const CFileResult& file, bool allowEmpty) {
  switch (file.status) {
    case EFileStatus::kPass:
      return;
    case EFileStatus::kFail:
      out += "      <failure type=\"mismatch\"";
      AppendCappedAttribute(out, "message", MismatchMessage(file), WhereInFull(file));
      out += '>';
      AppendCappedMarkup(out, DisagreementList(file), kJUnitBodyLimit, WhereInFull(file));
      out += "</failure>\n";
      return;
    case EFileStatus::kEmpty:
      if (allowEmpty) {
        out += "      <skipped message=\"no value compared\"/>\n";
      } else {
        out += "      <failure type=\"empty\" message=\"no value compared: " +
               std::to_string(file.records) + " records\"/>\n";
      }
      return;
    case EFileStatus::kError:
      out += "      <error";
      AppendCappedAttribute(out, "message", file.error, "the whole text is in the JSON results");
      out += '>';
      AppendCappedMarkup(out, file.error, kJUnitBodyLimit, "the whole text is in the JSON results");
      out += "</error>\n";
      return;
  }
}

// The attributes GitLab and GitHub read: the timing file, and for GitHub
// the line of the first disagreement.
void AppendLocation(std::string& out, const CFileResult& file, const CJUnitForm& form,
                    const std::string& workingDirectory) {
  if (form.flavor == EJUnitFlavor::kJenkins) {
    return;
  }
  AppendAttribute(out, "file", PathRelativeTo(file.timingFile, workingDirectory));
  if (form.flavor == EJUnitFlavor::kGitHub && !file.firstDisagreements.empty()) {
    out += " line=\"" + std::to_string(file.firstDisagreements.front().line) + "\"";
  }
}

std::string WorkingDirectory(const CJUnitForm& form) {
  if (!form.workingDirectory.empty() || form.flavor == EJUnitFlavor::kJenkins) {
    return form.workingDirectory;
  }
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  return error ? std::string() : current.string();
}

}  // namespace

bool ParseJUnitFlavor(std::string_view name, EJUnitFlavor& flavor) {
  if (name == "jenkins") {
    flavor = EJUnitFlavor::kJenkins;
  } else if (name == "gitlab") {
    flavor = EJUnitFlavor::kGitLab;
  } else if (name == "github") {
    flavor = EJUnitFlavor::kGitHub;
  } else {
    return false;
  }
  return true;
}

std::string SummaryToJUnit(const CRunSummary& summary, bool allowEmpty, const CJUnitForm& form) {
  const CRunTotals totals = summary.Totals();
  const std::uint64_t failures = totals.failed + (allowEmpty ? 0 : totals.empty);
  const std::uint64_t skipped = allowEmpty ? totals.empty : 0;
  const std::string classname = ProjectFolderName(summary.project) + "." + summary.Level();

  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
  out += "  <testsuite name=\"reportapp verify\" tests=\"" + std::to_string(totals.files) +
         "\" failures=\"" + std::to_string(failures) + "\" errors=\"" +
         std::to_string(totals.errors) + "\" skipped=\"" + std::to_string(skipped) + "\" time=\"" +
         Seconds(summary.Seconds()) + "\">\n";
  const std::vector<std::string> names = UniqueVectorNames(summary.files);
  const std::string workingDirectory = WorkingDirectory(form);
  for (std::size_t i = 0; i < summary.files.size(); ++i) {
    const CFileResult& file = summary.files[i];
    out += "    <testcase";
    AppendAttribute(out, "classname", classname);
    AppendAttribute(out, "name", names[i]);
    out += " time=\"" + Seconds(file.seconds) + "\"";
    AppendLocation(out, file, form, workingDirectory);
    if (file.status == EFileStatus::kPass) {
      out += "/>\n";
      continue;
    }
    out += ">\n";
    AppendOutcome(out, file, allowEmpty);
    out += "    </testcase>\n";
  }
  out += "  </testsuite>\n</testsuites>\n";
  return out;
}
