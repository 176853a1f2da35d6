#include "summary/MarkupEscape.h"

#include <array>
#include <cstddef>

#include "host/TclListText.h"

namespace {

void AppendHexByte(std::string& out, unsigned char byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0xF];
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
