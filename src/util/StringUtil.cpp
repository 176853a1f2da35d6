#include "util/StringUtil.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

const char* OrEmpty(const char* text) {
  return text ? text : "";
}

int Sign(int value) {
  return (value > 0) - (value < 0);
}

// Byte-wise comparison of unsigned bytes, at most limit bytes when limit >= 0.
int CompareBytes(const char* a, const char* b, int limit) {
  const int result = limit < 0 ? std::strcmp(a, b) : std::strncmp(a, b, limit);
  return Sign(result);
}

bool SameByte(char a, char b, bool ignoreCase) {
  return ignoreCase ? ToLowerAscii(a) == ToLowerAscii(b) : a == b;
}

// The outcome of a walk that stopped at a and b after count compared positions.
int WalkResult(const char* a, const char* b, int count, int limit) {
  if (limit >= 0 && count >= limit) {
    return 0;
  }
  if (*a != '\0') {
    return 1;
  }
  return *b != '\0' ? -1 : 0;
}

}  // namespace

// ---- Endings and replacement ----

std::string StripSuffix(const std::string& text, const std::string& ending) {
  if (text.size() > ending.size() &&
      text.compare(text.size() - ending.size(), ending.size(), ending) == 0) {
    return text.substr(0, text.size() - ending.size());
  }
  return text;
}

void ReplaceChar(std::string& text, char from, char to) {
  for (char& c : text) {
    if (c == from) {
      c = to;
    }
  }
}

void ReplaceSubstring(std::string& text, std::string_view from, std::string_view to, bool all) {
  if (text.empty() || from.empty()) {
    return;
  }
  std::size_t pos = text.find(from);
  while (pos != std::string::npos) {
    text.replace(pos, from.size(), to);
    if (!all) {
      return;
    }
    pos = text.find(from, pos + to.size());
  }
}

void ReplaceAnyOf(std::string& text, std::string_view set, std::string_view with) {
  if (set.empty()) {
    return;
  }
  std::size_t pos = text.find_first_of(set);
  while (pos != std::string::npos) {
    text.replace(pos, 1, with);
    pos = text.find_first_of(set, pos + with.size());
  }
}

// ---- Comparison ----

int CompareText(const char* a, const char* b, bool ignoreCase, int limit) {
  a = OrEmpty(a);
  b = OrEmpty(b);
  if (!ignoreCase) {
    return CompareBytes(a, b, limit);
  }
  int count = 0;
  while (*a != '\0' && *b != '\0' && (limit < 0 || count < limit)) {
    if (!SameByte(*a, *b, true)) {
      break;
    }
    ++a;
    ++b;
    ++count;
  }
  return WalkResult(a, b, count, limit);
}

int CompareText(const std::string& a, const std::string& b, bool ignoreCase, int limit) {
  return CompareText(a.c_str(), b.c_str(), ignoreCase, limit);
}

int CompareText(const char* a, const std::string& b, bool ignoreCase, int limit) {
  return CompareText(a, b.c_str(), ignoreCase, limit);
}

int CompareText(const std::string& a, const char* b, bool ignoreCase, int limit) {
  return CompareText(a.c_str(), b, ignoreCase, limit);
}

int CompareTextEx(const char* a, const char* b, bool ignoreSpaces, bool ignoreCase, int limit) {
  a = OrEmpty(a);
  b = OrEmpty(b);
  if (!ignoreSpaces && !ignoreCase) {
    return CompareBytes(a, b, limit);
  }
  int count = 0;
  while (*a != '\0' && *b != '\0' && (limit < 0 || count < limit)) {
    if (ignoreSpaces && (*a == ' ' || *b == ' ')) {
      a += (*a == ' ');
      b += (*b == ' ');
      ++count;
      continue;
    }
    if (!SameByte(*a, *b, ignoreCase)) {
      break;
    }
    ++a;
    ++b;
    ++count;
  }
  return WalkResult(a, b, count, limit);
}

int CompareEnding(const std::string& text, const char* ending) {
  const std::size_t textLength = std::strlen(text.c_str());
  const std::size_t endingLength = std::strlen(OrEmpty(ending));
  if (textLength < endingLength) {
    return -1;
  }
  if (endingLength == 0) {
    return 0;
  }
  return Sign(std::memcmp(text.c_str() + textLength - endingLength, ending, endingLength));
}

// ---- Characters and case ----

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

char ToLowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char ToUpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsRomanDigit(char c) {
  return c == 'I' || c == 'V' || c == 'X';
}

bool IsDigitOrRoman(char c, bool allowRoman) {
  return IsAsciiDigit(c) || (allowRoman && IsRomanDigit(c));
}

std::string ToLowerCopy(std::string_view text) {
  std::string copy(text);
  MakeLower(copy);
  return copy;
}

std::string ToUpperCopy(std::string_view text) {
  std::string copy(text);
  MakeUpper(copy);
  return copy;
}

void MakeLower(std::string& text) {
  for (char& c : text) {
    c = ToLowerAscii(c);
  }
}

void MakeUpper(std::string& text) {
  for (char& c : text) {
    c = ToUpperAscii(c);
  }
}

bool IsUpperCase(std::string_view text) {
  for (const char c : text) {
    if (c >= 'a' && c <= 'z') {
      return false;
    }
  }
  return true;
}

bool IsLowerCase(std::string_view text) {
  for (const char c : text) {
    if (c >= 'A' && c <= 'Z') {
      return false;
    }
  }
  return true;
}

// ---- Numbers in text ----

bool IsInteger(std::string_view text, bool allowRoman) {
  if (text.empty()) {
    return false;
  }
  if (text.front() != '-' && !IsDigitOrRoman(text.front(), allowRoman)) {
    return false;
  }
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (!IsDigitOrRoman(text[i], allowRoman)) {
      return false;
    }
  }
  return true;
}

bool ParseInteger(std::string_view text, int& out, bool allowRoman) {
  if (text.empty()) {
    return false;
  }
  if (IsInteger(text, false)) {
    if (text == "-") {
      out = 0;
      return true;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
      return false;  // outside the range of int
    }
    out = value;
    return true;
  }
  if (!allowRoman) {
    return false;
  }
  static constexpr std::string_view kNumerals[] = {"I",  "II",  "III",  "IV", "V",
                                                   "VI", "VII", "VIII", "IX", "X"};
  for (int i = 0; i < 10; ++i) {
    if (text == kNumerals[i]) {
      out = i + 1;
      return true;
    }
  }
  return false;
}

bool IsRealNumber(std::string_view text) {
  if (text.empty()) {
    return false;
  }
  const char first = text.front();
  if (!IsAsciiDigit(first) && first != '-' && first != '.') {
    return false;
  }
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (!IsAsciiDigit(text[i]) && text[i] != '.') {
      return false;
    }
  }
  return true;
}

// ---- Lists ----

std::string JoinStrings(const std::vector<std::string>& parts, const char* separator) {
  const std::string_view sep(OrEmpty(separator));
  std::string joined;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) {
      joined += sep;
    }
    joined += parts[i];
  }
  return joined;
}

std::vector<std::string> SplitString(std::string_view text, const char* delimiters) {
  const std::string_view delims(OrEmpty(delimiters));
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t cut = text.find_first_of(delims, start);
    if (cut == std::string_view::npos) {
      parts.emplace_back(text.substr(start));
      return parts;
    }
    parts.emplace_back(text.substr(start, cut - start));
    start = cut + 1;
  }
}

// ---- Bytes and doubles ----

void DoublesToBytes(const std::vector<double>& values, std::string& out) {
  // [-2^63, 2^63): every double in it converts to std::int64_t exactly.
  constexpr double kLow = -9223372036854775808.0;
  constexpr double kHigh = 9223372036854775808.0;
  out.assign(values.size(), '\0');
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double v = values[i];
    if (std::isfinite(v) && v >= kLow && v < kHigh) {
      const auto whole = static_cast<std::uint64_t>(static_cast<std::int64_t>(v));
      out[i] = static_cast<char>(whole & 0xFFu);
    }
  }
}

int BytesToDoubles(std::string_view text, std::vector<double>& out) {
  std::vector<double>().swap(out);
  out.assign(text.size(), 0.0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    out[i] = static_cast<double>(static_cast<signed char>(text[i]));
  }
  return static_cast<int>(out.size());
}

std::string EscapeControlBytes(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7f) {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 0x0f];
    } else {
      out += c;
    }
  }
  return out;
}

std::string QuotedForMessage(std::string_view text) {
  return "\"" + EscapeControlBytes(text) + "\"";
}
