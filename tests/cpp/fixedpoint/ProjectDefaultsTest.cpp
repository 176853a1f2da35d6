// The project's quantizer defaults: what is queried when, the cached modes
// and limits, the MATLAB version flag, and the failure texts.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "app/Extension.h"
#include "fixedpoint/FixedPointTestHost.h"
#include "fixedpoint/ProjectDefaults.h"
#include "fixedpoint/Quantizer.h"
#include "host/HostInterp.h"
#include "host/TclDataObj.h"

namespace {

using ProjectDefaultModes = QuantizerHostTest;
using ProjectLimits = QuantizerHostTest;
using MatlabVersion = QuantizerHostTest;
using ProjectDefaultFailures = QuantizerHostTest;

std::string ThrownText(void (*action)()) {
  try {
    action();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "(nothing thrown)";
}

void Reload() {
  RefreshProjectDefaults(true);
}

TEST_F(ProjectDefaultModes, NewQuantizersTakeTheProjectModes) {
  host.Set("-default_overflow_mode", "wrap");
  host.Set("-default_round_mode", "convergent");
  RefreshProjectDefaults(true);
  const CQuantizer q;
  EXPECT_EQ(q.GetOverflowMode(), kOverflowWrap);
  EXPECT_EQ(q.GetRoundMode(), kRoundConvergent);
  EXPECT_EQ(GetDefaultOverflowMode(), kOverflowWrap);
  EXPECT_EQ(GetDefaultRoundMode(), kRoundConvergent);
}

TEST_F(ProjectDefaultModes, LoadedOnceUntilAForcedRefresh) {
  const CQuantizer first;
  const CQuantizer second;
  GetDefaultRoundMode();
  RefreshProjectDefaults(false);
  EXPECT_EQ(host.Queries("-default_overflow_mode"), 0);
  EXPECT_EQ(host.Queries("-default_round_mode"), 0);
  host.Set("-default_round_mode", "ceil");
  RefreshProjectDefaults(true);
  EXPECT_EQ(host.Queries("-default_overflow_mode"), 1);
  EXPECT_EQ(host.Queries("-default_round_mode"), 1);
  EXPECT_EQ(host.Queries("-quantizer_max_constant_fractional_length"), 1);
  EXPECT_EQ(CQuantizer().GetRoundMode(), kRoundCeil);
  EXPECT_EQ(host.Queries("-default_round_mode"), 1);
}

TEST_F(ProjectDefaultModes, AfterFixedPointVerificationModesAreWrapAndFloor) {
  host.SetSetting("Settings::IsAfterVerifyFixedPoint", true);
  host.Set("-default_round_mode", "nearest");
  RefreshProjectDefaults(true);
  const CQuantizer q;
  EXPECT_EQ(q.GetOverflowMode(), kOverflowWrap);
  EXPECT_EQ(q.GetRoundMode(), kRoundFloor);
  EXPECT_EQ(host.Queries("-default_overflow_mode"), 0);
  EXPECT_EQ(host.Queries("-default_round_mode"), 0);
}

TEST_F(ProjectDefaultModes, AWordOfTheWrongCategoryLeavesModeZero) {
  host.Set("-default_overflow_mode", "floor");
  host.Set("-default_round_mode", "saturate");
  RefreshProjectDefaults(true);
  EXPECT_EQ(GetDefaultOverflowMode(), kOverflowWrap);
  EXPECT_EQ(GetDefaultRoundMode(), kRoundFloor);
}

TEST_F(ProjectDefaultModes, AnUnknownWordRaisesTheWordError) {
  host.Set("-default_round_mode", "upward");
  EXPECT_THROW(RefreshProjectDefaults(true), std::runtime_error);
  EXPECT_EQ(log.Count("DIR-0037"), 1);
  // Marked fresh before the queries: the overflow mode already read stays.
  EXPECT_EQ(GetDefaultOverflowMode(), kOverflowSaturate);
  EXPECT_EQ(GetDefaultRoundMode(), kRoundFloor);
}

TEST_F(ProjectDefaultModes, LoadingClearsFromData) {
  CQuantizer q(kTypeFixed, kOverflowWrap, kRoundCeil, 8, 4);
  q.MarkFromData(true);
  LoadProjectDefaults(q);
  EXPECT_FALSE(q.IsFromData());
  EXPECT_TRUE(q.IsAllZero());
  EXPECT_EQ(q.GetOverflowMode(), kOverflowSaturate);
  EXPECT_EQ(q.GetRoundMode(), kRoundFloor);
  EXPECT_EQ(q.GetWordLength(), 8);
}

TEST_F(ProjectLimits, ReadOnlyWhenTheirSettingIsOn) {
  host.Set("-quantizer_max_variable_fractional_length", "20");
  host.Set("-quantizer_max_port_word_length", "64");
  host.Set("-quantizer_max_input_fractional_length", "12");
  host.Set("-quantizer_max_constant_fractional_length", "30");
  ResetQuantizerLimits();
  RefreshProjectDefaults(true);
  EXPECT_EQ(GetMaxVariableFractionalLength(), -1);
  EXPECT_EQ(GetMaxPortWordLength(), -1);
  EXPECT_EQ(GetMaxInputFractionalLength(), -1);
  EXPECT_EQ(GetMaxConstantFractionalLength(), 30);  // always read
  EXPECT_EQ(host.Queries("-quantizer_max_variable_fractional_length"), 0);

  host.SetSetting("Settings::quantizer_max_variable_fractional_length", true);
  host.SetSetting("Settings::quantizer_max_port_word_length", true);
  host.SetSetting("DR::952723", true);
  RefreshProjectDefaults(true);
  EXPECT_EQ(GetMaxVariableFractionalLength(), 20);
  EXPECT_EQ(GetMaxPortWordLength(), 64);
  EXPECT_EQ(GetMaxInputFractionalLength(), 12);
}

TEST_F(ProjectLimits, NegativeValuesMeanNoLimitAndResetClearsAll) {
  host.SetSetting("Settings::quantizer_max_port_word_length", true);
  host.Set("-quantizer_max_port_word_length", "-5");
  host.Set("-quantizer_max_constant_fractional_length", "7");
  RefreshProjectDefaults(true);
  EXPECT_EQ(GetMaxPortWordLength(), -1);
  EXPECT_EQ(GetMaxConstantFractionalLength(), 7);
  EXPECT_EQ(ResetQuantizerLimits(), -1);
  EXPECT_EQ(GetMaxConstantFractionalLength(), -1);
  EXPECT_EQ(GetMaxPortWordLength(), -1);
  EXPECT_EQ(GetMaxVariableFractionalLength(), -1);
  EXPECT_EQ(GetMaxInputFractionalLength(), -1);
}

TEST_F(ProjectLimits, GettersLoadNothing) {
  host.Set("-quantizer_max_constant_fractional_length", "9");
  GetMaxConstantFractionalLength();
  EXPECT_EQ(host.Queries("-quantizer_max_constant_fractional_length"), 0);
}

TEST_F(ProjectLimits, ANonIntegerLimitIsAnError) {
  host.Set("-quantizer_max_constant_fractional_length", "many");
  EXPECT_THROW(RefreshProjectDefaults(true), std::runtime_error);
}

TEST_F(MatlabVersion, FourteenSelectsTheFlagOnceForTheProcess) {
  host.SetVersion("14");
  ForgetMatlabVersion();
  const CQuantizer q(kTypeFixed, kOverflowWrap, kRoundRound, 8, 0);
  EXPECT_TRUE(IsMatlab14());
  host.SetVersion("7");
  QueryMatlabVersion();
  const CQuantizer again;
  EXPECT_TRUE(IsMatlab14());
  EXPECT_EQ(host.VersionQueries(), 1);
  ForgetMatlabVersion();
  QueryMatlabVersion();
  EXPECT_FALSE(IsMatlab14());
}

TEST_F(MatlabVersion, AFailedQueryThrowsOnceAndIsNotRetried) {
  host.FailVersion();
  ForgetMatlabVersion();
  EXPECT_EQ(ThrownText([] { CQuantizer q; }), "Invalid MATLAB version");
  EXPECT_NO_THROW(CQuantizer());
  EXPECT_FALSE(IsMatlab14());
  EXPECT_EQ(host.VersionQueries(), 1);
}

TEST_F(MatlabVersion, HeaderAndTclValueConstructorsDoNotAsk) {
  ForgetMatlabVersion();
  const CQuantizer fromHeader(std::string_view("fixed wrap floor [8 4]"));
  EXPECT_EQ(host.VersionQueries(), 0);
  QueryMatlabVersion();
  EXPECT_EQ(host.VersionQueries(), 1);
}

// A new interpreter of its own (so its project defaults are not loaded yet),
// bound while the object lives, whose MATLAB version query fails.
class FreshInterpWithoutVersion {
 public:
  FreshInterpWithoutVersion() : previous_(GetHostInterp()), interp_(Tcl_CreateInterp()) {
    EXPECT_EQ(Reportapp_Init(interp_), TCL_OK);
    Eval("rename ::GetMatlabMajorVersionNumber {}");
    Eval("proc ::GetMatlabMajorVersionNumber {} {error {no MATLAB}}");
    Eval("SetProjectOption -default_overflow_mode saturate -default_round_mode ceil");
    ForgetMatlabVersion();
  }
  ~FreshInterpWithoutVersion() {
    Tcl_DeleteInterp(interp_);
    BindHostInterp(previous_);
    ForgetMatlabVersion();
  }
  FreshInterpWithoutVersion(const FreshInterpWithoutVersion&) = delete;
  FreshInterpWithoutVersion& operator=(const FreshInterpWithoutVersion&) = delete;
  void Eval(const char* script) { EXPECT_EQ(Tcl_Eval(interp_, script), TCL_OK) << script; }

 private:
  Tcl_Interp* previous_;
  Tcl_Interp* interp_;
};

TEST(ProjectDefaultsWithoutVersion, AFirstQuantizerFromATclValueGetsTheProjectModes) {
  FreshInterpWithoutVersion fresh;
  const CTclDataObj value("fixed {16 8}");
  const CQuantizer first(&value, nullptr, -1);
  EXPECT_EQ(first.GetOverflowMode(), kOverflowSaturate);
  EXPECT_EQ(first.GetRoundMode(), kRoundCeil);
  // The failing version query is met once, by the first constructor that asks.
  EXPECT_EQ(ThrownText([] { CQuantizer q; }), "Invalid MATLAB version");
  const CQuantizer later;
  EXPECT_EQ(later.GetOverflowMode(), kOverflowSaturate);
  EXPECT_EQ(later.GetRoundMode(), kRoundCeil);
}

TEST(ProjectDefaultsWithoutVersion, AFirstQuantizerFromValuesGetsTheProjectModes) {
  FreshInterpWithoutVersion fresh;
  CQuantizer first(std::string_view("ufixed wrap floor [8 4]"));
  const double values[] = {1.5, -2.25};
  first.FromValues(values);
  EXPECT_EQ(first.GetOverflowMode(), kOverflowSaturate);
  EXPECT_EQ(first.GetRoundMode(), kRoundCeil);
  EXPECT_EQ(ThrownText([] { CQuantizer q; }), "Invalid MATLAB version");
  EXPECT_EQ(CQuantizer().GetOverflowMode(), kOverflowSaturate);
  EXPECT_EQ(GetDefaultRoundMode(), kRoundCeil);
}

TEST_F(ProjectDefaultFailures, ExactTexts) {
  host.Fail("-default_overflow_mode");
  EXPECT_EQ(ThrownText(Reload), "Invalid default quantizer overflow mode");
}

TEST_F(ProjectDefaultFailures, RoundModeText) {
  host.Fail("-default_round_mode");
  EXPECT_EQ(ThrownText(Reload), "Invalid default quantizer round mode");
}

TEST_F(ProjectDefaultFailures, LimitTexts) {
  host.Fail("-quantizer_max_constant_fractional_length");
  EXPECT_EQ(ThrownText(Reload), "Could not get quantizer_max_constant_fractional_length.");
}

TEST_F(ProjectDefaultFailures, OptionalLimitTexts) {
  host.SetSetting("Settings::quantizer_max_variable_fractional_length", true);
  host.Fail("-quantizer_max_variable_fractional_length");
  EXPECT_EQ(ThrownText(Reload), "Could not get quantizer_max_variable_fractional_length.");
  host.SetSetting("Settings::quantizer_max_variable_fractional_length", false);
  host.SetSetting("Settings::quantizer_max_port_word_length", true);
  host.Fail("-quantizer_max_port_word_length");
  EXPECT_EQ(ThrownText(Reload), "Could not get quantizer_max_port_word_length.");
  host.SetSetting("Settings::quantizer_max_port_word_length", false);
  host.SetSetting("DR::952723", true);
  host.Fail("-quantizer_max_input_fractional_length");
  EXPECT_EQ(ThrownText(Reload), "Could not get quantizer_max_input_fractional_length.");
}

TEST_F(ProjectDefaultFailures, AFailureLeavesTheCacheFreshWithWhatWasRead) {
  host.Set("-default_overflow_mode", "wrap");
  host.Fail("-quantizer_max_constant_fractional_length");
  EXPECT_THROW(RefreshProjectDefaults(true), std::runtime_error);
  host.ResetCounts();
  const CQuantizer q;  // no reload: the cache was marked fresh
  EXPECT_EQ(q.GetOverflowMode(), kOverflowWrap);
  EXPECT_EQ(host.Queries("-quantizer_max_constant_fractional_length"), 0);
}

}  // namespace
