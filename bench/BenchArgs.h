// A benchmark's command line, word by word: options with and without a value.
#pragma once

#include <stdexcept>
#include <string>

class CBenchArgs {
 public:
  CBenchArgs(int argc, char** argv) : argc_(argc), argv_(argv) {}

  // Moves to the next word; false after the last.
  bool Next() {
    if (++at_ >= argc_) {
      return false;
    }
    word_ = argv_[at_];
    return true;
  }
  const std::string& Word() const { return word_; }
  // The word after the current option, which is then passed over. Throws
  // "<option> needs a value" when there is none.
  std::string Value() {
    if (at_ + 1 >= argc_) {
      throw std::runtime_error(word_ + " needs a value");
    }
    return argv_[++at_];
  }

 private:
  int argc_;
  char** argv_;
  int at_ = 0;
  std::string word_;
};
