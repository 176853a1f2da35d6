#include "support/VcdReader.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

// The value widened to width as a dump's reader does, in lower case.
std::string Widened(std::string bits, int width) {
  for (char& c : bits) {
    c = static_cast<char>(c | 0x20);
  }
  if (bits.empty()) {
    throw std::runtime_error("an empty value");
  }
  if (static_cast<int>(bits.size()) < width) {
    const char fill = bits[0] == 'x' || bits[0] == 'z' ? bits[0] : '0';
    bits.insert(0, static_cast<std::size_t>(width) - bits.size(), fill);
  }
  return bits;
}

// Reads up to and including "$end".
std::vector<std::string> UntilEnd(std::istream& in) {
  std::vector<std::string> words;
  std::string word;
  while (in >> word && word != "$end") {
    words.push_back(word);
  }
  if (word != "$end") {
    throw std::runtime_error("a declaration without $end");
  }
  return words;
}

}  // namespace

CVcdReader::CVcdReader(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> scopes;
  std::string word;
  std::uint64_t time = 0;
  const auto change = [&](const std::string& id, const std::string& value) {
    const auto at = byId_.find(id);
    if (at == byId_.end()) {
      throw std::runtime_error("a value for the undeclared identifier \"" + id + "\"");
    }
    for (const std::string& name : at->second) {
      CSignal& signal = signals_[name];
      signal.changes.emplace_back(time, Widened(value, signal.width));
    }
    times_.insert(time);
  };
  while (in >> word) {
    if (word == "$scope") {
      const std::vector<std::string> words = UntilEnd(in);
      scopes.push_back(words.at(1));
    } else if (word == "$upscope") {
      UntilEnd(in);
      scopes.pop_back();
    } else if (word == "$var") {
      const std::vector<std::string> words = UntilEnd(in);  // type width id name [range]
      std::string name;
      for (const std::string& scope : scopes) {
        name += scope + ".";
      }
      name += words.at(3);
      CSignal& signal = signals_[name];
      signal.type = words.at(0);
      signal.width = std::stoi(words.at(1));
      byId_[words.at(2)].push_back(name);
    } else if (word == "$timescale") {
      for (const std::string& part : UntilEnd(in)) {
        timescale_ += part;
      }
    } else if (word == "$dumpvars" || word == "$dumpall" || word == "$dumpon" ||
               word == "$dumpoff" || word == "$end") {
      // Value changes follow as anywhere else.
    } else if (word[0] == '$') {
      UntilEnd(in);  // $date, $version, $comment, $enddefinitions
    } else if (word[0] == '#') {
      time = std::stoull(word.substr(1));
    } else if (word[0] == 'b' || word[0] == 'B') {
      std::string id;
      in >> id;
      change(id, word.substr(1));
    } else if (word[0] == 'r' || word[0] == 'R') {
      throw std::runtime_error("a real value, which these dumps never hold");
    } else {
      change(word.substr(1), word.substr(0, 1));
    }
  }
}

CVcdReader CVcdReader::FromFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot open \"" + path + "\"");
  }
  std::ostringstream text;
  text << in.rdbuf();
  return CVcdReader(text.str());
}

const CVcdReader::CSignal& CVcdReader::Signal(const std::string& name) const {
  const auto at = signals_.find(name);
  if (at == signals_.end()) {
    throw std::runtime_error("no signal \"" + name + "\"");
  }
  return at->second;
}

std::string CVcdReader::ValueAt(const std::string& name, std::uint64_t time) const {
  const CSignal& signal = Signal(name);
  std::string value(static_cast<std::size_t>(signal.width), 'x');
  for (const auto& [at, bits] : signal.changes) {
    if (at > time) {
      break;
    }
    value = bits;
  }
  return value;
}

std::string CVcdReader::Difference(const CVcdReader& a, const CVcdReader& b) {
  if (a.signals_.size() != b.signals_.size()) {
    return std::to_string(a.signals_.size()) + " signals against " +
           std::to_string(b.signals_.size());
  }
  for (const auto& [name, signal] : a.signals_) {
    const auto other = b.signals_.find(name);
    if (other == b.signals_.end() || other->second.width != signal.width) {
      return "signal " + name + " is missing or of another width";
    }
  }
  if (a.times_.empty()) {
    return b.times_.empty() ? "" : "no value changes against some";
  }
  std::set<std::uint64_t> times = a.times_;
  times.insert(b.times_.lower_bound(*a.times_.begin()), b.times_.end());
  for (const std::uint64_t time : times) {
    for (const auto& [name, signal] : a.signals_) {
      const std::string left = a.ValueAt(name, time);
      const std::string right = b.ValueAt(name, time);
      if (left != right) {
        return name + " at " + std::to_string(time) + ": " + left + " against " + right;
      }
    }
  }
  return "";
}

std::uint64_t VcdUnsigned(const std::string& bits) {
  std::uint64_t value = 0;
  for (const char c : bits) {
    if (c != '0' && c != '1') {
      throw std::runtime_error("the value " + bits + " has unknown bits");
    }
    value = (value << 1) | static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

std::int64_t VcdSigned(const std::string& bits) {
  const std::uint64_t value = VcdUnsigned(bits);
  const std::size_t width = bits.size();
  if (width == 0 || width >= 64 || bits[0] == '0') {
    return static_cast<std::int64_t>(value);
  }
  return static_cast<std::int64_t>(value - (std::uint64_t{1} << width));
}
