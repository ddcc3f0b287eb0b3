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

}  // namespace
