#include "data/NumberParse.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace velmora {
namespace {

// Bit identity, so that -0.0 against 0.0 and the payload of a nan count as differences.
bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Value and end pointer as the C library gives them; reals as strtod reads the text cut
// at its first character that no decimal number (with the white space before it) holds,
// which leaves the decimal prefix whole and no hexadecimal, "inf" or "nan" form.
void ExpectLikeLibrary(const std::string& text) {
  const char* s = text.c_str();
  char* libraryEnd = nullptr;
  const char* end = nullptr;

  const std::string prefix = text.substr(0, text.find_first_not_of(" \t\n\v\f\r+-.0123456789eE"));
  const double expected = std::strtod(prefix.c_str(), &libraryEnd);
  const std::size_t expectedEnd = static_cast<std::size_t>(libraryEnd - prefix.c_str());
  EXPECT_TRUE(SameBits(ParseAtof(s), expected)) << "atof(\"" << text << "\")";
  const double got = ParseAtof(s, &end);
  EXPECT_TRUE(SameBits(got, expected))
      << "strtod(\"" << prefix << "\"): " << got << " instead of " << expected;
  EXPECT_EQ(static_cast<std::size_t>(end - s), expectedEnd)
      << "end of strtod(\"" << prefix << "\")";
  // A whole number: something converted and only white space after it.
  const bool whole =
      expectedEnd > 0 && text.find_first_not_of(" \t\n\v\f\r", expectedEnd) == std::string::npos;
  double value = -1;
  EXPECT_EQ(IsDecimalNumber(s, &value), whole) << "IsDecimalNumber(\"" << text << "\")";
  EXPECT_TRUE(SameBits(value, whole ? expected : -1)) << "value written only for a number";

  const long hex = std::strtol(s, &libraryEnd, 16);
  EXPECT_EQ(ParseHex(s), hex) << "strtol(\"" << text << "\", 16)";
  EXPECT_EQ(ParseHex(s, &end), hex);
  EXPECT_EQ(end - s, libraryEnd - s) << "end of strtol(\"" << text << "\", 16)";

  const long decimal = std::strtol(s, &libraryEnd, 10);
  EXPECT_EQ(ParseAtoi(s), std::atoi(s)) << "atoi(\"" << text << "\")";
  EXPECT_EQ(ParseAtoi(s, &end), static_cast<int>(decimal));
  EXPECT_EQ(end - s, libraryEnd - s) << "end of strtol(\"" << text << "\", 10)";
  EXPECT_EQ(ParseDecimalLong(s, &end), decimal);
}

TEST(NumberParse, TrickyInputsMatchTheCLibrary) {
  // The random texts below cover signs, points, exponents, hexadecimal and words.
  const char* cases[] = {
      // white space the random alphabet lacks, and stray bytes
      "  \t\n\v\f\r 12", "\v-0x1p3", "NaN(123)", "\3771", "1\377",
      // rounding, denormals, overflow and underflow
      "0.000000000000000000000000000001", "123456789012345678901234567890",
      "3.14159265358979323846264338327950288419716939937510", "9007199254740993",
      "2.2250738585072011e-308", "4.9406564584124654e-324", "2.4703282292062328e-324",
      "1.7976931348623158e308", "1.7976931348623159e308", "1e309", "-1e309",
      "1e99999999999999999999", "1e-99999999999999999999", "0e999999",
      // integer limits of int and long, decimal and hexadecimal
      "2147483648", "-2147483649", "9223372036854775808", "-9223372036854775809",
      "18446744073709551616", "7fffffffffffffff", "8000000000000000", "-8000000000000001",
      "10000000000000000", "0x7FFFFFFFFFFFFFFF0"};
  for (const char* text : cases) ExpectLikeLibrary(text);
}

TEST(NumberParse, RandomTextMatchesTheCLibrary) {
  std::mt19937 random(20240611);
  const std::string alphabet = " \t+-.0123456789eExXpPabcdfinINFa,\n";
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 24);
  for (int n = 0; n < 20000; ++n) {
    std::string text;
    for (int i = length(random); i > 0; --i) text += alphabet[pick(random)];
    ExpectLikeLibrary(text);
    if (HasFailure()) return;  // one failing text is enough to read
  }
}

}  // namespace
}  // namespace velmora
