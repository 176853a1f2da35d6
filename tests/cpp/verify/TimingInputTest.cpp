// Inputs that used to be misread or named badly: carriage returns that do
// not end lines, a timing file that changes while it is read, running out of
// memory, control bytes in names and headers, and names with characters
// outside Unicode's basic plane given through Tcl.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "fixedpoint/Quantizer.h"
#include "support/TestSupport.h"
#include "verify/TestVectorFile.h"
#include "verify/TimingReport.h"
#include "verify/VerifyReportRun.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
  CTimingFileSummary summary;
  std::vector<std::string> warnings;
};

Outcome ReadRows(const std::string& text, std::size_t heldLine = CLineReader::kDefaultHeldLine,
                 CPairObserver* observer = nullptr) {
  Outcome outcome;
  CLineReader reader(TextSource(text), 5);
  COutputBuffer buffer([](std::string_view) {}, 32);
  CHtmlReportWriter writer(buffer);
  CClockFigures figures;
  CTimingReportHooks hooks;
  hooks.warn = [&](const std::string& message) { outcome.warnings.push_back(message); };
  hooks.heldLine = heldLine;
  hooks.observer = observer;
  outcome.summary = WriteTimingRows(reader, writer, figures, "t.txt", hooks);
  return outcome;
}

class CFailingObserver : public CPairObserver {
 public:
  void BeginRecord(std::uint64_t line, std::uint64_t, std::int32_t) override {
    if (line == 3) {
      throw std::bad_alloc();
    }
  }
  void Pair(std::uint64_t, std::string_view, std::string_view, bool) override {}
};

}  // namespace

// ---- Silent misreads get a warning naming the file

TEST(SilentMisread, CarriageReturnsAloneAsLineEndsAreWarnedOnce) {
  for (const std::size_t heldLine : {std::size_t{3}, CLineReader::kDefaultHeldLine}) {
    const Outcome outcome = ReadRows("0 s 0\r10 o 7 1 2\r20 o 4 3 3\r", heldLine);
    ASSERT_EQ(outcome.warnings.size(), 1u);
    EXPECT_EQ(outcome.warnings[0].rfind("timing file \"t.txt\" line 1: holds a carriage return", 0),
              0u)
        << outcome.warnings[0];
    EXPECT_TRUE(outcome.summary.strayCarriageReturns);
  }
}

TEST(SilentMisread, CarriageReturnsBeforeLineFeedsAreNotWarned) {
  for (const std::size_t heldLine : {std::size_t{3}, CLineReader::kDefaultHeldLine}) {
    const Outcome outcome = ReadRows("0 s 0\r\n10 o 7 1 2\r\n20 o 4 3 3\r\n", heldLine);
    EXPECT_TRUE(outcome.warnings.empty());
    EXPECT_FALSE(outcome.summary.strayCarriageReturns);
    EXPECT_EQ(outcome.summary.records, 3u);
  }
}

TEST(SilentMisread, TimingFileThatGrowsWhileReadIsFlaggedAndWarned) {
  ScratchDir dir;
  fs::create_directory(dir.Path() / "Reports");
  std::string text = "0 s 0\n";
  for (int i = 0; i < 70000; ++i) {
    text += "1 o 1 a a\n";
  }
  const std::string path = dir.Write("grows.txt", text);
  std::vector<std::string> warnings;
  CVerifyHooks hooks;
  hooks.warn = [&](const std::string& message) { warnings.push_back(message); };
  bool appended = false;
  hooks.progress = [&](const std::string&, std::uint64_t, std::uint64_t) {
    if (!appended) {
      std::ofstream(path, std::ios::app) << "2 o 1 b c\n";
      appended = true;
    }
  };
  CVerifySettings settings;
  settings.projectDirectory = dir.Path().string();
  CVerifyReportRun run(settings, hooks);
  const CVerifyFileResult result = run.RunFile(path);
  ASSERT_TRUE(appended);
  EXPECT_TRUE(result.summary.inputChanged);
  ASSERT_FALSE(warnings.empty());
  EXPECT_NE(warnings.back().find("timing file \"" + path + "\" changed while it was read"),
            std::string::npos)
      << warnings.back();

  // The same file, unchanged, is not flagged.
  warnings.clear();
  hooks.progress = nullptr;
  CVerifyReportRun again(settings, hooks);
  EXPECT_FALSE(again.RunFile(path).summary.inputChanged);
  EXPECT_TRUE(warnings.empty());
}

// ---- Errors that say what and where

TEST(ErrorText, OutOfMemoryNamesTheFileAndLine) {
  CFailingObserver observer;
  for (const std::size_t heldLine : {std::size_t{2}, CLineReader::kDefaultHeldLine}) {
    try {
      ReadRows("0 s 0\n1 o 1 a a\n2 o 2 b b\n", heldLine, &observer);
      FAIL() << "the allocation failure was lost";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()),
                "timing file \"t.txt\" line 3: out of memory while writing its row");
    }
  }
}

TEST(ErrorText, ControlBytesInNamesAndHeadersAreShownEscaped) {
  ScratchDir dir;
  const std::string name = (dir.Path() / "a\x01\nb.txt").string();
  try {
    CInputFile file(name, "timing file");
    FAIL() << "opened a missing file";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("a\\x01\\x0ab.txt\": No such file"), std::string::npos)
        << e.what();
  }
  const std::string vector = dir.Write("v.txt", std::string("%fixed\0wrap floor [16 8]\n", 25));
  CQuantizer quantizer;
  try {
    ApplyTestVectorHeader(vector, quantizer);
    FAIL() << "accepted a header with a NUL in a word";
  } catch (const std::runtime_error& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("\"fixed\\x00wrap floor [16 8]\""), std::string::npos) << what;
    EXPECT_NE(what.find("has fewer than five fields"), std::string::npos) << what;
  }
}

TEST(ErrorText, NamesOutsideTheBasicPlaneWorkThroughTcl) {
  ScratchDir dir;
  fs::create_directory(dir.Path() / "Reports");
  const std::string smile = "\xf0\x9f\x98\x80";
  dir.Write("k" + smile + ".txt", "0 s 0\n1 o 3 a a\n");
  Tcl("SetProjectOption -directory {" + dir.Path().string() + "} -fixedpointlanguage MATLAB");
  Tcl("set ::DR::952688_enable_53_bit_IO 0");
  // glob hands the name over as Tcl keeps it (surrogate pairs).
  EXPECT_EQ(Tcl("GenerateVerifyReport -timingfiles [glob -directory {" + dir.Path().string() +
                "} *.txt]"),
            "3 3 3");
  Tcl("SetProjectOption -directory [pwd]");
  EXPECT_TRUE(fs::exists(dir.Path() / "Reports" / ("k" + smile + "_rtl.htm")));
}
