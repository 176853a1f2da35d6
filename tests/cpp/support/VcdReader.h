// Reads a value change dump back for the tests: the signals declared, by
// their dotted scope names, and every value each takes at which time. Values
// come back as wide as their signal, filled on the left as a dump is read (0
// before a 0 or 1, x before x, z before z), in lower case; a signal not yet
// set reads as all x.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

class CVcdReader {
 public:
  struct CSignal {
    std::string type;  // wire, integer, ...
    int width = 0;
    std::vector<std::pair<std::uint64_t, std::string>> changes;  // in time order
  };

  // Reads the text; throws std::runtime_error naming what is malformed.
  explicit CVcdReader(const std::string& text);
  static CVcdReader FromFile(const std::string& path);

  const std::string& Timescale() const { return timescale_; }
  const std::map<std::string, CSignal>& Signals() const { return signals_; }
  // Throws when there is no such signal.
  const CSignal& Signal(const std::string& name) const;
  // The value at a time: the last change at or before it.
  std::string ValueAt(const std::string& name, std::uint64_t time) const;
  // Every time at which some value changes.
  const std::set<std::uint64_t>& Times() const { return times_; }
  // Value changes of the signal as written (including repeats of a value).
  std::size_t ChangeCount(const std::string& name) const { return Signal(name).changes.size(); }

  // "" when both dumps hold the same signals (names and widths) with the same
  // values at every time either changes a value, from the first time of a;
  // else the first difference in words.
  static std::string Difference(const CVcdReader& a, const CVcdReader& b);

 private:
  std::string timescale_;
  std::map<std::string, CSignal> signals_;
  std::map<std::string, std::vector<std::string>> byId_;  // an identifier's signals
  std::set<std::uint64_t> times_;
};

// The value read as a signed number of its width (two's complement); throws
// when it has x or z bits.
std::int64_t VcdSigned(const std::string& bits);
// The value read as an unsigned number; throws when it has x or z bits.
std::uint64_t VcdUnsigned(const std::string& bits);
