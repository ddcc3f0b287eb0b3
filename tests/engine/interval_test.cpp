// INTERVAL values on the embedded engine: literals with their leading precision, the
// functions that build intervals, dates and timestamps moved by intervals, timestamps
// subtracted, and the text Oracle fetches for each interval type.
#include "oci_session.h"

#include <filesystem>

namespace {

class Intervals : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  std::string v(const std::string& expr) { return s.value("select " + expr + " from dual"); }
  void check(const std::vector<std::pair<const char*, const char*>>& cases) {
    for (const auto& c : cases) EXPECT_EQ(v(c.first), c.second) << c.first;
  }
  OciSession s;
};

TEST_F(Intervals, LiteralsFetchInOraclesFormat) {
  check({
      {"interval '5' day", "+05 00:00:00"},
      {"interval '1-6' year to month", "+01-06"},
      {"interval '-1-6' year to month", "-01-06"},
      {"interval '14' month", "+01-02"},
      {"interval '2 10:30:00' day to second", "+02 10:30:00.000000"},
      {"interval '2 10:30:00.25' day to second(2)", "+02 10:30:00.25"},
      {"interval '90' minute", "+00 01:30:00"},
      {"interval '123' day(3)", "+123 00:00:00"},
      {"interval '30.5' second", "+00 00:00:30.500000"},
      {"interval '4 5' day to hour", "+04 05:00:00"},
  });
}

TEST_F(Intervals, MalformedLiteralsGiveOraclesErrors) {
  check({
      {"interval '123' day", "error: ORA-01873: the leading precision of the interval is too small\n"},
      {"interval '100-0' year to month", "error: ORA-01873: the leading precision of the interval is too small\n"},
      {"interval '1-12' year to month", "error: ORA-01843: not a valid month\n"},
      {"interval '2 24:00:00' day to second", "error: ORA-01850: hour must be between 0 and 23\n"},
      {"interval '2 10:60:00' day to second", "error: ORA-01851: minutes must be between 0 and 59\n"},
      {"interval '2 10:00:60' day to second", "error: ORA-01852: seconds must be between 0 and 59\n"},
      {"interval 'x' day", "error: ORA-01867: the interval is invalid\n"},
      {"interval '1 2' day", "error: ORA-01867: the interval is invalid\n"},
      {"interval '1' day to year", "error: ORA-30089: missing or invalid <datetime field>\n"},
      {"interval '1' fortnight", "error: ORA-30089: missing or invalid <datetime field>\n"},
  });
}

TEST_F(Intervals, FunctionsBuildIntervalsOfNinePlaces) {
  check({
      {"numtodsinterval(5, 'DAY')", "+000000005 00:00:00.000000000"},
      {"numtodsinterval(1.5, 'hour')", "+000000000 01:30:00.000000000"},
      {"numtodsinterval(-90, 'SECOND')", "-000000000 00:01:30.000000000"},
      {"numtoyminterval(18, 'MONTH')", "+000000001-06"},
      {"numtoyminterval(2, 'year')", "+000000002-00"},
      {"numtodsinterval(null, 'DAY')", "<null>"},
      {"numtodsinterval(1, 'WEEK')", "error: ORA-01760: illegal argument for function\n"},
      {"numtoyminterval(1, 'DAY')", "error: ORA-01760: illegal argument for function\n"},
      {"to_dsinterval('2 10:30:00')", "+000000002 10:30:00.000000000"},
      {"to_yminterval('1-6')", "+000000001-06"},
      {"to_yminterval('1:6')", "error: ORA-01867: the interval is invalid\n"},
  });
}

TEST_F(Intervals, DatesAndTimestampsMoveByIntervals) {
  const char* m = "'YYYY-MM-DD HH24:MI:SS'";
  auto ch = [&](const std::string& e) { return v("to_char(" + e + "," + m + ")"); };
  EXPECT_EQ(ch("date '2024-01-15' + interval '1' month"), "2024-02-15 00:00:00");
  EXPECT_EQ(ch("date '2024-01-15' - interval '1-1' year to month"), "2022-12-15 00:00:00");
  EXPECT_EQ(ch("date '2024-01-15' + interval '2 10:30:00' day to second"), "2024-01-17 10:30:00");
  EXPECT_EQ(ch("interval '90' minute + date '2024-01-15'"), "2024-01-15 01:30:00");
  EXPECT_EQ(ch("date '2024-03-01' - numtodsinterval(1, 'SECOND')"), "2024-02-29 23:59:59");
  EXPECT_EQ(ch("timestamp '2024-01-01 00:00:00' + interval '-1' day"), "2023-12-31 00:00:00");
  EXPECT_EQ(v("date '2024-01-31' + interval '1' month"), "error: ORA-01839: date not valid for month specified\n");
  // Timestamps subtract to an interval; DATEs still to a number of days.
  EXPECT_EQ(v("timestamp '2024-03-01 10:00:00' - timestamp '2024-02-28 08:30:00'"), "+000000002 01:30:00.000000");
  EXPECT_EQ(v("timestamp '2024-02-28 08:30:00' - timestamp '2024-03-01 10:00:00'"), "-000000002 01:30:00.000000");
  EXPECT_EQ(v("date '2024-03-01' - date '2024-02-28'"), "2");
}

TEST_F(Intervals, IntervalArithmeticAndComparison) {
  check({
      {"interval '1' day + interval '2' hour", "+01 02:00:00"},
      {"interval '1' day - interval '2' day", "-01 00:00:00"},
      {"-interval '1-6' year to month", "-01-06"},
      {"interval '1-6' year to month + interval '0-6' year to month", "+02-00"},
      {"case when interval '-2' day < interval '1' day then 'y' else 'n' end", "y"},
      {"case when interval '-2' day < interval '-1' day then 'y' else 'n' end", "y"},
      {"case when interval '24' hour = interval '1' day then 'y' else 'n' end", "y"},
      {"'is ' || interval '5' day", "is +05 00:00:00"},
      {"case when interval '1' day = interval '1' month then 'y' else 'n' end",
       "error: ORA-00932: inconsistent datatypes: expected INTERVAL DAY TO SECOND got INTERVAL YEAR TO MONTH\n"},
      {"interval '1' day + 1", "error: ORA-30081: invalid data type for datetime/interval arithmetic\n"},
      {"interval '1' day + interval '1' month",
       "error: ORA-30081: invalid data type for datetime/interval arithmetic\n"},
      {"interval '1' day * 2", "+02 00:00:00"},
      {"1.5 * interval '1 12:00:00' day to second", "+02 06:00:00.000000"},
      {"interval '1' hour / 8", "+00 00:07:30"},
      {"interval '1-5' year to month * 1.5", "+02-01"},
      {"interval '-3' month / 2", "-00-01"},
      {"interval '1' day * -0.5", "-00 12:00:00"},
      {"interval '1' day / 0", "error: ORA-01476: divisor is equal to zero\n"},
      {"2 / interval '1' day", "error: ORA-00932: inconsistent datatypes: expected NUMBER got INTERVAL DAY TO SECOND\n"},
      {"interval '900000000' day(9) * 2", "error: ORA-01873: the leading precision of the interval is too small\n"},
  });
}

// SUM and AVG of intervals (DISTINCT too), in their smallest unit: an average keeps
// nanoseconds, NULLs are skipped.
TEST_F(Intervals, SumAndAverageOfIntervals) {
  auto run = [&](const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << s.error_text(); };
  run("create table iv (a interval year to month, b interval day to second)");
  run("insert into iv values (interval '1-6' year to month, interval '1 12:00:00' day to second)");
  run("insert into iv values (interval '2-7' year to month, interval '0 00:00:00.5' day to second)");
  run("insert into iv values (interval '-0-1' year to month, interval '-2 00:00:00' day to second)");
  run("insert into iv values (interval '-0-1' year to month, null)");
  EXPECT_EQ(s.rows("select sum(a), avg(a), sum(b), avg(b), sum(distinct a) from iv"),
            (std::vector<std::string>{"+000000003-11|+000000001-00|-000000000 11:59:59.500000|-000000000 03:59:59.833333333|"
                  "+000000004-00"}));
  EXPECT_EQ(s.value("select sum(b) from iv where b is null"), "<null>");
  run("create table iv9 (a interval year(9) to month)");
  run("insert into iv9 values (interval '999999999-0' year(9) to month)");
  run("insert into iv9 values (interval '1-0' year to month)");
  EXPECT_EQ(s.value("select sum(a) from iv9"), "error: ORA-01873: the leading precision of the interval is too small\n");
}

}  // namespace
