#include "verify/TimingRecord.h"

#include <array>
#include <limits>

namespace {

// Byte classes: separators end tokens; the HTML bytes are noted per line.
constexpr unsigned char kPlain = 0;
constexpr unsigned char kSeparator = 1;
constexpr unsigned char kHtmlByte = 2;

constexpr std::array<unsigned char, 256> MakeClassTable() {
  std::array<unsigned char, 256> table{};
  table[' '] = table['\t'] = table['\r'] = table['\v'] = table['\f'] = kSeparator;
  table['&'] = table['<'] = table['>'] = table['"'] = kHtmlByte;
  return table;
}
constexpr std::array<unsigned char, 256> kClass = MakeClassTable();

}  // namespace

bool SplitRecord(std::string_view line, std::vector<std::string_view>& tokens) {
  tokens.clear();
  unsigned char seen = kPlain;
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const auto* const end = p + line.size();
  for (;;) {
    while (p != end && kClass[*p] == kSeparator) {
      ++p;
    }
    if (p == end) {
      return (seen & kHtmlByte) != 0;
    }
    const auto* start = p;
    for (; p != end; ++p) {
      const unsigned char c = kClass[*p];
      if (c == kSeparator) {
        break;
      }
      seen |= c;
    }
    tokens.emplace_back(reinterpret_cast<const char*>(start), static_cast<std::size_t>(p - start));
  }
}

std::int32_t ParseClockCount(std::string_view token) {
  std::size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
    negative = token[i] == '-';
    ++i;
  }
  // Magnitude limit: 2^31 for a negative count, 2^31 - 1 otherwise.
  const std::int64_t limit =
      static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + (negative ? 1 : 0);
  std::int64_t magnitude = 0;
  for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (token[i] - '0');
    if (magnitude > limit) {
      magnitude = limit;
    }
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}
