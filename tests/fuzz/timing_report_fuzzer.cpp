// Feeds arbitrary bytes through the timing-file reader and the report writer.
//
// Input layout: byte 0 chooses the reader's and writer's block sizes and
// whether values are shown as reals; byte 1 is the fraction length for the
// real values (signed); byte 2 the held-line size below which lines are split
// in memory (longer ones are streamed) and whether a streamed line is read
// again by offset or from a spool file; the rest is the timing file.
//
// Besides the sanitizers, each run checks what must hold for any input: the
// report is head, rows and tail; one row per record; one red pair of fonts
// per disagreeing value; latency and extremes follow the records; and the
// report with long lines streamed is byte for byte the one with every line
// held.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "verify/HtmlReportWriter.h"
#include "verify/RealValueText.h"
#include "verify/TimingReport.h"

namespace {

std::size_t Count(std::string_view text, std::string_view piece) {
  std::size_t n = 0;
  for (std::size_t at = text.find(piece); at != std::string_view::npos;
       at = text.find(piece, at + piece.size())) {
    ++n;
  }
  return n;
}

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

struct CRun {
  std::string report;
  CTimingFileSummary summary;
  CClockFigures figures;
};

CRun WriteReport(std::string_view text, std::uint8_t mode, std::int64_t fractionalLength,
                 std::size_t heldLine, bool readAgain) {
  CRun run;
  CLineReader reader(TextSource(text), 1 + (mode & 0x0f));
  std::string& report = run.report;
  COutputBuffer buffer([&](std::string_view bytes) { report.append(bytes); },
                       1 + ((mode >> 4) & 0x03) * 37);
  TValueText valueText;
  if ((mode & 0x80) != 0) {
    valueText = CRealValueText(fractionalLength, (mode & 0x40) != 0);
  }
  CHtmlReportWriter writer(buffer, valueText);
  CTimingReportHooks hooks;
  hooks.heldLine = heldLine;
  if (readAgain) {
    hooks.readAt = [text](std::uint64_t offset, char* out, std::size_t n) {
      const std::string_view piece = text.substr(std::min<std::uint64_t>(offset, text.size()), n);
      std::copy(piece.begin(), piece.end(), out);
      return piece.size();
    };
  }
  writer.WriteHead();
  run.summary = WriteTimingRows(reader, writer, run.figures, "fuzz.txt", hooks);
  writer.WriteTail();
  buffer.Flush();
  return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) {
    return 0;
  }
  const std::uint8_t mode = data[0];
  const auto fractionalLength = static_cast<std::int64_t>(static_cast<std::int8_t>(data[1]));
  const std::size_t heldLine = 1 + (data[2] & 0x3f);
  const bool readAgain = (data[2] & 0xc0) != 0;  // a spool file in one case of four
  const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);

  const CRun run = WriteReport(text, mode, fractionalLength, heldLine, readAgain);
  const CRun held = WriteReport(text, mode, fractionalLength, CLineReader::kDefaultHeldLine, false);
  Check(run.report == held.report);
  const std::string& report = run.report;
  const CTimingFileSummary& summary = run.summary;
  const CClockFigures& figures = run.figures;

  const std::string_view head = ReportHeadText();
  Check(std::string_view(report).substr(0, head.size()) == head);
  Check(report.ends_with("</table>\n</center>\n<br>\n</body></html>\n"));
  Check(Count(report, "<tr>\n") == summary.records + 1);
  Check(Count(report, "<font color=\"red\">") == 2 * summary.disagreeing);
  Check(summary.outputRecords + (summary.records > 0 ? 1 : 0) == summary.records);
  Check(summary.hasLatency == (summary.outputRecords > 0));
  Check(figures.maxClocks == -1 || summary.outputRecords >= 2);
  return 0;
}
