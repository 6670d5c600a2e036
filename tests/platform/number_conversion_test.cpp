#include "platform/number_conversion.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "platform/platform_error.h"

namespace {

struct IntCase {
  const char* text;
  int32_t value;
};

TEST(StrToInt, AcceptsTheLibraryNotations) {
  const IntCase cases[] = {
      {"0", 0},
      {"42", 42},
      {"   42", 42},
      {"+42", 42},
      {"-42", -42},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"$FF", 255},
      {"$ff", 255},
      {"0x1A", 26},
      {"0X1a", 26},
      {"x10", 16},
      {"X10", 16},
      {"-$10", -16},
      {"$FFFFFFFF", -1},
      {"$80000000", -2147483647 - 1},
      {" -0x7FFFFFFF", -2147483647},
  };
  for (const IntCase& c : cases) {
    EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
  }
}

TEST(StrToInt, RefusesEverythingElseWithTheConversionMessage) {
  const char* const bad[] = {"",     " ",   "42 ",  "4 2",         "1e3",         "1.0",
                             "1,0",  "abc", "--1",  "+-1",         "\t1",         "2147483648",
                             "-2147483649", "99999999999999999999", "$",  "0x", "-$",
                             "$100000000", "$G", "0x-1", "00x1", "+", "１"};
  for (const char* text : bad) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const ConversionError& error) {
      EXPECT_EQ(error.kind(), ConversionError::Kind::kInteger);
      EXPECT_EQ(std::string(error.what()), std::string("'") + text + "' は整数ではありません");
    }
    EXPECT_FALSE(TryStrToInt(text).has_value()) << text;
  }
}

struct FloatCase {
  const char* text;
  double value;
};

TEST(StrToFloat, AcceptsSignDigitsOneSeparatorAndExponent) {
  const FloatCase cases[] = {
      {"0", 0.0},        {"1.5", 1.5},       {"  1.5  ", 1.5},   {"-1.5", -1.5},
      {"+1.5", 1.5},     {".5", 0.5},        {"5.", 5.0},        {"1e3", 1000.0},
      {"1E-3", 0.001},   {"1.5e+2", 150.0},  {"0.1", 0.1},       {"00012.50", 12.5},
      {"1,5", 1.5},      {"-0,25", -0.25},   {",5", 0.5},        {"2,5E1", 25.0},
      {"1e-400", 0.0},   {"1.7976931348623157e308", std::numeric_limits<double>::max()},
      {"4.94065645841247e-324", std::numeric_limits<double>::denorm_min()},
  };
  for (const FloatCase& c : cases) {
    EXPECT_EQ(StrToFloat(c.text), c.value) << c.text;
  }
}

TEST(StrToFloat, RefusesOtherTextsWithTheConversionMessage) {
  const char* const bad[] = {"",      " ",     "abc",  "1.5e",   "1.5e+", "1.2.3", "1,5.0",
                             "1,2,3", "e5",    ".",    ",",      "-",     "1 5",   "0x10",
                             "$10",   "INF",   "NAN",  "1e400",  "-1e400", "1.5x", "1 000",
                             "\t1.5", "1.5\t", "--1",  "1e5.5",  "1.5 e3"};
  for (const char* text : bad) {
    try {
      StrToFloat(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const ConversionError& error) {
      EXPECT_EQ(error.kind(), ConversionError::Kind::kFloat);
      EXPECT_EQ(std::string(error.what()),
                std::string("'") + text + "' は浮動小数点数ではありません");
    }
  }
}

struct FormatCase {
  double value;
  const char* text;
};

TEST(FloatToStr, WritesTheGeneralFormWith15Digits) {
  const FormatCase cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {0.5, "0.5"},
      {2.0, "2"},
      {-1.5, "-1.5"},
      {100.0, "100"},
      {1234.5, "1234.5"},
      {0.1, "0.1"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {static_cast<double>(0.1f), "0.100000001490116"},
      {0.0001, "0.0001"},
      {0.00012345, "0.00012345"},
      {0.00009999, "9.999E-5"},
      {1e-5, "1E-5"},
      {-2.5e-7, "-2.5E-7"},
      {4.42615029219009e-5, "4.42615029219009E-5"},
      {999999999999999.0, "999999999999999"},
      {123456789012345.6, "123456789012346"},
      {999999999999999.9, "1E15"},
      {1e15, "1E15"},
      {1.23456789012346e15, "1.23456789012346E15"},
      {1.5e20, "1.5E20"},
      {1e100, "1E100"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(FloatToStr(c.value), c.text) << c.text;
  }
}

TEST(FloatToStr, ReadsBackToTheSameText) {
  const double values[] = {0.1, -3.65, 6.85, 1.0 / 7.0, 1e-5, 123456.789, 3.0e-300, 1.5e200,
                           static_cast<double>(0.3f)};
  for (double value : values) {
    const std::string text = FloatToStr(value);
    EXPECT_EQ(FloatToStr(StrToFloat(text)), text);
  }
}

TEST(FloatToStrDigits, UsesTheGivenPrecision) {
  EXPECT_EQ(FloatToStrDigits(0.1f, 9), "0.100000001");
  EXPECT_EQ(FloatToStrDigits(123456789.0, 9), "123456789");
  EXPECT_EQ(FloatToStrDigits(1234567890.0, 9), "1.23456789E9");
  EXPECT_EQ(FloatToStrDigits(-2.5, 9), "-2.5");
}

TEST(RoundToFloat, SaturatesToInfinityBeyondTheFloatRange) {
  EXPECT_EQ(RoundToFloat(0.1), 0.1f);
  EXPECT_EQ(RoundToFloat(1e300), std::numeric_limits<float>::infinity());
  EXPECT_EQ(RoundToFloat(-1e300), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(RoundToFloat(3.4028235e38), std::numeric_limits<float>::max());
  EXPECT_EQ(RoundToFloat(1e-300), 0.0f);
  EXPECT_TRUE(std::isnan(RoundToFloat(std::numeric_limits<double>::quiet_NaN())));
}

// Numbers are written with a point and read the same way whatever the
// process locale says.
TEST(NumberConversionLocale, DecimalCommaLocaleChangesNothing) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
  }
  const std::string written = FloatToStr(-1.25);
  const double fromPoint = StrToFloat("6.85");
  const double fromComma = StrToFloat("6,85");
  const std::string small = FloatToStr(2.5e-7);
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(written, "-1.25");
  EXPECT_EQ(fromPoint, 6.85);
  EXPECT_EQ(fromComma, 6.85);
  EXPECT_EQ(small, "2.5E-7");
}

}  // namespace
