// CAST and EXTRACT on the embedded engine: conversions to each target type with Oracle's
// rounding, length and range errors, the describe of a CAST, EXTRACT of dates,
// timestamps and intervals, and both in PL/SQL expressions.
#include "oci_session.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace {

using Rows = std::vector<std::string>;

class CastExtract : public ::testing::Test {
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
  // The error of a statement that must fail: its text and the offset of the failing token.
  std::string error_at(const std::string& sql) {
    OciStatement st(s, sql);
    if (st.execute(0) == OCI_SUCCESS && st.fetch(1) != OCI_ERROR) return "no error";
    ub2 offset = 0;
    s.oci->OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &offset, nullptr, OCI_ATTR_PARSE_ERROR_OFFSET, s.err);
    std::string text = s.error_text();
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text + " @" + std::to_string(offset);
  }
  // The first result column's name, type code, size, precision and scale.
  std::string describe(const std::string& sql) {
    OciStatement st(s, sql);
    if (st.execute(0) != OCI_SUCCESS) return s.error_text();
    void* p = nullptr;
    EXPECT_EQ(s.oci->OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &p, 1), OCI_SUCCESS);
    ub2 type = 0, size = 0;
    sb2 precision = 0;
    sb1 scale = 0;
    OraText* name = nullptr;
    ub4 len = 0;
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &name, &len, OCI_ATTR_NAME, s.err);
    std::string shown = std::string(reinterpret_cast<char*>(name), len) + " " + std::to_string(type) + " " +
                        std::to_string(size) + " " + std::to_string(precision) + " " + std::to_string(scale);
    s.oci->OCIDescriptorFree(p, OCI_DTYPE_PARAM);
    return shown;
  }
  OciSession s;
};

TEST_F(CastExtract, NumbersRoundToPrecisionAndScale) {
  check({
      {"cast(123.456 as number(5,2))", "123.46"},
      {"cast(1.005 as number(4,2))", "1.01"},
      {"cast(-2.5 as number(1))", "-3"},
      {"cast(1234.5 as number(4,-2))", "1200"},
      {"cast(7.9 as integer)", "8"},
      {"cast('  42.25 ' as number)", "42.25"},
      {"cast('12.345' as number(4,2))", "12.35"},
      {"cast(null as number(3))", "<null>"},
      {"cast(2.5 as binary_double) * 2", "5"},
      {"cast('0.1' as binary_float)", ".100000001"},
  });
  check({
      {"cast(1234 as number(3))", "error: ORA-01438: value larger than specified precision allowed for this column\n"},
      {"cast(99.995 as number(4,2))",
       "error: ORA-01438: value larger than specified precision allowed for this column\n"},
      {"cast('12a' as number)", "error: ORA-01722: invalid number\n"},
      {"cast('x' as binary_double)", "error: ORA-01722: invalid number\n"},
  });
  // A column value is converted row by row.
  ASSERT_EQ(s.exec("create table n (x number, t varchar2(20))"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into n values (3.14159, '2.5')"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into n values (-0.5, 'abc')"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.rows("select cast(x as number(3,2)) from n order by x"), (Rows{"-.5", "3.14"}));
  EXPECT_EQ(s.value("select cast(t as number) + 1 from n where x > 0"), "3.5");
  EXPECT_EQ(s.value("select count(*) from n where cast(t as number) = 2.5"), "error: ORA-01722: invalid number\n");
}

TEST_F(CastExtract, TextCastsCutLiteralsAndRefuseLongerValues) {
  check({
      {"cast('ROAD-1234' as varchar2(8))", "ROAD-123"},
      {"cast('abc' as varchar2(10))", "abc"},
      {"'[' || cast('ab' as char(4)) || ']'", "[ab  ]"},
      {"cast(12.5 as varchar2(4))", "12.5"},
      {"length(cast('äöü' as varchar2(3 char)))", "3"},
      {"length(cast('äöü' as varchar2(3)))", "1"},
      {"cast(date '2024-02-29' as varchar2(20))", "29-FEB-24"},
      {"cast(interval '1-6' year to month as varchar2(20))", "+01-06"},
      {"cast(null as varchar2(5))", "<null>"},
      {"cast('' as varchar2(5))", "<null>"},
  });
  check({
      {"cast(12345 as varchar2(3))", "error: ORA-25137: Data value out of range\n"},
      {"cast('abc' || 'def' as varchar2(5))", "error: ORA-25137: Data value out of range\n"},
      {"cast('äöü' || '' as varchar2(4))", "error: ORA-25137: Data value out of range\n"},
      {"cast(sysdate as raw(4))", "error: ORA-00932: inconsistent datatypes: expected BINARY got DATE\n"},
  });
  ASSERT_EQ(s.exec("create table t (c varchar2(20))"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into t values ('short')"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into t values ('rather long text')"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select cast(c as varchar2(5)) from t where c = 'short'"), "short");
  EXPECT_EQ(s.value("select max(cast(c as varchar2(5))) from t"), "error: ORA-25137: Data value out of range\n");
  // RAW: hex text converted and checked against the length.
  check({
      {"cast('0aff' as raw(2))", "0AFF"},
      {"cast('0aff01' as raw(2))", "error: ORA-25137: Data value out of range\n"},
      {"cast(hextoraw('ab') as raw(1))", "AB"},
  });
}

TEST_F(CastExtract, DatesAndTimestampsFollowTheSessionFormats) {
  check({
      {"to_char(cast('15-MAR-21' as date), 'YYYY-MM-DD HH24:MI:SS')", "2021-03-15 00:00:00"},
      {"to_char(cast(timestamp '2021-03-15 10:20:30.6' as date), 'YYYY-MM-DD HH24:MI:SS')", "2021-03-15 10:20:31"},
      {"to_char(cast(date '2021-03-15' as timestamp), 'YYYY-MM-DD HH24:MI:SS.FF3')", "2021-03-15 00:00:00.000"},
      {"to_char(cast(timestamp '2021-03-15 23:59:59.75' as timestamp(0)), 'YYYY-MM-DD HH24:MI:SS.FF3')",
       "2021-03-16 00:00:00.000"},
      {"to_char(cast(timestamp '2021-03-15 10:00:00.123456' as timestamp(2)), 'HH24:MI:SS.FF6')", "10:00:00.120000"},
      {"cast(null as date)", "<null>"},
  });
  check({
      {"cast('2021-03-15' as date)", "error: ORA-01861: literal does not match format string\n"},
      {"cast(5 as date)", "error: ORA-00932: inconsistent datatypes: expected DATE got NUMBER\n"},
      {"cast(sysdate as number)", "error: ORA-00932: inconsistent datatypes: expected NUMBER got DATE\n"},
  });
  ASSERT_EQ(s.exec("alter session set nls_date_format = 'YYYY-MM-DD'"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(v("cast('2021-03-15' as date) + 1"), "2021-03-16");
}

TEST_F(CastExtract, IntervalsFromTextAndOtherIntervals) {
  check({
      {"cast('1 02:03:04' as interval day to second)", "+01 02:03:04.000000"},
      {"cast('3-2' as interval year(3) to month)", "+003-02"},
      {"cast(interval '5' day as interval day(1) to second(0))", "+5 00:00:00"},
  });
  check({
      {"cast(interval '50' day as interval day(1) to second)",
       "error: ORA-01873: the leading precision of the interval is too small\n"},
      {"cast(interval '1' year as interval day to second)",
       "error: ORA-00932: inconsistent datatypes: expected INTERVAL DAY TO SECOND got INTERVAL YEAR TO MONTH\n"},
  });
}

TEST_F(CastExtract, DescribeReportsTheTargetType) {
  EXPECT_EQ(describe("select cast('x' as varchar2(10)) from dual"), "CAST('X'ASVARCHAR2(10)) 1 10 0 0");
  EXPECT_EQ(describe("select cast(1 as number(6,2)) n from dual"), "N 2 22 6 2");
  EXPECT_EQ(describe("select cast('a' as char(3)) c from dual"), "C 96 3 0 0");
  EXPECT_EQ(describe("select cast(sysdate as timestamp(3)) t from dual"), "T 187 11 0 3");
  EXPECT_EQ(describe("select cast(null as date) d from dual"), "D 12 7 0 0");
  EXPECT_EQ(describe("select cast(1 as binary_double) b from dual"), "B 101 8 0 0");
  EXPECT_EQ(describe("select extract(year from sysdate) y from dual"), "Y 2 22 0 -127");
}

TEST_F(CastExtract, CastSyntaxErrorsAtTheirTokens) {
  EXPECT_EQ(error_at("select cast(1 number) from dual"), "ORA-00905: missing keyword @14");
  EXPECT_EQ(error_at("select cast(1 as varchar2) from dual"), "ORA-00906: missing left parenthesis @25");
  EXPECT_EQ(error_at("select cast(1 as foo) from dual"), "ORA-00902: invalid datatype @17");
  EXPECT_EQ(error_at("select cast(1 as number(3) from dual"), "ORA-00907: missing right parenthesis @27");
  EXPECT_EQ(error_at("select cast(multiset(select 1 from dual) as t) from dual"),
            "ORA-03001: unimplemented feature @12");
  EXPECT_EQ(error_at("select cast(1 as long) from dual"), "ORA-00902: invalid datatype @17");
}

TEST_F(CastExtract, ExtractFromDatesTimestampsAndIntervals) {
  check({
      {"extract(year from date '2024-02-29')", "2024"},
      {"extract(month from date '2024-02-29')", "2"},
      {"extract(day from date '2024-02-29')", "29"},
      {"extract(hour from timestamp '2024-02-29 13:45:07.25')", "13"},
      {"extract(minute from timestamp '2024-02-29 13:45:07.25')", "45"},
      {"extract(second from timestamp '2024-02-29 13:45:07.25')", "7.25"},
      {"extract(second from timestamp '2024-02-29 13:45:07')", "7"},
      {"extract(year from interval '-3-7' year to month)", "-3"},
      {"extract(month from interval '-3-7' year to month)", "-7"},
      {"extract(day from interval '4 05:06:07.5' day to second)", "4"},
      {"extract(hour from interval '4 05:06:07.5' day to second)", "5"},
      {"extract(minute from interval '-4 05:06:07.5' day to second)", "-6"},
      {"extract(second from interval '-4 05:06:07.5' day to second)", "-7.5"},
      {"extract(day from timestamp '2024-03-01 00:00:00' - timestamp '2024-02-01 12:00:00')", "28"},
      {"extract(year from cast(null as date))", "<null>"},
      {"extract(year from sysdate) - extract(year from add_months(sysdate, -24))", "2"},
  });
  check({
      {"extract(hour from date '2024-02-29')", "error: ORA-30076: invalid extract field for extract source\n"},
      {"extract(day from interval '1-2' year to month)",
       "error: ORA-30076: invalid extract field for extract source\n"},
      {"extract(year from interval '1' day)", "error: ORA-30076: invalid extract field for extract source\n"},
      {"extract(year from 'x')", "error: ORA-30076: invalid extract field for extract source\n"},
      {"extract(timezone_hour from timestamp '2024-02-29 00:00:00')",
       "error: ORA-30076: invalid extract field for extract source\n"},
  });
  EXPECT_EQ(error_at("select extract(second from sysdate) from dual"),
            "ORA-30076: invalid extract field for extract source @15");
  EXPECT_EQ(error_at("select extract(week from sysdate) from dual"), "ORA-00907: missing right parenthesis @15");
  EXPECT_EQ(error_at("select extract(year sysdate) from dual"), "ORA-00905: missing keyword @20");
  EXPECT_EQ(error_at("select extract(timezone_region from systimestamp) from dual"),
            "ORA-03001: unimplemented feature @15");
#ifndef _WIN32
  // A timestamp with a time zone gives its fields in UTC: five hours ahead of the local
  // time of a zone at UTC-5, a local timestamp none.
  const char* saved = std::getenv("TZ");
  std::string old_tz = saved ? saved : "";
  setenv("TZ", "EST5", 1);
  tzset();
  EXPECT_EQ(v("mod(extract(hour from systimestamp) - to_number(to_char(systimestamp, 'HH24')) + 24, 24)"), "5");
  EXPECT_EQ(v("mod(extract(hour from cast(systimestamp as timestamp)) - to_number(to_char(systimestamp, 'HH24'))"
              " + 24, 24)"),
            "0");
  if (saved)
    setenv("TZ", old_tz.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
#endif
}

TEST_F(CastExtract, PlsqlExpressionsUseCastAndExtract) {
  EXPECT_EQ(server_output_of(s,
                             "declare n number := cast('12.345' as number(4,2)); d date := date '2023-07-04';\n"
                             "begin\n"
                             "  dbms_output.put_line(n || ' ' || extract(month from d) || ' ' ||\n"
                             "                       cast(n * 2 as varchar2(10)));\n"
                             "  if extract(year from d) = 2023 then dbms_output.put_line('yes'); end if;\n"
                             "end;"),
            "12.35 7 24.7|yes");
  EXPECT_EQ(server_output_of(s, "declare n number; begin n := cast(1000 as number(3)); end;"),
            "error: ORA-01438: value larger than specified precision allowed for this column\n"
            "ORA-06512: at line 1\n");
  ASSERT_EQ(s.exec("create table p (d date)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into p values (date '1999-12-31')"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(server_output_of(s, "declare y number; t varchar2(9); begin\n"
                                "  select extract(year from d), cast(d as varchar2(9)) into y, t from p;\n"
                                "  dbms_output.put_line(y || ' ' || t);\n"
                                "  for r in (select cast(extract(day from d) as varchar2(2)) dd from p) loop\n"
                                "    dbms_output.put_line(r.dd);\n"
                                "  end loop;\n"
                                "end;"),
            "1999 31-DEC-99|31");
  // CAST to CHAR keeps its blanks in a PL/SQL value.
  EXPECT_EQ(server_output_of(s, "declare c varchar2(10); begin c := cast('ab' as char(4)); "
                                "dbms_output.put_line('[' || c || ']' || length(c)); end;"),
            "[ab  ]4");
}

TEST_F(CastExtract, CastsInGroupingAnalyticsDmlAndCreateTableAs) {
  ASSERT_EQ(s.exec("create table e (id number, d date, name char(5))"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into e values (1, date '2020-05-06', 'ab')"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into e values (cast('2' as integer), cast('06-MAY-21' as date), cast('cd' as char(3)))"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.rows("select extract(year from d), count(*) from e group by extract(year from d) order by 1"),
            (Rows{"2020|1", "2021|1"}));
  EXPECT_EQ(s.rows("select extract(year from d) y from e group by rollup(extract(year from d)) order by 1"),
            (Rows{"2020", "2021", "<null>"}));
  EXPECT_EQ(s.rows("select id, cast(avg(id) over () as number(3,1)) from e order by id"), (Rows{"1|1.5", "2|1.5"}));
  EXPECT_EQ(s.value("select cast(sum(id) as varchar2(5)) from e"), "3");
  // A CHAR value keeps its blanks in the text it is cast to.
  EXPECT_EQ(s.rows("select cast(name as varchar2(5)) || '|' from e order by id"), (Rows{"ab   |", "cd   |"}));
  EXPECT_EQ(s.value("select id from e where cast(id as varchar2(3)) = '2'"), "2");
  ASSERT_EQ(s.exec("create table c2 as select cast(id as number(4,1)) a, cast(name as varchar2(9 char)) b,"
                   " cast(d as timestamp(3)) c, cast(id as binary_double) x from e"),
            OCI_SUCCESS)
      << s.error_text();
  EXPECT_EQ(s.rows("select column_name, data_type, data_precision, data_scale, char_used from user_tab_columns"
                   " where table_name = 'C2' order by column_id"),
            (Rows{"A|NUMBER|4|1|<null>", "B|VARCHAR2|<null>|<null>|C", "C|TIMESTAMP(3)|<null>|3|<null>",
                  "X|BINARY_DOUBLE|<null>|<null>|<null>"}));
  EXPECT_EQ(s.value("select sum(x) from c2"), "3");
}

}  // namespace
