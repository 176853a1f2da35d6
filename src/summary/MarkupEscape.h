// One escaping function for every text this layer puts into HTML, XML or SVG.
//
// Markup characters become character references (&amp; &lt; &gt; &quot;
// &#39;). Bytes no XML document may hold (control bytes other than tab, line
// feed and carriage return) and bytes that are not part of valid UTF-8 are
// shown as the visible text \xNN, so a page or a JUnit file stays readable by
// a strict parser and the reader still sees what the input held.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

std::string EscapeMarkup(std::string_view text);
// Appends the escaped text to out.
void AppendEscapedMarkup(std::string& out, std::string_view text);

// The longest prefix of escaped text (as EscapeMarkup writes it) of at most
// limit bytes that ends on a whole character: never inside a UTF-8 sequence
// or a character reference. The whole text when it is no longer than limit.
std::size_t MarkupCutPoint(std::string_view escaped, std::size_t limit);
