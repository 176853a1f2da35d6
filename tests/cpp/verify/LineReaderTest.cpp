#include "verify/LineReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

// Reads text through a source that hands out at most chunk bytes per call.
std::vector<std::string> Lines(const std::string& text, std::size_t blockSize,
                               std::size_t chunk = 1 << 30) {
  std::size_t at = 0;
  CLineReader reader(
      [&](char* data, std::size_t size) {
        const std::size_t n = std::min({size, chunk, text.size() - at});
        std::copy_n(text.data() + at, n, data);
        at += n;
        return n;
      },
      blockSize);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(line)) {
    lines.emplace_back(line);
    EXPECT_EQ(reader.LineNumber(), lines.size());
  }
  EXPECT_EQ(reader.BytesRead(), text.size());
  return lines;
}

using Strings = std::vector<std::string>;

}  // namespace

TEST(LineReaderEnds, LastLineWithoutLineFeedIsRead) {
  EXPECT_EQ(Lines("a\nb", 4), (Strings{"a", "b"}));
  EXPECT_EQ(Lines("a\nb\n", 4), (Strings{"a", "b"}));
  EXPECT_EQ(Lines("", 4), Strings{});
}

TEST(LineReaderEnds, CarriageReturnBeforeLineFeedBelongsToTheEnd) {
  EXPECT_EQ(Lines("a b\r\nc\r\n\r\nd\r", 3), (Strings{"a b", "c", "", "d"}));
  // Only one carriage return belongs to the line end.
  EXPECT_EQ(Lines("x\r\r\n", 3), (Strings{"x\r"}));
}

TEST(LineReaderEnds, EmptyLinesAreReturnedAndCounted) {
  EXPECT_EQ(Lines("\n\na\n\n", 2), (Strings{"", "", "a", ""}));
}

TEST(LineReaderLength, LongLineIsReadWholeAcrossManyBlocks) {
  const std::string longLine(100000, 'v');
  for (const std::size_t chunk : {std::size_t{7}, std::size_t{4096}, std::size_t{1} << 30}) {
    const Strings lines = Lines("first\n" + longLine + "\nlast", 16, chunk);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], longLine);
    EXPECT_EQ(lines[2], "last");
  }
}

TEST(LineReaderLength, BufferStaysWithinLongestLinePlusOneBlock) {
  std::string text;
  for (int i = 0; i < 2000; ++i) {
    text += std::string(static_cast<std::size_t>(i % 50), 'x') + "\n";
  }
  text += std::string(300, 'y') + "\n";
  for (int i = 0; i < 2000; ++i) {
    text += "short line\n";
  }
  CLineReader reader(TextSource(text), 64);
  std::string_view line;
  std::size_t count = 0;
  while (reader.Next(line)) {
    ++count;
  }
  EXPECT_EQ(count, 4001u);
  EXPECT_LE(reader.BufferCapacity(), 300u + 64u + 64u);
}

TEST(LineReaderFailure, SourceErrorsReachTheCaller) {
  CLineReader reader([](char*, std::size_t) -> std::size_t {
    throw std::runtime_error("cannot read timing file \"x\": Input/output error");
  });
  std::string_view line;
  EXPECT_THROW(reader.Next(line), std::runtime_error);
}

TEST(InputFileOpen, MissingFileAndDirectoryAreNamedInTheError) {
  ScratchDir dir;
  const std::string missing = (dir.Path() / "nothing.txt").string();
  try {
    CInputFile file(missing, "timing file");
    FAIL() << "opened a missing file";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()),
              "cannot open timing file \"" + missing + "\": No such file or directory");
  }
  try {
    CInputFile file(dir.Path().string(), "timing file");
    FAIL() << "opened a directory";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Is a directory"), std::string::npos) << e.what();
  }
}

TEST(InputFileOpen, ReadsTheWholeFile) {
  ScratchDir dir;
  const std::string path = dir.Write("t.txt", "1 a 2\n3 b 4");
  CInputFile file(path, "timing file");
  EXPECT_EQ(file.Size(), 11u);
  CLineReader reader([&](char* data, std::size_t size) { return file.Read(data, size); }, 4);
  std::string_view line;
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "1 a 2");
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "3 b 4");
  EXPECT_FALSE(reader.Next(line));
}
