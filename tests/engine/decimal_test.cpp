// Unit tests of the decimal arithmetic under NUMBER: exact digits, rounding past the 20th
// base-100 digit, operands of very different size, and the edges of the 64-bit integer path.
#include "values/decimal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

Decimal dec(const char* text) {
  Decimal d;
  EXPECT_TRUE(decimal_parse(text, std::strlen(text), &d)) << text;
  return d;
}

bool same(const Decimal& a, const char* text) {
  return decimal_compare(a, dec(text)) == 0;
}

TEST(Decimal, DoublesReadAsTheirShortestDecimal) {
  Decimal d;
  ASSERT_TRUE(decimal_of_double(0.1, &d));
  EXPECT_TRUE(same(d, "0.1"));
  ASSERT_TRUE(decimal_of_double(0.1 + 0.2, &d));  // the double 0.30000000000000004
  EXPECT_TRUE(same(d, "0.30000000000000004"));
  ASSERT_TRUE(decimal_of_double(-1.5e-100, &d));
  EXPECT_TRUE(same(d, "-1.5E-100"));
  EXPECT_FALSE(decimal_of_double(1.0 / 0.0, &d));
  // Sums of decimals are exact, so they equal the literal.
  EXPECT_TRUE(same(decimal_add(dec("0.1"), dec("0.2")), "0.3"));
  EXPECT_EQ(decimal_to_double(decimal_add(dec("0.1"), dec("0.2"))), 0.3);
}

TEST(Decimal, TextIsReadExactlyToTwentyBase100DigitsAndRoundedBeyond) {
  EXPECT_TRUE(same(dec("  -000.0500 "), "-0.05"));
  EXPECT_TRUE(same(dec("1234567890123456789012345678901234567890"), "1.234567890123456789012345678901234567890E39"));
  // Past the 20th base-100 digit the next one rounds, half away from zero, also carrying
  // into a new digit: 40 digits when the leading pair has two, 39 when it has one.
  EXPECT_TRUE(same(dec("12345678901234567890123456789012345678905"), "1234567890123456789012345678901234567891E1"));
  EXPECT_TRUE(same(dec("123456789012345678901234567890123456788.5"), "123456789012345678901234567890123456789"));
  EXPECT_TRUE(same(dec("9999999999999999999999999999999999999999.9"), "1E40"));
  Decimal d;
  for (const char* bad : {"", " ", ".", "1e", "1e+", "1.2.3", "12a", "--1", "1 2"})
    EXPECT_FALSE(decimal_parse(bad, std::strlen(bad), &d)) << bad;
}

TEST(Decimal, OperandsOfVeryDifferentSizeKeepTheLargerDigits) {
  // 1E30 + 1E-30 needs 61 digits: the result keeps 20 base-100 digits and rounds.
  EXPECT_TRUE(same(decimal_add(dec("1E30"), dec("1E-30")), "1E30"));
  EXPECT_TRUE(same(decimal_add(dec("1E30"), dec("6E-8")), "1000000000000000000000000000000.00000006"));
  EXPECT_TRUE(same(decimal_add(dec("1E30"), dec("6E-9")), "1000000000000000000000000000000.00000001"));
  EXPECT_TRUE(same(decimal_sub(dec("1E-30"), dec("1E30")), "-1E30"));
  EXPECT_TRUE(same(decimal_sub(dec("1"), dec("0.9")), "0.1"));
  EXPECT_TRUE(same(decimal_add(dec("-5.5"), dec("5.5")), "0"));
  EXPECT_EQ(decimal_compare(dec("1E30"), decimal_add(dec("1E30"), dec("1E-7"))), -1);
  EXPECT_EQ(decimal_compare(dec("-2"), dec("-10")), 1);
  EXPECT_EQ(decimal_compare(dec("-0"), dec("0")), 0);
}

TEST(Decimal, ProductsAndQuotients) {
  EXPECT_TRUE(same(decimal_mul(dec("19.99"), dec("3")), "59.97"));
  EXPECT_TRUE(same(decimal_mul(dec("-1.1"), dec("1.1")), "-1.21"));
  EXPECT_TRUE(same(decimal_mul(dec("9223372036854775807"), dec("9223372036854775807")),
                   "85070591730234615847396907784232501249"));
  Decimal q;
  ASSERT_TRUE(decimal_div(dec("1"), dec("3"), &q));
  EXPECT_TRUE(same(q, "0.3333333333333333333333333333333333333333"));
  ASSERT_TRUE(decimal_div(dec("2"), dec("3"), &q));
  EXPECT_TRUE(same(q, "0.6666666666666666666666666666666666666667"));
  ASSERT_TRUE(decimal_div(dec("-7"), dec("2"), &q));
  EXPECT_TRUE(same(q, "-3.5"));
  ASSERT_TRUE(decimal_div(dec("1E-100"), dec("4E20"), &q));
  EXPECT_TRUE(same(q, "2.5E-121"));
  EXPECT_FALSE(decimal_div(dec("1"), dec("0"), &q));
}

TEST(Decimal, RoundingTruncationFloorAndCeil) {
  EXPECT_TRUE(same(decimal_round(dec("2.675"), 2), "2.68"));
  EXPECT_TRUE(same(decimal_round(dec("-2.5"), 0), "-3"));
  EXPECT_TRUE(same(decimal_round(dec("1234.5678"), -2), "1200"));
  EXPECT_TRUE(same(decimal_round(dec("0.0004"), 3), "0"));
  EXPECT_TRUE(same(decimal_round(dec("999.96"), 1), "1000"));
  EXPECT_TRUE(same(decimal_round(dec("5"), -1000), "0"));
  EXPECT_TRUE(same(decimal_trunc(dec("0.9999999999999"), 0), "0"));
  EXPECT_TRUE(same(decimal_trunc(dec("-1.99"), 0), "-1"));
  EXPECT_TRUE(same(decimal_floor(dec("-0.5")), "-1"));
  EXPECT_TRUE(same(decimal_ceil(dec("-0.5")), "0"));
  EXPECT_TRUE(same(decimal_ceil(dec("2.000001")), "3"));
  EXPECT_TRUE(same(decimal_floor(dec("7")), "7"));
}

TEST(Decimal, FixedTextHasExactlyThePlacesAsked) {
  EXPECT_EQ(decimal_fixed_text(dec("0.125"), 2), "0.13");
  EXPECT_EQ(decimal_fixed_text(dec("-2.5"), 0), "3") << "the magnitude only";
  EXPECT_EQ(decimal_fixed_text(dec("0"), 3), "0.000");
  EXPECT_EQ(decimal_fixed_text(dec("0.0004"), 3), "0.000");
  EXPECT_EQ(decimal_fixed_text(dec("0.00051"), 4), "0.0005");
  EXPECT_EQ(decimal_fixed_text(dec("1E5"), 1), "100000.0");
  EXPECT_EQ(decimal_fixed_text(dec("999.96"), 1), "1000.0");
  EXPECT_EQ(decimal_fixed_text(dec("12.5"), -3), "13") << "negative places count as none";
}

TEST(Decimal, IntegersAtTheEdgesOfSixtyFourBits) {
  std::int64_t i = 0;
  EXPECT_TRUE(decimal_to_int64(dec("9223372036854775807"), &i));
  EXPECT_EQ(i, INT64_MAX);
  EXPECT_TRUE(decimal_to_int64(dec("-9223372036854775808"), &i));
  EXPECT_EQ(i, INT64_MIN);
  EXPECT_FALSE(decimal_to_int64(dec("9223372036854775808"), &i));
  EXPECT_FALSE(decimal_to_int64(dec("1E30"), &i));
  EXPECT_FALSE(decimal_to_int64(dec("2.5"), &i));
  EXPECT_TRUE(decimal_to_int64(dec("2.50E1"), &i));
  EXPECT_EQ(i, 25);
  EXPECT_TRUE(same(decimal_of_int(INT64_MIN), "-9223372036854775808"));
  EXPECT_EQ(decimal_magnitude(dec("123.4")), 2);
  EXPECT_EQ(decimal_magnitude(dec("0.05")), -2);
}

}  // namespace
