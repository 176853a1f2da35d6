// One record (line) of a timing file: its tokens and its clock count.
//
// Tokens: 1 the simulation time, 2 any text, 3 the clock count since the
// previous output, then value pairs (fixed-point value, RTL value).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
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

// Whether a clock count is written as a whole number: an optional sign and
// decimal digits only ("80.000" or "ns" are not).
bool IsWholeNumber(std::string_view token);

// Whether c stands for a value digit the simulator did not know: x X z Z
// u U w W - ? (Icarus Verilog writes x, X, z and Z per digit, GHDL's
// to_hstring X and Z).
constexpr bool IsUnknownDigit(char c) {
  switch (c) {
    case 'x':
    case 'X':
    case 'z':
    case 'Z':
    case 'u':
    case 'U':
    case 'w':
    case 'W':
    case '-':
    case '?':
      return true;
    default:
      return false;
  }
}

// The tokens of a line that comes in pieces (one too long to hold), split as
// SplitRecord splits; a token that spans pieces is joined. Only the token
// asked for is held, so memory is bounded by the longest token kept.
class CTokenStream {
 public:
  // Hands out the line's next piece; false at the end of the line.
  using TPieceFn = std::function<bool(std::string_view& piece)>;

  explicit CTokenStream(TPieceFn nextPiece) : nextPiece_(std::move(nextPiece)) {}

  // The next token into token; false (token empty) at the end of the line.
  bool Next(std::string& token) { return Take(&token); }
  // Passes over the next token without keeping it; false at the end.
  bool Skip() { return Take(nullptr); }
  // Whether a token taken so far held a byte that HTML needs escaped.
  bool SawHtmlByte() const { return sawHtmlByte_; }

 private:
  bool Take(std::string* token);

  TPieceFn nextPiece_;
  std::string_view piece_;
  bool sawHtmlByte_ = false;
};

// Token positions, 0-based.
inline constexpr std::size_t kTimeToken = 0;
inline constexpr std::size_t kClockToken = 2;
inline constexpr std::size_t kFirstValueToken = 3;
