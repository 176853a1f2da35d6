#include "summary/JUnitReport.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "summary/MarkupEscape.h"

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

void AppendAttribute(std::string& out, const char* name, std::string_view value) {
  out += ' ';
  out += name;
  out += "=\"";
  AppendEscapedMarkup(out, value);
  out += '"';
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
      AppendAttribute(out, "message", MismatchMessage(file));
      out += '>';
      AppendEscapedMarkup(out, DisagreementList(file));
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
      AppendAttribute(out, "message", file.error);
      out += '>';
      AppendEscapedMarkup(out, file.error);
      out += "</error>\n";
      return;
  }
}

}  // namespace

std::string SummaryToJUnit(const CRunSummary& summary, bool allowEmpty) {
  const CRunTotals totals = summary.Totals();
  const std::uint64_t failures = totals.failed + (allowEmpty ? 0 : totals.empty);
  const std::uint64_t skipped = allowEmpty ? totals.empty : 0;
  const std::string classname = ProjectFolderName(summary.project) + "." + summary.Level();

  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
  out += "  <testsuite name=\"reportapp verify\" tests=\"" + std::to_string(totals.files) +
         "\" failures=\"" + std::to_string(failures) + "\" errors=\"" +
         std::to_string(totals.errors) + "\" skipped=\"" + std::to_string(skipped) + "\" time=\"" +
         Seconds(summary.Seconds()) + "\">\n";
  for (const CFileResult& file : summary.files) {
    out += "    <testcase";
    AppendAttribute(out, "classname", classname);
    AppendAttribute(out, "name", TimingBaseName(file.timingFile));
    out += " time=\"" + Seconds(file.seconds) + "\"";
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
