#include "verify/TestVectorFile.h"

#include <stdexcept>

#include "fixedpoint/Quantizer.h"
#include "util/StringUtil.h"
#include "verify/LineReader.h"

namespace {

constexpr std::string_view kTimingMarker = "kv_timing_Korvel_TestVector_";
constexpr std::string_view kTextExtension = ".txt";
constexpr std::size_t kHeaderLineLimit = 8191;
// Three quantizer words, "[" with the word length, the fraction length with "]".
constexpr std::size_t kHeaderFields = 5;

}  // namespace

std::optional<std::string> VectorSuffix(std::string_view timingPath) {
  const std::size_t marker = timingPath.find(kTimingMarker);
  if (marker == std::string_view::npos) {
    return std::nullopt;
  }
  const std::size_t from = marker + kTimingMarker.size();
  // The extension is looked for after the marker, so a ".txt" earlier in the
  // path (a folder name) cannot cut the suffix wrongly.
  const std::size_t extension = timingPath.find(kTextExtension, from);
  if (extension == std::string_view::npos) {
    return std::nullopt;
  }
  return std::string(timingPath.substr(from, extension - from));
}

std::string ReadFirstLine(const std::string& path, const std::string& what) {
  CInputFile file(path, what);
  std::string line;
  char block[kHeaderLineLimit + 1];
  while (line.size() < kHeaderLineLimit) {
    const std::size_t n = file.Read(block, kHeaderLineLimit - line.size());
    if (n == 0) {
      break;
    }
    const std::string_view read(block, n);
    const std::size_t feed = read.find('\n');
    line.append(read.substr(0, feed));
    if (feed != std::string_view::npos) {
      break;
    }
  }
  if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  return line;
}

void ApplyTestVectorHeader(const std::string& vectorPath, CQuantizer& quantizer) {
  ApplyTestVectorHeaderLine(vectorPath, ReadFirstLine(vectorPath, "test-vector file"), quantizer);
}

void ApplyTestVectorHeaderLine(const std::string& vectorPath, const std::string& line,
                               CQuantizer& quantizer) {
  if (line.empty()) {
    throw std::runtime_error("test-vector file " + QuotedForMessage(vectorPath) +
                             " has no quantizer header on its first line");
  }
  // The first character marks the header line; the rest is the header.
  const std::string header = line.substr(1);
  if (SplitString(header, " ").size() < kHeaderFields) {
    throw std::runtime_error("test-vector file " + QuotedForMessage(vectorPath) +
                             ": quantizer header " + QuotedForMessage(header) +
                             " has fewer than five fields (expected e.g. \"fixed wrap floor "
                             "[16 8]\")");
  }
  try {
    quantizer.SetFromHeader(header);
  } catch (const std::runtime_error& e) {
    throw std::runtime_error("test-vector file " + QuotedForMessage(vectorPath) +
                             ": bad quantizer header " + QuotedForMessage(header) + ": " +
                             e.what());
  }
}
