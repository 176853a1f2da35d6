// The blocks a report run lends to the line readers and output buffers of
// its files: whatever an earlier file left in them never shows in a later
// file's lines or report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "verify/ByteBlock.h"
#include "verify/LineReader.h"
#include "verify/OutputBuffer.h"
#include "verify/VerifyReportRun.h"

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

Strings LinesThrough(CByteBlock& storage, const std::string& text, std::size_t blockSize) {
  CLineReader reader(TextSource(text), storage, blockSize);
  Strings lines;
  std::string_view line;
  while (reader.Next(line)) {
    lines.emplace_back(line);
  }
  return lines;
}

}  // namespace

TEST(SharedReadBlock, LaterReaderSeesOnlyItsOwnBytes) {
  CByteBlock storage;
  // The first file's long line grows the block and leaves line feeds in it.
  const std::string longLine(5000, 'v');
  EXPECT_EQ(LinesThrough(storage, "a\n" + longLine + "\n\n\n", 64),
            (Strings{"a", longLine, "", ""}));
  const std::size_t grown = storage.size();
  EXPECT_GT(grown, 5000u);
  std::memset(storage.data(), '\n', storage.size());
  // A last line without its line feed ends at the end of the input, not at
  // a line feed left in the block.
  EXPECT_EQ(LinesThrough(storage, "x y\nlast", 64), (Strings{"x y", "last"}));
  EXPECT_EQ(LinesThrough(storage, "", 64), Strings{});
  EXPECT_EQ(storage.size(), grown);  // kept for the files after
}

TEST(SharedWriteBlock, EachBufferHandsOnExactlyItsOwnBytes) {
  CByteBlock storage;
  std::string first;
  {
    COutputBuffer out([&](std::string_view bytes) { first.append(bytes); }, storage, 8);
    out.Append("0123456789abcdef0123");  // longer than the block
    char* at = out.Reserve(40);          // grows the block
    at = std::fill_n(at, 40, 'r');
    out.Commit(at);
    out.AppendHtmlEscaped("<&>");
    out.Flush();
  }
  EXPECT_EQ(first, "0123456789abcdef0123" + std::string(40, 'r') + "&lt;&amp;&gt;");
  std::memset(storage.data(), '#', storage.size());
  std::string second;
  {
    COutputBuffer out([&](std::string_view bytes) { second.append(bytes); }, storage, 8);
    out.Append('a');
    out.Append("bc");
    out.Flush();
    out.Flush();
  }
  EXPECT_EQ(second, "abc");
}

TEST(ByteBlockGrow, KeepsTheBytesAskedFor) {
  CByteBlock block(4);
  std::memcpy(block.data(), "abcd", 4);
  block.Grow(2);  // never shrinks
  EXPECT_EQ(block.size(), 4u);
  block.Grow(16, 3);
  EXPECT_EQ(block.size(), 16u);
  EXPECT_EQ(std::string(block.data(), 3), "abc");
}

// One run over several files writes each report as a run of that file
// alone does, whatever the files before it left in the shared blocks.
TEST(SharedRunBlocks, ReportsEqualThoseOfOneFileRuns) {
  ScratchDir dir;
  fs::create_directory(dir.Path() / "Reports");
  const std::string longRecord = "20 out 4" + [] {
    std::string values;
    for (int i = 0; i < 3000; ++i) {
      values += i % 7 == 0 ? " 0x01 0x02" : " 0x0a 0x0a";
    }
    return values;
  }() + "\n";
  const Strings texts = {"0 start 0\n" + longRecord + "30 out 3 0x1 0x1\n",
                         "0 start 0\n10 out 2 0x3 0x4", "", "0 start 0\n\n10 out 5 &<> \"\n"};
  Strings paths;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    paths.push_back(dir.Write("t" + std::to_string(i) + ".txt", texts[i]));
  }
  CVerifySettings settings;
  settings.projectDirectory = dir.Path().string();
  Strings together;
  {
    CVerifyReportRun run(settings);
    for (const std::string& path : paths) {
      together.push_back(ReadFile(run.RunFile(path).reportPath));
    }
  }
  for (std::size_t i = 0; i < paths.size(); ++i) {
    CVerifyReportRun alone(settings);
    EXPECT_EQ(ReadFile(alone.RunFile(paths[i]).reportPath), together[i]) << "file " << i;
  }
}
