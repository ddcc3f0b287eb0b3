// Number arithmetic through OCI gives Oracle's decimal answers: sums and products of
// decimals equal their literals, aggregates add exactly, rounding is decimal, and results
// outside NUMBER's range are refused.
#include "oci_session.h"

#include <filesystem>

namespace {

class NumberArithmetic : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(test_home()) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  std::string v(const std::string& expr) { return s.value("select " + expr + " from dual"); }
  std::string holds(const std::string& cond) {
    return s.value("select case when " + cond + " then 'yes' else 'no' end from dual");
  }
  OciSession s;
};

TEST_F(NumberArithmetic, DecimalOperationsEqualTheirDecimalResults) {
  const char* equal[] = {
      "0.1 + 0.2 = 0.3",   "0.3 - 0.1 = 0.2",   "1 - 0.9 = 0.1",     "3 * 19.99 = 59.97",
      "1.1 * 1.1 = 1.21",  "4.35 * 100 = 435",  "0.7 / 0.1 = 7",     "-0.1 - 0.2 = -0.3",
      "1.15 * 3 = 3.45",   "0.1 * 3 = 0.3",     "(0.1 + 0.7) * 10 = 8",
      "0.1 + 0.1 + 0.1 + 0.1 + 0.1 + 0.1 + 0.1 + 0.1 + 0.1 + 0.1 = 1",
  };
  for (const char* c : equal) EXPECT_EQ(holds(c), "yes") << c;
  EXPECT_EQ(v("1/4"), ".25");
  EXPECT_EQ(v("-7/2"), "-3.5");
  EXPECT_EQ(v("2.5 * 4"), "10");
  EXPECT_EQ(v("1/3"), ".3333333333333333333333333333333333333333");
  EXPECT_EQ(holds("1/3 * 3 = 1"), "no");  // Oracle's quotient is not exact either
  // A bind holding number text takes part like the literal.
  EXPECT_EQ(holds("'0.1' + 0.2 = 0.3"), "yes");
  EXPECT_EQ(v("'abc' + 1"), "error: ORA-01722: invalid number\n");
  EXPECT_EQ(v("1 / 0"), "error: ORA-01476: divisor is equal to zero\n");
}

TEST_F(NumberArithmetic, IntegersStayExactAndPastSixtyFourBitsDoNotOverflow) {
  EXPECT_EQ(v("9223372036854775806 + 1"), "9223372036854775807");
  EXPECT_EQ(v("-9223372036854775807 - 1"), "-9223372036854775808");
  EXPECT_EQ(holds("9223372036854775807 + 1 > 9223372036854775807"), "yes");
  EXPECT_EQ(v("3037000500 * 3037000500 / 3037000500"), "3037000500");
  ASSERT_EQ(s.exec("create table big(x number)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into big values (9000000000000000000)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into big values (9000000000000000000)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select sum(x) from big"), "18000000000000000000");
  EXPECT_EQ(s.value("select avg(x) from big"), "9000000000000000000");
}

TEST_F(NumberArithmetic, ResultsOutsideTheRangeOfNumber) {
  EXPECT_EQ(v("1e200 * 1e200"), "error: ORA-01426: numeric overflow\n");
  EXPECT_EQ(v("1e125 * 10"), "error: ORA-01426: numeric overflow\n");
  EXPECT_EQ(v("1e125 * 9.9"), "9.9E+125");
  EXPECT_EQ(v("1e-100 * 1e-100"), "0");
}

TEST_F(NumberArithmetic, AggregatesAndWindowsAddInDecimal) {
  ASSERT_EQ(s.exec("create table m(id number, x number)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into m select level, level / 10 from dual connect by level <= 10"), OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.value("select sum(x) from m"), "5.5");
  EXPECT_EQ(s.value("select case when sum(x) = 5.5 and avg(x) = 0.55 then 'yes' end from m"), "yes");
  EXPECT_EQ(s.value("select count(*) from m where x * 10 = id"), "10");
  EXPECT_EQ(s.value("select sum(distinct x - trunc(x)) from m"), "4.5");
  EXPECT_EQ(s.value("select sum(x) from m where id > 100"), "<null>");
  // A sliding frame subtracts the rows that leave it: no drift is left behind.
  auto w = s.rows(
      "select sum(x) over (order by id rows between 2 preceding and current row) from m order by id");
  ASSERT_EQ(w.size(), 10u);
  EXPECT_EQ(w[0], ".1");
  EXPECT_EQ(w[1], ".3");
  EXPECT_EQ(w[2], ".6");
  EXPECT_EQ(w[9], "2.7");
  EXPECT_EQ(s.value("select count(*) from (select id, avg(x) over (order by id rows between 1 preceding and "
                    "current row) a from m) where a = id / 10 - 0.05 and id > 1"),
            "9");
  EXPECT_EQ(s.value("select max(r) from (select ratio_to_report(x) over () r from m)"), ".1818181818181818181818181818181818181818");
}

TEST_F(NumberArithmetic, RoundTruncModCeilAndFloorWorkOnDecimals) {
  const char* cases[][2] = {
      {"round(2.675, 2)", "2.68"},  {"round(1.005, 2)", "1.01"},     {"round(-2.5)", "-3"},
      {"round(1234.5678, -2)", "1200"}, {"round(0.5)", "1"},         {"round(15.5, 2.9)", "15.5"},
      {"trunc(0.9999999999999)", "0"},  {"trunc(-1.99)", "-1"},      {"trunc(1234.5678, -2)", "1200"},
      {"mod(0.3, 0.1)", "0"},           {"mod(-7, 3)", "-1"},         {"mod(7.5, 2)", "1.5"},
      {"mod(5, 0)", "5"},               {"ceil(-0.5)", "0"},          {"floor(-0.5)", "-1"},
      {"ceil(2.000001)", "3"},          {"floor(4.35 * 100)", "435"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c[0]), c[1]) << c[0];
}

TEST_F(NumberArithmetic, PlsqlComputesAndRoundsTheSameWay) {
  ASSERT_EQ(s.exec("create table r(v varchar2(40))"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("declare x number := 0.1; p number(5,2); begin x := x + 0.2; p := 2.675;"
                   " insert into r values (case when x = 0.3 then 'equal' else 'differs' end || ' ' || p);"
                   " end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.value("select v from r"), "equal 2.68");
}

}  // namespace

namespace {

TEST_F(NumberArithmetic, SixteenAndSeventeenDigitValuesKeepEveryDigit) {
  struct Case {
    const char* expr;
    const char* text;
  };
  const Case cases[] = {
      {"0.3333333333333333", ".3333333333333333"},
      {"to_char(0.1234567890123456)", ".1234567890123456"},
      {"1234567890.123456", "1234567890.123456"},
      {"-98765432.10987654", "-98765432.10987654"},
      {"0.3333333333333333 || ''", ".3333333333333333"},
      {"0.5", ".5"},
  };
  for (const Case& c : cases) EXPECT_EQ(v(c.expr), c.text) << c.expr;
  ASSERT_EQ(s.exec("create table sixteen (n number)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into sixteen values (0.3333333333333333)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select n from sixteen"), ".3333333333333333");
  EXPECT_EQ(s.value("select count(*) from sixteen where n = 0.3333333333333333"), "1");
}

}  // namespace
