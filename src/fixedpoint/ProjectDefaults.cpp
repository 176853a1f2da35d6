#include "fixedpoint/ProjectDefaults.h"

#include <stdexcept>
#include <string>

#include "fixedpoint/Quantizer.h"
#include "host/GlobalSettings.h"
#include "host/TclDataObj.h"

namespace {

struct ProjectQuantizerDefaults {
  bool stale = true;
  bool forceReload = false;
  int defaultOverflowMode = -1;
  int defaultRoundMode = -1;
  int maxVariableFractionalLength = -1;
  int maxInputFractionalLength = -1;
  int maxConstantFractionalLength = -1;
  int maxPortWordLength = -1;
  bool versionQueried = false;
  bool matlab14 = false;
};

ProjectQuantizerDefaults& Defaults() {
  static ProjectQuantizerDefaults defaults;
  return defaults;
}

// Evaluates the command text; throws failureText when it fails.
CTclResultObj EvaluateOrThrow(CTclEvalObj& eval, const char* failureText) {
  if (!eval.Evaluate(false)) {
    throw std::runtime_error(failureText);
  }
  return eval.GetResult();
}

// A limit option's integer value; negative values mean "no limit" (-1).
int QueryLimit(const char* command, const char* failureText) {
  CTclEvalObj eval(command);
  const int value = EvaluateOrThrow(eval, failureText).GetIntValue();
  return value < 0 ? -1 : value;
}

void QueryDefaultModes(ProjectQuantizerDefaults& d) {
  CTclEvalObj eval("GetProjectOption -default_overflow_mode");
  CTclResultObj overflow = EvaluateOrThrow(eval, "Invalid default quantizer overflow mode");
  // The scratch quantizer finds the cache fresh, so it starts with modes 0.
  CQuantizer scratch;
  scratch.SetFromTclList(&overflow, nullptr, -1);
  d.defaultOverflowMode = scratch.GetOverflowMode();

  eval = "GetProjectOption -default_round_mode";
  CTclResultObj round = EvaluateOrThrow(eval, "Invalid default quantizer round mode");
  scratch.SetFromTclList(&round, nullptr, -1);
  d.defaultRoundMode = scratch.GetRoundMode();
}

void Reload(ProjectQuantizerDefaults& d) {
  // Marked fresh first: an exception part-way keeps what was fetched so far.
  d.stale = false;
  d.forceReload = false;
  d.defaultOverflowMode = 0;
  d.defaultRoundMode = 0;
  if (!CGlobalSettings::GetBool("Settings::IsAfterVerifyFixedPoint")) {
    QueryDefaultModes(d);
  }
  if (CGlobalSettings::GetBool("Settings::quantizer_max_variable_fractional_length")) {
    d.maxVariableFractionalLength =
        QueryLimit("GetProjectOption -quantizer_max_variable_fractional_length",
                   "Could not get quantizer_max_variable_fractional_length.");
  }
  d.maxConstantFractionalLength =
      QueryLimit("GetProjectOption -quantizer_max_constant_fractional_length",
                 "Could not get quantizer_max_constant_fractional_length.");
  if (CGlobalSettings::GetBool("Settings::quantizer_max_port_word_length")) {
    d.maxPortWordLength = QueryLimit("GetProjectOption -quantizer_max_port_word_length",
                                     "Could not get quantizer_max_port_word_length.");
  }
  if (CGlobalSettings::GetBool("DR::952723")) {
    d.maxInputFractionalLength =
        QueryLimit("GetProjectOption -quantizer_max_input_fractional_length",
                   "Could not get quantizer_max_input_fractional_length.");
  }
}

}  // namespace

void QueryMatlabVersion() {
  ProjectQuantizerDefaults& d = Defaults();
  if (d.versionQueried) {
    return;
  }
  d.versionQueried = true;
  CTclEvalObj eval("GetMatlabMajorVersionNumber");
  d.matlab14 = EvaluateOrThrow(eval, "Invalid MATLAB version").GetStringValue() == "14";
}

bool IsMatlab14() {
  return Defaults().matlab14;
}

void ForgetMatlabVersion() {
  Defaults().versionQueried = false;
  Defaults().matlab14 = false;
}

void LoadProjectDefaults(CQuantizer& q) {
  ProjectQuantizerDefaults& d = Defaults();
  if (d.stale || d.forceReload) {
    Reload(d);
  }
  q.overflowMode = d.defaultOverflowMode;
  q.roundMode = d.defaultRoundMode;
  q.fromData = false;
}

void RefreshProjectDefaults(bool force) {
  Defaults().forceReload = force;
  QueryMatlabVersion();
  CQuantizer scratch;  // its default initialisation loads the cache
}

int GetDefaultOverflowMode() {
  CQuantizer scratch;  // asks the version, loads the cache when stale
  return Defaults().defaultOverflowMode;
}

int GetDefaultRoundMode() {
  CQuantizer scratch;
  return Defaults().defaultRoundMode;
}

int GetMaxVariableFractionalLength() {
  return Defaults().maxVariableFractionalLength;
}
int GetMaxInputFractionalLength() {
  return Defaults().maxInputFractionalLength;
}
int GetMaxConstantFractionalLength() {
  return Defaults().maxConstantFractionalLength;
}
int GetMaxPortWordLength() {
  return Defaults().maxPortWordLength;
}

int ResetQuantizerLimits() {
  ProjectQuantizerDefaults& d = Defaults();
  d.maxVariableFractionalLength = -1;
  d.maxInputFractionalLength = -1;
  d.maxConstantFractionalLength = -1;
  d.maxPortWordLength = -1;
  return -1;
}
