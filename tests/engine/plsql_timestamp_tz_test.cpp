// PL/SQL variables of the zoned timestamp and interval types on the embedded engine:
// their declarations, assignment from literals, SYSTIMESTAMP and SELECT INTO, the
// arithmetic and comparisons, their text, and binding them into SQL.
#include "oci_session.h"

namespace {

class PlZoned : public ::testing::Test {
protected:
    void SetUp() override {
        test_home();
        ASSERT_NE(test_oci(), nullptr);
        ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
        run("alter session set nls_timestamp_tz_format='YYYY-MM-DD HH24:MI:SSXFF TZR'");
        run("alter session set nls_timestamp_format='YYYY-MM-DD HH24:MI:SSXFF'");
        run("alter session set nls_date_format='YYYY-MM-DD HH24:MI:SS'");
        run("alter session set time_zone='+01:00'");
        run("create table tz_t (t timestamp(3) with time zone, l timestamp with local time zone,"
            " ym interval year to month, ds interval day(3) to second(2))");
    }
    void run(const std::string& sql) { ASSERT_EQ(s.exec(sql), OCI_SUCCESS) << sql << ": " << s.error_text(); }
    std::string output_of(const std::string& block) { return server_output_of(s, block); }
    std::string joined(const std::string& sql) {
        std::string out;
        for (const std::string& r : s.rows(sql)) out += (out.empty() ? "" : ";") + r;
        return out;
    }

    OciSession s;
};

TEST_F(PlZoned, DeclarationsLiteralsAndText) {
    EXPECT_EQ(output_of("declare t timestamp with time zone := timestamp '2024-03-01 10:30:00.5 +02:00';\n"
                        "  t0 timestamp(0) with time zone := timestamp '2024-03-01 10:30:00.5 +02:00';\n"
                        "  i interval day to second := interval '1 02:03:04.5' day to second;\n"
                        "  i2 interval day(3) to second(1) := interval '100' day(3);\n"
                        "  y interval year to month := interval '1-2' year to month;\n"
                        "  y4 interval year(4) to month := interval '1200' year(4);\n"
                        "begin\n"
                        "  dbms_output.put_line(t); dbms_output.put_line(t0);\n"
                        "  dbms_output.put_line(i); dbms_output.put_line(i2);\n"
                        "  dbms_output.put_line(y || ' ' || y4);\n"
                        "end;"),
              "2024-03-01 10:30:00.500000 +02:00|2024-03-01 10:30:01.000000 +02:00|"
              "+01 02:03:04.500000|+100 00:00:00.0|+01-02 +1200-00");
    // Text into a zoned variable is read through NLS_TIMESTAMP_TZ_FORMAT; one without a
    // zone is in the session's. A WITH LOCAL TIME ZONE value is shown in the session's zone.
    EXPECT_EQ(output_of("declare t timestamp with time zone; l timestamp with local time zone;\n"
                        "  i interval day to second;\n"
                        "begin\n"
                        "  t := '2024-01-02 03:04:05.000000 -05:00'; dbms_output.put_line(t);\n"
                        "  t := timestamp '2024-01-02 03:04:05'; dbms_output.put_line(t);\n"
                        "  l := timestamp '2024-01-02 03:04:05 +05:00'; dbms_output.put_line(l);\n"
                        "  i := '+02 00:00:00'; dbms_output.put_line(i);\n"
                        "end;"),
              "2024-01-02 03:04:05.000000 -05:00|2024-01-02 03:04:05.000000 +01:00|2024-01-01 23:04:05.000000|"
              "+02 00:00:00.000000");
    // A zoned value into a DATE or TIMESTAMP keeps its own local time.
    EXPECT_EQ(output_of("declare d date; ts timestamp; t timestamp with time zone := "
                        "timestamp '2024-05-06 07:08:09.25 +03:00';\n"
                        "begin d := t; ts := t; dbms_output.put_line(d || '|' || ts); end;"),
              "2024-05-06 07:08:09|2024-05-06 07:08:09.250000");
    // A TIMESTAMP into a DATE drops the fraction, a DATE into a TIMESTAMP has a zero one.
    EXPECT_EQ(output_of("declare d date := timestamp '2024-01-01 10:00:00.5'; ts timestamp := d;\n"
                        "begin\n"
                        "  if d = to_date('2024-01-01 10:00:00', 'YYYY-MM-DD HH24:MI:SS') then dbms_output.put_line('d'); end if;\n"
                        "  if ts = timestamp '2024-01-01 10:00:00' then dbms_output.put_line('ts'); end if;\n"
                        "  dbms_output.put_line(ts);\n"
                        "end;"),
              "d|ts|2024-01-01 10:00:00.000000");
}

TEST_F(PlZoned, ArithmeticComparisonAndFunctions) {
    EXPECT_EQ(output_of("declare a timestamp with time zone := timestamp '2024-01-31 22:00:00 +00:00';\n"
                        "  b timestamp with time zone := timestamp '2024-02-01 01:00:00 +02:00';\n"
                        "  i interval day to second; y interval year to month := interval '1-1' year to month;\n"
                        "begin\n"
                        "  i := b - a; dbms_output.put_line(i);\n"
                        "  dbms_output.put_line(a + interval '1' day);\n"
                        "  dbms_output.put_line(a - i * 2);\n"
                        "  dbms_output.put_line(i + interval '30' minute);\n"
                        "  dbms_output.put_line(y + y);\n"
                        "  dbms_output.put_line(b + y);\n"
                        "  if a < b then dbms_output.put_line('a before b'); end if;\n"
                        "  if timestamp '2024-01-01 12:00:00 +02:00' = timestamp '2024-01-01 10:00:00 +00:00' then\n"
                        "    dbms_output.put_line('same instant'); end if;\n"
                        "  if interval '24' hour = interval '1' day then dbms_output.put_line('same length'); end if;\n"
                        "  dbms_output.put_line(extract(hour from b) || ' ' || extract(timezone_hour from b) ||"
                        " ' ' || extract(day from i) || ' ' || extract(month from y));\n"
                        "  dbms_output.put_line(to_char(b, 'DD.MM.YYYY HH24:MI TZH:TZM'));\n"
                        "end;"),
              "+00 01:00:00.000000|2024-02-01 22:00:00.000000 +00:00|2024-01-31 20:00:00.000000 +00:00|"
              "+00 01:30:00.000000|+02-02|2025-03-01 01:00:00.000000 +02:00|a before b|same instant|"
              "same length|23 2 0 1|01.02.2024 01:00 +02:00");
    // SYSTIMESTAMP lands in a zoned variable; a later instant compares greater.
    EXPECT_EQ(output_of("declare t timestamp(6) with time zone := systimestamp; u timestamp with time zone;\n"
                        "begin u := current_timestamp + interval '1' second;\n"
                        "  dbms_output.put_line(case when u > t then 'later' else 'not later' end); end;"),
              "later");
}

TEST_F(PlZoned, SqlAndSubprograms) {
    // Binding into SQL keeps the value and zone; SELECT INTO and %TYPE read them back.
    EXPECT_EQ(output_of("declare t timestamp with time zone := timestamp '2024-06-01 08:00:00.1234 -03:30';\n"
                        "  i interval day to second := interval '2 03:00:00.456' day to second;\n"
                        "  y interval year to month := interval '-1-6' year to month;\n"
                        "  t2 tz_t.t%type; l2 tz_t.l%type; y2 tz_t.ym%type; i2 tz_t.ds%type;\n"
                        "begin\n"
                        "  insert into tz_t values (t, t, y, i);\n"
                        "  select t, l, ym, ds into t2, l2, y2, i2 from tz_t;\n"
                        "  dbms_output.put_line(t2); dbms_output.put_line(l2);\n"
                        "  dbms_output.put_line(y2 || ' ' || i2);\n"
                        "  if l2 = t then dbms_output.put_line('same instant'); end if;\n"
                        "end;"),
              "2024-06-01 08:00:00.123000 -03:30|2024-06-01 12:30:00.123400|-01-06 +002 03:00:00.46|same instant");
    EXPECT_EQ(joined("select to_char(t, 'HH24:MI TZH:TZM'), extract(day from ds) from tz_t"), "08:00 -03:30|2");
    // A cursor's zoned and interval columns fetch into such variables; a WITH LOCAL TIME
    // ZONE one is formatted in the session's zone.
    EXPECT_EQ(output_of("declare c sys_refcursor; t timestamp with time zone; l timestamp with local time zone;\n"
                        "  i interval day to second;\n"
                        "begin open c for select t, l, ds from tz_t; fetch c into t, l, i; close c;\n"
                        "  dbms_output.put_line(t || ' ' || to_char(l, 'HH24:MI') || ' ' || nvl(i, interval '1' day));\n"
                        "  i := null; dbms_output.put_line(nvl(i, interval '1' day));\n"
                        "end;"),
              "2024-06-01 08:00:00.123000 -03:30 12:30 +02 03:00:00.460000|+01 00:00:00.000000");
    // Parameters, function results, constants and record fields of these types.
    EXPECT_EQ(output_of("declare\n"
                        "  type span is record (starts timestamp with time zone, lasts interval day to second);\n"
                        "  r span;\n"
                        "  c constant interval day to second := interval '90' minute;\n"
                        "  y interval year to month := interval '5' month;\n"
                        "  function ends(s timestamp with time zone, d interval day to second)\n"
                        "    return timestamp with time zone is begin return s + d; end;\n"
                        "  procedure grow(d in out interval year to month) is begin d := d * 3; end;\n"
                        "begin\n"
                        "  r.starts := timestamp '2024-12-31 23:00:00 +09:00'; r.lasts := c;\n"
                        "  dbms_output.put_line(ends(r.starts, r.lasts));\n"
                        "  grow(y); dbms_output.put_line(y);\n"
                        "end;"),
              "2025-01-01 00:30:00.000000 +09:00|+01-03");
}

TEST_F(PlZoned, Errors) {
    // A number is no interval, an interval of one kind no interval of the other.
    EXPECT_EQ(output_of("declare i interval day to second; begin i := 5; end;").substr(0, 16), "error: ORA-00932");
    EXPECT_EQ(output_of("declare i interval day to second; begin i := interval '1' year; end;").substr(0, 16),
              "error: ORA-00932");
    EXPECT_EQ(output_of("declare t timestamp with time zone; begin t := 'not a time'; end;").substr(0, 12),
              "error: ORA-0");
    EXPECT_EQ(output_of("declare i interval day to second; begin i := interval '99' day(3) * 2;\n"
                        "  dbms_output.put_line('x'); end;")
                  .substr(0, 16),
              "error: ORA-01873");
    EXPECT_EQ(output_of("declare t timestamp(10) with time zone; begin null; end;"),
              "error: ORA-06550: line 1, column 21:\nORA-30088: datetime/interval precision is out of range\n");
}

}  // namespace
