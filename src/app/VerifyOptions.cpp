#include "app/VerifyOptions.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace {

// Walks the words: options with their values ("--x V" or "--x=V"), then
// file names ("--" ends the options; "-" alone is a name).
class CWordReader {
 public:
  explicit CWordReader(const std::vector<std::string>& words) : words_(words) {}

  bool Next() {
    if (++at_ >= words_.size()) {
      return false;
    }
    const std::string& word = words_[at_];
    isOption_ = !optionsDone_ && word.size() > 1 && word[0] == '-';
    if (isOption_ && word == "--") {
      optionsDone_ = true;
      return Next();
    }
    name_ = word;
    inlineValue_.reset();
    if (isOption_ && word.starts_with("--")) {
      const std::size_t equals = word.find('=');
      if (equals != std::string::npos) {
        name_ = word.substr(0, equals);
        inlineValue_ = word.substr(equals + 1);
      }
    }
    return true;
  }
  bool IsOption() const { return isOption_; }
  const std::string& Word() const { return words_[at_]; }
  const std::string& Name() const { return name_; }
  bool Is(std::string_view name) const { return name_ == name; }
  void NoValue() const {
    if (inlineValue_) {
      throw std::runtime_error(name_ + " takes no value");
    }
  }
  std::string Value(const char* what) {
    if (inlineValue_) {
      return *inlineValue_;
    }
    if (at_ + 1 >= words_.size()) {
      throw std::runtime_error(name_ + " needs " + what);
    }
    return words_[++at_];
  }
  std::size_t Count(const char* what, std::size_t least) {
    const std::string text = Value(what);
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < least) {
      throw std::runtime_error(name_ + " \"" + text + "\" is not " + what);
    }
    return value;
  }

 private:
  const std::vector<std::string>& words_;
  std::size_t at_ = static_cast<std::size_t>(-1);
  bool optionsDone_ = false;
  bool isOption_ = false;
  std::string name_;
  std::optional<std::string> inlineValue_;
};

// The options both commands know; false when the word is none of them.
bool CommonOption(CWordReader& words, CVerifyOptions& options) {
  if (words.Is("--help") || words.Is("-h")) {
    options.help = true;
  } else if (words.Is("--version")) {
    options.version = true;
  } else if (words.Is("--project")) {
    options.hasProject = true;
    options.project = words.Value("a directory");
    return true;
  } else if (words.Is("--json")) {
    options.json = words.Value("a file name (- for standard output)");
    return true;
  } else if (words.Is("--junit")) {
    options.junit = words.Value("a file name");
    return true;
  } else if (words.Is("--junit-flavor")) {
    const std::string flavor = words.Value("jenkins, gitlab or github");
    if (!ParseJUnitFlavor(flavor, options.junitFlavor)) {
      throw std::runtime_error("--junit-flavor \"" + flavor +
                               "\" is not jenkins, gitlab or github");
    }
    return true;
  } else if (words.Is("--markdown")) {
    options.markdown = words.Value("a file name (- for standard output)");
    return true;
  } else if (words.Is("--no-index")) {
    options.index = false;
  } else if (words.Is("--allow-empty")) {
    options.allowEmpty = true;
  } else if (words.Is("--quiet") || words.Is("-q")) {
    options.quiet = true;
  } else {
    return false;
  }
  words.NoValue();
  return true;
}

template <typename TMore>
CVerifyOptions Parse(const std::vector<std::string>& words, TMore more) {
  CVerifyOptions options;
  CWordReader reader(words);
  while (reader.Next()) {
    if (!reader.IsOption()) {
      options.files.push_back(reader.Word());
    } else if (!CommonOption(reader, options) && !more(reader, options)) {
      throw std::runtime_error("unknown option \"" + reader.Name() + "\"");
    }
  }
  if (options.json == "-" && options.markdown == "-") {
    throw std::runtime_error("--json - and --markdown - cannot both go to standard output");
  }
  return options;
}

}  // namespace

CVerifyOptions ParseVerifyOptions(const std::vector<std::string>& words) {
  return Parse(words, [](CWordReader& reader, CVerifyOptions& options) {
    if (reader.Is("--first")) {
      options.first = reader.Count("a count of 0 or more", 0);
      return true;
    }
    if (reader.Is("--jobs") || reader.Is("-j")) {
      // A count past what unsigned holds means "as many as may run", never 0.
      options.jobs = static_cast<unsigned>(std::min<std::size_t>(
          reader.Count("a count of 1 or more", 1), std::numeric_limits<unsigned>::max()));
      return true;
    }
    if (reader.Is("--compare") || reader.Is("-compare")) {
      const std::string how = reader.Value("text or number");
      if (how != "text" && how != "number") {
        throw std::runtime_error(reader.Name() + " \"" + how + "\" is neither text nor number");
      }
      options.compareNumbers = how == "number";
      return true;
    }
    if (reader.Is("--impl")) {
      options.gateLevel = true;
    } else if (reader.Is("--real-values")) {
      options.realValues = true;
    } else if (reader.Is("--no-plots")) {
      options.plots = false;
    } else if (reader.Is("--vcd") || reader.Is("-vcd")) {
      options.waveforms = true;
    } else {
      return false;
    }
    reader.NoValue();
    return true;
  });
}

CVerifyOptions ParseSummarizeOptions(const std::vector<std::string>& words) {
  return Parse(words, [](CWordReader&, CVerifyOptions&) { return false; });
}

CSummaryOutputs SummaryOutputsFor(const CVerifyOptions& options) {
  CSummaryOutputs outputs;
  outputs.jsonPath = options.json;
  outputs.junitPath = options.junit;
  outputs.junit.flavor = options.junitFlavor;
  outputs.markdownPath = options.markdown;
  outputs.index = options.index;
  outputs.allowEmpty = options.allowEmpty;
  return outputs;
}

bool WritesDocumentToStandardOutput(const CVerifyOptions& options) {
  return options.json == "-" || options.markdown == "-";
}

unsigned EffectiveJobs(const CVerifyOptions& options) {
  if (options.jobs > 0) {
    return options.jobs;
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? cores : 1;
}
