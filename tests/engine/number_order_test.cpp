// Numbers wider than an integer or a double (kept as Oracle's number bytes) order among
// the others by value: comparisons with and without an index, BETWEEN, quantified
// comparisons, ORDER BY, window orders, MIN/MAX and KEEP, and FETCH ... WITH TIES.
#include "oci_session.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

class NumberOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(test_home()) / "databases", ignored);
    ASSERT_NE(test_oci(), nullptr);
    ASSERT_EQ(s.connect_test_user(), OCI_SUCCESS) << s.error_text();
    // Wide and narrow values mixed: 1/3, 2/3 and -1/3 have 40 digits, the big integer
    // more than 64 bits hold; 0.33333333333333 and 0.5 are doubles, 1 and -2 integers.
    ASSERT_EQ(s.exec("create table w(id number(3), n number)"), OCI_SUCCESS) << s.error_text();
    const char* values[] = {"1", "1/3", "0.5", "2/3", "-1/3", "12345678901234567890123", "0.33333333333333",
                            "-2", "null", "0.34"};
    int id = 0;
    for (const char* v : values)
      ASSERT_EQ(s.exec("insert into w values (" + std::to_string(++id) + ", " + v + ")"), OCI_SUCCESS)
          << v << ": " << s.error_text();
  }
  std::string ids(const std::string& where) {
    std::string out;
    for (const std::string& r : s.rows("select id from w where " + where + " order by id"))
      out += (out.empty() ? "" : ",") + r;
    return out;
  }
  OciSession s;
};

TEST_F(NumberOrder, RangeComparisonsOrderWideValuesByValueWithAndWithoutAnIndex) {
  for (int indexed = 0; indexed < 2; ++indexed) {
    if (indexed) {
      ASSERT_EQ(s.exec("create index w_n on w(n)"), OCI_SUCCESS) << s.error_text();
    }
    EXPECT_EQ(ids("n > 0.3"), "1,2,3,4,6,7,10") << indexed;
    EXPECT_EQ(ids("n < 0.34"), "2,5,7,8") << indexed;
    EXPECT_EQ(ids("0.34 > n"), "2,5,7,8") << indexed;
    EXPECT_EQ(ids("n >= 0.5 and n <= 1"), "1,3,4") << indexed;
    EXPECT_EQ(ids("n between 0.3334 and 0.9"), "3,4,10") << indexed;
    EXPECT_EQ(ids("n not between -1 and 1"), "6,8") << indexed;
    EXPECT_EQ(ids("n > 1e20"), "6") << indexed;
    EXPECT_EQ(ids("n < -0.3"), "5,8") << indexed;
    // Both sides wide: the value against another row's value, and against a quotient.
    EXPECT_EQ(ids("n > (select n from w where id = 2)"), "1,3,4,6,10") << indexed;
    EXPECT_EQ(ids("n < 1/3"), "5,7,8") << indexed;
    EXPECT_EQ(ids("n <= 1/3"), "2,5,7,8") << indexed;
    EXPECT_EQ(ids("n = 1/3"), "2") << indexed;
    EXPECT_EQ(ids("n > 0.33333333333333 and n < 0.34"), "2") << indexed;
  }
}

TEST_F(NumberOrder, QuantifiedComparisonsAndBindsCompareByValue) {
  EXPECT_EQ(ids("n > all (select n from w where id in (2, 7))"), "1,3,4,6,10");
  EXPECT_EQ(ids("n < any (0.34, -1)"), "2,5,7,8");
  EXPECT_EQ(s.value("select case when 0.4 > all (select n from w where n < 0.4) then 'yes' end from dual"), "yes");
  EXPECT_EQ(s.value("select case when 0.3 > any (select n from w where id in (2, 4)) then 'yes' else 'no' end "
                    "from dual"),
            "no");
  EXPECT_EQ(ids("n > '0.3' and n < '0.34'"), "2,7");
}

TEST_F(NumberOrder, SortsAndExtremesOrderWideValuesByValue) {
  const std::vector<std::string> order = {"8", "5", "7", "2", "10", "3", "4", "1", "6", "9"};
  auto ids_of = [&](const std::string& sql) { return s.rows(sql); };
  EXPECT_EQ(ids_of("select id from w order by n, id"), order);
  EXPECT_EQ(ids_of("select id from (select id, n from w order by 2)"), order);
  std::vector<std::string> reversed(order.rbegin() + 1, order.rend());
  reversed.insert(reversed.begin(), "9");  // NULLS FIRST is the default of DESC
  EXPECT_EQ(ids_of("select id from w order by n desc"), reversed);
  EXPECT_EQ(ids_of("select id from w order by n * 3, id"), order);
  // A result column named like a column of the table is sorted by its own value, also
  // when two tables of the join have a column of that name.
  std::vector<std::string> negated(reversed.begin() + 1, reversed.end());
  negated.push_back("9");
  EXPECT_EQ(ids_of("select id from (select id, -n n from w order by 2)"), negated);
  EXPECT_EQ(ids_of("select a.id from w a, w b where a.id = b.id order by a.n"), order);
  EXPECT_EQ(ids_of("select id from (select a.id, b.n from w a join w b on a.id = b.id order by 2, 1)"), order);
  EXPECT_EQ(s.value("select -n from w where id = 2"), "-.3333333333333333333333333333333333333333");
  EXPECT_EQ(ids_of("select id from (select id, row_number() over (order by n) r from w) order by r"), order);
  EXPECT_EQ(s.value("select min(n) from w where id <> 8"), "-.3333333333333333333333333333333333333333");
  EXPECT_EQ(s.value("select max(n) from w where id < 6"), "1");
  EXPECT_EQ(s.value("select max(n) from w where id in (2, 7)"), ".3333333333333333333333333333333333333333");
  EXPECT_EQ(s.value("select m from (select id, min(n) over () m from w) where id = 2"), "-2");
  EXPECT_EQ(s.value("select m from (select id, max(n) over (order by n rows between 1 preceding and current row) m "
                    "from w) where id = 7"),
            ".33333333333333");
  EXPECT_EQ(s.value("select max(id) keep (dense_rank last order by n nulls first) from w"), "6");
  EXPECT_EQ(s.value("select max(n) from w"), "12345678901234567890123");
  const std::vector<std::string> compound = {"-.3333333333333333333333333333333333333333",
                                             ".3333333333333333333333333333333333333333", ".5",
                                             ".6666666666666666666666666666666666666667", "1",
                                             "12345678901234567890123"};
  EXPECT_EQ(s.rows("select n from w where id < 4 union select n from w where id between 4 and 6 order by 1"),
            compound);
  EXPECT_EQ(s.rows("select n v from w where id < 4 union all select n from w where id between 4 and 6 order by v"),
            compound);
  // The rows that tie with the last one kept are those of the same value.
  EXPECT_EQ(s.rows("select id from w where id in (2, 7, 10) order by n fetch first 1 rows with ties"),
            std::vector<std::string>{"7"});
  // ROWNUM and COUNT stay integers: their comparisons are SQLite's own.
  EXPECT_EQ(s.value("select count(*) from w where rownum <= 3"), "3");
  EXPECT_EQ(s.value("select count(*) from (select count(*) c from w group by id) where c < 2"), "10");
}

TEST_F(NumberOrder, PercentilesAndCompoundsWithSharedNamesOrderWideValuesByValue) {
  // Values of ids 1 to 7: 1, 1/3, .5, 2/3, -1/3, the big integer, .33333333333333.
  EXPECT_EQ(s.value("select median(n) from w where id <= 7"), ".5");
  EXPECT_EQ(s.value("select median(n) from w where id <= 6"), ".5833333333333333333333333333333333333334");
  EXPECT_EQ(s.value("select percentile_disc(0.2) within group (order by n) from w where id <= 7"),
            ".33333333333333");
  EXPECT_EQ(s.value("select percentile_disc(0.9) within group (order by n desc) from w where id <= 7"),
            "-.3333333333333333333333333333333333333333");
  EXPECT_EQ(s.value("select percentile_cont(0.25) within group (order by n) from w where id in (2, 3, 5, 6)"),
            ".1666666666666666666666666666666666666667");
  // Integers beyond a double's 53 bits stay apart.
  ASSERT_EQ(s.exec("create table big(b number)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("insert into big select 9007199254740993 from dual connect by level <= 2"), OCI_SUCCESS)
      << s.error_text();
  ASSERT_EQ(s.exec("insert into big values (9007199254740992)"), OCI_SUCCESS) << s.error_text();
  EXPECT_EQ(s.value("select stats_mode(b) from big"), "9007199254740993");
  // Two result columns of one name: the compound is ordered by position.
  const std::vector<std::string> by_value = {"5|-.3333333333333333333333333333333333333333",
                                             "2|.3333333333333333333333333333333333333333", "3|.5",
                                             "4|.6666666666666666666666666666666666666667", "1|1",
                                             "6|12345678901234567890123"};
  EXPECT_EQ(s.rows("select id n, n from w where id < 4 union select id, n from w where id between 4 and 6 "
                   "order by 2"),
            by_value);
  std::vector<std::string> descending(by_value.rbegin(), by_value.rend());
  EXPECT_EQ(s.rows("select id n, n from w where id < 4 union all select id, n from w where id between 4 and 6 "
                   "order by 2 desc, 1"),
            descending);
  EXPECT_EQ(s.rows("select id x, n x from w where id < 7 minus select id, n from w where id = 3 order by 2 desc"),
            (std::vector<std::string>{"6|12345678901234567890123", "1|1", "4|.6666666666666666666666666666666666666667",
                                      "2|.3333333333333333333333333333333333333333",
                                      "5|-.3333333333333333333333333333333333333333"}));
}

TEST_F(NumberOrder, BindsAndExpressionsKeepTheColumnsIndex) {
  ASSERT_EQ(s.exec("create index w_n on w(n)"), OCI_SUCCESS) << s.error_text();
  auto plan = [&](const std::string& where) {
    EXPECT_EQ(s.exec("delete from plan_table"), OCI_SUCCESS) << s.error_text();
    EXPECT_EQ(s.exec("explain plan for select id from w where " + where), OCI_SUCCESS) << s.error_text();
    std::string out;
    for (const std::string& r : s.rows("select operation || ' ' || options || ' ' || object_name from plan_table "
                                       "where object_name is not null order by id"))
      out += (out.empty() ? "" : ",") + r;
    return out;
  };
  EXPECT_EQ(plan("n > :b"), "TABLE ACCESS BY INDEX ROWID W,INDEX RANGE SCAN W_N");
  EXPECT_EQ(plan(":b * 2 <= n"), "TABLE ACCESS BY INDEX ROWID W,INDEX RANGE SCAN W_N");
  EXPECT_EQ(plan("n >= abs(:b) - 1"), "TABLE ACCESS BY INDEX ROWID W,INDEX RANGE SCAN W_N");
  EXPECT_EQ(plan("n < :b"), "TABLE ACCESS BY INDEX ROWID W,INDEX RANGE SCAN W_N,TABLE ACCESS BY INDEX ROWID W,"
                            "INDEX RANGE SCAN W_N");
  EXPECT_EQ(plan("n between :lo and :hi"), "TABLE ACCESS BY INDEX ROWID W,INDEX RANGE SCAN W_N");
  // A random value is read once, so that column is read whole.
  EXPECT_EQ(plan("n > dbms_random.value"), "TABLE ACCESS FULL W");
  // The rows are those of the exact comparisons, binds being PL/SQL variables here.
  ASSERT_EQ(s.exec("create table hits(k varchar2(10), id number)"), OCI_SUCCESS) << s.error_text();
  ASSERT_EQ(s.exec("declare b number := 1/3; big number := 12345678901234567890122; begin "
                   "insert into hits select 'gt', id from w where n > b; "
                   "insert into hits select 'le', id from w where b >= n; "
                   "insert into hits select 'lt2', id from w where n < b * 2; "
                   "insert into hits select 'ge2', id from w where n >= b * 2; "
                   "insert into hits select 'big', id from w where n > big; "
                   "insert into hits select 'text', id from w where n <= '0.34'; end;"),
            OCI_SUCCESS)
      << s.error_text();
  auto hits = [&](const std::string& k) {
    std::string out;
    for (const std::string& r : s.rows("select id from hits where k = '" + k + "' order by id"))
      out += (out.empty() ? "" : ",") + r;
    return out;
  };
  EXPECT_EQ(hits("gt"), "1,3,4,6,10");
  EXPECT_EQ(hits("le"), "2,5,7,8");
  EXPECT_EQ(hits("lt2"), "2,3,5,7,8,10");
  EXPECT_EQ(hits("ge2"), "1,4,6");
  EXPECT_EQ(hits("big"), "6");
  EXPECT_EQ(hits("text"), "2,5,7,8,10");
}

}  // namespace
