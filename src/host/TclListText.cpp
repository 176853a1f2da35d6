#include "host/TclListText.h"

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

namespace {

bool IsListSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A backslash at text[at] before a byte from 0x80 up that begins no whole
// UTF-8 character.
bool BadEscape(std::string_view text, std::size_t at) {
  return at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
         Utf8SequenceLength(text, at + 1) == 0;
}

// The element in braces starting at text[at]: its end (after the closing
// brace), and the first bad escape in it when Tcl collapses its backslash
// sequences, which it does only when the element holds a backslash-newline.
std::size_t BracedElement(std::string_view text, std::size_t at, std::optional<std::size_t>& bad) {
  std::size_t depth = 1;
  std::size_t i = at + 1;
  bool collapsed = false;
  std::optional<std::size_t> first;
  for (; i < text.size() && depth > 0; ++i) {
    if (text[i] == '\\') {
      collapsed = collapsed || (i + 1 < text.size() && text[i + 1] == '\n');
      if (!first && BadEscape(text, i)) {
        first = i;
      }
      ++i;  // the escaped byte neither opens nor closes
    } else if (text[i] == '{') {
      ++depth;
    } else if (text[i] == '}') {
      --depth;
    }
  }
  if (collapsed) {
    bad = first;
  }
  return i;
}

// The element in quotes or bare starting at text[at]: its end, and its first
// bad escape (Tcl collapses every backslash sequence of such an element).
std::size_t PlainElement(std::string_view text, std::size_t at, std::optional<std::size_t>& bad) {
  const bool quoted = text[at] == '"';
  std::size_t i = quoted ? at + 1 : at;
  for (; i < text.size(); ++i) {
    if (text[i] == '\\') {
      if (BadEscape(text, i)) {
        bad = i;
        return i;
      }
      ++i;
    } else if (quoted ? text[i] == '"' : IsListSpace(text[i])) {
      return i + 1;
    }
  }
  return i;
}

}  // namespace

std::optional<std::size_t> BackslashBeforeNonUtf8(std::string_view text) {
  std::optional<std::size_t> bad;
  std::size_t at = 0;
  while (!bad && at < text.size()) {
    if (IsListSpace(text[at])) {
      ++at;
    } else if (text[at] == '{') {
      at = BracedElement(text, at, bad);
    } else {
      at = PlainElement(text, at, bad);
    }
  }
  return bad;
}
