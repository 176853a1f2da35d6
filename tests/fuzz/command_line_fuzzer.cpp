// Feeds arbitrary words to the argument parsers of `reportapp verify` and
// `reportapp summarize`.
//
// Input: byte 0 chooses the parser; the rest are the words, ended by NUL
// bytes. A word list is either refused with a message or read; what was read,
// written back as words, must read as the same options, and the file names
// must be the words as given (no tilde or other expansion).
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/VerifyOptions.h"
#include "support/FuzzSupport.h"

namespace {

std::vector<std::string> WordsOf(const CVerifyOptions& o, bool verify) {
  std::vector<std::string> words;
  const auto flag = [&words](bool on, const char* word) {
    if (on) {
      words.emplace_back(word);
    }
  };
  flag(o.help, "--help");
  flag(o.version, "--version");
  if (o.hasProject) {
    words.push_back("--project=" + o.project);
  }
  words.push_back("--json=" + o.json);
  words.push_back("--junit=" + o.junit);
  flag(!o.index, "--no-index");
  flag(o.allowEmpty, "--allow-empty");
  flag(o.quiet, "--quiet");
  if (verify) {
    flag(o.gateLevel, "--impl");
    flag(o.realValues, "--real-values");
    flag(!o.plots, "--no-plots");
    words.push_back("--first=" + std::to_string(o.first));
    if (o.jobs > 0) {
      words.push_back("--jobs=" + std::to_string(o.jobs));
    }
  }
  words.emplace_back("--");
  words.insert(words.end(), o.files.begin(), o.files.end());
  return words;
}

bool Same(const CVerifyOptions& a, const CVerifyOptions& b) {
  return a.help == b.help && a.version == b.version && a.gateLevel == b.gateLevel &&
         a.realValues == b.realValues && a.hasProject == b.hasProject && a.project == b.project &&
         a.json == b.json && a.junit == b.junit && a.index == b.index && a.plots == b.plots &&
         a.allowEmpty == b.allowEmpty && a.quiet == b.quiet && a.first == b.first &&
         a.jobs == b.jobs && a.files == b.files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CFuzzFields fields(data, size);
  const bool verify = (fields.Byte() & 1) == 0;
  std::vector<std::string> words;
  while (!fields.Empty() && words.size() < 64) {
    words.emplace_back(fields.Text());
  }
  const auto parse = [verify](const std::vector<std::string>& w) {
    return verify ? ParseVerifyOptions(w) : ParseSummarizeOptions(w);
  };
  CVerifyOptions options;
  try {
    options = parse(words);
  } catch (const std::runtime_error& e) {
    FuzzCheck(std::string(e.what()).size() > 0, "a refusal says why", input);
    return 0;
  }
  for (const std::string& file : options.files) {
    bool given = false;
    for (const std::string& word : words) {
      given = given || word == file;
    }
    FuzzCheck(given, "a file name is a word as given: " + file, input);
  }
  CVerifyOptions again;
  try {
    again = parse(WordsOf(options, verify));
  } catch (const std::runtime_error& e) {
    FuzzCheck(false, std::string("options written back are refused: ") + e.what(), input);
  }
  FuzzCheck(Same(options, again), "options written back read the same", input);
  return 0;
}
