#include "verify/VerifyReportRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fixedpoint/NumericConversion.h"
#include "fixedpoint/Quantizer.h"
#include "support/TestSupport.h"
#include "verify/RealValueText.h"
#include "verify/TestVectorFile.h"

namespace fs = std::filesystem;

namespace {

std::string GoldenDir() {
  const char* source = std::getenv("REPORTAPP_SOURCE_DIR");
  return std::string(source != nullptr ? source : ".") + "/tests/cpp/verify/golden";
}

// A project folder with a Reports folder, set as the host's project directory.
class ProjectFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(dir_.Path() / "Reports");
    Tcl("SetProjectOption -directory {" + Dir() + "} -fixedpointlanguage MATLAB");
    Tcl("set ::DR::950255 0; set ::DR::952688_enable_53_bit_IO 0");
  }
  void TearDown() override {
    Tcl("SetProjectOption -directory [pwd]; set ::DR::952688_enable_53_bit_IO 0");
  }
  std::string Dir() const { return dir_.Path().string(); }
  std::string Report(const std::string& name) const {
    return (dir_.Path() / "Reports" / name).string();
  }

  ScratchDir dir_;
};

}  // namespace

TEST_F(ProjectFixture, GoldenReportByteForByte) {
  const std::string timing =
      dir_.Write("kv_timing_Korvel_TestVector_4.txt",
                 ReadFile(GoldenDir() + "/kv_timing_Korvel_TestVector_4.txt"));
  EXPECT_EQ(Tcl("GenerateVerifyReport -timingfiles [list {" + timing + "}]"), "7 6 4");
  const std::string expected = ReadFile(GoldenDir() + "/kv_timing_Korvel_TestVector_4_rtl.htm");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(ReadFile(Report("kv_timing_Korvel_TestVector_4_rtl.htm")), expected);
}

TEST_F(ProjectFixture, SettingsComeFromTheProject) {
  Tcl("SetProjectOption -fixedpointlanguage C++; set ::DR::952688_enable_53_bit_IO 1");
  CVerifySettings settings = ReadProjectSettings();
  EXPECT_TRUE(settings.isCpp);
  EXPECT_TRUE(settings.realValues);
  EXPECT_EQ(fs::path(settings.projectDirectory), dir_.Path());
  Tcl("SetProjectOption -fixedpointlanguage c++");
  EXPECT_FALSE(ReadProjectSettings().isCpp);
}

TEST_F(ProjectFixture, ReportNamesEndInRtlOrImpl) {
  CVerifySettings settings;
  settings.projectDirectory = Dir();
  CVerifyReportRun rtl(settings);
  EXPECT_EQ(rtl.ReportPathFor("/x/kv_timing_Korvel_TestVector_12.txt"),
            Report("kv_timing_Korvel_TestVector_12_rtl.htm"));
  EXPECT_EQ(rtl.ReportPathFor("/x/run.1.txt"), Report("run.1_rtl.htm"));
  EXPECT_EQ(rtl.ReportPathFor("plain"), Report("plain_rtl.htm"));
  settings.gateLevel = true;
  CVerifyReportRun impl(settings);
  EXPECT_EQ(impl.ReportPathFor("kv_timing_Korvel_TestVector_3.txt"),
            Report("kv_timing_Korvel_TestVector_3_impl.htm"));
}

TEST_F(ProjectFixture, VectorFileFollowsTheLanguage) {
  CVerifySettings settings;
  settings.projectDirectory = Dir();
  EXPECT_EQ(CVerifyReportRun(settings).VectorPathFor("t/kv_timing_Korvel_TestVector_2.txt"),
            (dir_.Path() / "FixedPointM" / "Korvel_TestVector_2.txt").string());
  settings.isCpp = true;
  EXPECT_EQ(CVerifyReportRun(settings).VectorPathFor("t/kv_timing_Korvel_TestVector_2.txt"),
            (dir_.Path() / "FixedPointC" / "Korvel_TestVector_2.txt").string());
  EXPECT_THROW(CVerifyReportRun(settings).VectorPathFor("t/run.txt"), std::runtime_error);
}

TEST_F(ProjectFixture, FailedFileKeepsEarlierReportsAndFigures) {
  CVerifySettings settings;
  settings.projectDirectory = Dir();
  CVerifyReportRun run(settings);
  const std::string good = dir_.Write("kv_timing_Korvel_TestVector_1.txt", "0 s 0\n1 o 4 a b\n");
  const CVerifyFileResult first = run.RunFile(good);
  EXPECT_EQ(first.summary.disagreeing, 1u);
  EXPECT_EQ(first.reportPath, Report("kv_timing_Korvel_TestVector_1_rtl.htm"));
  EXPECT_THROW(run.RunFile(Dir() + "/kv_timing_Korvel_TestVector_2.txt"), std::runtime_error);
  EXPECT_TRUE(fs::exists(first.reportPath));
  EXPECT_FALSE(fs::exists(Report("kv_timing_Korvel_TestVector_2_rtl.htm")));
  EXPECT_EQ(run.Figures().latency, 4);
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_.Path() / "Reports")) {
    ++entries;
  }
  EXPECT_EQ(entries, 1) << "no temporary file is left behind";
}

// A -timingfiles text with a backslash before bytes that are not UTF-8 is
// refused before Tcl's list reading (which writes past its buffer on it)
// sees it; the same bytes as a list element are a file name like any other.
TEST_F(ProjectFixture, TimingFilesTextTclCannotReadIsRefused) {
  const std::string pattern = "\xa4\xa4\x97\\\xf3\x97\x97\\\xa9\\\x97\\\xf3\x97\x97";
  std::string longText(20000, 'a');  // past Tcl's small-block allocator
  for (int i = 0; i < 100; ++i) {
    longText += " " + pattern;
  }
  for (const std::string& text : {pattern, longText}) {
    Tcl_Obj* words[] = {Tcl_NewStringObj("GenerateVerifyReport", -1),
                        Tcl_NewStringObj("-timingfiles", -1),
                        Tcl_NewStringObj(text.data(), static_cast<int>(text.size()))};
    for (Tcl_Obj* word : words) {
      Tcl_IncrRefCount(word);
    }
    EXPECT_EQ(Tcl_EvalObjv(TestInterp(), 3, words, TCL_EVAL_GLOBAL), TCL_ERROR);
    const std::string error = Tcl_GetStringResult(TestInterp());
    EXPECT_NE(error.find("-timingfiles: the text has a backslash before bytes that are not UTF-8"),
              std::string::npos)
        << error;
    EXPECT_EQ(words[2]->typePtr, nullptr) << "Tcl read the text as a list";
    for (Tcl_Obj* word : words) {
      Tcl_DecrRefCount(word);
    }
  }
  const std::string named = dir_.Write(pattern + ".txt", "0 s 0\n1 o 4 a a\n");
  Tcl_Obj* element = Tcl_NewStringObj(named.data(), static_cast<int>(named.size()));
  Tcl_Obj* words[] = {Tcl_NewStringObj("GenerateVerifyReport", -1),
                      Tcl_NewStringObj("-timingfiles", -1), Tcl_NewListObj(1, &element)};
  for (Tcl_Obj* word : words) {
    Tcl_IncrRefCount(word);
  }
  EXPECT_EQ(Tcl_EvalObjv(TestInterp(), 3, words, TCL_EVAL_GLOBAL), TCL_OK)
      << Tcl_GetStringResult(TestInterp());
  for (Tcl_Obj* word : words) {
    Tcl_DecrRefCount(word);
  }
  EXPECT_TRUE(fs::exists(Report(pattern + "_rtl.htm")));
}

TEST(VectorSuffixName, TextBetweenMarkerAndExtension) {
  EXPECT_EQ(VectorSuffix("/a/kv_timing_Korvel_TestVector_12.txt"), "12");
  EXPECT_EQ(VectorSuffix("kv_timing_Korvel_TestVector_.txt"), "");
  EXPECT_EQ(VectorSuffix("/d.txt/kv_timing_Korvel_TestVector_3.txt"), "3");
  EXPECT_EQ(VectorSuffix("/a/kv_timing_Korvel_TestVector_3.log"), std::nullopt);
  EXPECT_EQ(VectorSuffix("/a/run_3.txt"), std::nullopt);
}

TEST(TestVectorHeader, FirstLineSetsTheQuantizer) {
  ScratchDir dir;
  const std::string path = dir.Write("v.txt", "%ufixed saturate floor [12 5]\r\n0x1\n");
  CQuantizer quantizer;
  ApplyTestVectorHeader(path, quantizer);
  EXPECT_FALSE(quantizer.IsSigned());
  EXPECT_EQ(quantizer.GetFractionalLength(), 5);
  const std::string signedPath = dir.Write("s.txt", "#fixed wrap floor [16 8]");
  ApplyTestVectorHeader(signedPath, quantizer);
  EXPECT_TRUE(quantizer.IsSigned());
  EXPECT_EQ(quantizer.GetFractionalLength(), 8);
}

TEST(TestVectorHeader, MalformedHeadersNameTheFile) {
  ScratchDir dir;
  CQuantizer quantizer;
  for (const char* text : {"", "\n0x1\n", "%fixed wrap [16 8]\n", "%fixed  wrap floor\n"}) {
    const std::string path = dir.Write("bad.txt", text);
    try {
      ApplyTestVectorHeader(path, quantizer);
      FAIL() << "accepted \"" << text << "\"";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("test-vector file \"" + path + "\""), std::string::npos)
          << e.what();
    }
  }
}

TEST(TestVectorHeader, UnknownWordIsAnErrorNamingTheFile) {
  ScratchDir dir;
  const std::string path = dir.Write("bad.txt", "%fixed wrap sideways [16 8]\n");
  CQuantizer quantizer;
  try {
    ApplyTestVectorHeader(path, quantizer);
    FAIL() << "accepted an unknown word";
  } catch (const std::runtime_error& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find(path), std::string::npos) << what;
    EXPECT_NE(what.find("sideways"), std::string::npos) << what;
  }
}

// A NUL in a header word is shown escaped in the quantizer's own error as in
// the header around it, and nothing of the text after it is lost.
TEST(TestVectorHeader, NulInAWordIsShownEscapedNotCut) {
  ScratchDir dir;
  const std::string path = dir.Write("v.txt", std::string("%fixed wrap flo\0or [16 8]\n", 25));
  CQuantizer quantizer;
  try {
    ApplyTestVectorHeader(path, quantizer);
    FAIL() << "accepted the header";
  } catch (const std::runtime_error& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("bad quantizer header \"fixed wrap flo\\x00or [16 8]\""), std::string::npos)
        << what;
    EXPECT_NE(what.find("quantizer word \"flo\\x00or\""), std::string::npos) << what;
  }
}

TEST(TestVectorHeader, FirstLineIsCutAt8191Characters) {
  ScratchDir dir;
  const std::string path = dir.Write("long.txt", std::string(9000, 'x') + "\nsecond\n");
  EXPECT_EQ(ReadFirstLine(path, "test-vector file"), std::string(8191, 'x'));
}

TEST(RealValueFormat, FifteenDigitsAndAThreeDigitExponent) {
  char text[kScientificTextSize];
  EXPECT_EQ(FormatScientific(0.5, text), "5.000000000000000e-001");
  EXPECT_EQ(FormatScientific(-3, text), "-3.000000000000000e+000");
  EXPECT_EQ(FormatScientific(0, text), "0.000000000000000e+000");
  EXPECT_EQ(FormatScientific(65535, text), "6.553500000000000e+004");
  EXPECT_EQ(FormatScientific(1.0 / 3, text), "3.333333333333333e-001");
  EXPECT_EQ(FormatScientific(1e300, text), "1.000000000000000e+300");
  EXPECT_EQ(FormatScientific(-1e-300, text), "-1.000000000000000e-300");
}

// The C library's "%.15e" with the exponent widened to three digits.
std::string LibraryScientific(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15e", value);
  std::string result = text;
  const std::size_t e = result.find('e');
  if (e != std::string::npos && result.size() - e - 2 < 3) {
    result.insert(e + 2, 3 - (result.size() - e - 2), '0');
  }
  return result;
}

// A fixed pseudo-random sequence (xorshift64).
class CXorShift {
 public:
  explicit CXorShift(std::uint64_t seed) : state_(seed) {}
  std::uint64_t operator()() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }

 private:
  std::uint64_t state_;
};

TEST(RealValueFormat, AgreesWithTheCLibraryOnPatternsAndRandomDoubles) {
  char text[kScientificTextSize];
  CXorShift next(88172645463325252ull);
  for (int i = 0; i < 200000; ++i) {
    // Bit patterns of every width through fraction lengths 0 to 63, and any double.
    const std::uint64_t pattern = next() >> (next() % 64);
    const int fraction = static_cast<int>(next() % 64);
    const bool negative = (next() & 1) != 0;
    double value = std::ldexp(static_cast<double>(pattern), -fraction) * (negative ? -1 : 1);
    if (i % 4 == 3) {
      const std::uint64_t bits = next();
      std::memcpy(&value, &bits, sizeof value);
      if (std::isnan(value)) {
        continue;
      }
    }
    ASSERT_EQ(FormatScientific(value, text), LibraryScientific(value)) << std::hexfloat << value;
  }
  for (const double value :
       {9.9999999999999995, 0.99999999999999989, 1e16 + 2, 18446744073709551615.0, 5e-324,
        2.2250738585072014e-308, 1.7976931348623157e308}) {
    EXPECT_EQ(FormatScientific(value, text), LibraryScientific(value)) << value;
  }
}

TEST(RealValueFormat, AgreesWithTheCLibraryOnEverySixteenBitPattern) {
  char text[kScientificTextSize];
  for (const int fraction : {0, 1, 4, 8, 15, 16, 31, 47, 63}) {
    for (std::int32_t pattern = -32768; pattern < 32768; ++pattern) {
      const double value = std::ldexp(static_cast<double>(pattern), -fraction);
      ASSERT_EQ(FormatScientific(value, text), LibraryScientific(value))
          << pattern << " / 2^" << fraction;
    }
  }
}

TEST(RealValueFormat, TokensReadThroughTheQuantizer) {
  CRealValueText signed4(4, true);
  EXPECT_EQ(signed4("0x0018"), "1.500000000000000e+000");
  EXPECT_EQ(signed4("18"), "1.500000000000000e+000");
  EXPECT_EQ(signed4("fffffffffffffff8"), "-5.000000000000000e-001");
  CRealValueText unsigned0(0, false);
  EXPECT_EQ(unsigned0("ffff"), "6.553500000000000e+004");
}

// The one-pass reading of plain tokens against the general path (HexToReal
// and the unknown-digit rule), over random tokens of every kind and width
// and fraction lengths inside and outside 0..63.
TEST(RealValueFormat, PlainTokensReadInOnePassAsTheGeneralPathReadsThem) {
  const auto reference = [](std::string_view token, int fraction, bool isSigned) {
    std::string_view digits = token;
    if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
      digits.remove_prefix(2);
    }
    constexpr std::string_view kUnknown = "xXzZuUwW-?";
    constexpr std::string_view kHex = "0123456789abcdefABCDEF";
    bool unknown = false;
    bool other = false;
    for (const char c : digits) {
      unknown = unknown || kUnknown.find(c) != std::string_view::npos;
      other = other || (kUnknown.find(c) == std::string_view::npos &&
                        kHex.find(c) == std::string_view::npos);
    }
    if (unknown && !other) {
      return std::string(token);
    }
    char text[kScientificTextSize];
    return std::string(FormatScientific(HexToReal(token, fraction, isSigned), text));
  };
  CXorShift next(0x9E3779B97F4A7C15ull);
  constexpr std::string_view kPrefixes[] = {"0x", "0x", "", "0X", "x"};
  // Hexadecimal digits first (the plain tokens draw from these alone), then
  // unknown digits, other bytes and a NUL.
  static constexpr char kByteList[] = "0123456789abcdefABCDEF0123456789abcdefxXzZ-?g \0";
  constexpr std::string_view kBytes(kByteList, sizeof kByteList - 1);
  std::vector<std::string> tokens = {"0x",
                                     "0",
                                     "",
                                     "0x0",
                                     "0xffffffffffffffff",
                                     "0x8000000000000000",
                                     "0x10000000000000000",
                                     "7fffffffffffffff",
                                     "0X8000",
                                     std::string("0x\0"
                                                 "1",
                                                 4)};
  for (int i = 0; i < 100000; ++i) {
    std::string token(kPrefixes[next() % 5]);
    const std::size_t length = next() % 19;
    const bool plain = (next() % 4) != 0;  // mostly hexadecimal digits only
    for (std::size_t k = 0; k < length; ++k) {
      token += kBytes[next() % (plain ? 22 : kBytes.size())];
    }
    tokens.push_back(token);
  }
  for (const std::string& token : tokens) {
    for (const int fraction : {0, 8, 15, 63, 64, -1}) {
      for (const bool isSigned : {true, false}) {
        CRealValueText text(fraction, isSigned);
        ASSERT_EQ(text(token), reference(token, fraction, isSigned))
            << "\"" << token << "\" over 2^" << fraction << (isSigned ? " signed" : " unsigned");
      }
    }
  }
}

// A value the simulator did not know stays as written with real values on,
// where the conversion would read each unknown digit as 15.
TEST(RealValueFormat, TokensWithUnknownDigitsAreShownAsWritten) {
  CRealValueText text(4, true);
  for (const char* unknown : {"xxxx", "0x00zZ", "0X1u2w", "-", "??"}) {
    EXPECT_EQ(text(unknown), unknown);
  }
  EXPECT_EQ(text("0x0018"), "1.500000000000000e+000");
  EXPECT_EQ(text("x<"), "1.593750000000000e+001") << "not digits alone: converted as ever";
  EXPECT_TRUE(HoldsUnknownDigits("0x1X"));
  EXPECT_FALSE(HoldsUnknownDigits("0x1f"));
}
