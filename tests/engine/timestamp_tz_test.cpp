// TIMESTAMP WITH [LOCAL] TIME ZONE and INTERVAL columns on the embedded engine: their
// declarations and dictionary rows, the values stored from literals, text and
// SYSTIMESTAMP, their order and comparison by instant or length, and the errors.
#include "oci_session.h"

#include <filesystem>

namespace {

class ZonedColumns : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string home = test_home();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(home) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    ASSERT_EQ(s.exec("alter session set nls_timestamp_tz_format='YYYY-MM-DD HH24:MI:SSXFF TZR'"), OCI_SUCCESS)
        << s.error_text();
    ASSERT_EQ(s.exec("alter session set nls_timestamp_format='YYYY-MM-DD HH24:MI:SSXFF'"), OCI_SUCCESS);
  }
  void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << ": " << s.error_text(); }
  std::string fails(const std::string& sql) {
    if (s.exec(sql) == OCI_SUCCESS) return "no error";
    std::string t = s.error_text();
    if (!t.empty() && t.back() == '\n') t.pop_back();
    return t;
  }
  std::string joined(const std::string& sql) {
    std::string out;
    for (const std::string& r : s.rows(sql)) out += (out.empty() ? "" : ";") + r;
    return out;
  }
  // The first column's describe type code, size, precision and scale.
  std::string describe(const std::string& sql) {
    OciStatement st(s, sql);
    if (st.execute(0) != OCI_SUCCESS) return s.error_text();
    void* p = nullptr;
    EXPECT_EQ(s.oci->OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err, &p, 1), OCI_SUCCESS);
    ub2 type = 0, size = 0;
    sb2 precision = 0;
    sb1 scale = 0;
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION, s.err);
    s.oci->OCIAttrGet(p, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, s.err);
    s.oci->OCIDescriptorFree(p, OCI_DTYPE_PARAM);
    return std::to_string(type) + " " + std::to_string(size) + " " + std::to_string(precision) + " " +
           std::to_string(scale);
  }
  OciSession s;
};

TEST_F(ZonedColumns, DeclaredTypesShowInTheDictionaryAndDescribe) {
  run("create table ev (a timestamp with time zone, b timestamp(3) with local time zone,"
      " c interval year to month, d interval day(3) to second(2), e timestamp(0) with time zone)");
  EXPECT_EQ(joined("select column_name||' '||data_type||' '||data_length||' '||nvl(to_char(data_precision),'-')||' '||"
                   "nvl(to_char(data_scale),'-') from user_tab_columns where table_name='EV' order by column_id"),
            "A TIMESTAMP(6) WITH TIME ZONE 13 - 6;B TIMESTAMP(3) WITH LOCAL TIME ZONE 11 - 3;"
            "C INTERVAL YEAR(2) TO MONTH 5 2 -;D INTERVAL DAY(3) TO SECOND(2) 11 3 2;"
            "E TIMESTAMP(0) WITH TIME ZONE 13 - 0");
  EXPECT_EQ(describe("select a from ev"), "188 13 0 6");
  EXPECT_EQ(describe("select b from ev"), "232 11 0 3");
  EXPECT_EQ(describe("select c from ev"), "189 5 2 0");
  EXPECT_EQ(describe("select d from ev"), "190 11 3 2");
  run("alter table ev add (f interval day to second)");
  EXPECT_EQ(s.value("select data_type from user_tab_columns where table_name='EV' and column_name='F'"),
            "INTERVAL DAY(2) TO SECOND(6)");
}

TEST_F(ZonedColumns, BadDeclarationsAreRefused) {
  EXPECT_EQ(fails("create table bad (a interval day(10) to second)"),
            "ORA-30088: datetime/interval precision is out of range");
  EXPECT_EQ(fails("create table bad (a timestamp with zone)"), "ORA-00905: missing keyword");
  EXPECT_EQ(fails("create table bad (a interval hour to second)"), "ORA-00902: invalid datatype");
}

TEST_F(ZonedColumns, ValuesKeepTheirOffsetAndFetchInTheSessionFormat) {
  run("create table ev (id number, a timestamp with time zone, d interval day to second,"
      " y interval year to month)");
  run("insert into ev values (1, timestamp '2024-01-02 03:04:05.5 +02:00', interval '1 2:03:04' day to second,"
      " interval '1-6' year to month)");
  run("insert into ev values (2, '2024-01-02 01:30:00 -05:30', '3 04:00:00.1234567', '-2-3')");
  EXPECT_EQ(joined("select id||'|'||a||'|'||d||'|'||y from ev order by id"),
            "1|2024-01-02 03:04:05.500000 +02:00|+01 02:03:04.000000|+01-06;"
            "2|2024-01-02 01:30:00.000000 -05:30|+03 04:00:00.123457|-02-03");
  // Fetched straight, not through text in the query.
  EXPECT_EQ(joined("select a, d, y from ev where id = 2"), "2024-01-02 01:30:00.000000 -05:30|+03 04:00:00.123457|-02-03");
  // A value without a zone takes the session's.
  run("alter session set time_zone='+03:00'");
  run("insert into ev (id, a) values (3, timestamp '2024-05-06 07:08:09')");
  EXPECT_EQ(s.value("select a from ev where id = 3"), "2024-05-06 07:08:09.000000 +03:00");
  run("alter session set nls_timestamp_tz_format='DD.MM.YYYY HH24:MI TZH:TZM'");
  run("insert into ev (id, a) values (4, '01.02.2024 10:00 -04:00')");
  EXPECT_EQ(s.value("select a from ev where id = 4"), "01.02.2024 10:00 -04:00");
  EXPECT_EQ(s.value("select to_char(a, 'YYYY-MM-DD HH24:MI') from ev where id = 4"), "2024-02-01 10:00");
  // TO_CHAR keeps the offset of a zoned value for TZH and TZM.
  EXPECT_EQ(s.value("select to_char(timestamp '2024-01-01 10:00:00 -03:30', 'HH24:MI TZH:TZM') from dual"), "10:00 -03:30");
  // A WITH LOCAL TIME ZONE value is formatted in the session's zone.
  EXPECT_EQ(s.value("select to_char(cast(timestamp '2024-01-01 10:00:00 -03:30' as timestamp with local time zone),"
                    " 'HH24:MI') from dual"),
            "16:30");
}

TEST_F(ZonedColumns, ZonedValuesCompareAndSortByTheirInstant) {
  run("create table ev (id number, a timestamp with time zone)");
  // 1: 10:00 UTC, 2: 09:00 UTC, 3: 10:00 UTC in another zone, 4: 08:00 UTC.
  run("insert into ev values (1, timestamp '2024-01-01 12:00:00 +02:00')");
  run("insert into ev values (2, timestamp '2024-01-01 04:00:00 -05:00')");
  run("insert into ev values (3, timestamp '2024-01-01 10:00:00 UTC')");
  run("insert into ev values (4, timestamp '2024-01-01 09:00:00 +01:00')");
  run("create index ev_a on ev (a)");
  EXPECT_EQ(joined("select id from ev order by a, id"), "4;2;1;3");
  EXPECT_EQ(joined("select id from ev order by 1 desc"), "4;3;2;1");
  EXPECT_EQ(joined("select id from ev order by a desc, id"), "1;3;2;4");
  EXPECT_EQ(joined("select id, a as x from ev order by x desc, id"),
            "1|2024-01-01 12:00:00.000000 +02:00;3|2024-01-01 10:00:00.000000 +00:00;"
            "2|2024-01-01 04:00:00.000000 -05:00;4|2024-01-01 09:00:00.000000 +01:00");
  EXPECT_EQ(joined("select id, a from ev order by 2 fetch first 1 rows with ties"), "4|2024-01-01 09:00:00.000000 +01:00");
  EXPECT_EQ(joined("select id from ev where a = timestamp '2024-01-01 11:00:00 +01:00' order by id"), "1;3");
  EXPECT_EQ(joined("select id from ev where a > timestamp '2024-01-01 09:30:00 +00:00' order by id"), "1;3");
  EXPECT_EQ(s.value("select max(id) from ev where a < timestamp '2024-01-01 09:00:00 +00:00'"), "4");
  // The least and greatest instants, not the least and greatest local times.
  EXPECT_EQ(s.value("select min(a) || ' ' || max(a) from ev"),
            "2024-01-01 09:00:00.000000 +01:00 2024-01-01 12:00:00.000000 +02:00");
  EXPECT_EQ(s.value("select sys_extract_utc(a) from ev where id = 2"), "2024-01-01 09:00:00.000000");
  // The difference of two zoned values is the time between their instants.
  EXPECT_EQ(s.value("select (select a from ev where id = 1) - (select a from ev where id = 2) from dual"),
            "+000000000 01:00:00.000000");
  EXPECT_EQ(s.value("select extract(hour from a) || ' ' || extract(timezone_hour from a) from ev where id = 2"),
            "9 -5");
  EXPECT_EQ(s.value("select a + interval '1' day from ev where id = 2"), "2024-01-02 04:00:00.000000 -05:00");
}

// Grouping, DISTINCT, the set operators and window partitions and orders take two
// zoned values of one instant as one value, shown as the first row's.
TEST_F(ZonedColumns, ZonedValuesGroupByTheirInstant) {
  run("create table ev (id number, a timestamp with time zone)");
  // 1 and 2: 09:00 UTC, 3: 08:00 UTC, 4 and 5: NULL.
  run("insert into ev values (1, timestamp '2020-01-01 10:00:00 +01:00')");
  run("insert into ev values (2, timestamp '2020-01-01 09:00:00 +00:00')");
  run("insert into ev values (3, timestamp '2020-01-01 09:00:00 +01:00')");
  run("insert into ev values (4, null)");
  run("insert into ev values (5, null)");
  EXPECT_EQ(joined("select a, count(*) from ev group by a order by a"),
            "2020-01-01 09:00:00.000000 +01:00|1;2020-01-01 10:00:00.000000 +01:00|2;<null>|2");
  EXPECT_EQ(joined("select count(*), min(id) from ev group by a + interval '1' hour order by 2"), "2|1;1|3;2|4");
  EXPECT_EQ(s.value("select count(*) from (select distinct a from ev)"), "3");
  EXPECT_EQ(s.value("select count(distinct a) from ev"), "2");
  EXPECT_EQ(s.value("select count(*) from (select a from ev where id = 1 union select a from ev where id = 2)"), "1");
  EXPECT_EQ(joined("select a from ev where id = 1 intersect select a from ev where id = 2"),
            "2020-01-01 10:00:00.000000 +01:00");
  EXPECT_EQ(s.value("select count(*) from (select a from ev where id = 1 minus select a from ev where id = 2)"), "0");
  EXPECT_EQ(s.value("select count(*) from (select a from ev where id in (1, 3) minus select a from ev where id = 2)"),
            "1");
  EXPECT_EQ(joined("select id, count(*) over (partition by a) from ev where a is not null order by id"),
            "1|2;2|2;3|1");
  EXPECT_EQ(joined("select id, rank() over (order by a) from ev where a is not null order by id"), "1|2;2|2;3|1");
  // A grouped subquery's zoned column still groups by instant above it.
  EXPECT_EQ(s.value("select count(*) from (select a, id from ev where a is not null) group by a having count(*) = 2"),
            "2");
  run("create table lt (id number, b timestamp with local time zone)");
  run("insert into lt select id, a from ev");
  EXPECT_EQ(s.value("select count(distinct b) from lt"), "2");
  EXPECT_EQ(s.value("select count(*) from (select b from lt group by b)"), "3");
}

TEST_F(ZonedColumns, IntervalColumnsSortBySignedLengthAndCheckPrecision) {
  run("create table iv (id number, d interval day(2) to second(0), y interval year(1) to month)");
  run("insert into iv (id, d) values (1, interval '2 00:00:00' day to second)");
  run("insert into iv (id, d) values (2, interval '-3 00:00:00' day to second)");
  run("insert into iv (id, d) values (3, interval '0 12:00:00.6' day to second)");
  EXPECT_EQ(joined("select id||' '||d from iv order by d"), "2 -03 00:00:00;3 +00 12:00:01;1 +02 00:00:00");
  EXPECT_EQ(joined("select id from iv where d < interval '1' day order by id"), "2;3");
  EXPECT_EQ(s.value("select min(d) || ' ' || max(d) from iv"), "-03 00:00:00 +02 00:00:00");
  EXPECT_EQ(fails("insert into iv (id, d) values (4, interval '100' day(3))"),
            "ORA-01873: the leading precision of the interval is too small");
  EXPECT_EQ(fails("insert into iv (id, y) values (5, interval '10-0' year(2) to month)"),
            "ORA-01873: the leading precision of the interval is too small");
  EXPECT_EQ(fails("insert into iv (id, y) values (5, interval '1' day)"),
            "ORA-00932: inconsistent datatypes: expected INTERVAL YEAR TO MONTH got INTERVAL DAY TO SECOND");
  EXPECT_EQ(fails("insert into iv (id, d) values (6, 5)"),
            "ORA-00932: inconsistent datatypes: expected INTERVAL DAY TO SECOND got NUMBER");
  EXPECT_EQ(fails("insert into iv (id, d) values (6, 'x')"), "ORA-01867: the interval is invalid");
}

TEST_F(ZonedColumns, LocalTimeZoneValuesShowInTheSessionZone) {
  run("alter session set time_zone='+00:00'");
  run("create table lt (a timestamp with local time zone, z timestamp(0) with time zone)");
  run("insert into lt values (timestamp '2024-03-01 12:00:00 +02:00', systimestamp)");
  EXPECT_EQ(s.value("select a from lt"), "2024-03-01 10:00:00.000000");
  run("alter session set time_zone='-03:00'");
  EXPECT_EQ(s.value("select a from lt"), "2024-03-01 07:00:00.000000");
  EXPECT_EQ(s.value("select count(*) from lt where a = timestamp '2024-03-01 10:00:00 UTC'"), "1");
  EXPECT_EQ(s.value("select count(*) from lt where z between systimestamp - interval '1' hour and systimestamp + interval '1' second"),
            "1");
}

TEST_F(ZonedColumns, BadZonesAndTextGiveOraclesErrors) {
  run("create table ev (a timestamp with time zone)");
  EXPECT_EQ(fails("insert into ev values (timestamp '2024-01-01 00:00:00 Europe/Paris')"),
            "ORA-01882: timezone region not found");
  EXPECT_EQ(fails("insert into ev values (timestamp '2024-01-01 00:00:00 +16:00')"),
            "ORA-01874: time zone hour must be between -15 and 15");
  EXPECT_EQ(fails("insert into ev values ('2024-01-01 00:00:00 +01:75')"),
            "ORA-01875: time zone minute must be between -59 and 59");
  EXPECT_EQ(fails("insert into ev values (42)"),
            "ORA-00932: inconsistent datatypes: expected TIMESTAMP WITH TIME ZONE got NUMBER");
}

TEST_F(ZonedColumns, ZoneFunctionsConvertBetweenZones) {
  run("alter session set time_zone='+01:00'");
  auto v = [&](const std::string& e) { return s.value("select " + e + " from dual"); };
  EXPECT_EQ(v("to_timestamp_tz('2024-06-01 10:00:00 +05:00', 'YYYY-MM-DD HH24:MI:SS TZR')"),
            "2024-06-01 10:00:00.000000 +05:00");
  EXPECT_EQ(v("to_timestamp_tz('2024-06-01 10:00 -03 30', 'YYYY-MM-DD HH24:MI TZH TZM')"),
            "2024-06-01 10:00:00.000000 -03:30");
  EXPECT_EQ(v("to_timestamp_tz('2024-06-01 10:00:00.25 +05:00')"), "2024-06-01 10:00:00.250000 +05:00");
  // No zone in the text: the session's.
  EXPECT_EQ(v("to_timestamp_tz('2024-06-01 10:00', 'YYYY-MM-DD HH24:MI')"), "2024-06-01 10:00:00.000000 +01:00");
  EXPECT_EQ(v("from_tz(timestamp '2024-06-01 10:00:00', '-07:00')"), "2024-06-01 10:00:00.000000 -07:00");
  EXPECT_EQ(v("from_tz(timestamp '2024-06-01 10:00:00', '+02:00') at time zone '+00:00'"),
            "2024-06-01 08:00:00.000000 +00:00");
  EXPECT_EQ(v("timestamp '2024-06-01 23:30:00 UTC' at time zone '+05:30'"), "2024-06-02 05:00:00.000000 +05:30");
  EXPECT_EQ(v("timestamp '2024-06-01 10:00:00 -02:00' at local"), "2024-06-01 13:00:00.000000 +01:00");
  EXPECT_EQ(v("timestamp '2024-06-01 10:00:00 -02:00' at time zone sessiontimezone"),
            "2024-06-01 13:00:00.000000 +01:00");
  EXPECT_EQ(v("sys_extract_utc(timestamp '2024-06-01 00:30:00 +01:00')"), "2024-05-31 23:30:00.000000");
  EXPECT_EQ(v("tz_offset('+5:30') || tz_offset('utc') || tz_offset('-05:00')"), "+05:30+00:00-05:00");
  EXPECT_EQ(v("tz_offset('Mars/Base')"), "error: ORA-01882: timezone region not found\n");
  EXPECT_EQ(v("tz_offset('+16:00')"), "error: ORA-01874: time zone hour must be between -15 and 15\n");
  EXPECT_EQ(v("extract(timezone_minute from timestamp '2024-06-01 10:00:00 -03:30')"), "-30");
  EXPECT_EQ(v("cast(timestamp '2024-06-01 10:00:00 -03:30' as timestamp)"), "2024-06-01 10:00:00.000000");
  EXPECT_EQ(v("cast(timestamp '2024-06-01 10:00:00' as timestamp with time zone)"),
            "2024-06-01 10:00:00.000000 +01:00");
  EXPECT_EQ(v("cast('2024-06-01 10:00:59.6 +04:00' as timestamp(0) with time zone)"),
            "2024-06-01 10:01:00.000000 +04:00");
  EXPECT_EQ(v("cast(interval '3 12:00:00.75' day to second as interval day(1) to second(1))"), "+3 12:00:00.8");
  EXPECT_EQ(v("from_tz(timestamp '2024-06-01 10:00:00', 'Mars/Olympus')"), "error: ORA-01882: timezone region not found\n");
  EXPECT_EQ(v("timestamp '2024-06-01 10:00:00 UTC' at time zone '+20:00'"),
            "error: ORA-01874: time zone hour must be between -15 and 15\n");
  EXPECT_EQ(v("extract(timezone_hour from timestamp '2024-06-01 10:00:00')"),
            "error: ORA-30076: invalid extract field for extract source\n");
}

TEST_F(ZonedColumns, TheSessionClockFollowsTheSessionZone) {
  auto v = [&](const std::string& e) { return s.value("select " + e + " from dual"); };
  run("alter session set time_zone='+00:00'");
  std::string utc_hour = v("to_char(localtimestamp, 'HH24')");
  EXPECT_EQ(v("to_char(sys_extract_utc(systimestamp), 'HH24')"), utc_hour);
  run("alter session set time_zone='+05:00'");
  // Five hours ahead of UTC (to the hour: the two reads may straddle one).
  int ahead = (std::stoi(v("to_char(localtimestamp, 'HH24')")) - std::stoi(utc_hour) + 24) % 24;
  EXPECT_TRUE(ahead == 5 || ahead == 6) << ahead;
  EXPECT_EQ(v("extract(timezone_hour from current_timestamp)"), "5");
  EXPECT_EQ(s.value("select count(*) from dual where current_date between localtimestamp - interval '1' minute"
                    " and localtimestamp + interval '1' minute"),
            "1");
  EXPECT_EQ(s.value("select count(*) from dual where current_timestamp - systimestamp < interval '1' minute"), "1");
}

TEST_F(ZonedColumns, WhatStaysUnsupportedIsRefused) {
  EXPECT_EQ(fails("select current_timestamp(3) from dual"), "ORA-00904: \"CURRENT_TIMESTAMP\": invalid identifier");
  EXPECT_EQ(fails("select extract(timezone_region from systimestamp) from dual"), "ORA-03001: unimplemented feature");
}

}  // namespace
