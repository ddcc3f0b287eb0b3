// Dates stay in the range the engine keeps (1 January of year 1 to 31 December 9999):
// every way of making one outside it, or in year 0, is refused with Oracle's error, and
// nothing out of range is ever stored.
#include "oci_session.h"

#include <filesystem>

namespace {

class DateRange : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(test_home()) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  std::string v(const std::string& expr) { return s.value("select " + expr + " from dual"); }
  OciSession s;
};

const char* const kYearRange = "error: ORA-01841: (full) year must be between -4713 and +9999, and not be 0\n";

TEST_F(DateRange, ArithmeticAndFunctionsRefuseResultsOutsideTheRange) {
  const char* refused[] = {
      "date '0001-01-01' - 1",
      "date '0001-01-01' - 2",
      "date '0001-01-01' - 1/86400",
      "date '9999-12-31' + 1",
      "to_date('9999-12-31 23:59:59', 'YYYY-MM-DD HH24:MI:SS') + 1/86400",
      "add_months(date '9999-12-15', 1)",
      "add_months(date '0001-01-15', -1)",
      "add_months(date '2000-01-01', 1000000)",
      "next_day(date '9999-12-31', 'MONDAY')",
      "round(date '9999-12-31' + 0.75)",
      "round(date '9999-08-01', 'YYYY')",
      "date '0000-01-01'",
      "to_date('0000-01-01', 'YYYY-MM-DD')",
  };
  for (const char* e : refused) EXPECT_EQ(v(e), kYearRange) << e;
}

TEST_F(DateRange, TheEdgesOfTheRangeThemselvesWork) {
  const char* cases[][2] = {
      {"to_char(date '0001-01-02' - 1, 'YYYY-MM-DD')", "0001-01-01"},
      {"to_char(date '9999-12-30' + 1.5, 'YYYY-MM-DD HH24:MI')", "9999-12-31 12:00"},
      {"to_char(add_months(date '0001-02-28', -1), 'YYYY-MM-DD')", "0001-01-31"},
      {"to_char(add_months(date '9999-11-30', 1), 'YYYY-MM-DD')", "9999-12-31"},
      {"to_char(last_day(date '9999-12-05'), 'YYYY-MM-DD')", "9999-12-31"},
      {"to_char(trunc(date '9999-12-31' + 0.99), 'YYYY-MM-DD HH24')", "9999-12-31 00"},
      {"date '9999-12-31' - date '0001-01-01'", "3652058"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c[0]), c[1]) << c[0];
}

TEST_F(DateRange, InvalidDatesGiveTheErrorOfTheirField) {
  EXPECT_EQ(v("date '2020-13-01'"), "error: ORA-01843: not a valid month\n");
  EXPECT_EQ(v("to_date('2020-01-32', 'YYYY-MM-DD')"),
            "error: ORA-01847: day of month must be between 1 and last day of month\n");
  EXPECT_EQ(v("to_char(to_date('2020/01/01', 'YYYY-MM-DD HH24:MI:SS'), 'YYYY-MM-DD HH24:MI')"), "2020-01-01 00:00");
  EXPECT_EQ(v("to_date('2020-01-01x', 'YYYY-MM-DD')"),
            "error: ORA-01830: date format picture ends before converting entire input string\n");
  // A meridian indicator is AM, PM, A.M. or P.M.; a lone letter at the end of the text
  // once stepped the parser past the text (found by the date mask fuzzer).
  EXPECT_EQ(v("to_char(to_date('10:30 p.m.', 'HH:MI A.M.'), 'HH24:MI')"), "22:30");
  EXPECT_EQ(v("to_char(to_date('10:30 AM', 'HH:MI PM'), 'HH24:MI')"), "10:30");
  EXPECT_EQ(v("to_date('10:30 P', 'HH:MI AM\"x\"')"), "error: ORA-01855: AM/A.M. or PM/P.M. required\n");
  EXPECT_EQ(v("to_date('10:30 XM', 'HH:MI AM')"), "error: ORA-01855: AM/A.M. or PM/P.M. required\n");
}

TEST_F(DateRange, NoDateOutsideTheRangeIsStored) {
  ASSERT_EQ(s.exec("create table d (d date)"), OCI_SUCCESS) << s.error_text();
  EXPECT_NE(s.exec("insert into d values (date '0001-01-01' - 1)"), OCI_SUCCESS);
  EXPECT_EQ(s.error_code(), 1841);
  ASSERT_EQ(s.exec("insert into d values (date '9999-12-31')"), OCI_SUCCESS) << s.error_text();
  EXPECT_NE(s.exec("update d set d = d + 1"), OCI_SUCCESS);
  EXPECT_EQ(s.error_code(), 1841);
  EXPECT_EQ(s.value("select to_char(d, 'YYYY-MM-DD') from d"), "9999-12-31");
}

}  // namespace

namespace {

// TO_CHAR and TO_DATE of dates take Oracle's NLS parameter of the date language: the
// language the engine writes changes nothing, others are refused as Oracle refuses what it
// cannot load, and a parameter that is none is ORA-12702.
TEST_F(DateRange, DateFunctionsTakeTheDateLanguageParameter) {
  EXPECT_EQ(v("to_char(date '2024-03-05', 'fmDay DD Month', 'nls_date_language = english')"), "Tuesday 5 March");
  EXPECT_EQ(v("to_char(to_date('05-MAR-2024', 'DD-MON-YYYY', 'NLS_DATE_LANGUAGE=AMERICAN'), 'YYYY-MM-DD',"
              " 'NLS_DATE_LANGUAGE = ''AMERICAN''')"),
            "2024-03-05");
  EXPECT_EQ(v("to_char(date '2024-03-05', 'DD-MON', 'NLS_DATE_LANGUAGE=FRENCH')"),
            "error: ORA-12705: Cannot access NLS data files or invalid environment specified\n");
  // The calendar parameter Oracle writes into partition bounds (HIGH_VALUE) is taken too.
  EXPECT_EQ(v("to_char(to_date('05-03-2024', 'DD-MM-YYYY', 'NLS_CALENDAR=GREGORIAN'), 'YYYY-MM-DD',"
              " 'nls_calendar = ''Gregorian''')"),
            "2024-03-05");
  EXPECT_EQ(v("to_date('05-03-2024', 'DD-MM-YYYY', 'NLS_CALENDAR=Persian')"),
            "error: ORA-12705: Cannot access NLS data files or invalid environment specified\n");
  EXPECT_EQ(v("to_date('05-03-2024', 'DD-MM-YYYY', 'NLS_TERRITORY=AMERICA')"),
            "error: ORA-12702: invalid NLS parameter string used in SQL function\n");
  EXPECT_EQ(v("to_date('05-03-2024', 'DD-MM-YYYY', 'GREGORIAN')"),
            "error: ORA-12702: invalid NLS parameter string used in SQL function\n");
  // TO_TIMESTAMP and TO_TIMESTAMP_TZ take the same parameter as their third argument.
  EXPECT_EQ(v("to_char(to_timestamp('16-MAY-07 12.34.56.113356 AM', 'DD-MON-RR HH.MI.SS.FF AM',"
              " 'NLS_DATE_LANGUAGE=American'), 'YYYY-MM-DD HH24:MI:SS.FF6')"),
            "2007-05-16 00:34:56.113356");
  EXPECT_EQ(v("to_char(to_timestamp_tz('16-MAY-07 01.00.00 PM +02:00', 'DD-MON-RR HH.MI.SS AM TZH:TZM',"
              " 'nls_date_language = english'), 'YYYY-MM-DD HH24:MI TZH:TZM')"),
            "2007-05-16 13:00 +02:00");
  EXPECT_EQ(v("to_timestamp('16-MAY-07', 'DD-MON-RR', 'NLS_DATE_LANGUAGE=German')"),
            "error: ORA-12705: Cannot access NLS data files or invalid environment specified\n");
  EXPECT_EQ(v("to_timestamp_tz('16-MAY-07', 'DD-MON-RR', 'NLS_SORT=BINARY')"),
            "error: ORA-12702: invalid NLS parameter string used in SQL function\n");
  EXPECT_EQ(v("to_char(12.5, '99D9', 'NLS_NUMERIC_CHARACTERS='',.''')"), " 12,5");
}

}  // namespace
