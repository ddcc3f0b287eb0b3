// The numeric single-row functions (EXP, LN, LOG, the trigonometric and hyperbolic ones,
// REMAINDER, BITAND, WIDTH_BUCKET, NANVL), LNNVL, SOUNDEX, SYS_GUID and the conversions
// of mixed types in GREATEST and LEAST, against the answers Oracle documents, with the
// errors Oracle raises for arguments outside a function's domain.
#include "oci_session.h"

#include <filesystem>

namespace {

using Rows = std::vector<std::string>;

class NumericFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << "\n" << s.error_text(); }
  std::string v(const std::string& expr) { return s.value("select " + expr + " from dual"); }
  OciSession s;
};

std::string out_of_range(const std::string& arg) {
  return "error: ORA-01428: argument '" + arg + "' is out of range\n";
}

TEST_F(NumericFunctions, ExponentsAndLogarithms) {
  EXPECT_EQ(v("round(exp(1), 6)"), "2.718282");
  EXPECT_EQ(v("exp(0)"), "1");
  EXPECT_EQ(v("ln(1)"), "0");
  EXPECT_EQ(v("round(ln(95), 4)"), "4.5539");
  EXPECT_EQ(v("round(log(10, 100), 10)"), "2");
  EXPECT_EQ(v("round(log(2, 8), 10)"), "3");
  EXPECT_EQ(v("exp(null)"), "<null>");
  EXPECT_EQ(v("log(10, null)"), "<null>");
  EXPECT_EQ(v("ln(0)"), out_of_range("0"));
  EXPECT_EQ(v("ln(-2.5)"), out_of_range("-2.5"));
  EXPECT_EQ(v("log(1, 5)"), out_of_range("1"));
  EXPECT_EQ(v("log(10, 0)"), out_of_range("0"));
  EXPECT_EQ(v("exp(1000)"), "error: ORA-01426: numeric overflow\n");
  EXPECT_EQ(v("ln('x')"), "error: ORA-01722: invalid number\n");
  EXPECT_EQ(v("log(10)"), "error: ORA-00909: invalid number of arguments\n");
}

TEST_F(NumericFunctions, TrigonometricAndHyperbolic) {
  EXPECT_EQ(v("sin(0)||'|'||cos(0)||'|'||tan(0)"), "0|1|0");
  EXPECT_EQ(v("round(sin(1), 4)||'|'||round(cos(1), 4)||'|'||round(tan(1), 4)"), ".8415|.5403|1.5574");
  EXPECT_EQ(v("round(asin(1), 4)||'|'||acos(1)||'|'||round(atan(1), 4)"), "1.5708|0|.7854");
  EXPECT_EQ(v("round(atan2(1, -1), 4)||'|'||round(atan2(-1, 0), 4)"), "2.3562|-1.5708");
  EXPECT_EQ(v("round(sinh(1), 4)||'|'||cosh(0)||'|'||round(tanh(.5), 4)"), "1.1752|1|.4621");
  EXPECT_EQ(v("asin(1.5)"), out_of_range("1.5"));
  EXPECT_EQ(v("acos(-2)"), out_of_range("-2"));
  EXPECT_EQ(v("atan2(1)"), "error: ORA-00909: invalid number of arguments\n");
}

TEST_F(NumericFunctions, RemainderBitandAndBuckets) {
  // REMAINDER rounds the quotient to the nearest integer (the even one on a tie), MOD
  // truncates it.
  EXPECT_EQ(v("remainder(11, 4)||'|'||mod(11, 4)"), "-1|3");
  EXPECT_EQ(v("remainder(10, 4)||'|'||remainder(14, 4)||'|'||remainder(-11, 4)"), "2|-2|1");
  EXPECT_EQ(v("remainder(5, 0)"), "error: ORA-01476: divisor is equal to zero\n");
  EXPECT_EQ(v("bitand(6, 3)||'|'||bitand(12, 10)||'|'||bitand(-1, 5)"), "2|8|5");
  EXPECT_EQ(v("bitand(null, 1)"), "<null>");
  EXPECT_EQ(v("width_bucket(5, 0, 10, 5)||'|'||width_bucket(-1, 0, 10, 5)||'|'||width_bucket(10, 0, 10, 5)"),
            "3|0|6");
  EXPECT_EQ(v("width_bucket(0, 0, 10, 5)||'|'||width_bucket(9.99, 0, 10, 5)"), "1|5");
  // A descending range: buckets count down from the low end.
  EXPECT_EQ(v("width_bucket(3, 10, 0, 5)||'|'||width_bucket(11, 10, 0, 5)||'|'||width_bucket(0, 10, 0, 5)"),
            "4|0|6");
  EXPECT_EQ(v("width_bucket(null, 0, 10, 5)"), "<null>");
  EXPECT_EQ(v("width_bucket(1, 0, 10, 0)"),
            "error: ORA-30494: The argument [4] of WIDTH_BUCKET function is NULL or invalid.\n");
  EXPECT_EQ(v("width_bucket(1, 0, 10)"), "error: ORA-00909: invalid number of arguments\n");
  EXPECT_EQ(v("nanvl(5, 0)||'|'||nanvl('7', 0)"), "5|7");
  EXPECT_EQ(v("nanvl(null, 0)"), "<null>");
}

TEST_F(NumericFunctions, LnnvlIsTrueForFalseAndUnknown) {
  run("create table t (n number)");
  run("insert into t values (1)");
  run("insert into t values (2)");
  run("insert into t values (null)");
  EXPECT_EQ(s.rows("select nvl(to_char(n), 'null') from t where lnnvl(n > 1) order by n"), (Rows{"1", "null"}));
  EXPECT_EQ(s.rows("select n from t where not lnnvl(n > 1)"), (Rows{"2"}));
  EXPECT_EQ(v("case when lnnvl(1 = 1) then 'y' else 'n' end"), "n");
  EXPECT_EQ(v("case when lnnvl(null = 1) then 'y' else 'n' end"), "y");
}

TEST_F(NumericFunctions, SoundexAsciiChrAndVsize) {
  EXPECT_EQ(v("soundex('SMYTHE')||soundex('Smith')||soundex('Robert')||soundex('Rupert')"), "S530S530R163R163");
  // H and W do not separate letters of one code, vowels do; the first letter's own code
  // counts for the letter after it.
  EXPECT_EQ(v("soundex('Ashcraft')||soundex('Tymczak')||soundex('Pfister')||soundex('Lee')"), "A261T522P236L000");
  EXPECT_EQ(v("soundex(null)"), "<null>");
  EXPECT_EQ(v("soundex('123')"), "<null>");
  EXPECT_EQ(v("ascii('A')||'|'||chr(66)||'|'||initcap('the SOUNDEX')"), "65|B|The Soundex");
  EXPECT_EQ(v("vsize(hextoraw('ABCD'))||'|'||vsize('abc')||'|'||vsize(100)"), "2|3|2");
}

TEST_F(NumericFunctions, SysGuidIsSixteenFreshBytes) {
  EXPECT_EQ(v("length(rawtohex(sys_guid()))||'|'||vsize(sys_guid())"), "32|16");
  run("create table g (n number)");
  for (int i = 0; i < 20; ++i) run("insert into g values (" + std::to_string(i) + ")");
  EXPECT_EQ(s.value("select count(distinct rawtohex(sys_guid())) from g"), "20");
  EXPECT_EQ(v("sys_guid(1)"), "error: ORA-00909: invalid number of arguments\n");
}

// DUMP lists a value's bytes as Oracle stores them: text as its bytes, NUMBER in base
// 100 with its exponent byte, DATE in seven bytes (century and year plus 100, hour,
// minute and second plus 1).
TEST_F(NumericFunctions, DumpShowsOraclesBytes) {
  EXPECT_EQ(v("dump('abc')"), "Typ=96 Len=3: 97,98,99");
  EXPECT_EQ(v("dump(123)"), "Typ=2 Len=3: 194,2,24");
  EXPECT_EQ(v("dump(-123)"), "Typ=2 Len=4: 61,100,78,102");
  EXPECT_EQ(v("dump(0)||' '||dump(1)||' '||dump(100)"), "Typ=2 Len=1: 128 Typ=2 Len=2: 193,2 Typ=2 Len=2: 194,2");
  EXPECT_EQ(v("dump(0.5)||' '||dump(-1)||' '||dump(12.5)"),
            "Typ=2 Len=2: 192,51 Typ=2 Len=3: 62,100,102 Typ=2 Len=3: 193,13,51");
  EXPECT_EQ(v("dump(1e20)||' '||dump(0.0001)"), "Typ=2 Len=2: 203,2 Typ=2 Len=2: 191,2");
  EXPECT_EQ(v("dump('abc', 16)"), "Typ=96 Len=3: 61,62,63");
  EXPECT_EQ(v("dump('abc', 8)"), "Typ=96 Len=3: 141,142,143");
  EXPECT_EQ(v("dump('abc', 1016)"), "Typ=96 Len=3 CharacterSet=AL32UTF8: 61,62,63");
  EXPECT_EQ(v("dump('abcdef', 10, 2, 3)||' '||dump('abcdef', 10, -2)"), "Typ=96 Len=6: 98,99,100 Typ=96 Len=6: 101,102");
  EXPECT_EQ(v("dump(null)"), "NULL");
  run("create table d (v varchar2(5), c char(3), n number, dt date, r raw(4))");
  run("insert into d values ('ab', 'x', -0.25, to_date('2024-03-15 13:05:09', 'YYYY-MM-DD HH24:MI:SS'), "
      "hextoraw('0aff'))");
  EXPECT_EQ(s.rows("select dump(v)||'|'||dump(c)||'|'||dump(n)||'|'||dump(dt)||'|'||dump(r) from d"),
            (Rows{"Typ=1 Len=2: 97,98|Typ=96 Len=3: 120,32,32|Typ=2 Len=3: 63,76,102|"
                  "Typ=12 Len=7: 120,124,3,15,14,6,10|Typ=23 Len=2: 10,255"}));
  run("create table ts (t timestamp)");
  run("insert into ts values (timestamp '2024-03-15 13:05:09')");
  run("insert into ts values (timestamp '2024-03-15 13:05:09.5')");
  EXPECT_EQ(s.rows("select dump(t) from ts order by t"),
            (Rows{"Typ=180 Len=7: 120,124,3,15,14,6,10", "Typ=180 Len=11: 120,124,3,15,14,6,10,29,205,101,0"}));
  EXPECT_EQ(v("dump()"), "error: ORA-00909: invalid number of arguments\n");
}

// Zoned timestamps dump their UTC time and the offset (hours + 20, minutes + 60);
// intervals each field signed, offset by 2^31 or 60. LOBs are not DUMP's.
TEST_F(NumericFunctions, DumpOfZonedTimestampsAndIntervals) {
  EXPECT_EQ(v("dump(timestamp '2020-01-02 03:04:05.5 -05:30')"),
            "Typ=181 Len=13: 120,120,1,2,9,35,6,29,205,101,0,15,30");
  EXPECT_EQ(v("dump(timestamp '2020-01-01 01:00:00 +02:00')"), "Typ=181 Len=13: 120,119,12,31,24,1,1,0,0,0,0,22,60");
  EXPECT_EQ(v("dump(interval '1-2' year to month)||' '||dump(interval '-1-2' year to month)"),
            "Typ=182 Len=5: 128,0,0,1,62 Typ=182 Len=5: 127,255,255,255,58");
  EXPECT_EQ(v("dump(interval '1 02:03:04.5' day to second)"), "Typ=183 Len=11: 128,0,0,1,62,63,64,157,205,101,0");
  EXPECT_EQ(v("dump(interval '-0 00:00:01' day to second)"), "Typ=183 Len=11: 128,0,0,0,60,60,59,128,0,0,0");
  EXPECT_EQ(v("dump(to_clob('x'))"), "error: ORA-00932: inconsistent datatypes: expected - got CLOB\n");
}

// The user's and schema's numbers are those ALL_USERS shows.
TEST_F(NumericFunctions, UserenvIdsMatchAllUsers) {
  std::string id = s.value("select user_id from all_users where username = user");
  ASSERT_NE(id, "<null>");
  EXPECT_EQ(v("uid"), id);
  EXPECT_EQ(v("userenv('schemaid')"), id);
  EXPECT_EQ(v("sys_context('userenv', 'session_userid')||'|'||sys_context('userenv', 'current_schemaid')"),
            id + "|" + id);
  EXPECT_EQ(v("userenv('schemaid') + 1"), std::to_string(std::stoll(id) + 1));
  EXPECT_EQ(v("userenv('isdba')"), "FALSE");
  EXPECT_EQ(v("userenv('no_such_parameter')"), "error: ORA-02003: invalid USERENV parameter\n");
}

TEST_F(NumericFunctions, GreatestAndLeastConvertToTheFirstArgumentsType) {
  EXPECT_EQ(v("greatest(1, '3', 2)"), "3");
  // Text first: the others compare as text, so '9' is above '10'.
  EXPECT_EQ(v("greatest('10', 9)"), "9");
  EXPECT_EQ(v("least('b', 'a', 'c')||least(5, '12')"), "a5");
  EXPECT_EQ(v("greatest(1, null, 3)"), "<null>");
  EXPECT_EQ(v("greatest(1, 'x')"), "error: ORA-01722: invalid number\n");
}

}  // namespace

namespace {

TEST_F(NumericFunctions, BinaryLiteralsConstantsAndArithmeticStayBinary) {
  struct Case {
    const char* expr;
    const char* value;
  };
  const Case cases[] = {
      {"dump(2d)", "Typ=101 Len=8: 192,0,0,0,0,0,0,0"},
      {"dump(2F)", "Typ=100 Len=4: 192,0,0,0"},
      {"dump(1.5e3d) || ' ' || dump(-1f)", "Typ=101 Len=8: 192,151,112,0,0,0,0,0 Typ=100 Len=4: 64,127,255,255"},
      {"dump(0.1f + 0.2f)", "Typ=100 Len=4: 190,153,153,154"},
      {"dump(0.1d + 0.2d)", "Typ=101 Len=8: 191,211,51,51,51,51,51,52"},
      {"dump(1d / 3)", "Typ=101 Len=8: 191,213,85,85,85,85,85,85"},
      {"dump(1f / 3f)", "Typ=100 Len=4: 190,170,170,171"},
      {"dump(1f / 3f * 1d)", "Typ=101 Len=8: 191,213,85,85,96,0,0,0"},
      {"dump(binary_double_infinity)", "Typ=101 Len=8: 255,240,0,0,0,0,0,0"},
      {"dump(-binary_double_infinity)", "Typ=101 Len=8: 0,15,255,255,255,255,255,255"},
      {"dump(1d / 0)", "Typ=101 Len=8: 255,240,0,0,0,0,0,0"},
      {"dump(binary_double_max_normal)", "Typ=101 Len=8: 255,239,255,255,255,255,255,255"},
      {"dump(binary_double_min_subnormal)", "Typ=101 Len=8: 128,0,0,0,0,0,0,1"},
      {"dump(to_binary_double('-Inf'))", "Typ=101 Len=8: 0,15,255,255,255,255,255,255"},
      {"dump(to_binary_float(0.1))", "Typ=100 Len=4: 189,204,204,205"},
      {"case when 0.1d + 0.2d = 0.3d then 'equal' else 'differ' end", "differ"},
      {"case when 0.1 + 0.2 = 0.3 then 'equal' else 'differ' end", "equal"},
      {"dump(1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d+1d)",
       "Typ=101 Len=8: 192,64,128,0,0,0,0,0"},
      {"to_binary_double(sysdate)", "error: ORA-00932: inconsistent datatypes: expected NUMBER got DATE\n"},
      {"to_binary_float(1e300)", "error: ORA-01426: numeric overflow\n"},
      {"dump(binary_double_nan) || ' ' || dump(binary_float_nan)", "Typ=101 Len=8: 255,248,0,0,0,0,0,0 Typ=100 Len=4: 255,192,0,0"},
      // TO_CHAR of a binary value: the fewest digits that read back as it, in scientific form.
      {"to_char(0.1d) || ' ' || to_char(2.5d) || ' ' || to_char(100d) || ' ' || to_char(-1.5e-300d)",
       "1.0E-001 2.5E+000 1.0E+002 -1.5E-300"},
      {"to_char(1/3d) || ' ' || to_char(0.1f) || ' ' || to_char(0d) || ' ' || 'x' || 2d", "3.333333333333333E-001 1.0E-001 0 x2.0E+000"},
      {"to_char(binary_double_nan) || ' ' || to_char(-binary_double_infinity)", "Nan -Inf"},
      // NaN: IEEE arithmetic yields it, the functions outside their domain too.
      {"to_char(0d / 0) || ' ' || to_char(binary_double_infinity - binary_double_infinity) || ' ' ||"
       " to_char(binary_double_nan + 1) || ' ' || to_char(sqrt(-1d)) || ' ' || to_char(ln(0d))",
       "Nan Nan Nan Nan -Inf"},
      {"dump(sqrt(2d)) || ' ' || dump(sign(-2d)) || ' ' || dump(floor(2.5f))",
       "Typ=101 Len=8: 191,246,160,158,102,127,59,205 Typ=2 Len=3: 62,100,102 Typ=100 Len=4: 192,0,0,0"},
      {"nanvl(binary_double_nan, 5) || ' ' || nanvl(2d, 5) || nvl(to_char(nanvl(binary_double_nan, null)), '-')",
       "5.0E+000 2.0E+000-"},
      {"case when binary_double_nan = binary_double_nan and binary_double_nan > binary_double_infinity"
       " then 'greatest' end", "greatest"},
      {"case when binary_double_nan is nan and 1d is not nan and -binary_double_infinity is infinite"
       " and binary_double_nan is not infinite then 'ok' end", "ok"},
      {"cast(binary_double_nan as number)", "error: ORA-01722: invalid number\n"},
      {"to_number(binary_double_nan)", "error: ORA-01722: invalid number\n"},
      {"cast(binary_double_infinity as number)", "error: ORA-01426: numeric overflow\n"},
      {"cast(2.5d as number(3,1))", "2.5"},
  };
  for (const Case& c : cases) EXPECT_EQ(v(c.expr), c.value) << c.expr;
  // Columns of the binary types keep binary values, infinities included, in their order.
  run("create table bin_cols (n number, d binary_double, f binary_float)");
  run("insert into bin_cols values (1, 0.1, 0.1)");
  run("insert into bin_cols values (2, '-Inf', 'Inf')");
  run("insert into bin_cols values (3, 1e300, 1f / 3)");
  EXPECT_EQ(s.rows("select n || ' ' || dump(d) || ' ' || dump(f) from bin_cols order by d"),
            (Rows{"2 Typ=101 Len=8: 0,15,255,255,255,255,255,255 Typ=100 Len=4: 255,128,0,0",
                  "1 Typ=101 Len=8: 191,185,153,153,153,153,153,154 Typ=100 Len=4: 189,204,204,205",
                  "3 Typ=101 Len=8: 254,55,228,60,136,0,117,156 Typ=100 Len=4: 190,170,170,171"}));
  EXPECT_EQ(s.exec("insert into bin_cols values (4, 1, 1e300)"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-01426: numeric overflow\n");
  EXPECT_EQ(s.exec("insert into bin_cols values (4, sysdate, 1)"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-00932: inconsistent datatypes: expected BINARY_DOUBLE got DATE\n");
  run("create table bin_copy as select d * 2 d2, f from bin_cols");
  EXPECT_EQ(s.rows("select column_name || ' ' || data_type from user_tab_columns where table_name = 'BIN_COPY'"
                   " order by column_id"),
            (Rows{"D2 BINARY_DOUBLE", "F BINARY_FLOAT"}));
  // Fetched as text, a binary infinity is Inf or -Inf.
  EXPECT_EQ(v("binary_double_infinity || ' ' || -binary_float_infinity"), "Inf -Inf");
  EXPECT_EQ(s.rows("select d from bin_cols where n = 2"), Rows{"-Inf"});
  // A NaN is kept, sorts above every value (infinity too) and equals itself.
  run("insert into bin_cols values (5, binary_double_nan, 'NaN')");
  run("insert into bin_cols values (6, binary_double_infinity, null)");
  EXPECT_EQ(s.rows("select n || ' ' || d || ' ' || f from bin_cols order by d desc, n"),
            (Rows{"5 Nan Nan", "6 Inf ", "3 1.0E+300 3.3333334E-001", "1 1.0E-001 1.0E-001", "2 -Inf Inf"}));
  EXPECT_EQ(s.rows("select d from bin_cols where n in (5, 6) order by d"), (Rows{"Inf", "Nan"}));
  EXPECT_EQ(s.value("select max(d) || ' ' || count(*) from bin_cols where d is not nan"), "Inf 4");
  EXPECT_EQ(s.value("select listagg(n, ',') within group (order by n) from bin_cols where d = binary_double_nan"), "5");
  EXPECT_EQ(s.exec("insert into bin_cols (n) select d from bin_cols where n = 5"), OCI_ERROR);
  EXPECT_EQ(s.error_text(), "ORA-01722: invalid number\n");
  // A column alias after a number still needs its blank: 2 d is the number 2 named D.
  EXPECT_EQ(s.value("select dump(d) from (select 2 d from dual)"), "Typ=2 Len=2: 193,3");
}

TEST_F(NumericFunctions, MinimumTextMasks) {
  struct Case {
    const char* expr;
    const char* value;
  };
  const Case cases[] = {
      {"to_char(1.5, 'TM')", "1.5"},
      {"to_char(-123, 'TM9')", "-123"},
      {"to_char(0.000123, 'tm')", ".000123"},
      {"to_char(1e-50, 'TM')", ".00000000000000000000000000000000000000000000000001"},
      {"to_char(1e-70, 'TM')", "1.0E-70"},
      {"to_char(1234, 'TME')", "1.234E+03"},
      {"to_char(-0.05, 'TME')", "-5E-02"},
      {"to_char(0, 'TME')", "0E+00"},
      {"lengthb(to_char(-1/3, 'TME'))", "46"},
      {"to_char(12.5, 'TM', 'NLS_NUMERIC_CHARACTERS = '',.''')", "12,5"},
      {"to_char(1234567.891, '9G999G999D99', 'NLS_NUMERIC_CHARACTERS = '',.''')", " 1.234.567,89"},
      {"to_char(1234.5, 'FML9999D99', 'NLS_CURRENCY = ''EUR'' NLS_NUMERIC_CHARACTERS = '',.''')", "EUR1234,50"},
      {"to_char(1234.5, 'FMC9999D99', 'nls_iso_currency = germany')", "EUR1234.50"},
      {"to_char(1, '9', 'NLS_DATE_LANGUAGE = FRENCH')",
       "error: ORA-12702: invalid NLS parameter string used in SQL function\n"},
      {"to_char(1, '9', 'NLS_NUMERIC_CHARACTERS = ''11''')",
       "error: ORA-12702: invalid NLS parameter string used in SQL function\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(v(c.expr), c.value) << c.expr;
}

}  // namespace
