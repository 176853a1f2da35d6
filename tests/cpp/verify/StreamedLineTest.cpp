// Lines too long to hold are streamed: the same report bytes and observer
// calls as when the line is held, memory bounded by the held-line size, and
// a clear error past the line limit.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "verify/RealValueText.h"
#include "verify/TimingReport.h"

namespace {

class CRecordingObserver : public CPairObserver {
 public:
  void BeginRecord(std::uint64_t line, std::uint64_t record, std::int32_t clocks) override {
    calls.push_back("record " + std::to_string(line) + " #" + std::to_string(record) + " " +
                    std::to_string(clocks));
  }
  void Pair(std::uint64_t pair, std::string_view fixedPoint, std::string_view rtl,
            bool agrees) override {
    calls.push_back("pair " + std::to_string(pair) + " " + std::string(fixedPoint) + "/" +
                    std::string(rtl) + (agrees ? " =" : " !"));
  }
  void EndRecord() override { calls.push_back("end"); }
  std::vector<std::string> calls;
};

struct Outcome {
  std::string report;
  std::vector<std::string> observed;
  std::vector<std::string> warnings;
  CTimingFileSummary summary;
  CClockFigures figures;
};

enum class EReplay { kReadAt, kSpool };

// The rows of text with lines above heldLine streamed.
Outcome RunRows(const std::string& text, std::size_t heldLine, EReplay replay, bool realValues,
                std::size_t blockSize = 7) {
  Outcome outcome;
  CRecordingObserver observer;
  CLineReader reader(TextSource(text), blockSize);
  COutputBuffer buffer([&](std::string_view bytes) { outcome.report.append(bytes); }, 64);
  TValueText valueText;
  if (realValues) {
    valueText = CRealValueText(4, true);
  }
  CHtmlReportWriter writer(buffer, valueText);
  CTimingReportHooks hooks;
  hooks.observer = &observer;
  hooks.warn = [&](const std::string& message) { outcome.warnings.push_back(message); };
  hooks.heldLine = heldLine;
  if (replay == EReplay::kReadAt) {
    hooks.readAt = [&text](std::uint64_t offset, char* data, std::size_t size) {
      const std::string piece = text.substr(offset, size);
      piece.copy(data, piece.size());
      return piece.size();
    };
  }
  outcome.summary = WriteTimingRows(reader, writer, outcome.figures, "t.txt", hooks);
  buffer.Flush();
  outcome.observed = observer.calls;
  return outcome;
}

const std::vector<std::string> kTimingTexts = {
    "0 s 0\n10 o 7 1 1 2 3\n20 o 4 5\n",
    "0 s 0 a b c\r\n1 x 3 0x0018 18 0x10 0x10 a&b a&b <i> \"q\" 7\r\n\n   \n2 x\n3 y 5\n",
    "100 start 5\n1 o 2 a a b b c c d d e e f f g g h h i i j j k k l l\n",
    "  0\ts\t0  \n 1 o 9 " + std::string(300, 'x') + " " + std::string(300, 'x') + " y\n",
    "0 s 0\n1 o 1 " + std::string(50, '&') + " " + std::string(50, '&') + "\n2 o 2 z",
    "a\nb c\n0 s 0\n1 o 2 1 2 3 4 5 6 7 8 9 10 11\n"};

}  // namespace

TEST(StreamedLines, SameReportAndObserverCallsAsHeldLines) {
  for (const bool realValues : {false, true}) {
    for (const std::string& text : kTimingTexts) {
      const Outcome held = RunRows(text, 1 << 20, EReplay::kReadAt, realValues);
      for (const std::size_t heldLine : {1, 2, 5, 13, 40}) {
        for (const EReplay replay : {EReplay::kReadAt, EReplay::kSpool}) {
          const Outcome streamed = RunRows(text, heldLine, replay, realValues);
          EXPECT_EQ(streamed.report, held.report) << text << " held " << heldLine;
          EXPECT_EQ(streamed.observed, held.observed) << text << " held " << heldLine;
          EXPECT_EQ(streamed.warnings, held.warnings) << text;
          EXPECT_EQ(streamed.summary.records, held.summary.records);
          EXPECT_EQ(streamed.summary.disagreeing, held.summary.disagreeing);
          EXPECT_EQ(streamed.summary.skipped, held.summary.skipped);
          EXPECT_EQ(streamed.figures.latency, held.figures.latency);
          EXPECT_EQ(streamed.figures.minClocks, held.figures.minClocks);
          EXPECT_EQ(streamed.figures.maxClocks, held.figures.maxClocks);
        }
      }
    }
  }
}

TEST(StreamedLines, ReaderBufferStaysAtHeldLineAndBlockForAnyLineLength) {
  // A 4 MB line of two-byte tokens, generated as it is read.
  const std::uint64_t lineBytes = 4 << 20;
  std::uint64_t given = 0;
  CLineReader reader(
      [&](char* data, std::size_t size) {
        std::size_t n = 0;
        for (; n < size && given < lineBytes + 12; ++n, ++given) {
          const std::string head = "0 s 0\n1 o 2 ";
          data[n] = given < head.size() ? head[given] : (given % 3 == 2 ? ' ' : 'a');
        }
        return n;
      },
      4096);
  std::uint64_t reportBytes = 0;
  COutputBuffer buffer([&](std::string_view bytes) { reportBytes += bytes.size(); }, 4096);
  CHtmlReportWriter writer(buffer);
  CClockFigures figures;
  CTimingReportHooks hooks;
  hooks.heldLine = 8192;
  const CTimingFileSummary summary = WriteTimingRows(reader, writer, figures, "big.txt", hooks);
  EXPECT_LE(reader.BufferCapacity(), 8192u + 4096u);
  EXPECT_EQ(summary.records, 2u);
  EXPECT_LE(summary.disagreeing, 1u) << "aa pairs with aa throughout, but for an unpaired last";
  EXPECT_GT(reportBytes, lineBytes);
}

TEST(StreamedLines, LineLongerThanTheLimitIsAnErrorNamingFileAndLine) {
  for (const std::size_t heldLine : {std::size_t{4}, std::size_t{1} << 20}) {
    CLineReader reader(TextSource("0 s 0\n1 o 2 aaaa bbbb cccc\n"), 5);
    COutputBuffer buffer([](std::string_view) {}, 64);
    CHtmlReportWriter writer(buffer);
    CClockFigures figures;
    CTimingReportHooks hooks;
    hooks.heldLine = heldLine;
    hooks.lineLimit = 12;
    hooks.lineLimitName = "set ::ReportApp::maxLineBytes to change it";
    try {
      WriteTimingRows(reader, writer, figures, "t.txt", hooks);
      FAIL() << "a line of 21 bytes passed a limit of 12";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()),
                "timing file \"t.txt\" line 2: the line is longer than the limit of 12 bytes "
                "(set ::ReportApp::maxLineBytes to change it)");
    }
  }
}

TEST(StreamedLines, EndlessLineEndsAtTheLimit) {
  std::uint64_t given = 0;
  CLineReader reader(
      [&given](char* data, std::size_t size) {
        std::fill_n(data, size, '\0');
        given += size;
        return size;
      },
      1 << 16);
  COutputBuffer buffer([](std::string_view) {}, 64);
  CHtmlReportWriter writer(buffer);
  CClockFigures figures;
  CTimingReportHooks hooks;
  hooks.lineLimit = 1 << 22;
  EXPECT_THROW(WriteTimingRows(reader, writer, figures, "/dev/zero", hooks), std::runtime_error);
  EXPECT_LT(given, (1u << 22) + (1u << 18) + (1u << 17));
}

TEST(StreamedLines, LimitComesFromTheSetting) {
  Tcl("unset -nocomplain ::ReportApp::maxLineBytes");
  EXPECT_EQ(LineLimitSetting(), std::uint64_t{1} << 30);
  Tcl("set ::ReportApp::maxLineBytes 4096");
  EXPECT_EQ(LineLimitSetting(), 4096u);
  Tcl("set ::ReportApp::maxLineBytes lots");
  EXPECT_THROW(LineLimitSetting(), std::runtime_error);
  Tcl("set ::ReportApp::maxLineBytes 0");
  EXPECT_THROW(LineLimitSetting(), std::runtime_error);
  Tcl("unset ::ReportApp::maxLineBytes");
}
