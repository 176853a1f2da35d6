// Texts about to be read as Tcl lists.
//
// Tcl 8.6.13's list reading collapses a backslash sequence into more bytes
// than it spans when the backslash stands before bytes that are not one whole
// UTF-8 character (three bytes of a four-byte character, for one), and then
// writes past the end of the element's buffer. A text with such a backslash
// must never reach Tcl's list reading unless it already is a list.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// Whether byte continues a UTF-8 sequence (10xxxxxx).
inline bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence starting at text[i] (2 to 4 bytes),
// or 0 when the bytes there are not one (ASCII, overlong forms, surrogates
// and values past U+10FFFF are not).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);

// The offset of the first backslash in text that Tcl's list reading would
// collapse although it escapes a byte from 0x80 up that begins no whole,
// valid UTF-8 character; nothing when there is none. As Tcl reads a list, a
// backslash escaped by another ("\\") escapes nothing, and the backslashes of
// an element in braces stay as they are unless the element holds a
// backslash-newline.
std::optional<std::size_t> BackslashBeforeNonUtf8(std::string_view text);
