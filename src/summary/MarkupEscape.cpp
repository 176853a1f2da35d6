#include "summary/MarkupEscape.h"

#include <array>
#include <cstddef>

namespace {

void AppendHexByte(std::string& out, unsigned char byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0xF];
}

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence starting at text[i], or 0 when the
// bytes there are not one (overlong forms, surrogates and values past
// U+10FFFF are not valid).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char lead = at(0);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  } else {
    return 0;
  }
  if (i + length > text.size()) {
    return 0;
  }
  for (std::size_t k = 1; k < length; ++k) {
    if (!IsContinuation(at(k))) {
      return 0;
    }
  }
  const unsigned char second = at(1);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
    return 0;
  }
  return length;
}

}  // namespace

namespace {

// The bytes written as they are: printable ASCII but & < > " ', and tab,
// line feed and carriage return.
constexpr std::array<bool, 256> kPlainBytes = [] {
  std::array<bool, 256> plain{};
  for (int byte = 0x20; byte < 0x7F; ++byte) {
    plain[byte] = true;
  }
  for (const char byte : {'&', '<', '>', '"', '\''}) {
    plain[static_cast<unsigned char>(byte)] = false;
  }
  for (const char byte : {'\t', '\n', '\r'}) {
    plain[static_cast<unsigned char>(byte)] = true;
  }
  return plain;
}();

}  // namespace

void AppendEscapedMarkup(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    // A run of plain bytes in one piece.
    std::size_t end = i;
    while (end < text.size() && kPlainBytes[static_cast<unsigned char>(text[end])]) {
      ++end;
    }
    out.append(text.data() + i, end - i);
    i = end;
    if (i == text.size()) {
      break;
    }
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x80) {
      const std::size_t length = Utf8SequenceLength(text, i);
      if (length == 0) {
        AppendHexByte(out, byte);
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (byte) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:  // the other control bytes
        AppendHexByte(out, byte);
    }
    ++i;
  }
}

std::string EscapeMarkup(std::string_view text) {
  std::string out;
  AppendEscapedMarkup(out, text);
  return out;
}

std::size_t MarkupCutPoint(std::string_view escaped, std::size_t limit) {
  if (limit >= escaped.size()) {
    return escaped.size();
  }
  std::size_t cut = limit;
  while (cut > 0 && IsContinuation(static_cast<unsigned char>(escaped[cut]))) {
    --cut;
  }
  // Not inside a character reference: a '&' before the cut whose ';' is not.
  const std::size_t ampersand = cut == 0 ? std::string_view::npos : escaped.rfind('&', cut - 1);
  if (ampersand != std::string_view::npos && escaped.find(';', ampersand) >= cut) {
    cut = ampersand;
  }
  return cut;
}
