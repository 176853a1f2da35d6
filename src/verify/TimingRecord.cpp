#include "verify/TimingRecord.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

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

namespace {

// The scalar splitter, also used for the last bytes of a line (fewer than 16).
// inToken and tokenStart carry a token that began in an earlier part.
unsigned char SplitScalar(const unsigned char* p, const unsigned char* end, bool& inToken,
                          const unsigned char*& tokenStart, std::vector<std::string_view>& tokens) {
  unsigned char seen = kPlain;
  for (; p != end; ++p) {
    const unsigned char c = kClass[*p];
    seen |= c;
    if (c == kSeparator) {
      if (inToken) {
        tokens.emplace_back(reinterpret_cast<const char*>(tokenStart),
                            static_cast<std::size_t>(p - tokenStart));
        inToken = false;
      }
    } else if (!inToken) {
      tokenStart = p;
      inToken = true;
    }
  }
  return seen & kHtmlByte;
}

#if defined(__SSE2__)
// Separator and HTML-byte masks of 16 bytes, one bit per byte.
struct CChunkMasks {
  unsigned separators;
  unsigned htmlBytes;
};

CChunkMasks ClassifyChunk(const unsigned char* p) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const auto is = [&v](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
  const __m128i separators = _mm_or_si128(_mm_or_si128(is(' '), is('\t')),
                                          _mm_or_si128(_mm_or_si128(is('\r'), is('\v')), is('\f')));
  const __m128i html = _mm_or_si128(_mm_or_si128(is('&'), is('<')), _mm_or_si128(is('>'), is('"')));
  return {static_cast<unsigned>(_mm_movemask_epi8(separators)),
          static_cast<unsigned>(_mm_movemask_epi8(html))};
}
#endif

}  // namespace

bool SplitRecord(std::string_view line, std::vector<std::string_view>& tokens) {
  tokens.clear();
  const auto* const begin = reinterpret_cast<const unsigned char*>(line.data());
  const auto* const end = begin + line.size();
  const auto* p = begin;
  bool inToken = false;
  const unsigned char* tokenStart = begin;
  unsigned htmlBytes = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time: every change between separator and token byte
  // is one set bit of transitions, found with a count of trailing zeros.
  for (; end - p >= 16; p += 16) {
    const CChunkMasks masks = ClassifyChunk(p);
    htmlBytes |= masks.htmlBytes;
    const unsigned tokenBytes = ~masks.separators & 0xffffu;
    unsigned transitions = tokenBytes ^ ((tokenBytes << 1) | (inToken ? 1u : 0u));
    transitions &= 0xffffu;
    while (transitions != 0) {
      const unsigned bit = static_cast<unsigned>(__builtin_ctz(transitions));
      transitions &= transitions - 1;
      if (inToken) {
        tokens.emplace_back(reinterpret_cast<const char*>(tokenStart),
                            static_cast<std::size_t>(p + bit - tokenStart));
      } else {
        tokenStart = p + bit;
      }
      inToken = !inToken;
    }
  }
#endif
  htmlBytes |= SplitScalar(p, end, inToken, tokenStart, tokens);
  if (inToken) {
    tokens.emplace_back(reinterpret_cast<const char*>(tokenStart),
                        static_cast<std::size_t>(end - tokenStart));
  }
  return htmlBytes != 0;
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

bool CTokenStream::Take(std::string* token) {
  if (token != nullptr) {
    token->clear();
  }
  bool inToken = false;
  for (;;) {
    if (piece_.empty() && !nextPiece_(piece_)) {
      return inToken;
    }
    std::size_t i = 0;
    if (!inToken) {
      while (i < piece_.size() && kClass[static_cast<unsigned char>(piece_[i])] == kSeparator) {
        ++i;
      }
      if (i == piece_.size()) {
        piece_ = {};
        continue;
      }
      inToken = true;
    }
    std::size_t j = i;
    unsigned char seen = kPlain;
    for (; j < piece_.size(); ++j) {
      const unsigned char c = kClass[static_cast<unsigned char>(piece_[j])];
      if (c == kSeparator) {
        break;
      }
      seen |= c;
    }
    sawHtmlByte_ = sawHtmlByte_ || (seen & kHtmlByte) != 0;
    if (token != nullptr) {
      token->append(piece_.substr(i, j - i));
    }
    piece_.remove_prefix(j);
    if (!piece_.empty()) {
      return true;  // a separator ended the token
    }
  }
}

bool IsWholeNumber(std::string_view token) {
  if (!token.empty() && (token[0] == '+' || token[0] == '-')) {
    token.remove_prefix(1);
  }
  return !token.empty() &&
         std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; });
}
