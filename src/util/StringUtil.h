// Free functions on 8-bit byte strings. No locale and no encoding: a letter
// is A-Z or a-z, a digit 0-9, and bytes from 0x80 up are neither.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits at every byte that is one of delimiters. Consecutive delimiters give
// empty elements; the result always has one element more than text has
// delimiter bytes (an empty text gives one empty element).
std::vector<std::string> SplitString(std::string_view text, const char* delimiters);
