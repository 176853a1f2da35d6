// Free functions on 8-bit byte strings. No locale and no encoding: a letter
// is A-Z or a-z, a digit 0-9, and bytes from 0x80 up are neither.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// ---- Endings and replacement ----

// text without ending when text is strictly longer than ending and ends with
// it exactly (case-sensitive); otherwise a copy of text.
std::string StripSuffix(const std::string& text, const std::string& ending);

// Every occurrence of from becomes to.
void ReplaceChar(std::string& text, char from, char to);

// Replaces occurrences of from by to, scanning left to right; with all false
// only the first one. Replaced text is never searched again. Nothing happens
// when text or from is empty.
void ReplaceSubstring(std::string& text, std::string_view from, std::string_view to, bool all);

// Every byte of text that occurs in set is replaced by the whole of with
// (removed when with is empty). Inserted bytes are never examined again.
void ReplaceAnyOf(std::string& text, std::string_view set, std::string_view with);

// ---- Comparison ----
// The array forms stop at the first zero byte; a null array counts as "".

// Without ignoreCase: byte-wise comparison of unsigned bytes (of at most
// limit bytes when limit >= 0), giving -1, 0 or 1.
// With ignoreCase: an equality test with a prefix indication. 0 when limit
// bytes compared equal or both ended together; otherwise 1 when a still has a
// byte at the stopping position (a difference, or b ended first) and -1 when
// only b has one.
int CompareText(const char* a, const char* b, bool ignoreCase, int limit = -1);
int CompareText(const std::string& a, const std::string& b, bool ignoreCase, int limit = -1);
int CompareText(const char* a, const std::string& b, bool ignoreCase, int limit = -1);
int CompareText(const std::string& a, const char* b, bool ignoreCase, int limit = -1);

// CompareText with an option to skip spaces: while both texts still have a
// byte, a space in either one is stepped over (one in each text that has one
// there) and counts as one position toward limit.
int CompareTextEx(const char* a, const char* b, bool ignoreSpaces, bool ignoreCase, int limit = -1);

// 0 when text (up to its first zero byte) ends with ending; -1 when text is
// shorter than ending; otherwise the byte-wise order of text's last bytes
// against ending (-1 or 1).
int CompareEnding(const std::string& text, const char* ending);

// ---- Characters and case ----

bool IsAsciiLetter(char c);
bool IsAsciiDigit(char c);
char ToLowerAscii(char c);
char ToUpperAscii(char c);

// 'I', 'V' and 'X' only.
bool IsRomanDigit(char c);
bool IsDigitOrRoman(char c, bool allowRoman);

std::string ToLowerCopy(std::string_view text);
std::string ToUpperCopy(std::string_view text);
void MakeLower(std::string& text);
void MakeUpper(std::string& text);

// False as soon as a letter is lower case (true for text without letters).
bool IsUpperCase(std::string_view text);
// False as soon as a letter is upper case (true for text without letters).
bool IsLowerCase(std::string_view text);

// ---- Numbers in text ----

// Non-empty; the first byte '-', a digit or (allowRoman) I, V, X; every
// further byte a digit or (allowRoman) I, V, X. A lone "-" passes.
bool IsInteger(std::string_view text, bool allowRoman);

// A decimal integer ("-12"; a lone "-" reads as 0) within the range of int,
// or with allowRoman one of the numerals I to X exactly. out is written only
// when the result is true.
bool ParseInteger(std::string_view text, int& out, bool allowRoman);

// Non-empty; the first byte a digit, '-' or '.'; every further byte a digit
// or '.'. A shape test only: "1.2.3" passes, "1e5" does not.
bool IsRealNumber(std::string_view text);

// ---- Lists ----

// The elements with separator between neighbours; "" for an empty list.
std::string JoinStrings(const std::vector<std::string>& parts, const char* separator);

// Splits at every byte that is one of delimiters. Consecutive delimiters give
// empty elements; the result always has one element more than text has
// delimiter bytes (an empty text gives one empty element).
std::vector<std::string> SplitString(std::string_view text, const char* delimiters);

// ---- Bytes and doubles ----

// out gets one byte per value: the low 8 bits of the value truncated toward
// zero. A value that is not finite or lies outside the 64-bit integer range
// gives 0.
void DoublesToBytes(const std::vector<double>& values, std::string& out);

// out becomes one element per byte, each byte read as a signed 8-bit value.
// Returns the number of elements.
int BytesToDoubles(std::string_view text, std::vector<double>& out);

// text with every control byte (below 0x20, and 0x7f) written as \xNN, so a
// message shows a NUL, a line feed or an escape where it is instead of being
// cut or broken by it. Every other byte stays as it is.
std::string EscapeControlBytes(std::string_view text);
// EscapeControlBytes of text in double quotes: how messages name a file or
// show a value.
std::string QuotedForMessage(std::string_view text);
