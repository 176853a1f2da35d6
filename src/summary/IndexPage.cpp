#include "summary/IndexPage.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "summary/MarkupEscape.h"
#include "summary/PlotStrip.h"

namespace {

constexpr const char* kStyle = R"(
body{font-family:system-ui,-apple-system,"Segoe UI",Roboto,Arial,sans-serif;margin:0;padding:16px;color:#1b1f24;background:#fff}
h1{font-size:1.4em;margin:0 0 8px}
.verdict{display:inline-block;padding:4px 12px;border-radius:4px;font-weight:bold;color:#fff}
.verdict.pass{background:#1a7f37}.verdict.fail{background:#cf222e}
.meta{color:#57606a;margin:6px 0;overflow-wrap:anywhere}
.totals{display:flex;flex-wrap:wrap;gap:8px;margin:12px 0;padding:0;list-style:none}
.totals li{border:1px solid #d0d7de;border-radius:4px;padding:6px 10px}
.totals b{display:block;font-size:1.2em}
table{border-collapse:collapse;width:100%;font-size:0.92em}
th,td{border-bottom:1px solid #d0d7de;padding:6px 8px;text-align:left;vertical-align:top}
th{background:#f6f8fa;position:sticky;top:0}
td.n{text-align:right;font-variant-numeric:tabular-nums}
td.v{overflow-wrap:anywhere;min-width:8em}
td.name{overflow-wrap:normal;word-break:normal;min-width:10em}
td.name span{white-space:nowrap}
td.d{min-width:10em}
td.d span{display:block;white-space:nowrap}
td.d .w{white-space:normal;overflow-wrap:anywhere;color:#9a6700;font-size:0.92em}
td.p{width:20%;min-width:120px}
td.p svg{display:block;width:100%;max-width:300px;height:auto}
.s{display:inline-block;min-width:3.5em;text-align:center;padding:2px 6px;border-radius:3px;font-weight:bold;color:#fff}
.s.pass{background:#1a7f37}.s.fail{background:#cf222e}.s.empty{background:#9a6700}.s.error{background:#8250df}
tr.bad td{background:#fff5f5}
code{font-family:ui-monospace,Menlo,Consolas,monospace;overflow-wrap:anywhere}
@media (max-width:700px){
 body{padding:8px}
 table,tbody,tr,td{display:block;width:auto}
 thead{display:none}
 tr{border:1px solid #d0d7de;border-radius:4px;margin:0 0 10px;padding:4px 0}
 td{border:none;padding:3px 8px;max-width:none}
 td.n{text-align:left}
 td:empty{display:none}
 td.p{min-width:0;width:auto}
 td.d,td.name{max-width:none}
 td[data-label]::before{content:attr(data-label) ": ";font-weight:bold;color:#57606a}
}
)";

void Text(std::string& out, std::string_view text) {
  AppendEscapedMarkup(out, text);
}

std::string Number(std::uint64_t value) {
  return std::to_string(value);
}

void Cell(std::string& out, const char* label, const char* cls, std::string_view escapedHtml) {
  out += "<td";
  if (cls != nullptr) {
    out += " class=\"";
    out += cls;
    out += '"';
  }
  out += " data-label=\"";
  out += label;
  out += "\">";
  out += escapedHtml;
  out += "</td>";
}

std::string FirstDisagreementHtml(const CFileResult& file) {
  std::string html;
  if (file.status == EFileStatus::kError) {
    Text(html, file.error);
    return html;
  }
  if (file.firstDisagreements.empty()) {
    return file.status == EFileStatus::kEmpty ? "no value compared" : "";
  }
  const CDisagreement& d = file.firstDisagreements.front();
  html += "line " + Number(d.line) + ", clock " + std::to_string(d.clock) + ": fixed point <code>";
  Text(html, d.fixedPoint);
  html += "</code>, RTL <code>";
  Text(html, d.rtl);
  html += "</code>";
  return html;
}

// Where the disagreements fall along the file, linked to its plot page.
std::string PlotStripHtml(const CFileResult& file) {
  if (file.plotPage.empty()) {
    return {};
  }
  std::string html = "<a href=\"";
  Text(html, RelativeUrl(ReportFileName(file.plotPage)));
  html += "\" title=\"plot of the values and where they disagree\">";
  html += DisagreementStripSvg(file.plotStrip);
  html += "</a>";
  return html;
}

// Whether a browser may break a line inside text: at a space, a hyphen or
// other punctuation; never between letters, digits, '_' and '.'.
bool MayBreakInside(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x80 && !std::isalnum(byte) && c != '_' && c != '.';
  });
}

// A vector name that may break only after its underscores: a piece that a
// browser could break elsewhere is kept on one line.
void AppendBreakableName(std::string& out, std::string_view name) {
  std::size_t from = 0;
  while (from < name.size()) {
    const std::size_t underscore = name.find('_', from);
    const std::size_t end = underscore == std::string_view::npos ? name.size() : underscore + 1;
    const std::string_view piece = name.substr(from, end - from);
    if (MayBreakInside(piece)) {
      out += "<span>";
      Text(out, piece);
      out += "</span>";
    } else {
      Text(out, piece);
    }
    if (underscore != std::string_view::npos && end < name.size()) {
      out += "<wbr>";
    }
    from = end;
  }
}

// Why the values disagree, one class a line with its count, then the file's warnings.
std::string DiagnosisHtml(const CFileResult& file) {
  std::string html;
  if (file.diagnosis) {
    const CClassCounts& classes = file.diagnosis->classes;
    for (const EValueClass c : kAllValueClasses) {
      if (classes[c] > 0) {
        html += "<span class=\"c-" + std::string(ValueClassName(c)) + "\">" + Number(classes[c]) +
                " " + std::string(ValueClassWords(c)) + "</span>";
      }
    }
    if (classes.maxErrorLsb && *classes.maxErrorLsb > 1) {
      html += "<span>largest error " + ErrorLsbText(*classes.maxErrorLsb) + " LSB</span>";
    }
  } else if (LacksDiagnosis(file) && file.disagreeing > 0) {
    html += "<span>not diagnosed</span>";
  }
  for (const std::string& warning : file.warnings) {
    html += "<span class=\"w\">warning: ";
    Text(html, warning);
    html += "</span>";
  }
  return html;
}

void Row(std::string& out, const CFileResult& file, bool allowEmpty) {
  const std::string_view status = FileStatusName(file.status);
  out += FilePasses(file, allowEmpty) ? "<tr>" : "<tr class=\"bad\">";
  Cell(out, "Status", nullptr,
       "<span class=\"s " + std::string(status) + "\">" + std::string(status) + "</span>");
  // A file that failed to run has no report to link.
  std::string name;
  if (file.status == EFileStatus::kError) {
    AppendBreakableName(name, TimingBaseName(file.timingFile));
  } else {
    name = "<a href=\"";
    Text(name, RelativeUrl(ReportFileName(file.report)));
    name += "\">";
    AppendBreakableName(name, TimingBaseName(file.timingFile));
    name += "</a>";
  }
  Cell(out, "Vector", "name", name);
  const bool counted = file.status != EFileStatus::kError;
  Cell(out, "Records", "n", counted ? Number(file.records) : "");
  Cell(out, "Values", "n", counted ? Number(file.values) : "");
  Cell(out, "Disagreeing", "n", counted ? Number(file.disagreeing) : "");
  Cell(out, "Diagnosis", "d", DiagnosisHtml(file));
  Cell(out, "Where", "p", PlotStripHtml(file));
  Cell(out, "First disagreement", "v", FirstDisagreementHtml(file));
  const CClockFigures own = file.OwnFigures();
  const bool hasFigures = counted && file.figures.outputRecords > 0;
  Cell(out, "Latency", "n", hasFigures ? std::to_string(own.latency) : "");
  Cell(out, "Min/max clocks", "n",
       hasFigures ? std::to_string(own.minClocks) + " / " + std::to_string(own.maxClocks) : "");
  out += "</tr>\n";
}

void Totals(std::string& out, const CRunSummary& summary) {
  const CRunTotals t = summary.Totals();
  const CClockFigures f = summary.Figures();
  const std::pair<const char*, std::string> items[] = {
      {"files", Number(t.files)},
      {"passed", Number(t.passed)},
      {"failed", Number(t.failed)},
      {"empty", Number(t.empty)},
      {"errors", Number(t.errors)},
      {"records", Number(t.records)},
      {"values", Number(t.values)},
      {"disagreeing", Number(t.disagreeing)},
      {"latency", std::to_string(f.latency)},
      {"min/max clocks", std::to_string(f.minClocks) + " / " + std::to_string(f.maxClocks)},
  };
  out += "<ul class=\"totals\">";
  for (const auto& [label, value] : items) {
    out += "<li id=\"total-";
    for (const char* c = label; *c != '\0'; ++c) {
      out += (*c == ' ' || *c == '/') ? '-' : *c;
    }
    out += "\"><b>" + value + "</b>" + label + "</li>";
  }
  out += "</ul>\n";
}

}  // namespace

std::string RelativeUrl(std::string_view fileName) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string url;
  for (const char c : fileName) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~') {
      url += c;
    } else {
      url += '%';
      url += kDigits[byte >> 4];
      url += kDigits[byte & 0xF];
    }
  }
  // "./" keeps a name with a colon from reading as a URL scheme.
  return "./" + url;
}

std::string SummaryToIndexPage(const CRunSummary& summary, bool allowEmpty) {
  const bool passed = summary.ExitStatus(allowEmpty) == kExitPass;
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>Verification summary: ";
  out += passed ? "pass" : "fail";
  out += "</title>\n<style>";
  out += kStyle;
  out +=
      "</style>\n</head>\n<body>\n<h1>Verification summary <span id=\"verdict\" class=\"verdict ";
  out += passed ? "pass\">PASS" : "fail\">FAIL";
  out += "</span></h1>\n<p class=\"meta\">Project ";
  Text(out, summary.project);
  out += " &middot; level " + summary.Level() + " &middot; values shown " +
         (summary.realValues ? "as reals" : "as written");
  if (allowEmpty) {
    out += " &middot; empty files pass";
  }
  out += "</p>\n";
  Totals(out, summary);
  std::string undiagnosed;
  for (const CFileResult& file : summary.files) {
    if (LacksDiagnosis(file)) {
      undiagnosed += undiagnosed.empty() ? "" : ", ";
      Text(undiagnosed, TimingBaseName(file.timingFile));
    }
  }
  if (!undiagnosed.empty()) {
    out +=
        "<p class=\"meta\" id=\"undiagnosed\">Without fixed-point diagnosis (results of an "
        "older reportapp): " +
        undiagnosed + "</p>\n";
  }
  out +=
      "<table id=\"files\">\n<thead><tr><th>Status</th><th>Vector</th><th>Records</th>"
      "<th>Values</th><th>Disagreeing</th><th>Diagnosis</th><th>Where</th><th>First "
      "disagreement</th><th>Latency</th>"
      "<th>Min/max clocks</th></tr></thead>\n<tbody>\n";
  std::vector<const CFileResult*> order;
  for (const CFileResult& file : summary.files) {
    order.push_back(&file);
  }
  std::stable_partition(order.begin(), order.end(), [allowEmpty](const CFileResult* file) {
    return !FilePasses(*file, allowEmpty);
  });
  for (const CFileResult* file : order) {
    Row(out, *file, allowEmpty);
  }
  out += "</tbody>\n</table>\n</body>\n</html>\n";
  return out;
}
