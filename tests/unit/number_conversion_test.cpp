// The conversions must agree with the C library's own on every token, to
// the bit and to the character where the number ends.
#include "numbers/float_formatting.h"
#include "numbers/number_conversion.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

using quarnel::convert_double;
using quarnel::format_double;
using quarnel::convert_index;
using quarnel::label_from_double;

namespace {

#ifdef QUARNEL_LONG_TESTS
constexpr int generated_tokens = 5000000;
#else
constexpr int generated_tokens = 200000;
#endif

std::uint64_t bits_of(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Where a number read ends; null when it is none.
const char* end_of(const quarnel::number_read& read) {
  return read.error == quarnel::number_error::none ? read.end : nullptr;
}

// Compares convert_double with strtod on `token` at the start of `text`.
::testing::AssertionResult agrees_with_strtod_in(const std::string& token,
                                                 const std::string& text) {
  char* strtod_end = nullptr;
  errno = 0;
  double expected = std::strtod(text.c_str(), &strtod_end);
  double actual = -7.0;
  const char* end = end_of(convert_double(text.data(), text.data() + text.size(), &actual));
  std::ptrdiff_t expected_length = strtod_end - text.c_str();
  if (expected_length == 0) {
    if (end == nullptr) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "'" << token << "': strtod reads nothing, we read "
                                         << (end - text.data());
  }
  if (end == nullptr)
    return ::testing::AssertionFailure() << "'" << token << "': no number, strtod reads "
                                         << expected_length;
  if (end - text.data() != expected_length)
    return ::testing::AssertionFailure() << "'" << token << "': length " << (end - text.data())
                                         << ", strtod " << expected_length;
  bool same = std::isnan(expected) ? std::isnan(actual) && std::signbit(actual) == std::signbit(expected)
                                   : bits_of(actual) == bits_of(expected);
  if (!same) {
    char message[160];
    std::snprintf(message, sizeof message, "got %a, strtod %a", actual, expected);
    return ::testing::AssertionFailure() << "'" << token << "': " << message;
  }
  return ::testing::AssertionSuccess();
}

// The same, with `token` followed by a space as in a data file (strtod
// stops there too): at the line's end, and with more of the line after it,
// where short tokens are read a word at a time.
::testing::AssertionResult agrees_with_strtod(const std::string& token) {
  ::testing::AssertionResult at_end = agrees_with_strtod_in(token, token + " ");
  if (!at_end) return at_end;
  return agrees_with_strtod_in(token, token + " 12:0.25 13:0.5 14:1");
}

TEST(ConvertDouble, AgreesWithStrtodOnTrickyForms) {
  const char* tokens[] = {
      "0", "-0", "+0", "1", "+1", "-1", "1.", ".5", "-.5", "+.5", "00012.50", "1e5", "1E+5",
      "1e-5", "1e", "1e+", "1e-x", "1.5e3x", "2.9", "-2.9", "123456789012345678901234567890",
      "0.1", "0.30000000000000004", "1.7976931348623157e308", "1.7976931348623159e308",
      "1e308", "1e309", "-1e309", "1e400", "2.2250738585072014e-308", "2.2250738585072011e-308",
      "4.9406564584124654e-324", "2.4703282292062327e-324", "2.4703282292062328e-324",
      // Subnormals, which some standard libraries' from_chars read as zero.
      "1e-310", "-1e-310", "4.9e-324", "2.225073858507201e-308", "3e-320",
      "1e-324", "-1e-324", "1e-400", "-1e-400", "0e999999999999", "0.0000000000001e-320",
      "1000000000000000000000e-330", "0.000000000000000000001e330",
      "1e99999999999999999999", "1e-99999999999999999999",
      "0x1p3", "0X1P3", "-0x1.8p1", "+0x.8p1", "0x1.fffffffffffff8p1023", "0x1p1024",
      "0x1p-1074", "0x1p-1075", "0x1.0000000000001p-1075", "0x0.0000000000001p-1022",
      "0x1.00000000000008p0", "0x1.00000000000018p0", "0x1.000000000000080000001p0", "0x",
      "0x.", "0xg", "0x1p", "0x1p+", "0x1p+-9", "0x1p-+9", "0x1.8p--1", "-0x", "0xp3", "0x.p1", "0x1.8", "0x00000001p-1074",
      "inf", "INF", "-inf", "+Inf", "infinity", "INFINITY", "-Infinity", "infinit", "in",
      "nan", "NAN", "-nan", "+nan", "nan()", "nan(123)", "nan(abc_1)", "nan(", "nan(x",
      "NaN(0x1)", "+", "-", ".", "+.", "e5", "+-1", "-+1", "--1", "++1", "1..2", "1.2.3",
      "-0x1p-1080", "9007199254740993", "9007199254740992.5", "9007199254740993.0000000001",
      "0.500000000000000166533453693773481063544750213623046875",
      "0.500000000000000166533453693773481063544750213623046876",
      "0.500000000000000166533453693773481063544750213623046874",
      // Around the word-at-a-time reading: seven and eight digits either side.
      "1234567", "12345678", "-9999999.9999999", "1234567.12345678", "12345678.1",
      "0.0000001", "-0.00000001", "7.e1", "7.5e1", "7.5x", "0.1.2", "5x1",
  };
  for (const char* token : tokens) EXPECT_TRUE(agrees_with_strtod(token));
}

// Builds a random token in one of the forms a data file may hold.
std::string random_token(std::mt19937_64& random) {
  char buffer[256];
  std::uniform_int_distribution<int> form(0, 9);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  std::string sign = pick(4) == 0 ? "-" : (pick(8) == 0 ? "+" : "");
  switch (form(random)) {
    case 0: {  // any double, shortest-ish and full precision
      std::uint64_t bits = random();
      double value;
      std::memcpy(&value, &bits, sizeof value);
      std::snprintf(buffer, sizeof buffer, "%.*g", 1 + pick(17), value);
      return buffer;
    }
    case 1: {  // exactly half-way between two neighbours: the rounding edge
      double value = std::ldexp(static_cast<double>(random() >> 11), pick(2100) - 1100);
      long double mid = (static_cast<long double>(value) +
                         std::nextafter(value, std::numeric_limits<double>::infinity())) / 2;
      std::snprintf(buffer, sizeof buffer, "%s%.*Le", sign.c_str(), 15 + pick(30), mid);
      return buffer;
    }
    case 2: {  // typical values with 6 significant digits
      std::snprintf(buffer, sizeof buffer, "%s%.6g", sign.c_str(),
                    std::ldexp(static_cast<double>(random() >> 11), -53 + pick(40) - 20));
      return buffer;
    }
    case 3: {  // long digit strings with a point anywhere
      std::string digits;
      int length = 1 + pick(40);
      for (int i = 0; i < length; ++i) digits += static_cast<char>('0' + pick(10));
      digits.insert(static_cast<std::size_t>(pick(length + 1)), ".");
      if (digits == ".") digits = "0.";
      return sign + digits + (pick(2) ? "e" + std::to_string(pick(700) - 350) : "");
    }
    case 4: {  // hexadecimal with many digits and binary exponents
      std::string digits = "0x";
      int length = 1 + pick(20);
      for (int i = 0; i < length; ++i) digits += "0123456789abcdefABCDEF"[pick(22)];
      if (pick(2)) digits.insert(static_cast<std::size_t>(2 + pick(length + 1)), ".");
      return sign + digits + (pick(3) ? "p" + std::to_string(pick(2300) - 1150) : "");
    }
    case 5: {  // extreme decimal exponents
      std::snprintf(buffer, sizeof buffer, "%s%d.%de%d", sign.c_str(), pick(10), pick(1000),
                    pick(800) - 400);
      return buffer;
    }
    case 6: {  // the special words, mixed case, sometimes cut or extended
      const char* words[] = {"inf", "infinity", "nan", "nan(7)", "nan(x_y)", "infin", "na"};
      std::string word = words[pick(7)];
      for (char& c : word)
        if (pick(2)) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      return sign + word;
    }
    case 7: {  // integers, as labels are usually written
      return sign + std::to_string(random() >> pick(64));
    }
    default: {  // random characters of number-like alphabet: malformed mostly
      std::string token;
      int length = 1 + pick(8);
      for (int i = 0; i < length; ++i) token += "0123456789.eE+-xXpPaAfFnNiI("[pick(28)];
      return token;
    }
  }
}

TEST(ConvertDouble, AgreesWithStrtodOnGeneratedTokens) {
  std::mt19937_64 random(20261209);
  int failures = 0;
  for (int i = 0; i < generated_tokens && failures < 20; ++i) {
    std::string token = random_token(random);
    ::testing::AssertionResult agreed = agrees_with_strtod(token);
    if (!agreed) {
      ++failures;
      ADD_FAILURE() << agreed.message();
    }
  }
}

TEST(ConvertDouble, NeverReadsPastTheEnd) {
  // The token is cut where the range ends, even mid-number.
  const std::string text = "12345e10";
  double value = 0;
  const char* end = end_of(convert_double(text.data(), text.data() + 3, &value));
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end, text.data() + 3);
  EXPECT_EQ(value, 123.0);
  EXPECT_EQ(end_of(convert_double(text.data(), text.data(), &value)), nullptr);
}

// What the writer formats, strtod reads back to the same bits, in the room
// the writer reserves; and, where this build's standard library has
// floating-point std::to_chars, it is that function's text to the character.
TEST(FormatDouble, ReadsBackAndMatchesToChars) {
  std::mt19937_64 random(42);
  const double specials[] = {0.0, -0.0, 0.1, 1e23, 5e-324, -2.2250738585072014e-308,
                             1.7976931348623157e308, 123456.0, 1e21, 1e-7, 1e5, 1e-4, 1e-3,
                             1e-5, 1e16, 1e22, 5e21, 9007199254740993.0, 0x1p60, 0x1p64,
                             0x1.fffffffffffffp73, 123456789012345680000.0, 1e100, 1e-310,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), std::nan(""), -std::nan("")};
  constexpr int special_count = sizeof specials / sizeof specials[0];
  for (int i = 0; i < generated_tokens + special_count; ++i) {
    double value;
    if (i < special_count) {
      value = specials[i];
    } else if (i % 3 == 0) {  // integers up to 2^74, where fixed notation may win
      value = std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 75) - 52);
      value = std::floor(value);
    } else if (i % 3 == 1) {  // short decimals of any magnitude
      char decimal[40];
      std::snprintf(decimal, sizeof decimal, "%.*ge%d", 1 + static_cast<int>(random() % 17),
                    static_cast<double>(random() >> 11) / 0x1p53, static_cast<int>(random() % 640) - 320);
      value = std::strtod(decimal, nullptr);
    } else {
      std::uint64_t bits = random();
      std::memcpy(&value, &bits, sizeof value);
    }
    char text[quarnel::formatted_double_room + 1];
    char* end = format_double(text, text + quarnel::formatted_double_room, value);
    ASSERT_NE(end, nullptr) << i;
    *end = '\0';
    ASSERT_TRUE(agrees_with_strtod(text));
    double read_back = std::strtod(text, nullptr);
    if (std::isnan(value))
      EXPECT_TRUE(std::isnan(read_back) && std::signbit(read_back) == std::signbit(value)) << text;
    else
      ASSERT_EQ(bits_of(read_back), bits_of(value)) << text;
#if defined(__cpp_lib_to_chars)
    if (!std::isnan(value)) {
      char expected[64];
      *std::to_chars(expected, expected + sizeof expected - 1, value).ptr = '\0';
      ASSERT_STREQ(text, expected);
    }
#endif
  }
  char small[4];
  EXPECT_EQ(format_double(small, small + sizeof small, 0.125), nullptr);
  EXPECT_EQ(format_double(small, small + 3, -std::numeric_limits<double>::infinity()), nullptr);
}

TEST(LabelFromDouble, TruncatesTowardZeroAndFoldsOutOfRange) {
  const std::int32_t folded = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(label_from_double(2.9), 2);
  EXPECT_EQ(label_from_double(-1.5), -1);
  EXPECT_EQ(label_from_double(-0.5), 0);
  EXPECT_EQ(label_from_double(2147483647.9), 2147483647);
  EXPECT_EQ(label_from_double(2147483648.0), folded);
  EXPECT_EQ(label_from_double(-2147483648.0), folded);
  EXPECT_EQ(label_from_double(-2147483647.5), -2147483647);
  EXPECT_EQ(label_from_double(-2147483649.0), folded);
  EXPECT_EQ(label_from_double(std::nan("")), folded);
  EXPECT_EQ(label_from_double(std::numeric_limits<double>::infinity()), folded);
  EXPECT_EQ(label_from_double(-std::numeric_limits<double>::infinity()), folded);
}

TEST(ConvertIndex, AgreesWithStrtolWithinRange) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 100000; ++i) {
    long long wide = static_cast<long long>(random() >> (random() % 64)) * (random() % 2 ? 1 : -1);
    std::string token = (random() % 5 == 0 && wide >= 0 ? "+" : "") + std::to_string(wide);
    std::int32_t index = 0;
    const quarnel::number_read read =
        convert_index(token.data(), token.data() + token.size(), &index);
    if (wide >= INT32_MIN && wide <= INT32_MAX) {
      ASSERT_EQ(read.error, quarnel::number_error::none) << token;
      EXPECT_EQ(read.end, token.data() + token.size());
      EXPECT_EQ(index, wide) << token;
    } else {
      EXPECT_EQ(read.error, quarnel::number_error::out_of_range) << token;
    }
  }
}

TEST(ConvertIndex, RejectsWhatIsNotADecimalInteger) {
  for (const char* token : {"", "+", "-", "+-1", "-+1", "x1", " 1", ":1", "0x10"}) {
    std::int32_t index = 0;
    const quarnel::number_read read = convert_index(token, token + std::strlen(token), &index);
    if (std::strcmp(token, "0x10") == 0) {
      EXPECT_EQ(end_of(read), token + 1);  // reads the "0"; the "x" is left for the colon check
    } else {
      EXPECT_EQ(read.error, quarnel::number_error::not_a_number) << token;
    }
  }
  const std::string edges[] = {"2147483647", "-2147483648", "0002147483647"};
  for (const std::string& token : edges) {
    std::int32_t index = 0;
    EXPECT_EQ(convert_index(token.data(), token.data() + token.size(), &index).error,
              quarnel::number_error::none);
  }
}

}  // namespace
