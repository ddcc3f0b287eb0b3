// Unit tests of Oracle's NUMBER bytes and the stored form of numbers: known encodings,
// round trips, memcmp order equal to numeric order, the range's edges and bad bytes.
#include "values/number_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

Decimal nb_dec(const char* text) {
  Decimal d;
  EXPECT_TRUE(decimal_parse(text, std::strlen(text), &d)) << text;
  return d;
}

std::vector<int> nb_encode(const char* text) {
  unsigned char b[kNumberBytesMax];
  std::size_t n = 0;
  EXPECT_TRUE(number_bytes_encode(nb_dec(text), b, &n)) << text;
  return std::vector<int>(b, b + n);
}

TEST(NumberBytes, KnownEncodings) {
  EXPECT_EQ(nb_encode("0"), (std::vector<int>{0x80}));
  EXPECT_EQ(nb_encode("1"), (std::vector<int>{0xC1, 2}));
  EXPECT_EQ(nb_encode("100"), (std::vector<int>{0xC2, 2}));
  EXPECT_EQ(nb_encode("123.45"), (std::vector<int>{0xC2, 2, 24, 46}));
  EXPECT_EQ(nb_encode("0.5"), (std::vector<int>{0xC0, 51}));
  EXPECT_EQ(nb_encode("-1"), (std::vector<int>{0x3E, 100, 102}));
  EXPECT_EQ(nb_encode("-123.45"), (std::vector<int>{0x3D, 100, 78, 56, 102}));
  EXPECT_EQ(nb_encode("1E125"), (std::vector<int>{0xFF, 11}));
  EXPECT_EQ(nb_encode("1E-130"), (std::vector<int>{0x80, 2}));
  EXPECT_EQ(nb_encode("-1E-130"), (std::vector<int>{0x7F, 100, 102}));
  // Below NUMBER's range: zero; at 1E126: refused.
  EXPECT_EQ(nb_encode("1E-131"), (std::vector<int>{0x80}));
  unsigned char b[kNumberBytesMax];
  std::size_t n = 0;
  EXPECT_FALSE(number_bytes_encode(nb_dec("1E126"), b, &n));
  EXPECT_FALSE(number_bytes_encode(nb_dec("-9.99999999999999999999999999999999999999999E125"), b, &n));
  // Twenty digits fill 21 bytes; a negative one then has no terminator.
  EXPECT_EQ(nb_encode("-.3333333333333333333333333333333333333333").size(), 21u);
}

TEST(NumberBytes, RoundTripsAndOrderOfBytesIsNumericOrder) {
  const char* values[] = {"-1E125", "-123456789012345678901234567890.123456789", "-100", "-99.5", "-1.5", "-1",
                          "-0.5", "-1E-130", "0", "1E-130", "0.000123", "0.5", "1", "1.5", "2",
                          "3.14159265358979323846264338327950288419", "99.5", "100", "101",
                          "1234567890123456789012345678901234567890", "9.9E125"};
  std::vector<std::string> encoded;
  for (const char* t : values) {
    unsigned char b[kNumberBytesMax];
    std::size_t n = 0;
    ASSERT_TRUE(number_bytes_encode(nb_dec(t), b, &n)) << t;
    Decimal back;
    ASSERT_TRUE(number_bytes_decode(b, n, &back)) << t;
    EXPECT_EQ(decimal_compare(back, nb_dec(t)), 0) << t;
    encoded.emplace_back(reinterpret_cast<const char*>(b), n);
  }
  // The values are listed in ascending order: so must their bytes be, under memcmp.
  for (std::size_t i = 1; i < encoded.size(); ++i)
    EXPECT_LT(encoded[i - 1], encoded[i]) << values[i - 1] << " < " << values[i];
}

TEST(NumberBytes, BadBytesAreNoNumber) {
  const std::vector<std::vector<unsigned char>> bad = {
      {}, {0xC1}, {0xC1, 0}, {0xC1, 102}, {0x3E, 1, 102}, {0x3E, 102}, {0x80, 0x80, 0x80}, {0xC1, 1}};
  for (const auto& b : bad) EXPECT_FALSE(number_bytes_valid(b.data(), b.size())) << b.size();
  std::vector<unsigned char> too_long(22, 2);
  too_long[0] = 0xC1;
  EXPECT_FALSE(number_bytes_valid(too_long.data(), too_long.size()));
}

TEST(NumberBytes, CanonicalBytesAreThoseTheEncoderWrites) {
  // -.3465...8772 has 19 base-100 digits: with its closing 102 it fills all 21 bytes.
  for (const char* t : {"0", "1", "-1", "123", "-123.45", "0.1", "1e125", "-1e-130", "12345678901234567890123",
                        "-.3333333333333333333333333333333333333333", "-.34659290437655325706203266484568588772"}) {
    unsigned char b[kNumberBytesMax];
    std::size_t n = 0;
    ASSERT_TRUE(number_bytes_encode(nb_dec(t), b, &n)) << t;
    EXPECT_TRUE(number_bytes_canonical(b, n)) << t;
    Decimal back;
    ASSERT_TRUE(number_bytes_decode(b, n, &back)) << t;
    EXPECT_EQ(decimal_compare(back, nb_dec(t)), 0) << t;
  }
  // Valid numbers written with a leading or trailing zero digit, or a negative without its
  // closing 102, are not the encoder's form; nor are bytes that are no number.
  const std::vector<std::vector<unsigned char>> other = {
      {0xC1, 2, 1}, {0xC2, 1, 2}, {0x3E, 100}, {0x3D, 101, 100, 102}, {}, {0xC1}, {0xC1, 102}, {0x80, 0x80}};
  for (const auto& b : other) EXPECT_FALSE(number_bytes_canonical(b.data(), b.size())) << b.size();
}

TEST(NumberBytes, StoredFormIsIntegerDoubleOrBytes) {
  NumberStored n;
  ASSERT_TRUE(number_stored(nb_dec("42"), &n));
  EXPECT_EQ(n.form, NumberForm::Int);
  ASSERT_TRUE(number_stored(nb_dec("9223372036854775808"), &n));
  EXPECT_EQ(n.form, NumberForm::Bytes);
  ASSERT_TRUE(number_stored(nb_dec("0.1"), &n));
  EXPECT_EQ(n.form, NumberForm::Real);
  EXPECT_EQ(n.d, 0.1);
  ASSERT_TRUE(number_stored(nb_dec("1E100"), &n));
  EXPECT_EQ(n.form, NumberForm::Real);
  ASSERT_TRUE(number_stored(nb_dec("0.1000000000000000055511151231257827"), &n));
  EXPECT_EQ(n.form, NumberForm::Bytes);  // the double 0.1's exact value is not its shortest text
  ASSERT_TRUE(number_stored(nb_dec("1E-131"), &n));
  EXPECT_EQ(n.form, NumberForm::Int);
  EXPECT_EQ(n.i, 0);
  EXPECT_FALSE(number_stored(nb_dec("1E126"), &n));
}

TEST(NumberBytes, ColumnStoresRoundToScaleAndCheckPrecision) {
  NumberStored n;
  EXPECT_EQ(number_store_decimal(nb_dec("123.455"), 5, 2, &n), 0);
  EXPECT_EQ(n.d, 123.46);
  EXPECT_EQ(number_store_decimal(nb_dec("-123.455"), 5, 2, &n), 0);
  EXPECT_EQ(n.d, -123.46);
  EXPECT_EQ(number_store_decimal(nb_dec("999.995"), 5, 2, &n), 1438);
  EXPECT_EQ(number_store_decimal(nb_dec("99999999999999999999"), 38, 0, &n), 0);
  EXPECT_EQ(number_store_decimal(nb_dec("1E38"), 38, 0, &n), 1438);
  EXPECT_EQ(number_store_decimal(nb_dec("123456"), 3, -2, &n), 1438);
  EXPECT_EQ(number_store_decimal(nb_dec("12345"), 3, -2, &n), 0);
  EXPECT_EQ(n.i, 12300);
  EXPECT_EQ(number_store_decimal(nb_dec("0.00012"), 2, 5, &n), 0);
  EXPECT_EQ(number_store_decimal(nb_dec("0.0012"), 2, 5, &n), 1438);
  EXPECT_EQ(number_store_decimal(nb_dec("123456"), 10, -127, &n), 0);  // FLOAT(10): 4 digits
  EXPECT_EQ(n.i, 123500);
  EXPECT_EQ(number_store_decimal(nb_dec("1E126"), 0, -127, &n), 1426);
}

}  // namespace
