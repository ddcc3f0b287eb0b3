// Oracle's single-row functions and the (+) outer join on the embedded engine, checked
// against the values Oracle returns, including its NULL rules and edge positions.
#include "oci_session.h"
#include "values/sql_dialect.h"

#include <filesystem>

namespace {

using Rows = std::vector<std::string>;

class Dialect : public ::testing::Test {
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

// The function catalogue is one table: every row's translation prepares on the engine
// with each argument count the row accepts (so every SQL function it calls is
// registered), a count outside the row's range is ORA-00909, and a name no row has is
// ORA-00904.
TEST_F(Dialect, EveryCatalogueRowIsImplementedWithItsArgumentCounts) {
  auto describe = [&](const std::string& sql) {
    OciStatement st(s, sql);
    sword r = s.oci->OCIStmtExecute(s.svc, st.stmt, s.err, 0, 0, nullptr, nullptr, OCI_DESCRIBE_ONLY);
    return r == OCI_SUCCESS ? 0 : s.error_code();
  };
  auto call = [](const std::string& name, int count) {
    std::string sql = "select " + name + "(";
    for (int i = 0; i < count; ++i) sql += i ? ",'1'" : "'1'";
    return sql + ") from dual";
  };
  std::vector<DialectFunctionInfo> rows = dialect_function_catalogue();
  ASSERT_GE(rows.size(), 30u);
  for (const DialectFunctionInfo& f : rows) {
    int top = f.max_args < 0 ? f.min_args + 3 : f.max_args;
    for (int n = f.min_args; n <= top; ++n) {
      EXPECT_EQ(describe(call(f.name, n)), 0) << call(f.name, n);
    }
    if (f.min_args >= 2) {
      EXPECT_EQ(describe(call(f.name, f.min_args - 1)), 909) << f.name;
    }
    if (f.max_args >= 0) {
      EXPECT_EQ(describe(call(f.name, f.max_args + 1)), 909) << f.name;
    }
  }
  EXPECT_EQ(describe(call("NO_SUCH_FUNCTION", 1)), 904);
}

TEST_F(Dialect, DecodeMatchesNullWithNullAndTypesItsResult) {
  EXPECT_EQ(v("decode(null,null,'both null','other')"), "both null");
  EXPECT_EQ(v("decode(2,1,'one',2,'two')"), "two");
  EXPECT_EQ(v("decode(3,1,'one',2,'two')"), "<null>");
  EXPECT_EQ(v("decode('B','A',1,'B',2,9)"), "2");
  EXPECT_EQ(v("decode(1,1,'x')||decode(0,0,'',0,'y')"), "x");
  EXPECT_EQ(v("nvl2(null,'a','b')||nvl2(1,'c','d')"), "bc");
  EXPECT_EQ(v("coalesce(null,null,'third')"), "third");
  EXPECT_EQ(v("nullif(1,1)"), "<null>");
  EXPECT_EQ(v("decode(1)"), "error: ORA-00909: invalid number of arguments\n");
}

TEST_F(Dialect, StringFunctionsFollowOraclePositionsAndEmptyStrings) {
  EXPECT_EQ(v("lpad('ab',5,'xy')||'|'||rpad('ab',5)||'|'||lpad('abcdef',3)"), "xyxab|ab   |abc");
  EXPECT_EQ(v("lpad(7,3,'0')"), "007");
  EXPECT_EQ(v("lpad('a',0)"), "<null>");
  EXPECT_EQ(v("substr('abcdef',-3,2)||substr('abcdef',0,2)||substr('abcdef',4)"), "deabdef");
  EXPECT_EQ(v("substr('abc',5)"), "<null>");
  EXPECT_EQ(v("substr('abc',2,0)"), "<null>");
  EXPECT_EQ(v("instr('banana','an')||instr('banana','an',1,2)||instr('banana','an',-1)||instr('banana','x')"), "2440");
  EXPECT_EQ(v("initcap('hello wORLD-foo')"), "Hello World-Foo");
  EXPECT_EQ(v("ltrim('xxaxx','x')||'|'||rtrim('xxaxx','x')||'|'||trim('  a  ')"), "axx|xxa|a");
  EXPECT_EQ(v("rtrim('xx','x')"), "<null>");
  EXPECT_EQ(v("replace('banana','an')||replace('banana','an','AN')||replace('ab',null)"), "babANANaab");
  EXPECT_EQ(v("translate('abc-12','abc-','AB')"), "AB12");
  EXPECT_EQ(v("concat('ab',null)||'|'||concat(null,'cd')||'|'||concat(12,'x')||'|'||concat(concat('a','b'),'c')"),
            "ab|cd|12x|abc");
  EXPECT_EQ(v("concat(null,null)"), "<null>");
  // Alternative quoting: the delimiter's pair closes, quotes inside are text.
  EXPECT_EQ(v("q'[it's]'||nq'{a}b}'||Q'!x;y!'||q'<'>'"), "it'sa}bx;y'");
  EXPECT_EQ(v("q'[open'"), "error: ORA-01756: quoted string not properly terminated\n");
  EXPECT_EQ(s.exec("declare x varchar2(9) := q'(o'k)'; begin if x <> 'o''k' then raise no_data_found; end if; end;"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(v("concat('a')"), "error: ORA-00909: invalid number of arguments\n");
  EXPECT_EQ(v("chr(65)||ascii('a')"), "A97");
  EXPECT_EQ(v("substr('abc',1e30)||substr('abc',-1e30)||substr('abc',2,1e30)"), "bc");
  EXPECT_EQ(v("instr('abc','b',1e30)||lpad('a',3,null)"), "0");
  EXPECT_EQ(v("chr(1e30)"), "error: ORA-01722: invalid number\n");
}

// TRIM's own syntax: which end, the character (a blank when left out) and FROM.
TEST_F(Dialect, TrimWithLeadingTrailingBothFrom) {
  EXPECT_EQ(v("trim(both 'x' from 'xxaxx')||'|'||trim(leading 'x' from 'xxaxx')||'|'||trim(trailing 'x' from 'xxaxx')"),
            "a|axx|xxa");
  EXPECT_EQ(v("'['||trim(leading from '  a  ')||']['||trim(trailing from '  a  ')||']['||trim(both from '  a  ')||']'"),
            "[a  ][  a][a]");
  EXPECT_EQ(v("trim(from ' a ')"), "error: ORA-00936: missing expression\n");
  EXPECT_EQ(v("trim('x' from 'xaxbx')||trim(' a ')"), "axba");
  EXPECT_EQ(v("trim(both 'x' from 'xxx')"), "<null>");
  EXPECT_EQ(v("trim(both null from 'x')||'-'||trim(leading 'x' from null)"), "-");
  // The character may be any expression; the column named BOTH is still a column.
  run("create table trimmed (both varchar2(10), c char(1))");
  run("insert into trimmed values ('..b..', '.')");
  EXPECT_EQ(s.value("select trim(c from both)||trim(both)||trim(both c from both) from trimmed"), "b..b..b");
  EXPECT_EQ(v("trim(both 'xy' from 'xya')"), "error: ORA-30001: trim set should have only one character\n");
  EXPECT_EQ(v("trim(both 'x' 'xa')").substr(0, 13), "error: ORA-00");
}

// TRANSLATE ... USING converts to the database or the national character set (one here),
// typed VARCHAR2 or NVARCHAR2 as TO_CHAR and TO_NCHAR type it; the three-argument
// TRANSLATE is still the character mapping, also with USING as a column's name.
TEST_F(Dialect, TranslateUsingAndToNchar) {
  EXPECT_EQ(v("translate('abc' using nchar_cs)||'|'||translate('abc' using char_cs)||'|'||to_nchar('x')"),
            "abc|abc|x");
  EXPECT_EQ(v("to_nchar(12.5)||'|'||to_nchar(date '2001-02-03', 'YYYY/MM/DD')||'|'||to_nchar(7, '000')"),
            "12.5|2001/02/03| 007");
  EXPECT_EQ(v("translate(null using nchar_cs)"), "<null>");
  run("create table tr_using (using_ varchar2(5), v varchar2(10))");
  run("insert into tr_using values ('a', 'banana')");
  EXPECT_EQ(s.value("select translate(v, 'an', 'AN') from tr_using"), "bANANA");
  EXPECT_EQ(s.value("select translate(upper(v) using nchar_cs) from tr_using"), "BANANA");
  run("create view tr_view as select translate(v using nchar_cs) n, translate(v using char_cs) c from tr_using");
  EXPECT_EQ(s.rows("select column_name, data_type from user_tab_columns where table_name = 'TR_VIEW' order by 1"),
            (Rows{"C|VARCHAR2", "N|NVARCHAR2"}));
  EXPECT_EQ(v("translate('a' using utf8)"), "error: ORA-00905: missing keyword\n");
  EXPECT_EQ(v("translate('a' using nchar_cs, 'b')"), "error: ORA-00907: missing right parenthesis\n");
  EXPECT_EQ(v("sys_context('USERENV', 'LANG')"), "US");
}

TEST_F(Dialect, NumbersRoundTruncateAndFormat) {
  EXPECT_EQ(v("mod(11,4)||','||mod(-11,4)||','||mod(5,0)"), "3,-3,5");
  EXPECT_EQ(v("round(2.5)||','||round(-2.5)||','||round(1.2345,2)||','||round(1234,-2)"), "3,-3,1.23,1200");
  EXPECT_EQ(v("trunc(2.99)||','||trunc(-2.99)||','||trunc(1.2399,2)"), "2,-2,1.23");
  EXPECT_EQ(v("sign(-3)||ceil(1.1)||floor(-1.1)||power(2,10)||sqrt(16)"), "-12-210244");
  EXPECT_EQ(v("sqrt(-1)"), "error: ORA-01428: argument '-1' is out of range\n");
  EXPECT_EQ(v("greatest(1,3,2)||least('b','a','c')"), "3a");
  EXPECT_EQ(v("greatest(1,null)"), "<null>");
  EXPECT_EQ(v("to_char(1234.5,'9,999.99')"), " 1,234.50");
  EXPECT_EQ(v("to_char(-5,'FM000')"), "-005");
  EXPECT_EQ(v("to_char(123456,'999')"), "####");
  EXPECT_EQ(v("to_char(1e100,'999')"), "####");
  EXPECT_EQ(v("to_char(1e300,'999')"), "error: ORA-01426: numeric overflow\n");  // beyond NUMBER's range
  // Digits come from the decimal value, rounded half away from zero.
  EXPECT_EQ(v("to_char(0.1,'0.9999999999999999999999')"), " 0.1000000000000000000000");
  EXPECT_EQ(v("to_char(2.5,'9')||to_char(0.125,'0.99')||to_char(-0.125,'0.99')||to_char(1.005,'9.99')"),
            " 3 0.13-0.13 1.01");
  EXPECT_EQ(v("to_char(123456789012345678,'999999999999999999')"), " 123456789012345678");
  EXPECT_EQ(v("to_number('1,234.5','9,999.9') + 1"), "1235.5");
  EXPECT_EQ(v("to_number('12x')"), "error: ORA-01722: invalid number\n");
  EXPECT_EQ(v("to_char(to_number(' 42 '))"), "42");
}

// PR, RN, X and EEEE: angle brackets for negatives, Roman numerals, hexadecimal digits
// and scientific notation, each with and without FM.
TEST_F(Dialect, NumberMasksInBracketsRomanHexAndScientific) {
  EXPECT_EQ(v("'['||to_char(-1234.5, '9999.99PR')||']['||to_char(1234.5, '9999.99PR')||']['||to_char(5, '9999.99PR')||']'"),
            "[<1234.50>][ 1234.50 ][    5.00 ]");
  EXPECT_EQ(v("'['||to_char(-5, 'FM999PR')||']['||to_char(5, 'FM999PR')||']'"), "[<5>][5]");
  EXPECT_EQ(v("to_number('<1,234.50>', '9G999D99PR')||' '||to_number('12', '999PR')"), "-1234.5 12");
  EXPECT_EQ(v("'['||to_char(1987, 'RN')||']['||to_char(1987, 'FMrn')||']['||to_char(3999.4, 'FMRN')||']'"),
            "[     MCMLXXXVII][mcmlxxxvii][MMMCMXCIX]");
  EXPECT_EQ(v("to_char(4000, 'RN')||to_char(0, 'FMRN')"), "##############################");
  EXPECT_EQ(v("'['||to_char(255, 'XXXX')||']['||to_char(255, 'FMxx')||']['||to_char(255, '0XXX')||']['||"
              "to_char(254.6, 'FMXXX')||']'"),
            "[   FF][ff][ 00FF][FF]");
  EXPECT_EQ(v("to_char(1, 'X0X')"), "error: ORA-01481: invalid number format model\n");
  EXPECT_EQ(v("to_char(256, 'XX')||' '||to_char(-1, 'XX')"), "### ###");
  EXPECT_EQ(v("'['||to_char(1e10, '9.99EEEE')||']['||to_char(-123.456, 'FM9.9EEEE')||']['||to_char(0, '9EEEE')||']'"),
            "[ 1.00E+10][-1.2E+02][ 0E+00]");
  EXPECT_EQ(v("to_char(1, '9,9EEEE')"), "error: ORA-01481: invalid number format model\n");
  EXPECT_EQ(v("to_number('1E+03', '9EEEE')"), "error: ORA-01481: invalid number format model\n");
  EXPECT_EQ(v("to_char(1, 'S9PR')"), "error: ORA-01481: invalid number format model\n");
}

// L, C and U: the session's local, ISO and dual currency symbols at the start or the end
// of the mask, in room for a ten-character symbol unless FM; TO_NUMBER reads them back.
TEST_F(Dialect, NumberMasksWithCurrencySymbols) {
  EXPECT_EQ(v("'['||to_char(1234567.891, 'L999G999G999D99')||']'"), "[            $1,234,567.89]");
  EXPECT_EQ(v("'['||to_char(-1234.5, 'FML9G999D00')||']['||to_char(3, 'FMC990D00')||']['||to_char(7, 'FM90U')||']'"),
            "[-$1,234.50][USD3.00][7$]");
  EXPECT_EQ(v("'['||to_char(-10000, 'FML99G999D99MI')||']'"), "[$10,000.00-]");
  EXPECT_EQ(v("to_number('$1,234.50', 'L9G999D99')||' '||to_number('USD12', 'C99')||' '||to_number('12$', '99L')"),
            "1234.5 12 12");
  EXPECT_EQ(v("to_char(1, 'L9L')"), "error: ORA-01481: invalid number format model\n");
  EXPECT_EQ(v("to_char(1, '9L9')"), "error: ORA-01481: invalid number format model\n");
  EXPECT_EQ(v("to_char(1, '$L9')"), "error: ORA-01481: invalid number format model\n");
  ASSERT_EQ(s.exec("alter session set nls_currency = 'EUR '"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("alter session set nls_iso_currency = 'GERMANY'"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(v("to_char(12.5, 'FML90D00')||'|'||to_char(12.5, 'FMC90D00')"), "EUR 12.50|EUR12.50");
}

TEST_F(Dialect, DatesWithMasksMonthsAndTruncation) {
  EXPECT_EQ(v("to_char(to_date('2024-02-10 13:45:00','YYYY-MM-DD HH24:MI:SS'),'DD.MM.YYYY HH24:MI')"),
            "10.02.2024 13:45");
  EXPECT_EQ(v("to_char(add_months(to_date('2024-01-31','YYYY-MM-DD'),1),'YYYY-MM-DD')"), "2024-02-29");
  EXPECT_EQ(v("to_char(last_day(to_date('2023-02-10','YYYY-MM-DD')),'YYYY-MM-DD')"), "2023-02-28");
  EXPECT_EQ(v("months_between(to_date('2024-03-31','YYYY-MM-DD'),to_date('2024-02-29','YYYY-MM-DD'))"), "1");
  EXPECT_EQ(v("to_char(next_day(to_date('2024-05-01','YYYY-MM-DD'),'FRIDAY'),'YYYY-MM-DD')"), "2024-05-03");
  EXPECT_EQ(v("to_char(trunc(to_date('2024-05-17 18:00','YYYY-MM-DD HH24:MI'),'MM'),'YYYY-MM-DD HH24:MI')"),
            "2024-05-01 00:00");
  EXPECT_EQ(v("to_char(round(to_date('2024-05-17 18:00','YYYY-MM-DD HH24:MI')),'YYYY-MM-DD')"), "2024-05-18");
  EXPECT_EQ(v("to_char(trunc(to_date('2024-08-17','YYYY-MM-DD'),'YYYY'),'YYYY-MM-DD')"), "2024-01-01");
  EXPECT_EQ(v("to_date('2024-13-01','YYYY-MM-DD')").substr(0, 10), "error: ORA");
}

// TRUNC and ROUND of a date to each unit, with Oracle's answers for Friday 2024-05-17 18:40:30.
TEST_F(Dialect, DateTruncationUnits) {
  struct Case {
    const char* unit;
    const char* trunc;
    const char* round;
  };
  const Case cases[] = {
      {"CC", "2001-01-01 00:00:00", "2001-01-01 00:00:00"},   {"YEAR", "2024-01-01 00:00:00", "2024-01-01 00:00:00"},
      {"IYYY", "2024-01-01 00:00:00", "2024-01-01 00:00:00"}, {"Q", "2024-04-01 00:00:00", "2024-07-01 00:00:00"},
      {"MON", "2024-05-01 00:00:00", "2024-06-01 00:00:00"},  {"WW", "2024-05-13 00:00:00", "2024-05-20 00:00:00"},
      {"IW", "2024-05-13 00:00:00", "2024-05-20 00:00:00"},   {"W", "2024-05-15 00:00:00", "2024-05-15 00:00:00"},
      {"DDD", "2024-05-17 00:00:00", "2024-05-18 00:00:00"},  {"DY", "2024-05-12 00:00:00", "2024-05-19 00:00:00"},
      {"HH24", "2024-05-17 18:00:00", "2024-05-17 19:00:00"}, {"MI", "2024-05-17 18:40:00", "2024-05-17 18:41:00"},
  };
  const std::string d = "to_date('2024-05-17 18:40:30','YYYY-MM-DD HH24:MI:SS')";
  for (const Case& c : cases) {
    EXPECT_EQ(v("to_char(trunc(" + d + ", '" + c.unit + "'), 'YYYY-MM-DD HH24:MI:SS')"), c.trunc) << c.unit;
    EXPECT_EQ(v("to_char(round(" + d + ", '" + c.unit + "'), 'YYYY-MM-DD HH24:MI:SS')"), c.round) << c.unit;
  }
  // Centuries round up from their 51st year; an ISO year may start in December before it.
  EXPECT_EQ(v("to_char(round(date '1951-03-01', 'CC'), 'YYYY-MM-DD')||' '||to_char(trunc(date '2000-12-31', 'SCC'), "
              "'YYYY-MM-DD')"),
            "2001-01-01 1901-01-01");
  EXPECT_EQ(v("to_char(trunc(date '2021-01-02', 'IYYY'), 'YYYY-MM-DD')"), "2019-12-30");
  EXPECT_EQ(v("trunc(sysdate, 'XX')"), "error: ORA-01899: bad precision specifier\n");
  EXPECT_EQ(v("round(date '9999-12-31', 'YYYY')").substr(0, 16), "error: ORA-01841");
}

// Ordinal and spelled suffixes on the numeric elements, in the element's case, and the
// quarter, week and century elements, which format dates but cannot read them.
TEST_F(Dialect, DateMaskSuffixesWeeksQuartersAndCenturies) {
  EXPECT_EQ(v("to_char(date '2024-03-05', 'FMDay, DDth Month YYYY')"), "Tuesday, 5th March 2024");
  EXPECT_EQ(v("to_char(date '2024-03-01', 'DDth')||' '||to_char(date '2024-03-22', 'DDTH')||' '||"
              "to_char(date '2024-03-13', 'fmddth')||' '||to_char(date '2024-03-23', 'fmDDth')"),
            "01st 22ND 13th 23rd");
  EXPECT_EQ(v("to_char(date '2024-03-21', 'Ddspth \"of\" fmMonth')"), "Twenty-First of March");
  EXPECT_EQ(v("to_char(date '2024-01-03', 'DDSPTH')||' '||to_char(date '2024-01-12', 'ddspth')||' '||"
              "to_char(date '2024-01-30', 'DDSPTH')||' '||to_char(date '2024-01-15', 'Ddsp')"),
            "THIRD twelfth THIRTIETH Fifteen");
  EXPECT_EQ(v("to_char(date '1987-04-09', 'YYYYSP')"), "ONE THOUSAND NINE HUNDRED EIGHTY-SEVEN");
  EXPECT_EQ(v("to_char(date '2000-01-01', 'JSP')"),
            "TWO MILLION FOUR HUNDRED FIFTY-ONE THOUSAND FIVE HUNDRED FORTY-FIVE");
  EXPECT_EQ(v("to_char(to_date('2024-03-05 00:40', 'YYYY-MM-DD HH24:MI'), 'HH12SP MISPTH')"), "TWELVE FORTIETH");
  EXPECT_EQ(v("to_char(date '2024-03-05', 'Q WW IW W D DDD J')"), "1 10 10 1 3 065 2460375");
  EXPECT_EQ(v("to_char(date '2024-12-31', 'Q WW W DDD')"), "4 53 5 366");
  // ISO weeks start on Monday; week 1 holds the first Thursday, so a year's first days
  // may belong to the last week of the year before, and its last days to the next.
  EXPECT_EQ(v("to_char(date '2021-01-01', 'IYYY-IW')||' '||to_char(date '2021-01-04', 'IYYY-IW')||' '||"
              "to_char(date '2024-12-30', 'IYYY-IW')||' '||to_char(date '2026-12-31', 'IYYY-IW')"),
            "2020-53 2021-01 2025-01 2026-53");
  EXPECT_EQ(v("to_char(date '2000-06-01', 'CC')||' '||to_char(date '2001-01-01', 'CC')||' '||"
              "to_char(date '0099-01-01', 'FMCC')"),
            "20 21 1");
  EXPECT_EQ(v("to_char(date '2024-03-05', 'FMQth \"quarter\"')"), "1st quarter");
  EXPECT_EQ(v("to_date('1', 'Q')"), "error: ORA-01820: format code cannot appear in date input format\n");
  EXPECT_EQ(v("to_date('2024-10', 'YYYY-WW')"), "error: ORA-01820: format code cannot appear in date input format\n");
  EXPECT_EQ(v("to_char(sysdate, 'DD TH')"), "error: ORA-01821: date format not recognized\n");
  EXPECT_EQ(v("to_char(sysdate, 'MONTH')||to_char(sysdate, 'MONTHSP')").substr(0, 16), "error: ORA-01821");
}

// J is the Julian day: 2451545 for 1 January 2000, read back by TO_DATE whole.
TEST_F(Dialect, JulianDaysBothWays) {
  EXPECT_EQ(v("to_char(date '2000-01-01', 'J')"), "2451545");
  EXPECT_EQ(v("to_char(date '1970-01-01', 'J')||' '||to_char(date '0001-01-01', 'J')"), "2440588 1721426");
  EXPECT_EQ(v("to_char(to_date(2451545, 'J'), 'YYYY-MM-DD')"), "2000-01-01");
  EXPECT_EQ(v("to_char(to_date('2440588 13:05', 'J HH24:MI'), 'YYYY-MM-DD HH24:MI')"), "1970-01-01 13:05");
  EXPECT_EQ(v("to_date(to_char(date '2024-02-29', 'J'), 'J') - date '2024-02-29'"), "0");
  EXPECT_EQ(v("to_date(0, 'J')"), "error: ORA-01854: julian date must be between 1 and 5373484\n");
  EXPECT_EQ(v("to_date(5373485, 'J')"), "error: ORA-01854: julian date must be between 1 and 5373484\n");
}

TEST_F(Dialect, OuterJoinOperatorKeepsUnmatchedRows) {
  run("create table d (id number, name varchar2(10))");
  run("create table e (id number, dept number)");
  run("insert into d values (1,'one')");
  run("insert into d values (2,'two')");
  run("insert into e values (10,1)");
  EXPECT_EQ(s.rows("select d.name,e.id from d,e where e.dept(+)=d.id order by d.id"), (Rows{"one|10", "two|<null>"}));
  EXPECT_EQ(s.rows("select d.name,e.id from e,d where d.id=e.dept(+) and e.id(+)>5 and d.id>0 order by 1"),
            (Rows{"one|10", "two|<null>"}));
  EXPECT_EQ(s.rows("select d.name from d,e where e.dept(+)=d.id or e.id(+)=1"),
            Rows{"error: ORA-01719: outer join operator (+) not allowed in operand of OR or IN\n"});
}

}  // namespace
