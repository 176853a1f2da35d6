// One escaping function for every text this layer puts into HTML, XML or SVG.
//
// Markup characters become character references (&amp; &lt; &gt; &quot;
// &#39;). Bytes no XML document may hold (control bytes other than tab, line
// feed and carriage return) and bytes that are not part of valid UTF-8 are
// shown as the visible text \xNN, so a page or a JUnit file stays readable by
// a strict parser and the reader still sees what the input held.
#pragma once

#include <string>
#include <string_view>

std::string EscapeMarkup(std::string_view text);
// Appends the escaped text to out.
void AppendEscapedMarkup(std::string& out, std::string_view text);
