#include "analysis/ValueToken.h"

namespace {

constexpr int kMaxBits = 64;

// A hexadecimal digit's value, or -1.
int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  const char lower = static_cast<char>(c | 0x20);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

}  // namespace

CValueToken ReadValueToken(std::string_view token) {
  CValueToken value;
  const bool number = ReadHexPattern(token, value.pattern);
  if (token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
    token.remove_prefix(2);
  }
  if (number) {
    value.kind = EValueKind::kNumber;
    value.bits = static_cast<int>(std::min<std::size_t>(4 * token.size(), kMaxBits));
    return value;
  }
  // Not plain digits: unknown when some digit is, else unreadable. The
  // pattern and mask keep the last 16 digits.
  bool unknown = false;
  value.pattern = 0;
  for (const char c : token) {
    const int digit = HexDigit(c);
    value.pattern <<= 4;
    value.unknownMask <<= 4;
    value.floatingMask <<= 4;
    if (digit >= 0) {
      value.pattern |= static_cast<std::uint64_t>(digit);
    } else if (IsUnknownDigit(c)) {
      value.unknownMask |= 0xf;
      value.floatingMask |= (c | 0x20) == 'z' ? 0xf : 0;
      unknown = true;
    }
  }
  value.bits = static_cast<int>(std::min<std::size_t>(4 * token.size(), kMaxBits));
  if (unknown) {
    value.kind = EValueKind::kUnknown;
  } else {
    // A character that is no digit, no digit at all, or more than 64 bits.
    value.kind = EValueKind::kUnreadable;
    value.pattern = 0;
  }
  return value;
}
