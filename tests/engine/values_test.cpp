// Unit tests of the engine's value conversions: number text, date masks, hexadecimal.
#include "values/values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>
#include <cctype>

namespace {

std::string num(double v) {
  char buf[64];
  number_text_double(v, buf, sizeof buf);
  return buf;
}

std::string fmt(const DateValue& d, const std::string& mask) {
  char buf[128];
  date_format(d, mask, buf, sizeof buf);
  return buf;
}

DateValue make(int y, int m, int d, int hh = 0, int mi = 0, int ss = 0) {
  DateValue v;
  v.year = y;
  v.month = m;
  v.day = d;
  v.hour = hh;
  v.minute = mi;
  v.second = ss;
  return v;
}

TEST(Values, NumbersPrintAsOracleDoes) {
  EXPECT_EQ(num(1.5), "1.5");
  EXPECT_EQ(num(0.5), ".5");
  EXPECT_EQ(num(-0.5), "-.5");
  EXPECT_EQ(num(100), "100");
  EXPECT_EQ(num(3135.55), "3135.55");
  EXPECT_EQ(num(1.5e-7), ".00000015");
  EXPECT_EQ(num(0.1 + 0.2), ".3");
  EXPECT_EQ(num(1e20), "100000000000000000000");
  EXPECT_EQ(num(1.5e50), "1.5E+50");
  EXPECT_EQ(num(1e-50), "1.0E-50");
  char buf[8];
  EXPECT_EQ(number_text_int(-1234567, buf, sizeof buf), 7u) << "cut to the buffer, never past it";
  EXPECT_STREQ(buf, "-123456");
  EXPECT_EQ(number_text_int(INT64_MIN, buf, 0), 0u);
}

TEST(Values, NumbersRoundInDecimal) {
  auto round = [](const char* text, int scale) {
    std::string out;
    return number_round_text(text, std::strlen(text), scale, &out) ? out : std::string("<invalid>");
  };
  EXPECT_EQ(round("1.005", 2), "1.01") << "a double would give 1.00";
  EXPECT_EQ(round("-2.5", 0), "-3");
  EXPECT_EQ(round("999.996", 2), "1000");
  EXPECT_EQ(round("1234", -2), "1200");
  EXPECT_EQ(round("1250", -2), "1300");
  EXPECT_EQ(round(".004", 2), "0");
  EXPECT_EQ(round("0.0051", 2), "0.01");
  EXPECT_EQ(round("12.5", 3), "12.5");
  EXPECT_EQ(round("1e3", 0), "<invalid>");
}

TEST(Values, DatesFormatWithMasks) {
  DateValue d = make(2004, 3, 15, 14, 5, 9);
  EXPECT_EQ(fmt(d, "DD-MON-RR"), "15-MAR-04");
  EXPECT_EQ(fmt(d, "YYYY-MM-DD HH24:MI:SS"), "2004-03-15 14:05:09");
  EXPECT_EQ(fmt(d, "Dy, Month DD \"at\" HH:MI AM"), "Mon, March     15 at 02:05 PM");
  EXPECT_EQ(fmt(d, "fmMonth dd, yyyy"), "March 15, 2004");
  EXPECT_EQ(fmt(d, "mon"), "mar");
  char small[4];
  EXPECT_EQ(date_format(d, std::string("DD-MON-RR"), small, sizeof small), 3u);
  EXPECT_STREQ(small, "15-");
}

TEST(Values, DatesParseWithTheRrRuleAndRejectBadInput) {
  DateValue now = make(2026, 12, 6);
  DateValue out;
  OraError err;
  ASSERT_TRUE(date_parse("15-MAR-04", "DD-MON-RR", now, &out, &err));
  EXPECT_EQ(out.year, 2004);
  ASSERT_TRUE(date_parse("17-dec-80", "DD-MON-RR", now, &out, &err));
  EXPECT_EQ(out.year, 1980);
  EXPECT_EQ(out.month, 12);
  ASSERT_TRUE(date_parse("2000-01-31 23:59:58", "YYYY-MM-DD HH24:MI:SS", now, &out, &err));
  EXPECT_EQ(date_stored_text(out), "2000-01-31 23:59:58");
  EXPECT_FALSE(date_parse("15-XYZ-04", "DD-MON-RR", now, &out, &err));
  EXPECT_EQ(err.code, 1843);
  EXPECT_FALSE(date_parse("31-FEB-04", "DD-MON-RR", now, &out, &err));
  EXPECT_EQ(err.code, 1839);
  EXPECT_FALSE(date_parse("15-MAR-04 extra", "DD-MON-RR", now, &out, &err));
  EXPECT_EQ(err.code, 1830);
  EXPECT_FALSE(date_parse("AB-MAR-04", "DD-MON-RR", now, &out, &err));
  EXPECT_EQ(err.code, 1858);
  EXPECT_FALSE(date_mask_valid("ZZZ"));
  EXPECT_FALSE(date_mask_valid("TH"));
  EXPECT_FALSE(date_mask_valid("DY TH"));
}

// The one table of mask elements serves formatting and parsing: each spelling is one
// element in either case, longer spellings are never read as a shorter one followed by
// more, and what a mask formats, the same mask parses back.
TEST(Values, DateMaskElementsAreOneTableForFormatAndParse) {
  std::vector<std::string> spellings = date_mask_elements();
  ASSERT_GE(spellings.size(), 30u);
  for (const std::string& e : spellings) {
    std::string lower;
    for (char c : e) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const std::string& m : {e, lower}) {
      DateMask mask = date_mask_compile(m);
      ASSERT_EQ(mask.items.size(), 1u) << m;
      EXPECT_NE(mask.items[0].element, DateElement::Literal) << m;
      EXPECT_TRUE(date_mask_valid(m)) << m;
    }
  }
  DateValue now = make(2026, 12, 7);
  const char* const masks[] = {"DD-MON-RR",
                               "YYYY/MM/DD HH24:MI:SS",
                               "DD MONTH YYYY HH12:MI:SS AM",
                               "Dy DD-Mon-RRRR HH.MI.SSXFF3 P.M.",
                               "FMDD-MM-YYYY FMHH24:MI",
                               "\"day\" DD \"of\" fmMonth YYYY",
                               "YYYY-MM-DD\"T\"HH24:MI:SS.FF6",
                               "DD-MON-RR HH.MI.SSXFF AM TZR",
                               "YYYY-MM-DD HH24:MI TZH:TZM TZD"};
  DateValue d = make(1987, 4, 9, 17);
  d.minute = 5;
  d.second = 7;
  d.fraction = 123456000;
  d.zone_minutes = -(3 * 60 + 30);
  for (const char* m : masks) {
    char buf[96];
    date_format(d, std::string(m), buf, sizeof buf);
    DateValue back;
    OraError err;
    ASSERT_TRUE(date_parse(buf, m, now, &back, &err)) << m << ": " << buf << ": " << err.message;
    EXPECT_EQ(back.year, 1987) << m;
    EXPECT_EQ(back.month, 4) << m;
    EXPECT_EQ(back.day, 9) << m;
    bool has_time = std::string(m).find("MI") != std::string::npos;
    EXPECT_EQ(back.hour, has_time ? 17 : 0) << m << ": " << buf;
    EXPECT_EQ(back.minute, has_time ? 5 : 0) << m;
    bool has_zone = std::string(m).find("TZ") != std::string::npos;
    EXPECT_EQ(back.zoned, has_zone) << m << ": " << buf;
    EXPECT_EQ(back.zone_minutes, has_zone ? -210 : 0) << m << ": " << buf;
  }
  // Elements that format but cannot say which date they are.
  DateValue out;
  OraError err;
  EXPECT_FALSE(date_parse("098", "DDD", now, &out, &err));
  EXPECT_EQ(err.code, 1821);
  // A quoted literal must be in the text as written; punctuation matches punctuation.
  EXPECT_FALSE(date_parse("2004x03", "YYYY\"-\"MM", now, &out, &err));
  EXPECT_EQ(err.code, 1861);
  EXPECT_TRUE(date_parse("2004.03", "YYYY-MM", now, &out, &err));
}

// Quarters, weeks, centuries, seconds of the day, roman months and the era, with the
// ISO week across the turn of a year.
TEST(Values, DateMasksOfCalendarParts) {
  EXPECT_EQ(fmt(make(2024, 11, 30, 13, 14, 15), "Q WW W IW IYYY CC SSSSS RM AD A.D. SYYYY"),
            "4 48 5 48 2024 21 47655 XI   AD A.D.  2024");
  // 3 January 2021 is a Sunday: the last ISO week of 2020; 31 December 2024 belongs to
  // week 1 of 2025.
  EXPECT_EQ(fmt(make(2021, 1, 3), "IW IYYY WW Q"), "53 2020 01 1");
  EXPECT_EQ(fmt(make(2024, 12, 31), "IW IYYY WW Q"), "01 2025 53 4");
  EXPECT_EQ(fmt(make(2000, 6, 15), "CC rm FMRM. FMWW SSSSS"), "20 vi   VI. 24 00000");
  DateValue now = make(2026, 12, 7);
  DateValue out;
  OraError err;
  ASSERT_TRUE(date_parse("2024-XI-05 47655", "YYYY-RM-DD SSSSS", now, &out, &err)) << err.message;
  EXPECT_EQ(date_stored_text(out), "2024-11-05 13:14:15");
  ASSERT_TRUE(date_parse("2024-08-05 AD", "YYYY-MM-DD AD", now, &out, &err));
  EXPECT_EQ(out.month, 8);
  EXPECT_FALSE(date_parse("2024-01-01 B.C.", "YYYY-MM-DD B.C.", now, &out, &err));
  EXPECT_EQ(err.code, 1841);
  EXPECT_FALSE(date_parse("2024 3", "YYYY Q", now, &out, &err));
  EXPECT_EQ(err.code, 1820);
  EXPECT_FALSE(date_parse("86400", "SSSSS", now, &out, &err));
  EXPECT_EQ(err.code, 1853);
  EXPECT_FALSE(date_parse("2024-XIII-01", "YYYY-RM-DD", now, &out, &err));
}

TEST(Values, DateArithmeticCrossesMonthsAndYears) {
  DateValue d;
  ASSERT_TRUE(date_add_days(make(2004, 2, 28, 12), 1.5, &d));
  EXPECT_EQ(date_stored_text(d), "2004-03-01 00:00:00");
  EXPECT_DOUBLE_EQ(date_diff_days(make(2005, 1, 1), make(2004, 1, 1)), 366.0);
}

TEST(Values, RawHex) {
  std::string raw;
  ASSERT_TRUE(raw_from_hex("c0FFee", &raw));
  EXPECT_EQ(raw, std::string("\xC0\xFF\xEE"));
  char buf[5];
  EXPECT_EQ(raw_to_hex(reinterpret_cast<const unsigned char*>(raw.data()), raw.size(), buf, sizeof buf), 4u);
  EXPECT_STREQ(buf, "C0FF");
  EXPECT_FALSE(raw_from_hex("zz", &raw));
}

}  // namespace
