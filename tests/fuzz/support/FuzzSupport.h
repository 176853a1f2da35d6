// Shared pieces of the fuzz targets: an interpreter with the extension
// loaded, a check that stops the run with a message, and a reader that cuts
// the fuzzer's bytes into the fields of one run.
#pragma once

#include <tcl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The interpreter, created and loaded on first use; its working directory is
// a fresh scratch directory that holds an empty Reports folder.
Tcl_Interp* FuzzInterp();

// Aborts with what and the input's text when condition is false.
void FuzzCheck(bool condition, std::string_view what, std::string_view input = {});

// Cuts input into fields: a leading byte, then texts ended by a NUL byte (the
// last one by the end of the input).
class CFuzzFields {
 public:
  CFuzzFields(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t Byte() {
    if (rest_.empty()) {
      return 0;
    }
    const auto b = static_cast<std::uint8_t>(rest_[0]);
    rest_.remove_prefix(1);
    return b;
  }
  std::string_view Text() {
    const std::size_t end = rest_.find('\0');
    const std::string_view text = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return text;
  }
  std::string_view Rest() const { return rest_; }
  bool Empty() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

// Evaluates a command of words at global level; the result code, the
// interpreter's result in result.
int FuzzEvalWords(std::initializer_list<std::string_view> words, std::string& result);
