// Whole-number conversion: every kind of text a host or an author may give, one line each.
#include <gtest/gtest.h>

#include "framework/errors.h"
#include "plugin/int_conv.h"

#include <climits>
#include <optional>
#include <string>

namespace {

struct Case {
  const char* text;
  std::optional<std::int32_t> value;  // nullopt: the text must be refused
};

const Case kCases[] = {
    // Decimal, with blanks before and a sign.
    {"0", 0}, {"8", 8}, {" 8", 8}, {"    16", 16}, {"+4", 4}, {"-4", -4}, {" -17", -17}, {"007", 7},
    {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"+2147483647", INT_MAX}, {"-0", 0},
    {"00000000000000000000012", 12},
    // Hexadecimal after $, x, X, 0x, 0X; 32 bits read as signed, negated after a minus.
    {"$10", 16}, {"0x4", 4}, {"0X4", 4}, {"x1f", 31}, {"X1F", 31}, {"$aBcD", 0xABCD}, {" -$10", -16},
    {"+0x10", 16}, {"$7FFFFFFF", INT_MAX}, {"$80000000", INT_MIN}, {"$FFFFFFFF", -1}, {"-$FFFFFFFF", 1},
    {"-$80000000", INT_MIN}, {"$000000000000FF", 255}, {"0x0", 0},
    // Refused: nothing after the digits, nothing but digits, within 32 bits.
    {"", std::nullopt}, {" ", std::nullopt}, {"8 ", std::nullopt}, {"1 2", std::nullopt},
    {"+", std::nullopt}, {"-", std::nullopt}, {"$", std::nullopt}, {"x", std::nullopt}, {"0x", std::nullopt},
    {"-$", std::nullopt}, {"abc", std::nullopt}, {"12a", std::nullopt}, {"1.5", std::nullopt},
    {"1e3", std::nullopt}, {"--1", std::nullopt}, {"+-1", std::nullopt}, {"- 1", std::nullopt},
    {"\t1", std::nullopt}, {"\n1", std::nullopt}, {"2147483648", std::nullopt}, {"-2147483649", std::nullopt},
    {"99999999999", std::nullopt}, {"$100000000", std::nullopt}, {"$G", std::nullopt}, {"0x-1", std::nullopt},
    {"$ 1", std::nullopt}, {"0xx1", std::nullopt}, {"0$1", std::nullopt}, {"$$1", std::nullopt},
    {"\xD9", std::nullopt}, {"\xEF\xBC\x91", std::nullopt} /* fullwidth digit one */,
};

}  // namespace

TEST(WholeNumber, ReadsOrRefusesEachText) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string("text '") + c.text + "'");
    EXPECT_EQ(TryParseInt(c.text), c.value);
  }
}

TEST(WholeNumber, FailureMessageHoldsTheWholeTextUnchanged) {
  for (const char* text : {"", " 8 ", "abc", "$", "2147483648"}) {
    try {
      ParseInt(text);
      ADD_FAILURE() << "no failure for '" << text << "'";
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
    }
  }
  EXPECT_EQ(ParseInt(" -$10"), -16);
}

TEST(WholeNumber, ATextWithAnEmbeddedZeroIsRefused) {
  EXPECT_EQ(TryParseInt(std::string_view("12\0", 3)), std::nullopt);
}
