#include "fixedpoint/ProjectDefaults.h"

#include <atomic>
#include <stdexcept>
#include <string>

#include "fixedpoint/Quantizer.h"
#include "host/GlobalSettings.h"
#include "host/HostInterp.h"
#include "host/ProcessOnce.h"
#include "host/TclDataObj.h"

namespace {

// The project's values, kept per interpreter: each interpreter has its own
// project.
struct ProjectQuantizerDefaults {
  bool stale = true;
  bool forceReload = false;
  int defaultOverflowMode = -1;
  int defaultRoundMode = -1;
  int maxVariableFractionalLength = -1;
  int maxInputFractionalLength = -1;
  int maxConstantFractionalLength = -1;
  int maxPortWordLength = -1;
};

ProjectQuantizerDefaults& Defaults() {
  return GetInterpState().Get<ProjectQuantizerDefaults>();
}

// The MATLAB version: asked once per process.
CProcessOnce versionQuery;
std::atomic<bool> matlab14{false};

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

// scratch is default-initialised without the version query (so a failing
// query cannot stop the reload half-way); the cache is fresh now, so it holds
// modes 0.
void QueryDefaultModes(ProjectQuantizerDefaults& d, CQuantizer& scratch) {
  CTclEvalObj eval("::GetProjectOption -default_overflow_mode");
  CTclResultObj overflow = EvaluateOrThrow(eval, "Invalid default quantizer overflow mode");
  scratch.SetFromTclList(&overflow, nullptr, -1);
  d.defaultOverflowMode = scratch.GetOverflowMode();

  eval = "::GetProjectOption -default_round_mode";
  CTclResultObj round = EvaluateOrThrow(eval, "Invalid default quantizer round mode");
  scratch.SetFromTclList(&round, nullptr, -1);
  d.defaultRoundMode = scratch.GetRoundMode();
}

void Reload(ProjectQuantizerDefaults& d, CQuantizer& scratch) {
  // Marked fresh first: an exception part-way keeps what was fetched so far.
  d.stale = false;
  d.forceReload = false;
  d.defaultOverflowMode = 0;
  d.defaultRoundMode = 0;
  if (!CGlobalSettings::GetBool("Settings::IsAfterVerifyFixedPoint")) {
    LoadProjectDefaults(scratch);
    QueryDefaultModes(d, scratch);
  }
  if (CGlobalSettings::GetBool("Settings::quantizer_max_variable_fractional_length")) {
    d.maxVariableFractionalLength =
        QueryLimit("::GetProjectOption -quantizer_max_variable_fractional_length",
                   "Could not get quantizer_max_variable_fractional_length.");
  }
  d.maxConstantFractionalLength =
      QueryLimit("::GetProjectOption -quantizer_max_constant_fractional_length",
                 "Could not get quantizer_max_constant_fractional_length.");
  if (CGlobalSettings::GetBool("Settings::quantizer_max_port_word_length")) {
    d.maxPortWordLength = QueryLimit("::GetProjectOption -quantizer_max_port_word_length",
                                     "Could not get quantizer_max_port_word_length.");
  }
  if (CGlobalSettings::GetBool("DR::952723")) {
    d.maxInputFractionalLength =
        QueryLimit("::GetProjectOption -quantizer_max_input_fractional_length",
                   "Could not get quantizer_max_input_fractional_length.");
  }
}

}  // namespace

void QueryMatlabVersion() {
  if (!versionQuery.Begin()) {
    return;
  }
  CProcessOnceRead read(versionQuery, true);  // a failed query is not retried
  CTclEvalObj eval("::GetMatlabMajorVersionNumber");
  matlab14 = EvaluateOrThrow(eval, "Invalid MATLAB version").GetStringValue() == "14";
}

bool IsMatlab14() {
  return matlab14;
}

void ForgetMatlabVersion() {
  versionQuery.Reset();
  matlab14 = false;
}

void LoadProjectDefaults(CQuantizer& q) {
  ProjectQuantizerDefaults& d = Defaults();
  if (d.stale || d.forceReload) {
    CQuantizer scratch(q);
    scratch.InitFields();
    Reload(d, scratch);
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
