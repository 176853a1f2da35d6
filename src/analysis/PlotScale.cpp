#include "analysis/PlotScale.h"

#include <cmath>
#include <vector>

#include "fixedpoint/Quantizer.h"
#include "util/StringUtil.h"
#include "verify/FileCompanions.h"

namespace {

constexpr int kMaxWordLength = 64;
constexpr std::size_t kHeaderFields = 5;

// A word SetFromName accepts: the fixed-point type names and the mode names.
bool IsQuantizerWord(const std::string& word) {
  for (int code = kTypeFixed; code <= kTypeUFixed; ++code) {
    if (word == TypeName(code)) {
      return true;
    }
  }
  for (int code = kOverflowWrap; code <= kOverflowSaturate; ++code) {
    if (word == OverflowName(code)) {
      return true;
    }
  }
  for (int code = kRoundFloor; code <= kRoundConvergent; ++code) {
    if (word == RoundName(code)) {
      return true;
    }
  }
  return false;
}

std::string Plural(int n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 || n == -1 ? "" : "s");
}

}  // namespace

CPlotScale::CPlotScale(int wordLength, int fractionLength, bool isSigned)
    : wordLength_(wordLength), fractionLength_(fractionLength), isSigned_(isSigned) {
  mask_ = wordLength >= kMaxWordLength ? ~std::uint64_t{0} : (std::uint64_t{1} << wordLength) - 1;
  unused_ = kMaxWordLength - wordLength;
}

CPlotScale CPlotScale::RawCodes(std::string note) {
  CPlotScale scale;
  scale.note_ = std::move(note);
  return scale;
}

CPlotScale CPlotScale::FromQuantizer(const CQuantizer& quantizer) {
  if (!quantizer.IsFixedPoint()) {
    return RawCodes("the quantizer is not a fixed-point type");
  }
  const int wordLength = quantizer.GetWordLength();
  if (wordLength < 1 || wordLength > kMaxWordLength) {
    return RawCodes("the quantizer's word length " + std::to_string(wordLength) +
                    " is outside 1 to 64 bits");
  }
  return CPlotScale(wordLength, quantizer.GetFractionalLength(), quantizer.IsSigned());
}

CPlotScale CPlotScale::FromVectorFile(const std::string& vectorPath) {
  CFileCompanions companions;
  companions.vectorPath = vectorPath;
  ReadVectorHeader(companions);
  return FromCompanions(companions);
}

CPlotScale CPlotScale::FromCompanions(const CFileCompanions& companions) {
  const std::string& vectorPath = companions.vectorPath;
  if (vectorPath.empty()) {
    return RawCodes(
        "the timing file's name does not end in \"kv_timing_Korvel_TestVector_<n>.txt\", so "
        "no test-vector file belongs to it");
  }
  if (!companions.headerRead || !companions.vectorExists) {
    return RawCodes("no test-vector file \"" + vectorPath + "\"");
  }
  if (!companions.vectorError.empty()) {
    return RawCodes(companions.vectorError);
  }
  const std::string& line = companions.vectorLine;
  if (line.empty()) {
    return RawCodes("test-vector file \"" + vectorPath + "\" has no quantizer header");
  }
  // As the real values read it: one marker character, then the header.
  std::vector<std::string> fields = SplitString(std::string_view(line).substr(1), " ");
  if (fields.size() < kHeaderFields) {
    return RawCodes("test-vector file \"" + vectorPath + "\": header \"" + line.substr(1) +
                    "\" has fewer than five fields");
  }
  for (std::size_t k = 0; k < 3; ++k) {
    if (!IsQuantizerWord(fields[k])) {
      return RawCodes("test-vector file \"" + vectorPath + "\": unknown quantizer word \"" +
                      fields[k] + "\"");
    }
    // "round" means "nearest"; naming it so here keeps the plots from
    // repeating the warning the real values give about that word.
    if (fields[k] == "round") {
      fields[k] = "nearest";
    }
  }
  std::string header;
  for (const std::string& field : fields) {
    header += header.empty() ? "" : " ";
    header += field;
  }
  return FromQuantizer(CQuantizer(std::string_view(header)));
}

double CPlotScale::Value(double code) const {
  return fractionLength_ == 0 ? code : std::ldexp(code, -fractionLength_);
}

std::string CPlotScale::AxisLabel() const {
  if (!HasQuantizer()) {
    return "raw codes, unsigned";
  }
  return std::to_string(wordLength_) + "-bit " + (isSigned_ ? "signed" : "unsigned") + ", " +
         Plural(fractionLength_, "fraction bit");
}
