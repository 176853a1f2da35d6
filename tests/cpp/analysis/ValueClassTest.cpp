// Value tokens read as numbers, and the class of every disagreeing pair at
// the edges of its word.
#include "analysis/ValueClass.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "analysis/PlotFourValues.h"
#include "analysis/PlotScale.h"
#include "analysis/ValueToken.h"

namespace {

std::string Hex(std::uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(static_cast<std::size_t>(digits), '0');
  for (int k = digits - 1; k >= 0; --k, value >>= 4) {
    text[static_cast<std::size_t>(k)] = kDigits[value & 0xf];
  }
  return text;
}

// A word's code as its hexadecimal pattern of ceil(bits / 4) digits.
std::string Word(std::int64_t code, int bits) {
  const std::uint64_t mask = bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
  return Hex(static_cast<std::uint64_t>(code) & mask, (bits + 3) / 4);
}

EValueClass ClassOf(std::int64_t model, std::int64_t rtl, int bits, bool isSigned,
                    int fraction = 0) {
  const CPlotScale format(bits, fraction, isSigned);
  return ClassifyPair(Word(model, bits), Word(rtl, bits), format).valueClass;
}

}  // namespace

TEST(ValueTokenReading, EveryUnknownDigitInEitherCase) {
  for (const char c : std::string("xXzZuUwW-?")) {
    const std::string token = std::string("0x1") + c + "f";
    const CValueToken value = ReadValueToken(token);
    EXPECT_EQ(value.kind, EValueKind::kUnknown) << token;
    EXPECT_EQ(value.unknownMask, 0x0f0u) << token;
    EXPECT_EQ(value.pattern, 0x10fu) << token;
    EXPECT_EQ(value.bits, 12) << token;
  }
  const CValueToken upper = ReadValueToken("0XABCD");
  ASSERT_TRUE(upper.IsNumber());
  EXPECT_EQ(upper.pattern, 0xabcdu);
  EXPECT_EQ(upper.bits, 16);
  EXPECT_EQ(ReadValueToken("00ff").bits, 16) << "leading zeros count toward the width";
  // An unknown digit wins over a character that is no digit at all.
  EXPECT_EQ(ReadValueToken("x<").kind, EValueKind::kUnknown);
  for (const char* bad : {"", "0x", "1.5", "g", "0x 1", "10000000000000000f"}) {
    EXPECT_EQ(ReadValueToken(bad).kind, EValueKind::kUnreadable) << bad;
  }
}

// The plots read four tokens at a time where they can: every code they take
// is the one the single reader gives.
TEST(ValueTokenReading, FourAtATimeReadingAgreesWithTheReader) {
  std::mt19937 random(11);
  const std::string digits = "0123456789abcdefABCDEFxz";
  for (const CPlotScale& scale :
       {CPlotScale(16, 8, true), CPlotScale(12, 0, false), CPlotScale(32, 4, true), CPlotScale()}) {
    for (int round = 0; round < 2000; ++round) {
      const int length = round % 2 == 0 ? 4 : 8;
      std::string tokens[8];
      std::string_view views[8];
      unsigned char agrees[4] = {1, 1, 1, 1};
      std::int64_t low = INT64_MAX;
      std::int64_t high = INT64_MIN;
      for (int k = 0; k < 4; ++k) {
        std::string text = k % 3 == 0 ? "0X" : "0x";
        for (int d = 0; d < length; ++d) {
          text += digits[random() % (round % 5 == 0 ? digits.size() : 22)];
        }
        tokens[2 * k] = text;
        tokens[2 * k + 1] = text;
        views[2 * k] = tokens[2 * k];
        views[2 * k + 1] = tokens[2 * k + 1];
        const CValueToken value = ReadValueToken(text);
        if (value.IsNumber()) {
          const std::int64_t code =
              scale.IsSigned()
                  ? scale.IntegerCode<std::int64_t>(value.pattern)
                  : static_cast<std::int64_t>(scale.IntegerCode<std::uint64_t>(value.pattern));
          low = std::min(low, code);
          high = std::max(high, code);
        }
      }
      CFourValueReader four(scale);
      std::uint32_t notTaken = 0;
      if (!four.Take(views, agrees, notTaken)) {
        continue;  // not the common shape here (or no SSE2)
      }
      if (low > high) {
        EXPECT_TRUE(four.Empty());
        continue;
      }
      ASSERT_FALSE(four.Empty());
      EXPECT_EQ(four.Low(), low) << tokens[0] << " " << tokens[2] << " " << tokens[4] << " "
                                 << tokens[6];
      EXPECT_EQ(four.High(), high);
    }
  }
}

TEST(ValueClasses, UnknownAndUnreadableComeFirst) {
  const CPlotScale format(16, 0, true);
  EXPECT_EQ(ClassifyPair("0001", "xxxx", format).valueClass, EValueClass::kUnknown);
  EXPECT_EQ(ClassifyPair("zz01", "gh.i", format).valueClass, EValueClass::kUnknown);
  EXPECT_EQ(ClassifyPair("0001", "gh.i", format).valueClass, EValueClass::kUnreadable);
  EXPECT_EQ(ClassifyPair("0001", "", format).valueClass, EValueClass::kUnreadable)
      << "an unpaired last value";
  const CPairClass unknown = ClassifyPair("0001", "00x1", format);
  EXPECT_EQ(unknown.unknownBits, 0x00f0u);
  EXPECT_EQ(unknown.differing, 0u);
}

TEST(ValueClasses, TextOnlyIsTheSameNumberWrittenDifferently) {
  const CPlotScale signed16(16, 8, true);
  for (const auto& [a, b] : {std::pair{"00ff", "00FF"},
                             {"0x00ff", "00ff"},
                             {"ff", "00ff"},
                             {"ffff", "ffffffff"},
                             {"0X7FFF", "7fff"}}) {
    const CPairClass c = ClassifyPair(a, b, signed16);
    EXPECT_EQ(c.valueClass, EValueClass::kTextOnly) << a << " " << b;
    EXPECT_FALSE(HasErrorLsb(c.valueClass));
  }
  // Without a quantizer: unsigned, as wide as the token.
  EXPECT_EQ(ClassifyPair("00AB", "ab", CPlotScale()).valueClass, EValueClass::kTextOnly);
  // ... so there the wider token is another number: the 32-bit limit.
  EXPECT_EQ(ClassifyPair("ffff", "ffffffff", CPlotScale()).valueClass, EValueClass::kOverflow);
}

TEST(ValueClasses, EveryClassAtWordLengthsOneToSixtyFour) {
  for (const int bits : {16, 32, 64}) {
    for (const bool isSigned : {true, false}) {
      SCOPED_TRACE(std::to_string(bits) + (isSigned ? " signed" : " unsigned"));
      const std::int64_t highest =
          isSigned ? static_cast<std::int64_t>((std::uint64_t{1} << (bits - 1)) - 1)
                   : static_cast<std::int64_t>(bits == 64 ? ~std::uint64_t{0}
                                                          : (std::uint64_t{1} << bits) - 1);
      const std::int64_t lowest =
          isSigned ? static_cast<std::int64_t>(~std::uint64_t{0} << (bits - 1)) : 0;
      EXPECT_EQ(ClassOf(100, 101, bits, isSigned), EValueClass::kLsb);
      EXPECT_EQ(ClassOf(100, 99, bits, isSigned), EValueClass::kLsb);
      // Saturated against wrapped: the wrapped value is far from the limit.
      if (isSigned) {
        EXPECT_EQ(ClassOf(highest, lowest + 3, bits, isSigned), EValueClass::kOverflow);
        EXPECT_EQ(ClassOf(lowest, highest - 2, bits, isSigned), EValueClass::kOverflow);
        EXPECT_EQ(ClassOf(5, -5, bits, isSigned), EValueClass::kSign);
        EXPECT_EQ(ClassOf(lowest + 1, highest, bits, isSigned), EValueClass::kOverflow)
            << "minus the model, but at a limit and far from it: overflow comes first";
      } else {
        EXPECT_EQ(ClassOf(highest, 3, bits, isSigned), EValueClass::kOverflow);
        EXPECT_EQ(ClassOf(0, highest - 1, bits, isSigned), EValueClass::kOverflow);
      }
      // At a limit but close to it: not an overflow.
      EXPECT_EQ(ClassOf(highest, highest - 7, bits, isSigned), EValueClass::kNumeric);
      // Off by one LSB at a limit: the first class in the table.
      EXPECT_EQ(ClassOf(highest, highest - 1, bits, isSigned), EValueClass::kLsb);
      EXPECT_EQ(ClassOf(lowest, lowest + 1, bits, isSigned), EValueClass::kLsb);
      EXPECT_EQ(ClassOf(24, 48, bits, isSigned), EValueClass::kScale);
      EXPECT_EQ(ClassOf(24, 12, bits, isSigned), EValueClass::kScale);
      EXPECT_EQ(ClassOf(3, 3 * 256, bits, isSigned), EValueClass::kScale);
      EXPECT_EQ(ClassOf(3, 3 * 512, bits, isSigned), EValueClass::kNumeric) << "k is at most 8";
      EXPECT_EQ(ClassOf(24, 13, bits, isSigned), EValueClass::kNumeric);
      EXPECT_EQ(ClassOf(0, 7, bits, isSigned), EValueClass::kNumeric);
    }
  }
}

TEST(ValueClasses, OneBitWords) {
  EXPECT_EQ(ClassOf(0, 1, 1, false), EValueClass::kLsb);
  EXPECT_EQ(ClassOf(0, -1, 1, true), EValueClass::kLsb);
  EXPECT_EQ(ClassOf(1, 1, 1, false), EValueClass::kTextOnly);
}

TEST(ValueClasses, ErrorInLsbsAndBitsWhateverTheFractionLength) {
  for (const int fraction : {0, 63}) {
    const CPlotScale format(64, fraction, true);
    const CPairClass c = ClassifyPair("0000000000000010", "0000000000000013", format);
    EXPECT_EQ(c.valueClass, EValueClass::kNumeric);
    EXPECT_EQ(c.errorLsb, 3);
    EXPECT_EQ(c.differing, 0x3u);
    EXPECT_EQ(c.wordBits, 64);
  }
  // The error of a 64-bit overflow is larger than any 64-bit integer holds.
  const CPairClass wide =
      ClassifyPair("ffffffffffffffff", "0000000000000001", CPlotScale(64, 0, false));
  EXPECT_EQ(wide.valueClass, EValueClass::kOverflow);
  EXPECT_EQ(wide.errorLsb, -18446744073709551614.0);
}

TEST(ValueComparison, ByNumberAgreesOnTheSameNumberAndNeverOnUnknowns) {
  const CNumberComparison compare(CPlotScale(16, 8, true));
  EXPECT_TRUE(compare.Agree("0x00FF", "00ff"));
  EXPECT_TRUE(compare.Agree("ffff", "ffffffff"));
  EXPECT_FALSE(compare.Agree("00ff", "00fe"));
  EXPECT_FALSE(compare.Agree("xxxx", "xxxx"));
  EXPECT_FALSE(compare.Agree("junk", "junk"));
  const CNumberComparison raw{CPlotScale()};
  EXPECT_TRUE(raw.Agree("00AB", "ab"));
  EXPECT_FALSE(raw.Agree("ffff", "ffffffff"));
}
