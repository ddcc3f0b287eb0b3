// NUMBER values with Oracle's full precision (20 base-100 digits) through OCI: quotients
// and averages keep 39-40 digits, long literals and stored values are exact, columns
// round to their scale and refuse by precision, and wide values compare, group and
// travel through OCINumber binds and defines.
#include "oci_session.h"

#include <cstring>
#include <filesystem>

namespace {

class WideNumber : public ::testing::Test {
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

TEST_F(WideNumber, QuotientsAndLiteralsKeepOraclesDigits) {
  const char* cases[][2] = {
      {"1/3", ".3333333333333333333333333333333333333333"},
      {"2/3", ".6666666666666666666666666666666666666667"},
      {"10/3", "3.33333333333333333333333333333333333333"},  // 20 base-100 digits: 03.33 ...
      {"1/7", ".1428571428571428571428571428571428571429"},
      {"-1/3", "-.3333333333333333333333333333333333333333"},
      {"1234567890123456789012345678901234567890", "1234567890123456789012345678901234567890"},
      {"3.14159265358979323846264338327950288419", "3.14159265358979323846264338327950288419"},
      // Digits past NUMBER's precision round half away from zero.
      {"1.23456789012345678901234567890123456789512345", "1.2345678901234567890123456789012345679"},
      {"to_number('12345678901234567890.123456789')", "12345678901234567890.123456789"},
      {"to_char(1/3)", ".3333333333333333333333333333333333333333"},
      {"'x' || 2/3", "x.6666666666666666666666666666666666666667"},
      {"cast(1/3 as varchar2(50))", ".3333333333333333333333333333333333333333"},
      {"1/3 * 3", ".9999999999999999999999999999999999999999"},
      {"9223372036854775807 + 1", "9223372036854775808"},
      {"99999999999999999999 * 99999999999999999999", "9999999999999999999800000000000000000001"},
      {"1e-131", "0"},
      {"1e-130 * 1", "1.0E-130"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c[0]), c[1]) << c[0];
  EXPECT_EQ(v("1e125 * 10"), "error: ORA-01426: numeric overflow\n");
  EXPECT_EQ(v("case when 0.1 + 0.2 = 0.3 then 'yes' else 'no' end"), "yes");
  EXPECT_EQ(v("case when 1/3 = 1/3 then 'yes' else 'no' end"), "yes");
  EXPECT_EQ(v("case when 1/3 = .3333333333333333333333333333333333333333 then 'yes' else 'no' end"), "yes");
}

TEST_F(WideNumber, AggregatesAreExact) {
  std::string error;
  ASSERT_TRUE(create_emp_table(s, &error)) << error;
  EXPECT_EQ(s.value("select avg(sal) from emp"), "2073.214285714285714285714285714285714286");
  ASSERT_EQ(s.exec("create table tiny(x number)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into tiny select 0.0001 from dual connect by level <= 10000"), OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.value("select sum(x) from tiny"), "1");
  EXPECT_EQ(s.value("select case when sum(x) = 1 then 'yes' end from tiny"), "yes");
  EXPECT_EQ(s.value("select sum(1/3) from tiny where rownum <= 3"), ".9999999999999999999999999999999999999999");
}

TEST_F(WideNumber, ColumnsRoundToTheirScaleAndRefuseByPrecision) {
  ASSERT_EQ(s.exec("create table c(p number(5,2), b number(38), i integer, n number, f float(10))"), OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into c values (123.455, 99999999999999999999, 12345678901234567890123, 1/3, 1/3)"),
            OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into c values (-123.455, 1, 1.5, 3.14159265358979323846264338327950288419, 123456)"),
            OCI_SUCCESS)
      << s.error_text();
  auto r = s.rows("select p, b, i, n, f from c order by p");
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0], "-123.46|1|2|3.14159265358979323846264338327950288419|123500");
  EXPECT_EQ(r[1], "123.46|99999999999999999999|12345678901234567890123|.3333333333333333333333333333333333333333|.3333");
  EXPECT_EQ(s.exec("insert into c (p) values (1000)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1438);
  EXPECT_EQ(s.exec("insert into c (p) values (999.995)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1438);
  EXPECT_EQ(s.exec("insert into c (b) values (1e38)"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1438);
  // Values given as text or computed are stored the same way as literals.
  ASSERT_EQ(s.exec("insert into c (p, n) values ('-0.005', '12345678901234567890.5')"), OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.value("select p || ' ' || n from c where p = -0.01"), "-.01 12345678901234567890.5");
}

TEST_F(WideNumber, WideValuesCompareGroupAndDeduplicate) {
  ASSERT_EQ(s.exec("create table w(k number, g varchar2(5))"), OCI_SUCCESS) << s.error_text();
  const char* inserts[] = {
      "insert into w values (1/3, 'a')",
      "insert into w values (.3333333333333333333333333333333333333333, 'b')",
      "insert into w values (2/3, 'c')",
      "insert into w values (to_number('0.6666666666666666666666666666666666666667'), 'd')",
      "insert into w values (0.5, 'e')",
  };
  for (const char* i : inserts) ASSERT_EQ(s.exec(i), OCI_SUCCESS) << i << "\n" << s.error_text();
  EXPECT_EQ(s.value("select count(distinct k) from w"), "3");
  EXPECT_EQ(s.value("select count(*) from w where k = 1/3"), "2");
  EXPECT_EQ(s.value("select count(*) from w a join w b on a.k = b.k"), "9");
  auto groups = s.rows("select count(*), min(g) from w group by k order by min(g)");
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[0], "2|a");
  EXPECT_EQ(groups[1], "2|c");
  EXPECT_EQ(groups[2], "1|e");
  EXPECT_EQ(s.value("select greatest(k, 0.5) || ' ' || least(k, 0.5, 1e-100) from w where g = 'c'"),
            ".6666666666666666666666666666666666666667 1.0E-100");
}

TEST_F(WideNumber, PlsqlHoldsTheExactValue) {
  EXPECT_EQ(server_output_of(s, "declare x number; begin x := 1/3; dbms_output.put_line(x);"
                                " dbms_output.put_line(to_char(x * 3)); end;"),
            ".3333333333333333333333333333333333333333|.9999999999999999999999999999999999999999");
  EXPECT_EQ(server_output_of(s, "declare x number := 12345678901234567890123; y pls_integer := 7;"
                                " begin dbms_output.put_line(x + 1 || ' ' || y / 2); end;"),
            "12345678901234567890124 3.5");
}

// OCINumber: the length byte, then Oracle's bytes.
TEST_F(WideNumber, OciNumberBindsAndDefines) {
  ASSERT_EQ(s.exec("create table o(n number)"), OCI_SUCCESS) << s.error_text();
    // 1.2345678901234567890123456789012345678 (38 digits): exponent 0xC1, then the base-100
    // digits 1, 23, 45 ... 67, 80, each plus one.
  unsigned char num[22] = {21, 0xC1, 2, 24, 46, 68, 90, 2, 24, 46, 68, 90, 2, 24, 46, 68, 90, 2, 24, 46, 68, 81};
  {
    OciStatement ins(s, "insert into o values (:1)");
    OCIBind* b = nullptr;
    ASSERT_EQ(s.oci->OCIBindByPos(ins.stmt, &b, s.err, 1, num, sizeof num, SQLT_VNU, nullptr, nullptr, nullptr, 0,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(ins.execute(1), OCI_SUCCESS) << s.error_text();
  }
  EXPECT_EQ(s.value("select n from o"), "1.2345678901234567890123456789012345678");
  OciStatement st(s, "select n, -n, 1/3 from o");
  unsigned char out[3][22];
  std::memset(out, 0, sizeof out);
  OCIDefine* d[3] = {};
  for (ub4 i = 0; i < 3; ++i)
    ASSERT_EQ(s.oci->OCIDefineByPos(st.stmt, &d[i], s.err, i + 1, out[i], 22, SQLT_VNU, nullptr, nullptr, nullptr,
                                    OCI_DEFAULT),
              OCI_SUCCESS);
  ASSERT_EQ(st.execute(0), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(st.fetch(1), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(std::memcmp(out[0], num, sizeof num), 0);
  // The negative: complemented exponent and digits (twenty of them: no 102 after them).
  EXPECT_EQ(out[1][0], 21);
  EXPECT_EQ(out[1][1], 0x3E);
  EXPECT_EQ(out[1][2], 101 - 1);
  EXPECT_EQ(out[1][21], 101 - 80);
  // 1/3: exponent 0xC0 (100^-1), twenty digits 33.
  EXPECT_EQ(out[2][0], 21);
  EXPECT_EQ(out[2][1], 0xC0);
  EXPECT_EQ(out[2][21], 34);
}

}  // namespace

namespace {

// The functions' cases run on the same fresh session as the values'.
class WideNumberFunctions : public WideNumber {};

TEST_F(WideNumberFunctions, TranscendentalFunctionsKeepNumbersPrecision) {
  const char* cases[][2] = {
      {"sqrt(2)", "1.41421356237309504880168872420969807857"},
      {"sqrt(2.25)", "1.5"},
      {"sqrt(1e100)", "1.0E+50"},
      {"power(2, 100)", "1267650600228229401496703205376"},
      {"power(1.1, 2)", "1.21"},
      {"power(2, -2)", ".25"},
      {"power(-2, 3)", "-8"},
      {"power(-2, 2)", "4"},
      {"power(2, 0.5)", "1.41421356237309504880168872420969807857"},
      {"power(0, 0)", "1"},
      {"exp(1)", "2.71828182845904523536028747135266249776"},
      {"exp(0)", "1"},
      {"ln(2)", ".6931471805599453094172321214581765680755"},
      {"ln(exp(2))", "2"},
      {"log(10, 1000)", "3"},
      {"log(2, 1024)", "10"},
      {"sin(1)", ".8414709848078965066525023216302989996226"},
      {"cos(0)", "1"},
      {"acos(-1)", "3.1415926535897932384626433832795028842"},
      {"atan(1) * 4", "3.1415926535897932384626433832795028842"},
      {"atan2(1, 1) * 4", "3.1415926535897932384626433832795028842"},
      {"tanh(1)", ".7615941559557648881194582826047935904128"},
      {"tanh(5000)", "1"},
      {"sin(540)", "-.34659290437655325706203266484568588772"},  // 19 base-100 digits, negative
      {"exp(-400)", "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c[0]), c[1]) << c[0];
  // Domain faults name the argument; results beyond NUMBER's range overflow.
  const char* errors[][2] = {
      {"sqrt(-1)", "ORA-01428: argument '-1' is out of range\n"},
      {"sqrt(-.5)", "ORA-01428: argument '-.5' is out of range\n"},
      {"ln(0)", "ORA-01428: argument '0' is out of range\n"},
      {"log(1, 5)", "ORA-01428: argument '1' is out of range\n"},
      {"log(10, -5)", "ORA-01428: argument '-5' is out of range\n"},
      {"asin(2)", "ORA-01428: argument '2' is out of range\n"},
      {"power(-8, 0.5)", "ORA-01428: argument '.5' is out of range\n"},
      {"exp(300)", "ORA-01426: numeric overflow\n"},
      {"power(10, 126)", "ORA-01426: numeric overflow\n"},
      {"sinh(-400)", "ORA-01426: numeric overflow\n"},
  };
  for (const auto& c : errors) EXPECT_EQ(v(c[0]), std::string("error: ") + c[1]) << c[0];
  EXPECT_EQ(v("sqrt(null)"), "<null>");
  // BINARY_DOUBLE arguments stay in binary floating point.
  EXPECT_EQ(v("to_char(sqrt(cast(2 as binary_double)))"), v("to_char(cast(1.4142135623730951 as binary_double))"));
  EXPECT_NE(v("to_char(sqrt(cast(2 as binary_double)))"), v("to_char(sqrt(2))"));
}

TEST_F(WideNumberFunctions, DateArithmeticCountsDaysInDecimal) {
  auto at = [&](const std::string& expr) { return v("to_char(" + expr + ", 'yyyy-mm-dd hh24:mi:ss')"); };
  EXPECT_EQ(at("date '2020-01-01' + 1/24/60/60"), "2020-01-01 00:00:01");
  EXPECT_EQ(at("date '2020-01-01' - 1/86400"), "2019-12-31 23:59:59");
  EXPECT_EQ(at("date '2020-01-01' + 1/3"), "2020-01-01 08:00:00");
  EXPECT_EQ(at("date '2020-01-01' + 0.5/86400"), "2020-01-01 00:00:01");
  EXPECT_EQ(at("date '2020-01-01' + 12345678901234567890123/1e23"), "2020-01-01 02:57:47");
  // A day made of 86400 one-second steps is one day exactly.
  EXPECT_EQ(s.value("select to_char(date '2020-01-01' + sum(1/86400), 'yyyy-mm-dd hh24:mi:ss') from dual "
                    "connect by level <= 86400"),
            "2020-01-02 00:00:00");
  EXPECT_EQ(v("date '9999-12-31' + 1"), "error: ORA-01841: (full) year must be between -4713 and +9999, and not be 0\n");
  EXPECT_EQ(v("date '0001-01-01' - 1/86400"),
            "error: ORA-01841: (full) year must be between -4713 and +9999, and not be 0\n");
  EXPECT_EQ(v("date '2020-01-01' + 1e30"), "error: ORA-01841: (full) year must be between -4713 and +9999, and not be 0\n");
}

TEST_F(WideNumberFunctions, DocumentNumbersKeepAllTheirDigits) {
  const std::string wide = "1.23456789012345678901234567890123456789";
  EXPECT_EQ(s.value("select a from json_table('{\"a\":" + wide + "}', '$' columns (a number path '$.a'))"), wide);
  EXPECT_EQ(s.value("select a from json_table('{\"a\":\"" + wide + "\"}', '$' columns (a number path '$.a'))"), wide);
  EXPECT_EQ(s.value("select a from json_table('{\"a\":" + wide + "}', '$' columns (a number(5,2) path '$.a'))"),
            "1.23");
  EXPECT_EQ(s.value("select a from json_table('{\"a\":123456.7}', '$' columns (a number(5,2) path '$.a' "
                    "error on error))"),
            "error: ORA-01438: value larger than specified precision allowed for this column\n");
  EXPECT_EQ(s.value("select json_value('{\"a\":" + wide + "}', '$.a' returning number) from dual"), wide);
  // RETURNING NUMBER(p, s) rounds to the scale; a value too wide is answered by ON ERROR.
  EXPECT_EQ(s.value("select json_value('{\"a\":" + wide + "}', '$.a' returning number(5,2)) from dual"), "1.23");
  EXPECT_EQ(s.value("select json_value('{\"a\":\"12345.6\"}', '$.a' returning number(5)) from dual"), "12346");
  EXPECT_EQ(s.value("select json_value('{\"a\":12345.6}', '$.a' returning number(5,2)) from dual"), "<null>");
  EXPECT_EQ(s.value("select json_value('{\"a\":12345.6}', '$.a' returning number(5,2) default 7 on error) "
                    "from dual"),
            "7");
  EXPECT_EQ(s.value("select json_value('{\"a\":12345.6}', '$.a' returning number(5,2) error on error) from dual"),
            "error: ORA-01438: value larger than specified precision allowed for this column\n");
  EXPECT_EQ(s.exec("select json_value('{}', '$.a' returning number(39)) from dual"), OCI_ERROR);
  EXPECT_EQ(s.error_code(), 1727);
  EXPECT_EQ(s.value("select a from xmltable('/r' passing xmltype('<r><a>" + wide +
                    "</a></r>') columns a number path 'a')"),
            wide);
  EXPECT_EQ(s.value("select to_number(extractvalue(xmltype('<r><a>" + wide + "</a></r>'), '/r/a')) from dual"),
            wide);
  // Wide values from a document compare and sort by value.
  EXPECT_EQ(s.rows("select a from json_table('[{\"a\":1.5},{\"a\":12345678901234567890123},{\"a\":" + wide +
                   "}]', '$[*]' columns (a number path '$.a')) where a > 1.2 order by a"),
            (std::vector<std::string>{wide, "1.5", "12345678901234567890123"}));
}

TEST_F(WideNumberFunctions, DumpAndVsizeReadNumberBytes) {
  const char* cases[][2] = {
      {"dump(123)", "Typ=2 Len=3: 194,2,24"},
      {"dump(-1)", "Typ=2 Len=3: 62,100,102"},
      {"dump(0)", "Typ=2 Len=1: 128"},
      {"dump(1.5)", "Typ=2 Len=3: 193,2,51"},
      {"dump(-123.45)", "Typ=2 Len=5: 61,100,78,56,102"},
      {"dump(123456789012345678901234567890)", "Typ=2 Len=16: 207,13,35,57,79,91,13,35,57,79,91,13,35,57,79,91"},
      {"dump(1/3)", "Typ=2 Len=21: 192,34,34,34,34,34,34,34,34,34,34,34,34,34,34,34,34,34,34,34,34"},
      {"dump(123, 8)", "Typ=2 Len=3: 302,2,30"},
      {"dump(123, 16)", "Typ=2 Len=3: c2,2,18"},
      {"dump(123, 1016)", "Typ=2 Len=3: c2,2,18"},
      {"dump(123, 17)", "Typ=2 Len=3: c2,^B,^X"},
      {"dump('a b', 17)", "Typ=96 Len=3: a, ,b"},
      {"dump(123, 10, 2, 1)", "Typ=2 Len=3: 2"},
      {"dump(123, 10, -1)", "Typ=2 Len=3: 24"},
      {"dump(cast(2 as binary_double))", "Typ=101 Len=8: 192,0,0,0,0,0,0,0"},
      {"dump(cast(-1.5 as binary_float))", "Typ=100 Len=4: 64,63,255,255"},
      {"vsize(cast(2 as binary_double))", "8"},
      {"vsize(cast(2 as binary_float))", "4"},
      {"vsize(123)", "3"},
      {"vsize(0)", "1"},
      {"vsize(-1)", "3"},
      {"vsize(1/3)", "21"},
      {"vsize(-1/3)", "21"},
      {"vsize(123456789012345678901234567890)", "16"},
  };
  for (const auto& c : cases) EXPECT_EQ(v(c[0]), c[1]) << c[0];
  ASSERT_EQ(s.exec("create table dn(n number)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into dn select decode(level, 1, 123, 2, 0.1, 3, 1/3) from dual connect by level <= 3"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.rows("select dump(n) || ' ' || vsize(n) from dn order by n"),
            (std::vector<std::string>{"Typ=2 Len=2: 192,11 2",
                                      "Typ=2 Len=21: 192,34,34,34,34,34,34,34,34,34,34,34,34,34,34,34,34,34,34,34,34 21",
                                      "Typ=2 Len=3: 194,2,24 3"}));
}

}  // namespace
