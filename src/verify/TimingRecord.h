// One record (line) of a timing file: its tokens and its clock count.
//
// Tokens: 1 the simulation time, 2 any text, 3 the clock count since the
// previous output, then value pairs (fixed-point value, RTL value).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Splits a line at runs of space, tab, carriage return, vertical tab and form
// feed. tokens is cleared first and keeps its capacity, so a reader that
// reuses it allocates only when a line has more tokens than any before.
// Returns true when some token holds a byte that HTML needs escaped
// (&, <, > or ").
bool SplitRecord(std::string_view line, std::vector<std::string_view>& tokens);

// Reads a clock count as atoi does (optional sign, then decimal digits up to
// the first other byte; no digits read as 0), except that a count outside the
// 32-bit range saturates at its limit.
std::int32_t ParseClockCount(std::string_view token);

// Token positions, 0-based.
inline constexpr std::size_t kTimeToken = 0;
inline constexpr std::size_t kClockToken = 2;
inline constexpr std::size_t kFirstValueToken = 3;
